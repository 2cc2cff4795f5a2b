#pragma once

#include "execution/OpenUrlAction.h"
#include "store/FetchRequest.h"
#include "store/ManagedObjectContext.h"
#include "window/SearchRootScope.h"

#include <QPointer>
#include <QSplitter>

class Deeplink;
class DeeplinkCollection;
class DeeplinkCollectionDetailView;
class FetchedResultsModel;
class PlaceholderView;
class QStackedWidget;
class RootSearchField;
class SideBarView;

// The window's three columns: the collection sidebar, the selected collection's deeplinks and
// the selected deeplink. Owns the state they share (the two selections, the search text and
// scope) and the live collection query that the search filters. The search field it drives
// lives in the window toolbar (searchField()).
class ColumSplitView : public QSplitter {
    Q_OBJECT
public:
    // Column widths in points: sidebar 240...380 (ideally 260), middle at least 480 (ideally
    // 840), right fixed at 300.
    static constexpr int sidebarMinimumWidth = 240;
    static constexpr int sidebarIdealWidth = 260;
    static constexpr int sidebarMaximumWidth = 380;
    static constexpr int middleMinimumWidth = 480;
    static constexpr int middleIdealWidth = 840;
    static constexpr int rightWidth = 300;

    ColumSplitView(ManagedObjectContext* context, OpenUrlAction openUrl, QWidget* parent = nullptr);
    ~ColumSplitView() override;

    [[nodiscard]] DeeplinkCollection* selectedDeeplinkCollection() const;
    void setSelectedDeeplinkCollection(DeeplinkCollection* collection);
    [[nodiscard]] Deeplink* selectedDeeplink() const;
    void setSelectedDeeplink(Deeplink* deeplink);

    [[nodiscard]] SearchRootScope selectedScope() const { return m_selectedScope; }
    void setSelectedScope(SearchRootScope scope);
    [[nodiscard]] QString searchText() const { return m_searchText; }
    // An edit of the search field.
    void setSearchText(const QString& text);

    // The deeplink query of the middle column for the current selection, text and scope.
    [[nodiscard]] FetchRequest deeplinkFetchRequest() const;

    [[nodiscard]] FetchedResultsModel* sectionedCollection() const { return m_sectionedCollection; }
    [[nodiscard]] RootSearchField* searchField() const;
    [[nodiscard]] SideBarView* sideBar() const { return m_sideBar; }
    [[nodiscard]] PlaceholderView* noResultView() const { return m_noResult; }
    [[nodiscard]] bool isShowingNoResult() const;
    // The detail view of the selected collection, or null.
    [[nodiscard]] DeeplinkCollectionDetailView* detailView() const;
    [[nodiscard]] QWidget* middleColumn() const;
    [[nodiscard]] QWidget* rightColumn() const;

    void toggleSidebar();

Q_SIGNALS:
    void selectedDeeplinkCollectionChanged(DeeplinkCollection* collection);
    void selectedDeeplinkChanged(Deeplink* deeplink);
    void selectedScopeChanged(SearchRootScope scope);
    void searchTextChanged(const QString& text);
    void titleChanged(const QString& title);

protected:
    void showEvent(QShowEvent* event) override;
    QSplitterHandle* createHandle() override;

private:
    void rebuildDetailView();
    void rebuildDeeplinkEditor();
    void updateSidebarColumn();
    void updateDetailSearch();
    void updateTitle();
    void objectChanged(ManagedObject* object, ManagedObjectContext::Change change);
    void restoreColumns();
    void saveColumns() const;

    QPointer<ManagedObjectContext> m_context;
    OpenUrlAction m_openUrl;
    QPointer<DeeplinkCollection> m_selectedDeeplinkCollection;
    QPointer<Deeplink> m_selectedDeeplink;
    SearchRootScope m_selectedScope = SearchRootScope::collection();
    QString m_searchText;
    FetchedResultsModel* m_sectionedCollection = nullptr;
    bool m_collectionFilterActive = false;
    bool m_appeared = false;

    QPointer<RootSearchField> m_searchField;
    QStackedWidget* m_sidebarColumn = nullptr;
    SideBarView* m_sideBar = nullptr;
    PlaceholderView* m_noResult = nullptr;
    QStackedWidget* m_middleColumn = nullptr;
    PlaceholderView* m_middlePlaceholder = nullptr;
    QPointer<DeeplinkCollectionDetailView> m_detailView;
    QStackedWidget* m_rightColumn = nullptr;
    PlaceholderView* m_rightPlaceholder = nullptr;
    QPointer<QWidget> m_deeplinkEditor;
};
