#pragma once

#include "destinations/Device.h"
#include "platform/Logger.h"
#include "targetapps/AppIconCache.h"
#include "targetapps/InstalledApp.h"

#include <QList>
#include <QObject>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <exception>
#include <optional>

// The apps installed on the selected physical device or Android destination, the chosen target
// app (remembered across launches; per serial on Android) and the apps' icons (none on Android).
// Observers hear of a change only when the value differs by its type's equality; an app's icon is
// not part of that, so a replaced icon of the selected app raises `iconUpdateTrigger` instead.
// `error` always notifies. Lives on the GUI thread.
class BundleIdManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(int iconUpdateTrigger READ iconUpdateTrigger NOTIFY iconUpdateTriggerChanged)

public:
    // Device icon requests running at once during an icon pass. Hundreds at once would hold
    // hundreds of processes and pipes open and run out of file descriptors.
    static constexpr int maxConcurrentIconFetches = 8;

    explicit BundleIdManager(QObject* parent = nullptr);
    ~BundleIdManager() override;

    [[nodiscard]] const QList<InstalledApp>& apps() const { return m_apps; }
    [[nodiscard]] const std::optional<InstalledApp>& selectedApp() const { return m_selectedApp; }
    [[nodiscard]] bool isLoading() const { return m_isLoading; }
    // The failure of the last app list fetch (null when it succeeded or none ran).
    [[nodiscard]] std::exception_ptr error() const { return m_error; }
    // Its user-facing description; empty without an error.
    [[nodiscard]] const QString& errorDescription() const { return m_errorDescription; }
    [[nodiscard]] int iconUpdateTrigger() const { return m_iconUpdateTrigger; }
    [[nodiscard]] const std::optional<QString>& loadedDeviceId() const { return m_loadedDeviceId; }
    // Setting none forces the next fetchApps for the device to reload.
    void setLoadedDeviceId(std::optional<QString> deviceId);
    // The device `apps` came from; unlike loadedDeviceId it stays during a forced reload.
    [[nodiscard]] const std::optional<QString>& appsDeviceId() const { return m_appsDeviceId; }

    // The first entry of an Android list: no package, so Android picks the handler.
    [[nodiscard]] static InstalledApp anyApp();
    // The symbol drawn for an app without an icon: Android's for Android packages (adb gives
    // no icons), else a generic app's.
    [[nodiscard]] QString placeholderSymbol() const {
        return m_appsAreAndroid ? QStringLiteral("android") : QStringLiteral("app.fill");
    }

    [[nodiscard]] QUrl xcodeURL() const { return m_xcodeURL; }
    void setXcodeURL(const QUrl& url) { m_xcodeURL = url; }

    [[nodiscard]] AppIconCache& iconCache() { return m_iconCache; }

    // How many icon requests an icon pass keeps running at once (at least 1).
    [[nodiscard]] int maxConcurrentIconFetchCount() const { return m_maxConcurrentIconFetches; }
    void setMaxConcurrentIconFetches(int count) { m_maxConcurrentIconFetches = qMax(1, count); }

    // Loads the apps of a physical device (nothing when that device's non-empty list is
    // already loaded), the packages of an Android destination (`pm list packages -3`, after
    // "Any App") or clears the list for a simulator. Either way a load still running for
    // another device is dropped. Never throws: a failure lands in `error`. The icons follow in
    // a pass of their own that this does not wait for.
    QCoro::Task<> fetchApps(Device device);

    // Makes `app` the target and remembers it (see RememberedSelection).
    void selectApp(const InstalledApp& app);
    // The selected app when it is in the list loaded for `deviceId`, else none.
    [[nodiscard]] std::optional<InstalledApp> selectedAppFor(const QString& deviceId) const;
    // The bundle identifier or package a URL for `device` goes to: the selected app when it is in
    // the list loaded for that device, else on Android the package remembered for the serial
    // (its list may still be loading, or `pm list packages` failed), as kestrine-cli takes it.
    // Empty for none: Any App on Android.
    [[nodiscard]] QString targetAppFor(const Device& device) const;

Q_SIGNALS:
    void appsChanged();
    // One app's icon was replaced in place (row of `apps`); `appsChanged` is emitted too.
    void appIconChanged(int row);
    void selectedAppChanged();
    void isLoadingChanged();
    void errorChanged();
    void iconUpdateTriggerChanged();
    void loadedDeviceIdChanged();
    // An icon pass finished (tests and benchmarks wait for it).
    void iconFetchFinished();

private:
    void setApps(QList<InstalledApp> apps);
    void setSelectedApp(std::optional<InstalledApp> app);
    void setIsLoading(bool loading);
    void setError(std::exception_ptr error, QString description);
    void applyLoadedList(QList<InstalledApp> list, const Device& device);
    // Whether a fetch's answer is taken: not when a newer fetch began (it is dropped) or when
    // the fetch failed (its error is shown).
    bool takesAnswer(quint64 generation, const std::exception_ptr& failure,
                     const QString& deviceId);
    QCoro::Task<> fetchPackages(Device device);
    void updateIcon(const QString& bundleIdentifier, const QImage& image);

    Logger m_logger{QStringLiteral("Kestrine"), QStringLiteral("BundleIdManager")};
    QList<InstalledApp> m_apps;
    std::optional<InstalledApp> m_selectedApp;
    bool m_isLoading = false;
    std::exception_ptr m_error;
    QString m_errorDescription;
    int m_iconUpdateTrigger = 0;
    std::optional<QString> m_loadedDeviceId;
    // The device `m_apps` came from. Unlike m_loadedDeviceId, a forced reload does not clear
    // it: the list shown meanwhile is still that device's.
    std::optional<QString> m_appsDeviceId;
    bool m_appsAreAndroid = false;
    QUrl m_xcodeURL;
    // Counts list fetches, clears and returns to the loaded device: a fetch whose answer
    // arrives after any of them is dropped, so a slow device can never overwrite the list of
    // the device chosen since.
    quint64 m_fetchGeneration = 0;
    int m_maxConcurrentIconFetches = maxConcurrentIconFetches;
    AppIconCache m_iconCache;
};
