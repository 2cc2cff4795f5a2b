#pragma once

#include <QHashFunctions>
#include <QList>
#include <QMetaType>
#include <QString>

#include <exception>
#include <optional>

// Boot state of a destination, as the tools report it. Raw values are the tools' own words.
// `unavailable`: listed but not usable (an Android destination in any adb state but `device`).
enum class DeviceState { Booted, Shutdown, Unknown, Unavailable };

// Which tool a destination comes from: simctl, devicectl, or adb (emulator or device).
enum class DeviceSource { Simulator, Physical, AndroidEmulator, AndroidDevice };

[[nodiscard]] QString rawValue(DeviceState state);
[[nodiscard]] QString rawValue(DeviceSource source);
// Exact, case-sensitive match of a raw value; anything else is `unknown`.
[[nodiscard]] DeviceState deviceStateFromRawValue(QStringView text);
// Exact match of a raw value; anything else gives nothing.
[[nodiscard]] std::optional<DeviceSource> deviceSourceFromRawValue(QStringView text);

// A run destination: a simulator of the chosen Xcode, a connected physical device, or an Android
// emulator or device. `id` is a simulator UDID, the device tool's identifier or adb's serial;
// equality compares every field.
struct Device {
    // Every member has an initialiser, so designated initialisers may leave any out (GCC warns
    // about a member left out that has none).
    QString id{};
    QString name{};
    DeviceState state = DeviceState::Unknown;
    QString runtime{};        // platform name: "iOS", "watchOS", ...
    QString runtimeVersion{}; // dotted, may be empty
    DeviceSource source = DeviceSource::Simulator;
    // Why an unavailable destination cannot be used, shown as its secondary text; else empty.
    QString stateText{};

    bool operator==(const Device&) const = default;
};

[[nodiscard]] size_t qHash(const Device& device, size_t seed = 0) noexcept;

// Whether a destination can be chosen to fire at (everything but `unavailable`).
[[nodiscard]] inline bool isUsable(const Device& device) {
    return device.state != DeviceState::Unavailable;
}

// Whether a destination comes from adb.
[[nodiscard]] inline bool isAndroid(const Device& device) {
    return device.source == DeviceSource::AndroidEmulator ||
           device.source == DeviceSource::AndroidDevice;
}

// The symbol drawn for a destination: Android's for adb's, else chosen from its name ("iPad"
// wins over "TV").
[[nodiscard]] QString symbolName(const Device& device);

// One titled group of the destination list: a platform name, or "<platform> Devices".
struct DeviceSection {
    QString key;
    QList<Device> devices;

    bool operator==(const DeviceSection&) const = default;
};

// A tool that could not list its destinations ("simctl", "devicectl" or "adb") and why, on one
// line: the picker's row and kestrine-cli's standard error say the same.
struct SourceFailure {
    QString tool{};
    QString reason{};

    bool operator==(const SourceFailure&) const = default;
};

[[nodiscard]] SourceFailure sourceFailure(const QString& tool, const std::exception_ptr& error);

Q_DECLARE_METATYPE(Device)
