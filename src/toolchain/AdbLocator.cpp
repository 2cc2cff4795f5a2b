#include "toolchain/AdbLocator.h"

#include "platform/AppSettings.h"
#include "platform/Logger.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString platformToolsAdb = QStringLiteral("/platform-tools/adb");

// Where Android Studio puts the SDK unless told otherwise.
QString homeSdk() {
#ifdef Q_OS_MACOS
    return QDir::homePath() + QStringLiteral("/Library/Android/sdk");
#else
    return QDir::homePath() + QStringLiteral("/Android/Sdk");
#endif
}

} // namespace

UserDefaultWrapper<QString> AdbLocator::adbPathSetting() {
    return UserDefaultWrapper<QString>(adbPathKey.toString(), QString(),
                                       std::shared_ptr<QSettings>(AppSettings::standard()));
}

bool AdbLocator::isProgram(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

std::optional<QString> AdbLocator::locate() {
    QStringList candidates{adbPathSetting().value()};
    // An empty variable is unset, not the root directory.
    for (const char* variable : {"ANDROID_HOME", "ANDROID_SDK_ROOT"}) {
        const QString sdk = qEnvironmentVariable(variable);
        if (!sdk.isEmpty())
            candidates.append(sdk + platformToolsAdb);
    }
    candidates.append(homeSdk() + platformToolsAdb);
    candidates.append(QStandardPaths::findExecutable(QStringLiteral("adb")));
    for (const QString& candidate : std::as_const(candidates)) {
        if (isProgram(candidate))
            return QFileInfo(candidate).absoluteFilePath();
    }
    Logger(QStringLiteral("Kestrine"), QStringLiteral("AdbLocator"))
        .info(u"No adb found in the settings, the Android SDK or PATH");
    return std::nullopt;
}
