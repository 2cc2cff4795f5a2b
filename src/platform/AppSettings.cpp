#include "platform/AppSettings.h"

#include "platform/AppIdentity.h"

namespace AppSettings {

std::unique_ptr<QSettings> standard() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(AppIdentity::organizationName),
                                       QString::fromLatin1(AppIdentity::applicationName));
}

std::unique_ptr<QSettings> applicationGroup() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(AppIdentity::organizationName),
                                       QStringLiteral("KestrineGroup"));
}

void redirectTo(const QString& directory) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, directory);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, directory);
}

} // namespace AppSettings
