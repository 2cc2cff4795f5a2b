#include "targetapps/BundleIdManager.h"

#include "destinations/AdbClient.h"
#include "destinations/DeviceCtlClient.h"
#include "destinations/RememberedSelection.h"
#include "platform/AppError.h"
#include "targetapps/AppIconPass.h"
#include "toolchain/AdbLocator.h"

#include <QPointer>

#include <algorithm>

BundleIdManager::BundleIdManager(QObject* parent)
    : QObject(parent) {}

BundleIdManager::~BundleIdManager() = default;

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
    if (device.source != DeviceSource::Physical) {
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
    // Not awaited: the icons come in after the list. The pass is ours, so it ends with us.
    auto* pass = new AppIconPass(std::move(list), device.id, std::move(client), m_iconCache,
                                 m_maxConcurrentIconFetches, m_logger, this);
    connect(pass, &AppIconPass::iconReady, this, &BundleIdManager::updateIcon);
    connect(pass, &AppIconPass::finished, this, &BundleIdManager::iconFetchFinished);
    pass->start();
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
        const QString stored = RememberedSelection::package(device.id).value_or(QString());
        const auto found =
            std::find_if(m_apps.cbegin(), m_apps.cend(),
                         [&](const InstalledApp& app) { return app.bundleIdentifier() == stored; });
        setSelectedApp(found != m_apps.cend() ? *found : m_apps.first());
        return;
    }
    if (const std::optional<QString> stored = RememberedSelection::bundleId()) {
        for (const InstalledApp& app : std::as_const(m_apps)) {
            if (app.bundleIdentifier() == *stored) {
                setSelectedApp(app);
                return;
            }
        }
    }
    setSelectedApp(m_apps.first());
    RememberedSelection::setBundleId(m_apps.first().bundleIdentifier());
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

std::optional<InstalledApp> BundleIdManager::selectedAppFor(const QString& deviceId) const {
    // The choice outlives list changes: it may be another device's app, or one a reload of
    // this device's list no longer has.
    if (!m_selectedApp || m_appsDeviceId != deviceId || !m_apps.contains(*m_selectedApp))
        return std::nullopt;
    return m_selectedApp;
}

QString BundleIdManager::targetAppFor(const Device& device) const {
    if (const std::optional<InstalledApp> app = selectedAppFor(device.id))
        return app->bundleIdentifier();
    return isAndroid(device) ? RememberedSelection::package(device.id).value_or(QString())
                             : QString();
}

void BundleIdManager::selectApp(const InstalledApp& app) {
    setSelectedApp(app);
    if (m_appsAreAndroid && m_appsDeviceId)
        RememberedSelection::setPackage(*m_appsDeviceId, app.bundleIdentifier());
    else
        RememberedSelection::setBundleId(app.bundleIdentifier());
    m_logger.info(u"Selected app %{public}s", app.name());
}

#include "moc_BundleIdManager.cpp"
