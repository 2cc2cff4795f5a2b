#include "app/KestrineCommands.h"

#include "platform/AppIdentity.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"
#include "updates/ui/CheckForUpdatesView.h"
#include "window/ui/WindowCommands.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>

KestrineCommands::KestrineCommands(PersistentContainer& container, SparkleUpdater& updater,
                                   QObject* parent)
    : QObject(parent)
    , m_container(container)
    , m_updater(updater)
    , m_windowCommands(new WindowCommands(this)) {}

void KestrineCommands::install(QMainWindow* window) {
    QMenuBar* bar = window->menuBar();

    QMenu* file = bar->addMenu(tr("&File"));
    QAction* selectXcode = file->addAction(tr("Select Xcode\u2026"));
    connect(selectXcode, &QAction::triggered, this, &KestrineCommands::selectXcodeRequested);
    QAction* preferences = file->addAction(tr("Preferences\u2026"));
    // On macOS the item moves to the application menu. Ctrl+, (Cmd+, there) everywhere and
    // shown in the menu, whatever else the platform calls Preferences after it.
    preferences->setMenuRole(QAction::PreferencesRole);
    const QKeySequence comma(Qt::CTRL | Qt::Key_Comma);
    QList<QKeySequence> preferencesKeys{comma};
    for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Preferences)) {
        if (keys != comma)
            preferencesKeys.append(keys);
    }
    preferences->setShortcuts(preferencesKeys);
    connect(preferences, &QAction::triggered, this, &KestrineCommands::preferencesRequested);
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit Kestrine"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, window, &QMainWindow::close);

    QMenu* view = bar->addMenu(tr("&View"));
    QAction* sidebar = view->addAction(tr("Toggle Sidebar"));
    sidebar->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    connect(sidebar, &QAction::triggered, this, &KestrineCommands::toggleSidebarRequested);
    const WindowCommands& commands = *m_windowCommands;
    view->addAction(commands.find());
    view->addSeparator();
    view->addActions({commands.chooseDestination(), commands.chooseApp()});
    view->addSeparator();
    QAction* history = view->addAction(tr("History"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    connect(history, &QAction::triggered, this, &KestrineCommands::historyRequested);

    QMenu* deeplink = bar->addMenu(tr("Deep&link"));
    deeplink->addAction(commands.openUrl());
    deeplink->addSeparator();
    deeplink->addActions({commands.execute(), commands.newDeeplink(), commands.deleteDeeplink(),
                          commands.copyUrl(), commands.showQrCode(), commands.copyCommand()});
    deeplink->addSeparator();
    deeplink->addActions({commands.launchCold(), commands.captureScreen()});

    QMenu* collection = bar->addMenu(tr("&Collection"));
    collection->addActions({commands.newCollection(), commands.importCollections()});
    collection->addSeparator();
    collection->addActions(
        {commands.editCollection(), commands.pin(), commands.exportCollection()});
    collection->addSeparator();
    collection->addAction(commands.run());
    collection->addMenu(tr("Interval"))->addActions(commands.intervals());

    QMenu* data = bar->addMenu(tr("&Data"));
    data->setTitle(QStringLiteral("Data"));
    QAction* deleteAllAction = data->addAction(QStringLiteral("Delete All"));
    connect(deleteAllAction, &QAction::triggered, this, &KestrineCommands::deleteAll);

    QMenu* help = bar->addMenu(tr("&Help"));
    QAction* about = help->addAction(QStringLiteral("About Kestrine"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, window, [window] {
        QMessageBox::about(window, QStringLiteral("About Kestrine"),
                           QStringLiteral("<b>Kestrine</b> %1<br>Deeplink collections for app "
                                          "developers.")
                               .arg(QString::fromLatin1(AppIdentity::version)));
    });
    m_checkForUpdatesView = new CheckForUpdatesView(m_updater, this);
    m_checkForUpdatesView->install(bar);
}

void KestrineCommands::deleteAll() {
    ManagedObjectContext* context = m_container.viewContext();
    if (!context)
        return;
    // All or nothing: a failed save brings every object back, and the selection with it. A
    // store busy with another process keeps the deletion pending for the retried save.
    (void)context->deleteAndSave(context->registeredObjects());
}
