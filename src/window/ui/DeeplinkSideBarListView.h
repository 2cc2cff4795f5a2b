#pragma once

#include <QPointer>
#include <QStackedWidget>

#include <memory>

class DeeplinkCollection;
class FetchedResultsModel;
class ManagedObjectContext;
class PlaceholderView;
class QAction;
class QMenu;
class QTreeView;

// QStackedWidget that shows the collection list of the sidebar (a QTreeView): the sections "Pinned"
// and "My Collections" of the live collection query, or an empty state when it has no collections.
// Its selection is the window's selected collection; "Delete" (context menu, Delete key) removes
// that collection.
class DeeplinkSideBarListView : public QStackedWidget {
    Q_OBJECT
public:
    DeeplinkSideBarListView(FetchedResultsModel* sectionedCollection, ManagedObjectContext* context,
                            QWidget* parent = nullptr);

    [[nodiscard]] DeeplinkCollection* selectedDeeplinkCollection() const { return m_selected; }
    // Shows `collection` as selected (nothing when it is null or not listed).
    void setSelectedDeeplinkCollection(DeeplinkCollection* collection);

    // Deletes the selected collection and saves; nothing without a selection. A save that
    // fails is reported and rolled back, so the collection stays.
    void deleteSelectedCollection();

    // The context menu of the row at `index` ("Delete"), or null off the rows.
    [[nodiscard]] std::unique_ptr<QMenu> createContextMenu(const QModelIndex& index);

    [[nodiscard]] bool isShowingEmptyState() const;

Q_SIGNALS:
    // The user changed the selection (a click, the keyboard, a deletion).
    void selectedDeeplinkCollectionChanged(DeeplinkCollection* collection);

private:
    void updatePage();
    void expandSections();
    void showSelection();
    void userSelectionChanged();
    void showContextMenu(const QPoint& position);

    QPointer<FetchedResultsModel> m_model;
    QPointer<ManagedObjectContext> m_context;
    QPointer<DeeplinkCollection> m_selected;
    QTreeView* m_list = nullptr;
    PlaceholderView* m_emptyState = nullptr;
    QAction* m_deleteAction = nullptr;
    // Selection changes caused by the model or by setSelectedDeeplinkCollection are not the
    // user's and must not reach the window.
    int m_quiet = 0;
};
