#pragma once

#include "exchange/DeeplinkCollectionExporter.h"
#include "exchange/ui/ExportSaveDialog.h"
#include "execution/AutomatedRun.h"
#include "execution/OpenUrlAction.h"
#include "store/FetchRequest.h"
#include "store/Variable.h"
#include "window/SearchRootScope.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class AutomatedRunControls;
class Deeplink;
class DeeplinkCollection;
class FetchedResultsModel;
class ManagedObjectContext;
class PlaceholderView;
class QAction;
class QLabel;
class QListView;
class QMenu;
class QStackedWidget;
class QToolBar;
class QToolButton;
class RunClock;

// Widget of the middle column: one collection's deeplinks, newest first, narrowed by the
// window's search. Its header shows the collection's name and deeplink count and holds the
// environment picker and the actions: the automated run (AutomatedRunControls), pin, add a
// deeplink, export. Each row's
// "Execute" and its URL link fire the deeplink through the window's open-URL action. The window
// builds a fresh one for every selected collection (so a run starts over); it stops its run and
// saves the store when it goes away.
class DeeplinkCollectionDetailView : public QWidget {
    Q_OBJECT
public:
    // `request` is the deeplink query the window built from `searchText` and `scope`.
    // `clock` drives the automated run (null: the real one-second clock).
    DeeplinkCollectionDetailView(ManagedObjectContext* context, DeeplinkCollection* collection,
                                 const QString& searchText, SearchRootScope scope,
                                 FetchRequest request, OpenUrlAction openUrl,
                                 QWidget* parent = nullptr,
                                 std::unique_ptr<RunClock> clock = nullptr);
    ~DeeplinkCollectionDetailView() override;

    [[nodiscard]] DeeplinkCollection* deeplinkCollection() const { return m_collection; }

    // The window's search: its text, scope and the deeplink query built from them.
    void setSearch(const QString& searchText, SearchRootScope scope, FetchRequest request);
    [[nodiscard]] QString searchText() const { return m_searchText; }
    [[nodiscard]] SearchRootScope selectedScope() const { return m_selectedScope; }

    [[nodiscard]] Deeplink* selectedDeeplink() const { return m_selectedDeeplink; }
    // Shows `deeplink` as selected in the list (when it is listed).
    void setSelectedDeeplink(Deeplink* deeplink);

    // "N Deeplinks", N in the user's locale.
    [[nodiscard]] QString subtitle() const;

    // Adds a deeplink titled Deeplink::newTitle() to the collection and selects it (saved later).
    void addDeeplink();
    // The same with `url` in place of the placeholder URL.
    void addDeeplinkWithUrl(const QString& url);
    // Fires `deeplink` through the open-URL action, its variables filled (see Firing); nothing
    // without a URL, nor when `mayFire` (see setMayFire()) refuses it.
    void execute(Deeplink* deeplink);
    // Asked before each deeplink is fired: false fires nothing.
    void setMayFire(std::function<bool(const Deeplink*)> mayFire) {
        m_mayFire = std::move(mayFire);
    }

    // The context menu of the row at `index` ("Execute", "Show QR Code", "Copy Command"), or
    // null off the rows.
    [[nodiscard]] std::unique_ptr<QMenu> createContextMenu(const QModelIndex& index);

    [[nodiscard]] FetchedResultsModel* model() const { return m_model; }
    [[nodiscard]] QAction* pinAction() const { return m_pinAction; }
    [[nodiscard]] QAction* exportAction() const { return m_exportAction; }
    // The header's pop-up of the collection's environments; its menu is filled when it opens.
    [[nodiscard]] QToolButton* environmentPicker() const { return m_environmentPicker; }
    [[nodiscard]] QMenu* environmentMenu() const { return m_environmentMenu; }
    // What the picker shows: the active environment, or "No Environment".
    [[nodiscard]] QString environmentTitle() const;
    // Replaces the platform's save dialog of "Export" (tests).
    void setExportDialog(DeeplinkCollectionExporter::SaveDialog dialog) {
        m_exportDialog = std::move(dialog);
    }
    [[nodiscard]] AutomatedRun* run() const { return m_run; }

Q_SIGNALS:
    // The user (or the view itself, after adding a deeplink) changed the selected deeplink.
    void selectedDeeplinkChanged(Deeplink* deeplink);
    // A row's "Copy Command" for its URL (see WindowCommands::commandRequested()).
    void commandRequested(const QString& url);

private:
    void buildHeader();
    void buildContent();
    void runReached(Deeplink* deeplink);
    void refreshCollection();
    // Fills the picker's menu: "No Environment", the environments, and the way to the editor.
    void fillEnvironmentMenu();
    void chooseEnvironment(const QString& name);
    void updateContent();
    void showSelection();
    void userSelectionChanged();
    void showContextMenu(const QPoint& position);
    // The export dialog for this collection; `m_isExportShowing` while it is up.
    void showExportDialog();

    QPointer<ManagedObjectContext> m_context;
    QPointer<DeeplinkCollection> m_collection;
    OpenUrlAction m_openUrl;
    QList<Variable> m_runValues; // typed into the prompt before the automated run started
    std::function<bool(const Deeplink*)> m_mayFire;
    QString m_searchText;
    SearchRootScope m_selectedScope;
    QPointer<Deeplink> m_selectedDeeplink;
    bool m_isExportShowing = false;
    DeeplinkCollectionExporter::SaveDialog m_exportDialog = [this](const QString& proposedPath) {
        return ExportSaveDialog::ask(this, proposedPath);
    };

    FetchedResultsModel* m_model = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_subtitleLabel = nullptr;
    AutomatedRun* m_run = nullptr;
    AutomatedRunControls* m_runControls = nullptr;
    QAction* m_pinAction = nullptr;
    QAction* m_addDeeplinkAction = nullptr;
    QAction* m_exportAction = nullptr;
    QToolButton* m_environmentPicker = nullptr;
    QLabel* m_environmentTitle = nullptr;
    QMenu* m_environmentMenu = nullptr;
    QStackedWidget* m_content = nullptr;
    QListView* m_list = nullptr;
    PlaceholderView* m_emptyState = nullptr;
    PlaceholderView* m_noResult = nullptr;
    int m_quiet = 0;
};
