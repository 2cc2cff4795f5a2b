#pragma once

#include "execution/OpenUrlAction.h"
#include "window/WindowState.h"

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

// QSplitter that lays out the window's three columns: the collection sidebar, the selected
// collection's deeplinks and the selected deeplink. What they share lives in its WindowState; this
// view shows it and forwards the columns' choices to it. The search field bound to that state lives
// in the window toolbar (searchField()).
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

    [[nodiscard]] WindowState* state() const { return m_state; }
    // Forwards to the state; the sidebar follows even when the collection stays the same.
    void setSelectedDeeplinkCollection(DeeplinkCollection* collection);
    void setSelectedDeeplink(Deeplink* deeplink) { m_state->setSelectedDeeplink(deeplink); }
    void setSelectedScope(SearchRootScope scope) { m_state->setSelectedScope(scope); }
    void setSearchText(const QString& text) { m_state->setSearchText(text); }
    [[nodiscard]] FetchedResultsModel* sectionedCollection() const {
        return m_state->sectionedCollection();
    }

    [[nodiscard]] RootSearchField* searchField() const;
    [[nodiscard]] SideBarView* sideBar() const { return m_sideBar; }
    [[nodiscard]] bool isShowingNoResult() const;
    // The detail view of the selected collection, or null.
    [[nodiscard]] DeeplinkCollectionDetailView* detailView() const;

    void toggleSidebar();

protected:
    void showEvent(QShowEvent* event) override;
    QSplitterHandle* createHandle() override;

private:
    void rebuildDetailView();
    void rebuildDeeplinkEditor();
    void showSelectedDeeplink();
    void updateSidebarColumn();
    void updateDetailSearch();
    void updateTitle();
    void restoreColumns();
    void saveColumns() const;

    QPointer<ManagedObjectContext> m_context;
    OpenUrlAction m_openUrl;
    WindowState* m_state = nullptr;
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
