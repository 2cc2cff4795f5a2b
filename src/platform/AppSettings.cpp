#include "platform/AppSettings.h"

#include "platform/AppIdentity.h"
#include "platform/AppPaths.h"

namespace AppSettings {

namespace {

std::unique_ptr<QSettings> named(const QString& application) {
    const QString file = AppPaths::settingsFile(application + QStringLiteral(".conf"));
    if (!file.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    // Named explicitly, so the organisation's domain never moves the file: off the Mac it stays
    // ~/.config/Kestrine/Kestrine.conf and existing settings still load. (Qt would turn the
    // domain "kestrine.app" into the Mac suite "com.kestrine-app": it keeps only the old
    // top-level domains as they are.)
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(AppIdentity::organizationName),
                                       application);
}

} // namespace

std::unique_ptr<QSettings> standard() {
    return named(QString::fromLatin1(AppIdentity::applicationName));
}

std::unique_ptr<QSettings> applicationGroup() {
    return named(QStringLiteral("KestrineGroup"));
}

} // namespace AppSettings
