#include "destinations/Device.h"

QString rawValue(DeviceState state) {
    switch (state) {
    case DeviceState::booted:
        return QStringLiteral("Booted");
    case DeviceState::shutdown:
        return QStringLiteral("Shutdown");
    case DeviceState::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString rawValue(DeviceSource source) {
    return source == DeviceSource::physical ? QStringLiteral("physical")
                                            : QStringLiteral("simulator");
}

DeviceState deviceStateFromRawValue(QStringView text) {
    if (text == u"Booted")
        return DeviceState::booted;
    if (text == u"Shutdown")
        return DeviceState::shutdown;
    return DeviceState::unknown;
}

std::optional<DeviceSource> deviceSourceFromRawValue(QStringView text) {
    if (text == u"simulator")
        return DeviceSource::simulator;
    if (text == u"physical")
        return DeviceSource::physical;
    return std::nullopt;
}

size_t qHash(const Device& device, size_t seed) noexcept {
    return qHashMulti(seed, device.id, device.name, rawValue(device.state), device.runtime,
                      device.runtimeVersion, rawValue(device.source));
}

QString symbolName(const Device& device) {
    const QString& name = device.name;
    if (name.contains(QLatin1String("iPad")))
        return QStringLiteral("ipad");
    if (name.contains(QLatin1String("iPhone")))
        return QStringLiteral("iphone");
    if (name.contains(QLatin1String("Watch")))
        return QStringLiteral("applewatch");
    if (name.contains(QLatin1String("TV")))
        return QStringLiteral("appletv.fill");
    return QStringLiteral("iphone");
}
