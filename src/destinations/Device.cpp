#include "destinations/Device.h"

QString rawValue(DeviceState state) {
    switch (state) {
    case DeviceState::booted:
        return QStringLiteral("Booted");
    case DeviceState::shutdown:
        return QStringLiteral("Shutdown");
    case DeviceState::unavailable:
        return QStringLiteral("Unavailable");
    case DeviceState::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString rawValue(DeviceSource source) {
    switch (source) {
    case DeviceSource::physical:
        return QStringLiteral("physical");
    case DeviceSource::androidEmulator:
        return QStringLiteral("androidEmulator");
    case DeviceSource::androidDevice:
        return QStringLiteral("androidDevice");
    case DeviceSource::simulator:
        break;
    }
    return QStringLiteral("simulator");
}

DeviceState deviceStateFromRawValue(QStringView text) {
    if (text == u"Booted")
        return DeviceState::booted;
    if (text == u"Shutdown")
        return DeviceState::shutdown;
    if (text == u"Unavailable")
        return DeviceState::unavailable;
    return DeviceState::unknown;
}

std::optional<DeviceSource> deviceSourceFromRawValue(QStringView text) {
    if (text == u"simulator")
        return DeviceSource::simulator;
    if (text == u"physical")
        return DeviceSource::physical;
    if (text == u"androidEmulator")
        return DeviceSource::androidEmulator;
    if (text == u"androidDevice")
        return DeviceSource::androidDevice;
    return std::nullopt;
}

size_t qHash(const Device& device, size_t seed) noexcept {
    return qHashMulti(seed, device.id, device.name, rawValue(device.state), device.runtime,
                      device.runtimeVersion, rawValue(device.source), device.stateText);
}

QString symbolName(const Device& device) {
    if (isAndroid(device))
        return QStringLiteral("android");
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
