#include "targetapps/AppIconPass.h"

#include "destinations/DeviceCtlAppIcons.h"
#include "targetapps/AppIconCache.h"

#include <algorithm>
#include <vector>

AppIconPass::AppIconPass(QList<InstalledApp> apps, QString deviceId, DeviceCtlClient client,
                         AppIconCache& cache, int maxConcurrentFetches, Logger logger,
                         QObject* parent)
    : QObject(parent)
    , m_apps(std::move(apps))
    , m_deviceId(std::move(deviceId))
    , m_client(std::move(client))
    , m_cache(&cache)
    , m_maxConcurrentFetches(qMax(1, maxConcurrentFetches))
    , m_logger(std::move(logger)) {}

void AppIconPass::start() {
    // Neither kept nor awaited: the task runs on by itself and stops early once we are gone.
    (void)run(this);
}

QCoro::Task<> AppIconPass::run(QPointer<AppIconPass> self) {
    const Logger logger = self->m_logger;
    // A copy in this frame: the pass may be deleted while the loop awaits.
    const QList<InstalledApp> apps = self->m_apps;
    logger.info(u"Starting icon fetch for %{public}ld apps", apps.size());

    for (const InstalledApp& app : apps) {
        if (!self)
            co_return;
        const QImage cached = co_await self->m_cache->icon(app.bundleIdentifier());
        if (self && !cached.isNull())
            Q_EMIT self->iconReady(app.bundleIdentifier(), cached);
    }
    if (!self)
        co_return;

    std::vector<QCoro::Task<>> workers;
    const qsizetype count = std::min<qsizetype>(self->m_maxConcurrentFetches, apps.size());
    for (qsizetype i = 0; i < count; ++i)
        workers.push_back(fetchFromDevice(self, self->m_client));
    for (QCoro::Task<>& worker : workers)
        co_await worker;
    if (!self)
        co_return;
    logger.info(u"Completed icon fetch: %{public}ld succeeded, %{public}ld failed",
                self->m_succeeded, self->m_failed);
    Q_EMIT self->finished();
    self->deleteLater();
}

// One of the pass's concurrent requests: takes the next app of the list until none is left.
// Each worker has its own client, held in its frame, so none outlives the pass's members.
QCoro::Task<> AppIconPass::fetchFromDevice(QPointer<AppIconPass> self, DeviceCtlClient client) {
    const DeviceCtlAppIcons icons(std::move(client));
    while (self && self->m_next < self->m_apps.size()) {
        const InstalledApp app = self->m_apps.at(self->m_next++);
        const QString bundleId = app.bundleIdentifier();
        QImage image = co_await icons.fetch(self->m_deviceId, bundleId, self->m_cache->maxPixels());
        if (!self)
            co_return;
        if (image.isNull()) {
            ++self->m_failed;
            self->m_logger.debug(u"Could not fetch icon for %{public}s", bundleId);
            continue;
        }
        image = co_await self->m_cache->store(std::move(image), bundleId);
        if (!self)
            co_return;
        Q_EMIT self->iconReady(bundleId, image);
        ++self->m_succeeded;
        self->m_logger.debug(u"Fetched and cached icon for %{public}s", app.name());
    }
}

#include "moc_AppIconPass.cpp"
