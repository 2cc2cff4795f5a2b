#include "cli/KestrineCli.h"
#include "platform/AppIdentity.h"
#include "platform/Logger.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    // No display: the tool runs in terminals and CI jobs without one.
    QCoreApplication application(argc, argv);
    // The same names as the app's, so that the store file and the settings are the app's.
    AppIdentity::nameApplication();
    // Standard error carries the tool's own messages, which scripts read.
    Logger::keepOffStandardError();
    return KestrineCli::run(QCoreApplication::arguments());
}
