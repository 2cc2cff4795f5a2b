#pragma once

#include "platform/FiringOutcome.h"

#include <QString>
#include <QStringList>

#include <optional>

// Value type for what `adb shell am start -W` printed about one intent: its status lines, the
// activity that took it, the launch kind and times, the warning and error lines. Android 11 and
// later print "LaunchState:"; older ones print "ThisTime:" instead.
struct AmStartReport {
    QString status;      // "ok", "timeout"; "" when not printed
    QString launchState; // "COLD", "WARM", "HOT", "RELAUNCH", "UNKNOWN (0)"; "" when not printed
    QString activity;    // "com.example.shop/.ProductActivity"; "" when not printed
    std::optional<qint64> totalTime{};
    std::optional<qint64> waitTime{};
    std::optional<qint64> thisTime{};
    // "Warning: Activity not started, intent has been delivered to currently running top-most
    // instance."
    bool delivered = false;
    QString unresolved{};   // the "Error: Activity not started, unable to resolve Intent" line
    QStringList warnings{}; // every other "Warning:" line

    // Reads both streams of the command, in any order, CR of CRLF line ends ignored. Never fails:
    // what it does not know is left out.
    [[nodiscard]] static AmStartReport parse(const QString& output);

    // What the firing did: no-handler for an unresolved intent, chooser when Android's chooser
    // took it, else delivered or opened, the handler being the activity, else `package` (the app
    // asked for, "" none). The tools' other errors are not the report's to read (see
    // AdbClient::failureLine()).
    [[nodiscard]] FiringOutcome outcome(const QString& package) const;
};
