#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

// One app installed on a physical device, identified by its bundle identifier. Everything but
// the icon is fixed at construction; equality and hashing leave the icon out, so an icon
// arriving later does not make two values differ.
class InstalledApp {
public:
    // The largest size, in points, at which an app icon is drawn (a row of the app list). Icons
    // are kept no larger than that times the screens' device pixel ratio (AppIconCache).
    static constexpr int largestIconSize = 32;

    InstalledApp() = default;
    InstalledApp(QString name, QString bundleIdentifier, QString version = QStringLiteral("1.0"),
                 QString bundleVersion = QStringLiteral("1"), QString url = {});

    [[nodiscard]] const QString& name() const { return m_name; }
    [[nodiscard]] const QString& bundleIdentifier() const { return m_bundleIdentifier; }
    [[nodiscard]] const QString& id() const { return m_bundleIdentifier; }
    [[nodiscard]] const QString& version() const { return m_version; }
    [[nodiscard]] const QString& bundleVersion() const { return m_bundleVersion; }
    [[nodiscard]] const QString& url() const { return m_url; }

    // Null until the icon pass fills it in.
    [[nodiscard]] const QImage& icon() const { return m_icon; }
    void setIcon(QImage icon) { m_icon = std::move(icon); }

    friend bool operator==(const InstalledApp& a, const InstalledApp& b) {
        return a.m_bundleIdentifier == b.m_bundleIdentifier && a.m_name == b.m_name &&
               a.m_version == b.m_version && a.m_bundleVersion == b.m_bundleVersion &&
               a.m_url == b.m_url;
    }

private:
    QString m_name;
    QString m_bundleIdentifier;
    QString m_version;
    QString m_bundleVersion;
    QString m_url;
    QImage m_icon;
};

[[nodiscard]] size_t qHash(const InstalledApp& app, size_t seed = 0) noexcept;

// The apps of a device from the JSON the device tool writes for "device info apps": apps
// without a name are left out, missing versions become "1.0" / "1", a missing location "".
// Sorted by name, case-insensitively in the user's locale; equal names keep the tool's order.
// Data that does not decode gives an empty list.
[[nodiscard]] QList<InstalledApp> parseInstalledApps(const QByteArray& data);

Q_DECLARE_METATYPE(InstalledApp)
