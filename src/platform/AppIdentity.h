#pragma once

#include <QCoreApplication>
#include <QString>

// Kestrine's own identity: the bundle identifier doubles as the subsystem of the
// application-wide logs and as the domain of the errors Kestrine raises itself.
namespace AppIdentity {
inline constexpr char bundleIdentifier[] = "app.kestrine.Kestrine";
inline constexpr char organizationName[] = "Kestrine";
// The application's domain, for whatever of the platform asks for one; AppSettings keeps naming
// the settings after organizationName, so the domain moves no existing file.
inline constexpr char organizationDomain[] = "kestrine.app";
inline constexpr char applicationName[] = "Kestrine";
inline constexpr char version[] = KESTRINE_VERSION;

// Gives the running application Kestrine's names, which place its data and settings: the app,
// kestrine-cli and the tests share them, so that all of them find the same files.
inline void nameApplication() {
    QCoreApplication::setOrganizationName(QString::fromLatin1(organizationName));
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(organizationDomain));
    QCoreApplication::setApplicationName(QString::fromLatin1(applicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(version));
}
} // namespace AppIdentity
