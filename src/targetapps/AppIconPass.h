#pragma once

#include "destinations/DeviceCtlClient.h"
#include "platform/Logger.h"
#include "targetapps/InstalledApp.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoro/QCoroTask>

class AppIconCache;

// QObject that fills in the icons of one device's app list: the cached icons first, so that a
// list opened again has its icons before any device request, then every app's icon from the
// device (cached ones too, to refresh them), a bounded number of requests at a time, in list
// order. Each icon is announced as it arrives; when the pass is done it says so and deletes
// itself. Deleting it earlier (with its parent, say) stops it at its next step. Lives on the
// GUI thread.
class AppIconPass : public QObject {
    Q_OBJECT
public:
    // `cache` must outlive the pass; `maxConcurrentFetches` is at least 1.
    AppIconPass(QList<InstalledApp> apps, QString deviceId, DeviceCtlClient client,
                AppIconCache& cache, int maxConcurrentFetches, Logger logger,
                QObject* parent = nullptr);

    // Starts the pass, which then runs on by itself.
    void start();

Q_SIGNALS:
    // The icon of `bundleIdentifier`, from the cache or fresh from the device (and cached).
    void iconReady(const QString& bundleIdentifier, const QImage& icon);
    void finished();

private:
    static QCoro::Task<> run(QPointer<AppIconPass> self);
    static QCoro::Task<> fetchFromDevice(QPointer<AppIconPass> self, DeviceCtlClient client);

    QList<InstalledApp> m_apps;
    QString m_deviceId;
    DeviceCtlClient m_client;
    AppIconCache* m_cache;
    int m_maxConcurrentFetches;
    Logger m_logger;
    // The device phase: the next app to ask for, and the tally of the answers.
    qsizetype m_next = 0;
    qsizetype m_succeeded = 0;
    qsizetype m_failed = 0;
};
