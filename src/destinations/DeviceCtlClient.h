#pragma once

#include "destinations/Device.h"
#include "platform/Logger.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

// Runs the device control tool of one Xcode installation
// (<xcode>/Contents/Developer/usr/bin/devicectl, with DEVELOPER_DIR set) for connected devices.
class DeviceCtlClient {
public:
    DeviceCtlClient(QUrl xcodeURL, Logger logger);

    [[nodiscard]] const QUrl& xcodeURL() const { return m_xcodeURL; }
    [[nodiscard]] QString toolPath() const;
    [[nodiscard]] QString developerDirectory() const;

    // Devices of a `list devices` document. Throws JsonDecodingError when the document does not
    // have the required shape.
    [[nodiscard]] static QList<Device> parsePhysicalDevices(const QByteArray& json);

private:
    QUrl m_xcodeURL;
    Logger m_logger;
};
