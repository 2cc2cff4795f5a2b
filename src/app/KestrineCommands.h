#pragma once

#include <QObject>

class CheckForUpdatesView;
class PersistentContainer;
class QAction;
class QMainWindow;
class SparkleUpdater;

// The menu commands: sidebar toggle, the about item followed by "Check for Updates…",
// and "Data" → "Delete All".
class KestrineCommands : public QObject {
    Q_OBJECT
public:
    KestrineCommands(PersistentContainer& container, SparkleUpdater& updater,
                     QObject* parent = nullptr);

    // Builds the menu bar of `window`.
    void install(QMainWindow* window);

    // Deletes every object the main context holds and saves; a failed save restores them.
    void deleteAll();

    // The update item of the Help menu (null until install()).
    [[nodiscard]] CheckForUpdatesView* checkForUpdatesView() const { return m_checkForUpdatesView; }

Q_SIGNALS:
    void toggleSidebarRequested();

private:
    PersistentContainer& m_container;
    SparkleUpdater& m_updater;
    CheckForUpdatesView* m_checkForUpdatesView = nullptr;
};
