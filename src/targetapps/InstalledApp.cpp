#include "targetapps/InstalledApp.h"

#include <QCollator>
#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <optional>

InstalledApp::InstalledApp(QString name, QString bundleIdentifier, QString version,
                           QString bundleVersion, QString url)
    : m_name(std::move(name))
    , m_bundleIdentifier(std::move(bundleIdentifier))
    , m_version(std::move(version))
    , m_bundleVersion(std::move(bundleVersion))
    , m_url(std::move(url))
{
}

size_t qHash(const InstalledApp& app, size_t seed) noexcept
{
    return qHashMulti(seed, app.bundleIdentifier(), app.name(), app.version(), app.bundleVersion(),
                      app.url());
}

namespace {

// A strict decoder: a required key that is missing, or any key of the wrong type, fails the
// whole document. An optional key that is absent or null is "not reported".
struct DecodeFailure {};

std::optional<QString> optionalText(const QJsonObject& object, QLatin1String key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        throw DecodeFailure{};
    return value.toString();
}

QString requiredText(const QJsonObject& object, QLatin1String key)
{
    const std::optional<QString> text = optionalText(object, key);
    if (!text)
        throw DecodeFailure{};
    return *text;
}

QJsonObject requiredObject(const QJsonValue& value)
{
    if (!value.isObject())
        throw DecodeFailure{};
    return value.toObject();
}

QList<InstalledApp> decode(const QByteArray& data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        throw DecodeFailure{};
    const QJsonObject result = requiredObject(document.object().value(QLatin1String("result")));
    const QJsonValue apps = result.value(QLatin1String("apps"));
    if (!apps.isArray())
        throw DecodeFailure{};

    QList<InstalledApp> list;
    for (const QJsonValue& entry : apps.toArray()) {
        const QJsonObject app = requiredObject(entry);
        const QString bundleIdentifier = requiredText(app, QLatin1String("bundleIdentifier"));
        const std::optional<QString> name = optionalText(app, QLatin1String("name"));
        const std::optional<QString> version = optionalText(app, QLatin1String("version"));
        const std::optional<QString> bundleVersion =
            optionalText(app, QLatin1String("bundleVersion"));
        const std::optional<QString> url = optionalText(app, QLatin1String("url"));
        // Decoded in full first: a bad entry after a nameless one still fails the document.
        if (!name || name->isEmpty())
            continue;
        list.append(InstalledApp(*name, bundleIdentifier, version.value_or(QStringLiteral("1.0")),
                                 bundleVersion.value_or(QStringLiteral("1")),
                                 url.value_or(QString())));
    }
    return list;
}

} // namespace

QList<InstalledApp> parseInstalledApps(const QByteArray& data)
{
    QList<InstalledApp> apps;
    try {
        apps = decode(data);
    } catch (const DecodeFailure&) {
        return {};
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(), [&](const InstalledApp& a, const InstalledApp& b) {
        return collator.compare(a.name(), b.name()) < 0;
    });
    return apps;
}
