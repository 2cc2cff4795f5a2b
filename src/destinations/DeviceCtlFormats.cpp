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

// Both listings are {"result": {"<key>": [<item>, ...]}}.
template <typename Response, typename Item, typename F>
Result<Response, JsonDecodingError> decodeResultList(const QByteArray& data, QLatin1StringView key,
                                                     F&& decodeItem) {
    JsonDecoding json;
    const QJsonObject root = json.documentObject(data);
    const QJsonObject result = json.requiredObject(root, QLatin1StringView("result"));
    return json.result(json.within(resultKey, [&] {
        const QJsonArray items = json.requiredArray(result, key);
        return json.within(QString(key),
                           [&] { return Response{{decodeArray<Item>(json, items, decodeItem)}}; });
    }));
}

} // namespace

Result<DeviceCtlResponse, JsonDecodingError> DeviceCtlResponse::decode(const QByteArray& data) {
    return decodeResultList<DeviceCtlResponse, DeviceCtlDevice>(data, QLatin1StringView("devices"),
                                                                decodeDevice);
}

Result<DeviceCtlAppsResponse, JsonDecodingError>
DeviceCtlAppsResponse::decode(const QByteArray& data) {
    return decodeResultList<DeviceCtlAppsResponse, DeviceCtlApp>(data, QLatin1StringView("apps"),
                                                                 decodeApp);
}
