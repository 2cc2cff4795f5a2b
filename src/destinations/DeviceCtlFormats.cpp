#include "destinations/DeviceCtlFormats.h"

namespace {

const QString resultKey = QStringLiteral("result");

template <typename T, typename F>
QList<T> decodeArray(JsonDecoding& json, const QJsonArray& array, F&& decodeElement) {
    QList<T> elements;
    elements.reserve(array.size());
    for (qsizetype i = 0; i < array.size() && !json.hasError(); ++i) {
        elements.append(json.within(QStringLiteral("[%1]").arg(i), [&] {
            return decodeElement(json, json.objectElement(array[i]));
        }));
    }
    return elements;
}

DeviceCtlDevice decodeDevice(JsonDecoding& json, const QJsonObject& object) {
    DeviceCtlDevice device;
    device.identifier = json.requiredString(object, QLatin1StringView("identifier"));
    const QJsonObject properties =
        json.requiredObject(object, QLatin1StringView("deviceProperties"));
    json.within(QStringLiteral("deviceProperties"), [&] {
        device.deviceProperties.name = json.requiredString(properties, QLatin1StringView("name"));
        device.deviceProperties.osVersionNumber =
            json.optionalString(properties, QLatin1StringView("osVersionNumber"));
        device.deviceProperties.bootState =
            json.optionalString(properties, QLatin1StringView("bootState"));
    });
    const QJsonObject hardware =
        json.requiredObject(object, QLatin1StringView("hardwareProperties"));
    json.within(QStringLiteral("hardwareProperties"), [&] {
        device.hardwareProperties.platform =
            json.requiredString(hardware, QLatin1StringView("platform"));
    });
    return device;
}

DeviceCtlApp decodeApp(JsonDecoding& json, const QJsonObject& object) {
    DeviceCtlApp app;
    app.name = json.optionalString(object, QLatin1StringView("name"));
    app.bundleIdentifier = json.requiredString(object, QLatin1StringView("bundleIdentifier"));
    app.version = json.optionalString(object, QLatin1StringView("version"));
    app.bundleVersion = json.optionalString(object, QLatin1StringView("bundleVersion"));
    app.url = json.optionalString(object, QLatin1StringView("url"));
    return app;
}

} // namespace

Result<DeviceCtlResponse, JsonDecodingError> DeviceCtlResponse::decode(const QByteArray& data) {
    JsonDecoding json;
    const QJsonObject root = json.documentObject(data);
    const QJsonObject result = json.requiredObject(root, QLatin1StringView("result"));
    return json.result(json.within(resultKey, [&] {
        const QJsonArray devices = json.requiredArray(result, QLatin1StringView("devices"));
        return json.within(QStringLiteral("devices"), [&] {
            return DeviceCtlResponse{{decodeArray<DeviceCtlDevice>(json, devices, decodeDevice)}};
        });
    }));
}

Result<DeviceCtlAppsResponse, JsonDecodingError>
DeviceCtlAppsResponse::decode(const QByteArray& data) {
    JsonDecoding json;
    const QJsonObject root = json.documentObject(data);
    const QJsonObject result = json.requiredObject(root, QLatin1StringView("result"));
    return json.result(json.within(resultKey, [&] {
        const QJsonArray apps = json.requiredArray(result, QLatin1StringView("apps"));
        return json.within(QStringLiteral("apps"), [&] {
            return DeviceCtlAppsResponse{{decodeArray<DeviceCtlApp>(json, apps, decodeApp)}};
        });
    }));
}
