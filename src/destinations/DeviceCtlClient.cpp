#include "destinations/DeviceCtlClient.h"

#include "destinations/DeviceCtlFormats.h"

#include <QDir>

namespace {

// "booted" -> "Booted", "SHUTDOWN" -> "Shutdown": each word's first letter upper-cased, the
// rest lower-cased, so the tool's lower-case states meet the raw values of DeviceState.
QString capitalized(const QString& text)
{
    QString result = text.toLower();
    bool wordStart = true;
    for (QChar& c : result) {
        if (c.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            c = c.toUpper();
            wordStart = false;
        }
    }
    return result;
}

} // namespace

DeviceCtlClient::DeviceCtlClient(QUrl xcodeURL, Logger logger)
    : m_xcodeURL(std::move(xcodeURL))
    , m_logger(std::move(logger))
{
}

QString DeviceCtlClient::toolPath() const
{
    return QDir::cleanPath(m_xcodeURL.toLocalFile() +
                           QStringLiteral("/Contents/Developer/usr/bin/devicectl"));
}

QString DeviceCtlClient::developerDirectory() const
{
    return QDir::cleanPath(m_xcodeURL.toLocalFile() + QStringLiteral("/Contents/Developer"));
}

QList<Device> DeviceCtlClient::parsePhysicalDevices(const QByteArray& json)
{
    const DeviceCtlResponse response = DeviceCtlResponse::decode(json);
    QList<Device> devices;
    devices.reserve(response.result.devices.size());
    for (const DeviceCtlDevice& entry : response.result.devices) {
        Device device;
        device.id = entry.identifier;
        device.name = entry.deviceProperties.name;
        device.state = entry.deviceProperties.bootState
                           ? deviceStateFromRawValue(capitalized(*entry.deviceProperties.bootState))
                           : DeviceState::unknown;
        device.runtime = entry.hardwareProperties.platform;
        device.runtimeVersion = entry.deviceProperties.osVersionNumber.value_or(QString());
        device.source = DeviceSource::physical;
        devices.append(std::move(device));
    }
    return devices;
}
