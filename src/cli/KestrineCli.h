#pragma once

#include <QStringList>

// The command-line tool (no QObject): reads its arguments, runs one command over the app's
// store file and settings, prints the result and gives the process's exit status. Settings
// given on the command line (--xcode, --adb) apply to this run only and are never written.
class KestrineCli {
public:
    enum ExitStatus {
        Success = 0,
        Failed = 1,              // a deeplink failed to open, or an import or export failed
        UsageError = 2,          // unknown command or option, no such or an ambiguous collection
        DestinationUnusable = 3, // no Xcode and no adb, a destination missing or not usable
        StoreUnavailable = 4,    // the store cannot be opened; the file is left as it is
        // A run stopped by a signal exits with 128 + its number (130 for Ctrl+C).
        StoppedBySignal = 128,
    };

    // `arguments` as QCoreApplication::arguments() gives them, the program first.
    [[nodiscard]] static int run(const QStringList& arguments);
};
