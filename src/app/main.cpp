#include "app/KestrineApp.h"
#include "platform/AppIdentity.h"
#include "platform/SingleInstance.h"
#include "platform/StopSignalNotifier.h"
#include "platform/WindowActivator.h"
#include "store/PersistenceController.h"
#include "toolchain/CommandRunner.h"
#include "widgets/NoFocusRingStyle.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    AppIdentity::nameApplication();
    QApplication::setDesktopFileName(QString::fromLatin1(AppIdentity::bundleIdentifier));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app.kestrine.Kestrine.svg")));
    NoFocusRingStyle::installApplicationWide();

    // A second launch on the same store brings the running window forward and leaves; it never
    // opens the store, so two windows cannot write over each other's edits.
    SingleInstance instance(PersistentContainer::defaultStorePath());
    if (!instance.claim())
        return EXIT_SUCCESS;
    QObject::connect(&instance, &SingleInstance::activationRequested, &application,
                     &WindowActivator::activateKestrine);

    // The store opens first: one that cannot be loaded ends the process before any window,
    // once the user has read why.
    PersistenceController::setOpenFailureNotice(&KestrineApp::showStoreFailure);
    PersistentContainer& container = PersistenceController::shared().container();
    // A stop signal ends the event loop as quitting from the menu does, so the shell saves on
    // the way out; one that comes before the loop runs waits for it.
    StopSignalNotifier stopSignals;
    QObject::connect(&stopSignals, &StopSignalNotifier::received, &application,
                     &QCoreApplication::quit);
    KestrineApp app(container);
    app.show();
    const int status = QApplication::exec();
    // A tool still running (a hung adb) is in a process group of its own: it would outlive us.
    CommandRunner::killRunning();
    return status;
}
