#include "window/ui/DeeplinkSideBarListView.h"

#include "platform/AppIdentity.h"
#include "platform/Logger.h"
#include "platform/StandardOutput.h"
#include "platform/SymbolImage.h"
#include "store/DeeplinkCollection.h"
#include "store/FetchedResultsModel.h"
#include "store/ManagedObjectContext.h"
#include "widgets/PlaceholderView.h"
#include "window/ModelChanges.h"
#include "window/ui/DeeplinkCollectionRowView.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

namespace {

bool isSection(const QModelIndex& index) {
    return index.data(FetchedResultsModel::IsSectionRole).toBool();
}

// The list: section rows are headers the keyboard steps over.
class CollectionTreeView : public QTreeView {
public:
    using QTreeView::QTreeView;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        QModelIndex next = QTreeView::moveCursor(action, modifiers);
        const bool upwards = action == MoveUp || action == MovePageUp || action == MoveHome ||
                             action == MovePrevious;
        while (next.isValid() && isSection(next)) {
            const QModelIndex further = upwards ? indexAbove(next) : indexBelow(next);
            if (!further.isValid())
                return upwards ? indexBelow(next) : currentIndex();
            next = further;
        }
        return next;
    }
};

} // namespace

DeeplinkSideBarListView::DeeplinkSideBarListView(FetchedResultsModel* sectionedCollection,
                                                 ManagedObjectContext* context, QWidget* parent)
    : QStackedWidget(parent)
    , m_model(sectionedCollection)
    , m_context(context) {
    m_emptyState =
        new PlaceholderView(QStringLiteral("xmark.bin.circle.fill"),
                            QStringLiteral("Add deeplink collection by tapping below"), this);
    m_emptyState->setObjectName(QStringLiteral("noCollections"));
    addWidget(m_emptyState);

    m_list = new CollectionTreeView(this);
    m_list->setObjectName(QStringLiteral("collectionList"));
    m_list->setAccessibleName(tr("Collections"));
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setIndentation(0);
    m_list->setUniformRowHeights(false);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setMouseTracking(true);
    m_list->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_list->setItemDelegate(new DeeplinkCollectionRowView(m_list));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    // The sidebar's own background, not the white of an editable list.
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setStyleSheet(QStringLiteral("QTreeView { background: transparent; }"));
    m_list->setModel(m_model);
    if (m_model)
        m_model->setAccessibleText(&DeeplinkCollectionRowView::accessibleText);
    addWidget(m_list);

    m_deleteAction =
        new QAction(SymbolImage::icon(QStringLiteral("trash")), QStringLiteral("Delete"), m_list);
    m_deleteAction->setObjectName(QStringLiteral("deleteCollection"));
    m_deleteAction->setShortcuts({QKeySequence::Delete, QKeySequence(Qt::Key_Backspace)});
    m_deleteAction->setShortcutContext(Qt::WidgetShortcut);
    m_list->addAction(m_deleteAction);
    connect(m_deleteAction, &QAction::triggered, this,
            &DeeplinkSideBarListView::deleteSelectedCollection);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            &DeeplinkSideBarListView::showContextMenu);

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DeeplinkSideBarListView::userSelectionChanged);

    // While the model changes, the view's selection follows it by itself; none of that is
    // the user's doing.
    const auto hush = [this] { ++m_quiet; };
    const auto settle = [this] {
        --m_quiet;
        expandSections();
        updatePage();
        showSelection();
    };
    ModelChanges::bracket(m_model, this, hush, settle);

    expandSections();
    updatePage();
}

bool DeeplinkSideBarListView::isShowingEmptyState() const {
    return currentWidget() == m_emptyState;
}

void DeeplinkSideBarListView::setSelectedDeeplinkCollection(DeeplinkCollection* collection) {
    m_selected = collection;
    showSelection();
}

void DeeplinkSideBarListView::showSelection() {
    if (m_quiet > 0 || !m_model)
        return;
    ++m_quiet;
    const QModelIndex index = m_selected ? m_model->indexOf(m_selected) : QModelIndex();
    if (index.isValid()) {
        m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
        m_list->scrollTo(index);
    } else {
        m_list->selectionModel()->clearSelection();
    }
    --m_quiet;
}

void DeeplinkSideBarListView::userSelectionChanged() {
    if (m_quiet > 0)
        return;
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    DeeplinkCollection* collection = nullptr;
    if (!rows.isEmpty()) {
        auto* object = m_model->object(rows.front());
        if (object && object->entity() == ManagedObject::Entity::DeeplinkCollection)
            collection = static_cast<DeeplinkCollection*>(object);
    }
    if (collection == m_selected)
        return;
    m_selected = collection;
    Q_EMIT selectedDeeplinkCollectionChanged(collection);
}

void DeeplinkSideBarListView::updatePage() {
    setCurrentWidget(m_model && !m_model->isEmpty() ? static_cast<QWidget*>(m_list) : m_emptyState);
}

void DeeplinkSideBarListView::expandSections() {
    if (!m_model)
        return;
    for (int section = 0; section < m_model->rowCount(); ++section)
        m_list->setExpanded(m_model->index(section, 0), true);
}

std::unique_ptr<QMenu> DeeplinkSideBarListView::createContextMenu(const QModelIndex& index) {
    if (!index.isValid() || isSection(index))
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    menu->addAction(m_deleteAction);
    return menu;
}

void DeeplinkSideBarListView::showContextMenu(const QPoint& position) {
    if (std::unique_ptr<QMenu> menu = createContextMenu(m_list->indexAt(position)))
        menu->exec(m_list->viewport()->mapToGlobal(position));
}

void DeeplinkSideBarListView::deleteSelectedCollection() {
    DeeplinkCollection* collection = m_selected;
    if (!collection || !m_context)
        return;
    static const Logger log(QString::fromLatin1(AppIdentity::bundleIdentifier),
                            QStringLiteral("coredata"));
    const auto report = [](const QString& error) {
        const QString line =
            QStringLiteral("Unresolved error %1, %2").arg(error, QStringLiteral("{}"));
        log.error(u"Unresolved error %{public}@, %{public}@", error, QStringLiteral("{}"));
        StandardOutput::printLine(line);
    };

    // A store busy with another process is no failure: the deletion joins what is pending and
    // lands with the retried save.
    const SaveOutcome outcome = m_context->deleteAndSave({collection});
    switch (outcome.kind) {
    case SaveOutcome::Kind::Failed:
        report(outcome.reason);
        // The collection is back (or never went); so is its selection.
        m_selected = collection;
        showSelection();
        Q_EMIT selectedDeeplinkCollectionChanged(collection);
        return;
    case SaveOutcome::Kind::Saved:
    case SaveOutcome::Kind::Busy:
        m_selected = nullptr;
        showSelection();
        Q_EMIT selectedDeeplinkCollectionChanged(nullptr);
        return;
    }
}
