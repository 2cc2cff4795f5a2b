#include "targetapps/InstalledApp.h"

#include "destinations/DeviceCtlFormats.h"

#include <QCollator>
#include <QHashFunctions>

#include <algorithm>

InstalledApp::InstalledApp(QString name, QString bundleIdentifier, QString version,
                           QString bundleVersion, QString url)
    : m_name(std::move(name))
    , m_bundleIdentifier(std::move(bundleIdentifier))
    , m_version(std::move(version))
    , m_bundleVersion(std::move(bundleVersion))
    , m_url(std::move(url)) {}

size_t qHash(const InstalledApp& app, size_t seed) noexcept {
    return qHashMulti(seed, app.bundleIdentifier(), app.name(), app.version(), app.bundleVersion(),
                      app.url());
}

QList<InstalledApp> parseInstalledApps(const QByteArray& data) {
    const Result<DeviceCtlAppsResponse, JsonDecodingError> response =
        DeviceCtlAppsResponse::decode(data);
    if (!response)
        return {}; // nothing to show, and nothing worth a log line
    QList<InstalledApp> apps;
    for (const DeviceCtlApp& app : response->result.apps) {
        if (!app.name || app.name->isEmpty())
            continue;
        apps.append(InstalledApp(
            *app.name, app.bundleIdentifier, app.version.value_or(QStringLiteral("1.0")),
            app.bundleVersion.value_or(QStringLiteral("1")), app.url.value_or(QString())));
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(), [&](const InstalledApp& a, const InstalledApp& b) {
        return collator.compare(a.name(), b.name()) < 0;
    });
    return apps;
}
