#pragma once

#include "platform/JsonDecoding.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The JSON documents the device control tool writes with --json-output. Decoding is strict:
// a missing required key or a value of the wrong JSON type fails the whole document with a
// JsonDecodingError; keys not named here are ignored.

struct DeviceCtlDeviceProperties {
    QString name;
    std::optional<QString> osVersionNumber;
    std::optional<QString> bootState;
};

struct DeviceCtlHardwareProperties {
    QString platform;
};

struct DeviceCtlDevice {
    QString identifier;
    DeviceCtlDeviceProperties deviceProperties;
    DeviceCtlHardwareProperties hardwareProperties;
};

struct DeviceCtlResult {
    QList<DeviceCtlDevice> devices;
};

// `devicectl list devices` output.
struct DeviceCtlResponse {
    DeviceCtlResult result;

    static Result<DeviceCtlResponse, JsonDecodingError> decode(const QByteArray& json);
};

struct DeviceCtlApp {
    std::optional<QString> name;
    QString bundleIdentifier;
    std::optional<QString> version;
    std::optional<QString> bundleVersion;
    std::optional<QString> url;
};

struct DeviceCtlAppsResult {
    QList<DeviceCtlApp> apps;
};

// `devicectl device info apps` output.
struct DeviceCtlAppsResponse {
    DeviceCtlAppsResult result;

    static Result<DeviceCtlAppsResponse, JsonDecodingError> decode(const QByteArray& json);
};
