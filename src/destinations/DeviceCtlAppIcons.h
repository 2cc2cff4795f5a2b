#pragma once

#include "destinations/DeviceCtlClient.h"

#include <QImage>
#include <QString>

#include <QCoro/QCoroTask>

// Fetches the icons of the apps on a device for the app picker: the icon of an application
// installed on this machine under the same bundle identifier, else the one devicectl extracts
// from the device (DeviceCtlClient::appIcon()), decoded off the GUI thread. Apart from the client
// because images need Qt Gui, which kestrine-cli does not load. Logs through the client's logger.
//
// Every fetch copies the client before its first suspension, so a temporary may be awaited.
class DeviceCtlAppIcons {
public:
    explicit DeviceCtlAppIcons(DeviceCtlClient client);

    // The icon of `bundleId`: the local application's rendered `maxPixels` square, else the
    // device's (180 x 180 at scale 3) scaled down to fit `maxPixels` square. A null image when
    // there is none; never throws.
    [[nodiscard]] QCoro::Task<QImage> fetch(QString deviceId, QString bundleId,
                                            int maxPixels = 180) const;

private:
    DeviceCtlClient m_client;
};
