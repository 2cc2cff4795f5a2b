#pragma once

#include "platform/UserDefaultWrapper.h"

#include <QString>
#include <QStringView>

#include <optional>

// Plain static helper (no QObject) that finds the adb program: the one set in the settings
// ("Android.adbPath"), else the Android SDK's under $ANDROID_HOME, under $ANDROID_SDK_ROOT and
// in the SDK's usual place in the home directory, else adb on PATH.
class AdbLocator {
public:
    static constexpr QStringView adbPathKey = u"Android.adbPath";

    // The path the user set; empty when unset (Use Default clears it).
    [[nodiscard]] static UserDefaultWrapper<QString> adbPathSetting();

    // The first candidate that is an existing executable regular file, as an absolute path.
    // Nothing when there is none, which is logged once per call.
    [[nodiscard]] static std::optional<QString> locate();

    // Whether `path` names an existing executable regular file (not a directory).
    [[nodiscard]] static bool isProgram(const QString& path);
};
