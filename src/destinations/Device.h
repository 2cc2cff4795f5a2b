#pragma once

#include <QHashFunctions>
#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

// Boot state of a destination, as the tools report it. Raw values are the tools' own words.
enum class DeviceState { booted, shutdown, unknown };

// Which tool a destination comes from.
enum class DeviceSource { simulator, physical };

[[nodiscard]] QString rawValue(DeviceState state);
[[nodiscard]] QString rawValue(DeviceSource source);
// Exact, case-sensitive match of a raw value; anything else is `unknown`.
[[nodiscard]] DeviceState deviceStateFromRawValue(QStringView text);
// Exact match of a raw value; anything else gives nothing.
[[nodiscard]] std::optional<DeviceSource> deviceSourceFromRawValue(QStringView text);

// A run destination: a simulator of the chosen Xcode, or a connected physical device.
// `id` is a simulator UDID or the device tool's identifier; equality compares every field.
struct Device {
    QString id;
    QString name;
    DeviceState state = DeviceState::unknown;
    QString runtime;        // platform name: "iOS", "watchOS", ...
    QString runtimeVersion; // dotted, may be empty
    DeviceSource source = DeviceSource::simulator;

    bool operator==(const Device&) const = default;
};

[[nodiscard]] size_t qHash(const Device& device, size_t seed = 0) noexcept;

// The symbol drawn for a destination, chosen from its name ("iPad" wins over "TV").
[[nodiscard]] QString symbolName(const Device& device);

// One titled group of the destination list: a platform name, or "<platform> Devices".
struct DeviceSection {
    QString key;
    QList<Device> devices;

    bool operator==(const DeviceSection&) const = default;
};

Q_DECLARE_METATYPE(Device)
