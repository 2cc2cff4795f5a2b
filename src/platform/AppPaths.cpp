#include "platform/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace AppPaths {

QString home() {
    const QString variable = qEnvironmentVariable(homeVariable);
    if (variable.isEmpty())
        return {};
    const QString path = QDir::cleanPath(QFileInfo(variable).absoluteFilePath());
    // Read anew on every call: tests point it elsewhere for each case. Only the last level is
    // made user-only: the parents may be shared places the user chose.
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        ::mkdir(QFile::encodeName(path).constData(), 0700);
    }
    return path;
}

QString dataDirectory() {
    const QString own = home();
    return own.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) : own;
}

QString cacheDirectory() {
    const QString own = home();
    return own.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
                         : own + QStringLiteral("/Cache");
}

QString settingsFile(const QString& name) {
    const QString own = home();
    return own.isEmpty() ? QString() : own + u'/' + name;
}

QString runtimeDirectory() {
    const QString own = home();
    return own.isEmpty() ? qEnvironmentVariable("XDG_RUNTIME_DIR") : own;
}

} // namespace AppPaths
