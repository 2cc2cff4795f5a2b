#include "destinations/DeviceCtlAppIcons.h"

#include "platform/AppError.h"
#include "platform/Workspace.h"

#include <QBuffer>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoro/QCoroFuture>

DeviceCtlAppIcons::DeviceCtlAppIcons(DeviceCtlClient client)
    : m_client(std::move(client)) {}

QCoro::Task<QImage> DeviceCtlAppIcons::fetch(QString deviceId, QString bundleId,
                                             int maxPixels) const {
    const DeviceCtlClient client = m_client;
    const Logger& logger = client.logger();

    const QString localApplication = Workspace::applicationPath(bundleId);
    if (!localApplication.isEmpty()) {
        QImage local = Workspace::icon(localApplication, QSize(maxPixels, maxPixels));
        if (!local.isNull()) {
            logger.debug(u"Got icon for %{public}s from local installation", bundleId);
            co_return local;
        }
    }

    QByteArray file;
    try {
        file = co_await client.appIcon(deviceId, bundleId);
    } catch (const std::exception& error) {
        logger.debug(u"Failed to fetch icon for %{public}s: %{public}s", bundleId,
                     localizedDescription(error));
        co_return QImage();
    }

    // Named first: GCC 12 destroys the captures of a lambda written inside co_await twice.
    auto decode = [file, maxPixels] {
        QBuffer buffer;
        buffer.setData(file);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        // A PNG header claiming a huge canvas must not make us allocate it; a large icon is
        // decoded straight to the size asked for.
        const QSize size = reader.size();
        if (size.isValid() && qint64(size.width()) * size.height() > 4096LL * 4096LL)
            return QImage();
        if (size.isValid() && (size.width() > maxPixels || size.height() > maxPixels))
            reader.setScaledSize(size.scaled(maxPixels, maxPixels, Qt::KeepAspectRatio));
        return reader.read();
    };
    QImage image;
    if (!file.isEmpty())
        image = co_await QtConcurrent::run(std::move(decode));
    if (image.isNull()) {
        logger.debug(u"Icon file not created for %{public}s", bundleId);
        co_return QImage();
    }
    logger.info(u"Fetched icon for %{public}s from device using appIcon command", bundleId);
    co_return image;
}
