#include "cli/KestrineCli.h"
#include "platform/AppIdentity.h"
#include "platform/Logger.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    // Qt's own event loop rather than GLib's: nothing in the tool needs GLib's, and a run turns
    // the loop several times per firing (each tool's end, each hand-over from a worker thread),
    // which GLib's makes several times dearer. The tools it starts get the environment as it was.
    const bool setByUser = qEnvironmentVariableIsSet("QT_NO_GLIB");
    if (!setByUser)
        qputenv("QT_NO_GLIB", "1");
    // No display: the tool runs in terminals and CI jobs without one.
    QCoreApplication application(argc, argv);
    if (!setByUser)
        qunsetenv("QT_NO_GLIB");
    // The same names as the app's, so that the store file and the settings are the app's.
    AppIdentity::nameApplication();
    // Standard error carries the tool's own messages, which scripts read.
    Logger::keepOffStandardError();
    return KestrineCli::run(QCoreApplication::arguments());
}
