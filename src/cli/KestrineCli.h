#pragma once

#include <QStringList>

// The command-line tool (no QObject): reads its arguments, runs one command over the app's
// store file and settings, prints the result and gives the process's exit status. Settings
// given on the command line (--xcode, --adb) apply to this run only and are never written.
class KestrineCli {
public:
    enum ExitStatus {
        Success = 0,
        UsageError = 2,          // unknown command or option, no such or an ambiguous collection
        DestinationUnusable = 3, // no Xcode and no adb, or a tool could not list its destinations
        StoreUnavailable = 4,    // the store cannot be opened; the file is left as it is
    };

    // `arguments` as QCoreApplication::arguments() gives them, the program first.
    [[nodiscard]] static int run(const QStringList& arguments);
};
