#pragma once

#include "window/ui/AddDeeplinkCollectionView.h"

#include <QPointer>
#include <QWidget>

class AddCollectionBottomToolbarButtonView;
class DeeplinkCollection;
class DeeplinkSideBarListView;
class FetchedResultsModel;
class ManagedObjectContext;

// QWidget of the sidebar column: the collection list with the "Add collection" button along its
// foot. Each time it appears it selects the first collection; on an empty store it opens the
// collection editor by itself (the first-use sheet).
class SideBarView : public QWidget {
    Q_OBJECT
public:
    SideBarView(FetchedResultsModel* sectionedCollection, ManagedObjectContext* context,
                QWidget* parent = nullptr);

    [[nodiscard]] DeeplinkCollection* selectedDeeplinkCollection() const;
    void setSelectedDeeplinkCollection(DeeplinkCollection* collection);

    // The column is shown: select the first collection of the first section (or nothing),
    // then open the first-use sheet when there are no collections at all.
    void appear();

    [[nodiscard]] bool isAddCollectionViewPresented() const { return m_firstUseSheet != nullptr; }
    [[nodiscard]] AddCollectionBottomToolbarButtonView* addButton() const { return m_addButton; }

Q_SIGNALS:
    void selectedDeeplinkCollectionChanged(DeeplinkCollection* collection);

private:
    void selectFirstCollection();

    QPointer<FetchedResultsModel> m_model;
    QPointer<ManagedObjectContext> m_context;
    DeeplinkSideBarListView* m_list = nullptr;
    AddCollectionBottomToolbarButtonView* m_addButton = nullptr;
    QPointer<AddDeeplinkCollectionView> m_firstUseSheet;
};
