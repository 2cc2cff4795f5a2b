#pragma once

#include "app/KestrineCommands.h"
#include "execution/OpenUrlAction.h"
#include "platform/ErrorMessage.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <memory>
#include <optional>

class BundleIdManager;
class DeeplinkExecuter;
class ErrorAlert;
class HistoryWindow;
class PersistentContainer;
class PreferencesDialog;
class QMainWindow;
class QToolBar;
class RootView;
class RunDestinationManager;
class SparkleUpdater;
class XcodeBookmarkManager;
class XcodeChooser;

// QObject, the composition root: owns the long-lived managers, builds the single window, routes
// every deeplink to the executer, shows errors in one alert and saves the store at every change of
// the application state, when the session asks and when the application quits.
class KestrineApp : public QObject {
    Q_OBJECT
public:
    // `container` must already be loaded; the shell never opens the store itself.
    explicit KestrineApp(PersistentContainer& container, QObject* parent = nullptr);
    ~KestrineApp() override;

    void show();

    [[nodiscard]] QMainWindow* window() const { return m_window.get(); }
    [[nodiscard]] XcodeBookmarkManager* manager();
    [[nodiscard]] RunDestinationManager& deviceManager() { return *m_deviceManager; }
    [[nodiscard]] BundleIdManager& bundleIdManager() { return *m_bundleIdManager; }
    [[nodiscard]] DeeplinkExecuter& deeplinkExecuter() { return *m_deeplinkExecuter; }
    [[nodiscard]] KestrineCommands& commands() { return *m_commands; }
    // The one chooser of Xcode: the selection screen, "Select Xcode…" and Preferences use it.
    [[nodiscard]] XcodeChooser& xcodeChooser() { return *m_xcodeChooser; }
    [[nodiscard]] const std::optional<ErrorMessage>& error() const;

    // The window's open-URL action: fires `url` through the executer with the window's firing
    // options and returns at once. When the firing ends, the History records it (under `title`),
    // the status line shows it, a failure's alert comes up, and `done` hears it.
    void openUrl(const QString& url, const QString& title = {}, FiringDone done = {});
    // openUrl() for a view's request; one with a problem fires nothing and reports it as a
    // failed firing.
    void fire(const FiringRequest& request, FiringDone done = {});
    // "Copy Command": puts the command line that openUrl() would run for `url` at the selected
    // destination on the clipboard, quoted for a POSIX shell; shows the alert a firing would
    // show when there is no usable destination.
    void copyCommand(const QString& url);

    // Opens the History window, or brings the open one forward.
    void showHistory();
    // Where Capture Screen writes its screenshots.
    [[nodiscard]] static QString screenshotDirectory();

    // Shows the one error alert with `message` (replacing the text of one already up).
    void setError(std::optional<ErrorMessage> error);

    // Opens the Preferences window, or brings the open one forward.
    void showPreferences();

    // Tells a user who started Kestrine from the desktop, where no one reads standard error,
    // why it cannot start: a modal box with the store's `diagnostic`, until it is closed.
    static void showStoreFailure(const QString& diagnostic);

Q_SIGNALS:
    // The main content was built and its start-up task has finished: the destinations were
    // fetched once the window had first painted (on the next turn of the event loop for a
    // window not shown).
    void mainContentReady();

private:
    void buildContent();
    void showMainContent(const QUrl& xcodeURL);
    void saveChosenXcode(const QUrl& bundle);
    // The window toolbar of the main content, composed here and nowhere else.
    void buildToolbar(RootView* root);
    void clearToolbar();
    // Points the executer at the managers and the window's firing options.
    void prepareExecuter();
    // Pending changes go to the file; a failure leaves them for the next of these points.
    void save();
    // The last save point: waits a few seconds for a store held by another process.
    void saveBeforeExit();

    PersistentContainer& m_persistence;
    std::unique_ptr<DeeplinkExecuter> m_deeplinkExecuter;
    std::unique_ptr<XcodeBookmarkManager> m_manager;
    std::unique_ptr<RunDestinationManager> m_deviceManager;
    std::unique_ptr<BundleIdManager> m_bundleIdManager;
    std::unique_ptr<SparkleUpdater> m_sparkleUpdater;
    std::unique_ptr<KestrineCommands> m_commands;
    std::unique_ptr<XcodeChooser> m_xcodeChooser;
    std::unique_ptr<QMainWindow> m_window;
    QPointer<RootView> m_root;
    QPointer<PreferencesDialog> m_preferences;
    QPointer<HistoryWindow> m_history;
    std::unique_ptr<ErrorAlert> m_alert;
    QToolBar* m_toolBar = nullptr;
    // The main content is up and its first fetch of destinations waits for the first paint.
    bool m_startUpPending = false;
};
