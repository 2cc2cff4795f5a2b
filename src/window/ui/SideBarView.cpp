#include "window/ui/SideBarView.h"

#include "store/DeeplinkCollection.h"
#include "store/FetchedResultsModel.h"
#include "window/ui/AddCollectionBottomToolbarButtonView.h"
#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/DeeplinkSideBarListView.h"

#include <QVBoxLayout>

SideBarView::SideBarView(FetchedResultsModel* sectionedCollection, ManagedObjectContext* context,
                         QWidget* parent)
    : QWidget(parent)
    , m_model(sectionedCollection)
    , m_context(context) {
    setAccessibleName(tr("Sidebar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->setSpacing(0);
    m_list = new DeeplinkSideBarListView(sectionedCollection, context, this);
    m_list->setObjectName(QStringLiteral("sideBarList"));
    layout->addWidget(m_list, 1);
    m_addButton = new AddCollectionBottomToolbarButtonView(context, this);
    layout->addWidget(m_addButton);

    connect(m_list, &DeeplinkSideBarListView::selectedDeeplinkCollectionChanged, this,
            &SideBarView::selectedDeeplinkCollectionChanged);
}

DeeplinkCollection* SideBarView::selectedDeeplinkCollection() const {
    return m_list->selectedDeeplinkCollection();
}

void SideBarView::setSelectedDeeplinkCollection(DeeplinkCollection* collection) {
    m_list->setSelectedDeeplinkCollection(collection);
}

void SideBarView::appear() {
    selectFirstCollection();
    if (!m_model || !m_model->isEmpty() || m_firstUseSheet)
        return;
    m_firstUseSheet = new AddDeeplinkCollectionView(m_context, window(),
                                                    QStringLiteral("Add you first collection 🚀"));
    m_firstUseSheet->setObjectName(QStringLiteral("firstUseSheet"));
    m_firstUseSheet->setAttribute(Qt::WA_DeleteOnClose);
    // Dismissed by any means: select whatever is first now (not necessarily the new one).
    connect(m_firstUseSheet, &QDialog::finished, this, &SideBarView::selectFirstCollection);
    m_firstUseSheet->open();
}

void SideBarView::selectFirstCollection() {
    DeeplinkCollection* first = nullptr;
    if (m_model && !m_model->isEmpty()) {
        ManagedObject* object = m_model->sections().front().objects.front();
        first = static_cast<DeeplinkCollection*>(object);
    }
    m_list->setSelectedDeeplinkCollection(first);
    Q_EMIT selectedDeeplinkCollectionChanged(first);
}
