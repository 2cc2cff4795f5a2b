#include "destinations/SimulatorApps.h"

#include "platform/OldStylePropertyList.h"
#include "platform/PropertyList.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QUrl>
#include <QVariantMap>

#include <filesystem>

namespace {

QString text(const QVariantMap& map, const char* key) {
    const QVariant value = map.value(QLatin1StringView(key));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString bundleName(const QVariantMap& map) {
    const QString displayName = text(map, "CFBundleDisplayName");
    return displayName.isEmpty() ? text(map, "CFBundleName") : displayName;
}

// The scheme as written ("Shop" of "Shop://x"); empty when the text does not start with one.
QString schemeOf(const QString& url) {
    const qsizetype colon = url.indexOf(u':');
    if (colon <= 0 || !isAsciiLetter(url[0]))
        return {};
    for (qsizetype i = 1; i < colon; ++i) {
        const QChar c = url[i];
        if (!isAsciiLetter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return {};
    }
    return url.left(colon);
}

QStringList urlSchemes(const QVariantMap& info) {
    QStringList schemes;
    for (const QVariant& type : info.value(QStringLiteral("CFBundleURLTypes")).toList()) {
        for (const QVariant& scheme :
             type.toMap().value(QStringLiteral("CFBundleURLSchemes")).toList()) {
            if (scheme.typeId() == QMetaType::QString && !scheme.toString().isEmpty())
                schemes.append(scheme.toString().toLower());
        }
    }
    return schemes;
}

// "applinks:shop.example?mode=developer" gives "shop.example"; other services nothing.
QStringList appLinkDomains(const QVariantMap& entitlements) {
    static const QString service = QStringLiteral("applinks:");
    QStringList domains;
    for (const QVariant& entry :
         entitlements.value(QStringLiteral("com.apple.developer.associated-domains")).toList()) {
        const QString value = entry.toString();
        if (!value.startsWith(service))
            continue;
        QString domain = value.mid(service.size()).section(u'?', 0, 0).section(u':', 0, 0);
        if (!domain.isEmpty())
            domains.append(domain.toLower());
    }
    return domains;
}

// "*.shop.example" claims its subdomains but not shop.example itself.
bool claims(const QString& domain, const QString& host) {
    if (domain.startsWith(u"*."))
        return host.endsWith(QStringView(domain).sliced(1));
    return domain == host;
}

// What an app bundle declares, read again only when its Info.plist or entitlements change: a
// simulator lists dozens of apps at every firing, and reading all their files each time would
// cost more than the firing. A reinstalled app has new files, so nothing stale is kept.
struct Declarations {
    std::filesystem::file_time_type infoModified;
    std::filesystem::file_time_type entitlementsModified;
    QStringList schemes;
    QStringList appLinks;
};

// To the nanosecond where the file system keeps it; a missing file gives the minimum.
std::filesystem::file_time_type modified(const QString& path) {
    std::error_code error;
    const auto time =
        std::filesystem::last_write_time(QFile::encodeName(path).toStdString(), error);
    return error ? std::filesystem::file_time_type::min() : time;
}

Declarations declarationsOf(const QString& path) {
    static QMutex mutex; // listings are read on worker threads
    static QHash<QString, Declarations> cache;
    const QString infoPath = path + QStringLiteral("/Info.plist");
    const QString entitlementsPath = path + QStringLiteral("/archived-expanded-entitlements.xcent");
    const auto infoModified = modified(infoPath);
    const auto entitlementsModified = modified(entitlementsPath);
    {
        const QMutexLocker lock(&mutex);
        const auto cached = cache.constFind(path);
        if (cached != cache.cend() && cached->infoModified == infoModified &&
            cached->entitlementsModified == entitlementsModified)
            return *cached;
    }
    Declarations read{
        .infoModified = infoModified,
        .entitlementsModified = entitlementsModified,
        .schemes = urlSchemes(PropertyList::readDictionary(infoPath).value_or(QVariantMap())),
        .appLinks =
            appLinkDomains(PropertyList::readDictionary(entitlementsPath).value_or(QVariantMap()))};
    const QMutexLocker lock(&mutex);
    cache.insert(path, read);
    return read;
}

} // namespace

std::optional<QList<SimulatorApps::App>> SimulatorApps::fromListing(QByteArrayView listing) {
    const std::optional<QVariant> parsed = OldStylePropertyList::parse(listing);
    if (!parsed || parsed->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap entries = parsed->toMap();
    QList<App> apps;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QVariantMap entry = it->toMap();
        // listapps keys each app by its bundle identifier.
        App app{.bundleId = it.key(), .name = bundleName(entry)};
        if (app.name.isEmpty())
            app.name = app.bundleId;
        const QString path = text(entry, "Path");
        if (!path.isEmpty()) {
            Declarations declarations = declarationsOf(path);
            app.schemes = std::move(declarations.schemes);
            app.appLinks = std::move(declarations.appLinks);
        }
        apps.append(std::move(app));
    }
    return apps;
}

SimulatorApps::Plan SimulatorApps::plan(const QList<App>& apps, const QString& url,
                                        const QString& deviceName) {
    Plan plan;
    const QString scheme = schemeOf(url);
    const QString lowerScheme = scheme.toLower();
    if (scheme.isEmpty()) {
        plan.outcome.notes.append(QStringLiteral("No app was looked for: the URL has no scheme"));
        return plan;
    }
    if (lowerScheme == u"http" || lowerScheme == u"https") {
        const QString host = QUrl(url).host().toLower();
        QStringList names;
        for (const App& app : apps) {
            const bool claimed = std::any_of(app.appLinks.cbegin(), app.appLinks.cend(),
                                             [&](const QString& d) { return claims(d, host); });
            if (claimed && !host.isEmpty()) {
                names.append(app.name);
                plan.stopFirst.append(app.bundleId);
            }
        }
        if (!names.isEmpty()) {
            plan.outcome.notes.append(
                QStringLiteral("Universal Links decide on the device whether %1 or Safari opens it")
                    .arg(names.join(QStringLiteral(" or "))));
            return plan;
        }
        plan.outcome.handler = safari.toString();
        plan.outcome.handlerName = QStringLiteral("Safari");
        plan.stopFirst.append(plan.outcome.handler);
        return plan;
    }
    QList<const App*> declaring;
    for (const App& app : apps) {
        if (app.schemes.contains(lowerScheme))
            declaring.append(&app);
    }
    if (declaring.isEmpty()) {
        plan.fire = false;
        plan.outcome.result = FiringOutcome::Result::NoHandler;
        plan.outcome.message =
            QStringLiteral("No installed app on %1 opens %2: URLs").arg(deviceName, scheme);
        return plan;
    }
    QStringList names;
    for (const App* app : declaring) {
        names.append(app->name);
        plan.stopFirst.append(app->bundleId);
    }
    if (declaring.size() == 1) {
        plan.outcome.handler = declaring.first()->bundleId;
        plan.outcome.handlerName = declaring.first()->name;
    } else {
        // iOS does not say which of several apps declaring a scheme it picks.
        plan.outcome.notes.append(QStringLiteral("%1 all declare %2: URLs; iOS picks one of them")
                                      .arg(names.join(QStringLiteral(", ")), scheme));
    }
    return plan;
}
