#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>

class AutomatedRun;
class Deeplink;
class DeeplinkCollectionDetailView;
class QAction;
class QActionGroup;
class RootView;
class ToolbarPicker;

// QObject that owns the window's commands as QActions, each with its one shortcut: the
// deeplink commands (open a URL, execute, new, delete, copy the URL, show its QR code, copy
// its command), the collection commands (new, import, edit, pin, export, the automated run and
// its interval), search, the two toolbar pickers and the firing options (Launch Cold, Capture
// Screen; remembered in the settings). The menus show these actions; the views keep their buttons.
// Each action is enabled only while the window's selection gives it something to act on, and
// triggers the function of whichever view currently shows that selection.
class WindowCommands : public QObject {
    Q_OBJECT
public:
    explicit WindowCommands(QObject* parent = nullptr);

    // The main content the commands act on (null: none, every command disabled).
    void setRootView(RootView* root);
    // The toolbar's destination and app pickers (opened by their shortcuts).
    void setPickers(ToolbarPicker* destination, ToolbarPicker* app);

    [[nodiscard]] QAction* openUrl() const { return m_openUrl; }
    [[nodiscard]] QAction* execute() const { return m_execute; }
    [[nodiscard]] QAction* newDeeplink() const { return m_newDeeplink; }
    [[nodiscard]] QAction* deleteDeeplink() const { return m_deleteDeeplink; }
    [[nodiscard]] QAction* copyUrl() const { return m_copyUrl; }
    [[nodiscard]] QAction* showQrCode() const { return m_showQrCode; }
    // Asks for the selected deeplink's command line through commandRequested().
    [[nodiscard]] QAction* copyCommand() const { return m_copyCommand; }
    [[nodiscard]] QAction* newCollection() const { return m_newCollection; }
    [[nodiscard]] QAction* importCollections() const { return m_import; }
    [[nodiscard]] QAction* editCollection() const { return m_editCollection; }
    [[nodiscard]] QAction* pin() const { return m_pin; }
    [[nodiscard]] QAction* exportCollection() const { return m_export; }
    [[nodiscard]] QAction* run() const { return m_run; }
    // "2 Seconds", "5 Seconds", "10 Seconds", checkable and exclusive.
    [[nodiscard]] QList<QAction*> intervals() const;
    [[nodiscard]] QAction* find() const { return m_find; }
    [[nodiscard]] QAction* chooseDestination() const { return m_chooseDestination; }
    [[nodiscard]] QAction* chooseApp() const { return m_chooseApp; }
    // Checkable: stop the app before each firing / take a screenshot after it.
    [[nodiscard]] QAction* launchCold() const { return m_launchCold; }
    [[nodiscard]] QAction* captureScreen() const { return m_captureScreen; }

    // Settings keys of the two firing options.
    static constexpr QStringView launchColdKey = u"Firing.launchCold";
    static constexpr QStringView captureScreenKey = u"Firing.captureScreen";

    // Brings every action's enabled, checked and text state in line with the window.
    void update();

Q_SIGNALS:
    // "Copy Command" for `url`, the stored text of the selected deeplink or of the row whose
    // context menu asked: the app, which knows the destination, copies the command line.
    void commandRequested(const QString& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* add(const QString& text, const QKeySequence& shortcut = {});
    // A checkable action showing `symbol` whose state lives under the settings key `key`.
    QAction* addOption(const QString& text, const QString& symbol, const QString& toolTip,
                       QStringView key);
    [[nodiscard]] DeeplinkCollectionDetailView* detailView() const;
    [[nodiscard]] AutomatedRun* automatedRun() const;
    [[nodiscard]] Deeplink* selectedDeeplink() const;
    void watchDetailView();
    void deleteSelectedDeeplink();
    void openCollectionEditor(bool import);

    QPointer<RootView> m_root;
    QPointer<ToolbarPicker> m_destinationPicker;
    QPointer<ToolbarPicker> m_appPicker;
    // The detail view whose run and collection the actions follow.
    QPointer<DeeplinkCollectionDetailView> m_watchedView;

    QAction* m_openUrl = nullptr;
    QAction* m_execute = nullptr;
    QAction* m_newDeeplink = nullptr;
    QAction* m_deleteDeeplink = nullptr;
    QAction* m_copyUrl = nullptr;
    QAction* m_showQrCode = nullptr;
    QAction* m_copyCommand = nullptr;
    QAction* m_newCollection = nullptr;
    QAction* m_import = nullptr;
    QAction* m_editCollection = nullptr;
    QAction* m_pin = nullptr;
    QAction* m_export = nullptr;
    QAction* m_run = nullptr;
    QActionGroup* m_intervals = nullptr;
    QAction* m_find = nullptr;
    QAction* m_chooseDestination = nullptr;
    QAction* m_chooseApp = nullptr;
    QAction* m_launchCold = nullptr;
    QAction* m_captureScreen = nullptr;
};
