#include "destinations/Device.h"

#include "platform/AppError.h"

QString rawValue(DeviceState state) {
    switch (state) {
    case DeviceState::Booted:
        return QStringLiteral("Booted");
    case DeviceState::Shutdown:
        return QStringLiteral("Shutdown");
    case DeviceState::Unavailable:
        return QStringLiteral("Unavailable");
    case DeviceState::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString rawValue(DeviceSource source) {
    switch (source) {
    case DeviceSource::Physical:
        return QStringLiteral("physical");
    case DeviceSource::AndroidEmulator:
        return QStringLiteral("androidEmulator");
    case DeviceSource::AndroidDevice:
        return QStringLiteral("androidDevice");
    case DeviceSource::Simulator:
        break;
    }
    return QStringLiteral("simulator");
}

DeviceState deviceStateFromRawValue(QStringView text) {
    if (text == u"Booted")
        return DeviceState::Booted;
    if (text == u"Shutdown")
        return DeviceState::Shutdown;
    if (text == u"Unavailable")
        return DeviceState::Unavailable;
    return DeviceState::Unknown;
}

std::optional<DeviceSource> deviceSourceFromRawValue(QStringView text) {
    if (text == u"simulator")
        return DeviceSource::Simulator;
    if (text == u"physical")
        return DeviceSource::Physical;
    if (text == u"androidEmulator")
        return DeviceSource::AndroidEmulator;
    if (text == u"androidDevice")
        return DeviceSource::AndroidDevice;
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

SourceFailure sourceFailure(const QString& tool, const std::exception_ptr& error) {
    // A tool's message ends in a newline and may span lines; a row has one.
    return {tool, localizedDescription(error).simplified()};
}
