#pragma once

#include <QObject>

class CheckForUpdatesView;
class PersistentContainer;
class QAction;
class QMainWindow;
class SparkleUpdater;
class WindowCommands;

// QObject that fills the window's QMenuBar: "File" (select Xcode, preferences, quit), "View"
// (sidebar, search, the toolbar pickers, History), "Deeplink" (with the firing options) and
// "Collection" (the window's commands, owned by WindowCommands), "Data" → "Delete All", and "Help"
// with the about item followed by "Check for Updates…".
class KestrineCommands : public QObject {
    Q_OBJECT
public:
    KestrineCommands(PersistentContainer& container, SparkleUpdater& updater,
                     QObject* parent = nullptr);

    // Builds the menu bar of `window`.
    void install(QMainWindow* window);

    // Deletes every object the main context holds and saves; a failed save restores them.
    void deleteAll();

    // The commands of the main content that the menus show.
    [[nodiscard]] WindowCommands* windowCommands() const { return m_windowCommands; }

Q_SIGNALS:
    void toggleSidebarRequested();
    void selectXcodeRequested();
    void preferencesRequested();
    void historyRequested();

private:
    PersistentContainer& m_container;
    SparkleUpdater& m_updater;
    CheckForUpdatesView* m_checkForUpdatesView = nullptr;
    WindowCommands* m_windowCommands = nullptr;
};
