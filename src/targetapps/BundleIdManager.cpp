#include "targetapps/BundleIdManager.h"

#include "destinations/AdbClient.h"
#include "destinations/DeviceCtlClient.h"
#include "platform/AppError.h"
#include "platform/AppSettings.h"
#include "toolchain/AdbLocator.h"

#include <algorithm>

// What the workers of one icon pass's device phase share. Only touched on the GUI thread.
struct BundleIdManager::IconPass {
    QList<InstalledApp> list;
    qsizetype next = 0;
    qsizetype succeeded = 0;
    qsizetype failed = 0;
};

BundleIdManager::BundleIdManager(QObject* parent)
    : QObject(parent) {}

BundleIdManager::~BundleIdManager() = default;

std::optional<QString> BundleIdManager::storedBundleId() {
    const QVariant value = AppSettings::standard()->value(QLatin1String(storedBundleIdKey));
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

void BundleIdManager::setStoredBundleId(const std::optional<QString>& bundleId) {
    const auto settings = AppSettings::standard();
    if (bundleId)
        settings->setValue(QLatin1String(storedBundleIdKey), *bundleId);
    else
        settings->remove(QLatin1String(storedBundleIdKey));
    settings->sync();
}

void BundleIdManager::setApps(QList<InstalledApp> apps) {
    const bool changed = apps != m_apps;
    m_apps = std::move(apps); // stored even when equal: the icons may differ
    if (changed)
        Q_EMIT appsChanged();
}

void BundleIdManager::setSelectedApp(std::optional<InstalledApp> app) {
    const bool changed = app != m_selectedApp;
    m_selectedApp = std::move(app);
    if (changed)
        Q_EMIT selectedAppChanged();
}

void BundleIdManager::setIsLoading(bool loading) {
    if (loading == m_isLoading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
}

void BundleIdManager::setError(std::exception_ptr error, QString description) {
    m_error = std::move(error);
    m_errorDescription = std::move(description);
    Q_EMIT errorChanged();
}

void BundleIdManager::setLoadedDeviceId(std::optional<QString> deviceId) {
    if (deviceId == m_loadedDeviceId)
        return;
    m_loadedDeviceId = std::move(deviceId);
    Q_EMIT loadedDeviceIdChanged();
}

std::optional<QString> BundleIdManager::storedPackage(const QString& serial) {
    const QVariantMap packages =
        AppSettings::standard()->value(QLatin1String(storedPackagesKey)).toMap();
    const auto found = packages.constFind(serial);
    if (found == packages.cend())
        return std::nullopt;
    return found->toString();
}

void BundleIdManager::setStoredPackage(const QString& serial, const QString& package) {
    const auto settings = AppSettings::standard();
    // One map rather than a key per serial: serials hold ':' and '/' are not theirs to avoid.
    QVariantMap packages = settings->value(QLatin1String(storedPackagesKey)).toMap();
    packages.insert(serial, package);
    settings->setValue(QLatin1String(storedPackagesKey), packages);
    settings->sync();
}

InstalledApp BundleIdManager::anyApp() {
    return InstalledApp(QStringLiteral("Any App"), QString(), QString(), QString());
}

QCoro::Task<> BundleIdManager::fetchApps(Device device) {
    // An Android list is never empty (Any App leads it), so this holds for both kinds.
    if (m_loadedDeviceId == device.id && !m_apps.isEmpty()) {
        m_logger.info(u"Apps already loaded for device %{public}s", device.id);
        // Back to this device before another one's list came: that list must not replace it.
        ++m_fetchGeneration;
        setIsLoading(false);
        co_return;
    }
    if (isAndroid(device)) {
        co_await fetchPackages(std::move(device));
        co_return;
    }
    if (device.source != DeviceSource::physical) {
        m_logger.info(u"Skipping app fetch for non-physical device");
        ++m_fetchGeneration; // a list fetch still running is superseded: its answer is dropped
        setApps({});
        m_appsDeviceId.reset();
        m_appsAreAndroid = false;
        setSelectedApp(std::nullopt);
        setLoadedDeviceId(std::nullopt);
        setIsLoading(false);
        co_return;
    }
    if (m_xcodeURL.isEmpty()) {
        m_logger.error(u"Xcode URL not configured");
        co_return;
    }
    m_logger.info(u"Fetching apps for device %{public}s", device.name);
    const quint64 generation = ++m_fetchGeneration;
    setIsLoading(true);
    setError(nullptr, {});

    DeviceCtlClient client(m_xcodeURL,
                           Logger(QStringLiteral("Kestrine"), QStringLiteral("DeviceCtlClient")));
    QPointer<BundleIdManager> self(this);
    QByteArray data;
    std::exception_ptr failure;
    try {
        data = co_await client.listApps(device.id);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self || !takesAnswer(generation, failure, device.id))
        co_return;
    QList<InstalledApp> list = parseInstalledApps(data);
    applyLoadedList(list, device);
    // Neither kept nor awaited: the pass runs on by itself and stops early if we are gone.
    (void)fetchIcons(self, std::move(list), std::move(device), std::move(client));
}

bool BundleIdManager::takesAnswer(quint64 generation, const std::exception_ptr& failure,
                                  const QString& deviceId) {
    if (generation != m_fetchGeneration) {
        m_logger.debug(u"Dropped the apps of device %{public}s: a newer fetch began", deviceId);
        return false;
    }
    if (failure) {
        QString description = localizedDescription(failure);
        m_logger.error(u"Error fetching apps: %{public}s", description);
        setError(failure, std::move(description));
        setIsLoading(false);
        return false;
    }
    return true;
}

QCoro::Task<> BundleIdManager::fetchPackages(Device device) {
    m_logger.info(u"Fetching packages for device %{public}s", device.name);
    const quint64 generation = ++m_fetchGeneration;
    setIsLoading(true);
    setError(nullptr, {});
    QPointer<BundleIdManager> self(this);
    QStringList packages;
    std::exception_ptr failure;
    try {
        const std::optional<QString> adb = AdbLocator::locate();
        if (!adb)
            throw AppError(QStringLiteral("Kestrine"), 1,
                           QStringLiteral("adb not found. Choose its location in Preferences."));
        packages = co_await AdbClient(*adb).listPackages(device.id);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self || !takesAnswer(generation, failure, device.id))
        co_return;
    QList<InstalledApp> list{anyApp()};
    for (const QString& package : std::as_const(packages))
        list.append(InstalledApp(package, package, QString(), QString()));
    applyLoadedList(std::move(list), device);
}

void BundleIdManager::applyLoadedList(QList<InstalledApp> list, const Device& device) {
    const qsizetype count = list.size();
    setApps(std::move(list));
    m_appsDeviceId = device.id;
    m_appsAreAndroid = isAndroid(device);
    setLoadedDeviceId(device.id);
    setIsLoading(false);
    m_logger.info(u"Loaded %{public}ld apps", count);

    if (m_apps.isEmpty())
        return;
    if (m_appsAreAndroid) {
        // Each serial has its own choice; "Any App" (the first entry) until one is made.
        const QString stored = storedPackage(device.id).value_or(QString());
        const auto found =
            std::find_if(m_apps.cbegin(), m_apps.cend(),
                         [&](const InstalledApp& app) { return app.bundleIdentifier() == stored; });
        setSelectedApp(found != m_apps.cend() ? *found : m_apps.first());
        return;
    }
    if (const std::optional<QString> stored = storedBundleId()) {
        for (const InstalledApp& app : std::as_const(m_apps)) {
            if (app.bundleIdentifier() == *stored) {
                setSelectedApp(app);
                return;
            }
        }
    }
    setSelectedApp(m_apps.first());
    setStoredBundleId(m_apps.first().bundleIdentifier());
}

void BundleIdManager::updateIcon(const QString& bundleIdentifier, const QImage& image) {
    // The list current now, not the one the pass began with: a pass that outlives a device
    // change still fills in apps of the new list.
    const auto it = std::find_if(m_apps.begin(), m_apps.end(), [&](const InstalledApp& app) {
        return app.bundleIdentifier() == bundleIdentifier;
    });
    if (it == m_apps.end())
        return;
    it->setIcon(image);
    Q_EMIT appIconChanged(int(it - m_apps.begin()));
    Q_EMIT appsChanged();
    if (m_selectedApp && m_selectedApp->bundleIdentifier() == bundleIdentifier) {
        m_selectedApp = *it; // equal to the old value, so no selectedAppChanged: the trigger
        ++m_iconUpdateTrigger;
        Q_EMIT iconUpdateTriggerChanged();
    }
}

QCoro::Task<> BundleIdManager::fetchIcons(QPointer<BundleIdManager> self, QList<InstalledApp> list,
                                          Device device, DeviceCtlClient client) {
    if (!self)
        co_return;
    const Logger logger = self->m_logger;
    logger.info(u"Starting icon fetch for %{public}ld apps", list.size());

    // Cached icons first, so that a list opened again has its icons before any device request.
    for (const InstalledApp& app : std::as_const(list)) {
        if (!self)
            co_return;
        const QImage cached = co_await self->m_iconCache.icon(app.bundleIdentifier());
        if (self && !cached.isNull())
            self->updateIcon(app.bundleIdentifier(), cached);
    }
    if (!self)
        co_return;

    // Then every app from its source (cached ones too, to refresh them), a bounded number of
    // requests at a time, in list order; each result is taken as it arrives.
    auto pass = std::make_shared<IconPass>();
    pass->list = std::move(list);
    std::vector<QCoro::Task<>> workers;
    const qsizetype count =
        std::min<qsizetype>(self->m_maxConcurrentIconFetches, pass->list.size());
    for (qsizetype i = 0; i < count; ++i)
        workers.push_back(iconWorker(self, pass, device.id, client));
    for (QCoro::Task<>& worker : workers)
        co_await worker;
    if (!self)
        co_return;
    logger.info(u"Completed icon fetch: %{public}ld succeeded, %{public}ld failed", pass->succeeded,
                pass->failed);
    Q_EMIT self->iconFetchFinished();
}

QCoro::Task<> BundleIdManager::iconWorker(QPointer<BundleIdManager> self,
                                          std::shared_ptr<IconPass> pass, QString deviceId,
                                          DeviceCtlClient client) {
    while (self && pass->next < pass->list.size()) {
        const QString bundleId = pass->list.at(pass->next++).bundleIdentifier();
        QImage image =
            co_await client.fetchAppIcon(deviceId, bundleId, self->m_iconCache.maxPixels());
        if (!self)
            co_return;
        if (image.isNull()) {
            ++pass->failed;
            self->m_logger.debug(u"Could not fetch icon for %{public}s", bundleId);
            continue;
        }
        image = co_await self->m_iconCache.store(std::move(image), bundleId);
        if (!self)
            co_return;
        const auto app = std::find_if(pass->list.cbegin(), pass->list.cend(),
                                      [&](const InstalledApp& candidate) {
                                          return candidate.bundleIdentifier() == bundleId;
                                      });
        if (app == pass->list.cend())
            continue;
        self->updateIcon(bundleId, image);
        ++pass->succeeded;
        self->m_logger.debug(u"Fetched and cached icon for %{public}s", app->name());
    }
}

std::optional<InstalledApp> BundleIdManager::selectedAppFor(const QString& deviceId) const {
    // The choice outlives list changes: it may be another device's app, or one a reload of
    // this device's list no longer has.
    if (!m_selectedApp || m_appsDeviceId != deviceId || !m_apps.contains(*m_selectedApp))
        return std::nullopt;
    return m_selectedApp;
}

void BundleIdManager::selectApp(const InstalledApp& app) {
    setSelectedApp(app);
    if (m_appsAreAndroid && m_appsDeviceId)
        setStoredPackage(*m_appsDeviceId, app.bundleIdentifier());
    else
        setStoredBundleId(app.bundleIdentifier());
    m_logger.info(u"Selected app %{public}s", app.name());
}
