#include "destinations/DeviceCtlFormats.h"

#include "platform/JsonDecoding.h"

using namespace JsonDecoding;

namespace {

const QString resultKey = QStringLiteral("result");

template <typename T, typename F> QList<T> decodeArray(const QJsonArray& array, F&& decodeElement) {
    QList<T> elements;
    elements.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        elements.append(within(QStringLiteral("[%1]").arg(i),
                               [&] { return decodeElement(objectElement(array[i])); }));
    }
    return elements;
}

DeviceCtlDevice decodeDevice(const QJsonObject& object) {
    DeviceCtlDevice device;
    device.identifier = requiredString(object, QLatin1StringView("identifier"));
    const QJsonObject properties = requiredObject(object, QLatin1StringView("deviceProperties"));
    within(QStringLiteral("deviceProperties"), [&] {
        device.deviceProperties.name = requiredString(properties, QLatin1StringView("name"));
        device.deviceProperties.osVersionNumber =
            optionalString(properties, QLatin1StringView("osVersionNumber"));
        device.deviceProperties.bootState =
            optionalString(properties, QLatin1StringView("bootState"));
    });
    const QJsonObject hardware = requiredObject(object, QLatin1StringView("hardwareProperties"));
    within(QStringLiteral("hardwareProperties"), [&] {
        device.hardwareProperties.platform =
            requiredString(hardware, QLatin1StringView("platform"));
    });
    return device;
}

DeviceCtlApp decodeApp(const QJsonObject& object) {
    DeviceCtlApp app;
    app.name = optionalString(object, QLatin1StringView("name"));
    app.bundleIdentifier = requiredString(object, QLatin1StringView("bundleIdentifier"));
    app.version = optionalString(object, QLatin1StringView("version"));
    app.bundleVersion = optionalString(object, QLatin1StringView("bundleVersion"));
    app.url = optionalString(object, QLatin1StringView("url"));
    return app;
}

} // namespace

DeviceCtlResponse DeviceCtlResponse::decode(const QByteArray& json) {
    const QJsonObject root = documentObject(json);
    const QJsonObject result = requiredObject(root, QLatin1StringView("result"));
    return within(resultKey, [&] {
        const QJsonArray devices = requiredArray(result, QLatin1StringView("devices"));
        return within(QStringLiteral("devices"), [&] {
            return DeviceCtlResponse{{decodeArray<DeviceCtlDevice>(devices, decodeDevice)}};
        });
    });
}

DeviceCtlAppsResponse DeviceCtlAppsResponse::decode(const QByteArray& json) {
    const QJsonObject root = documentObject(json);
    const QJsonObject result = requiredObject(root, QLatin1StringView("result"));
    return within(resultKey, [&] {
        const QJsonArray apps = requiredArray(result, QLatin1StringView("apps"));
        return within(QStringLiteral("apps"), [&] {
            return DeviceCtlAppsResponse{{decodeArray<DeviceCtlApp>(apps, decodeApp)}};
        });
    });
}
