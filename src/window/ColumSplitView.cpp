#include "window/ColumSplitView.h"

#include "platform/AppSettings.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/DeeplinkQueries.h"
#include "store/FetchedResultsModel.h"
#include "widgets/PlaceholderView.h"
#include "window/DeeplinkCollectionDetailView.h"
#include "window/DeeplinkDetailView.h"
#include "window/RootSearchField.h"
#include "window/SideBarView.h"

#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString columnStateKey = QStringLiteral("ColumSplitView.columnState");

// A hairline between two columns.
class HairlineHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override {
        QColor line = palette().color(QPalette::WindowText);
        line.setAlphaF(0.15);
        QPainter(this).fillRect(rect(), line);
    }
};

QStackedWidget* column(QWidget* parent, const QString& name) {
    auto* stack = new QStackedWidget(parent);
    stack->setAccessibleName(name);
    return stack;
}

} // namespace

ColumSplitView::ColumSplitView(ManagedObjectContext* context, OpenUrlAction openUrl,
                               QWidget* parent)
    : QSplitter(Qt::Horizontal, parent)
    , m_context(context)
    , m_openUrl(std::move(openUrl)) {
    setObjectName(QStringLiteral("columSplitView"));
    setChildrenCollapsible(false);
    setHandleWidth(1);
    m_sectionedCollection = new FetchedResultsModel(context, DeeplinkQueries::collections(), this);

    // Sidebar: the collection list, or the no-result message of a collection search.
    m_sidebarColumn = column(this, tr("Collections column"));
    m_sidebarColumn->setMinimumWidth(sidebarMinimumWidth);
    m_sidebarColumn->setMaximumWidth(sidebarMaximumWidth);
    m_sideBar = new SideBarView(m_sectionedCollection, context, m_sidebarColumn);
    m_sidebarColumn->addWidget(m_sideBar);
    m_noResult = new PlaceholderView(QStringLiteral("binoculars.fill"), QString(), m_sidebarColumn);
    m_sidebarColumn->addWidget(m_noResult);
    addWidget(m_sidebarColumn);

    m_middleColumn = column(this, tr("Deeplinks column"));
    m_middleColumn->setMinimumWidth(middleMinimumWidth);
    m_middlePlaceholder =
        new PlaceholderView(QStringLiteral("list.dash"),
                            QStringLiteral("Select a deeplink collection"), m_middleColumn);
    m_middleColumn->addWidget(m_middlePlaceholder);
    addWidget(m_middleColumn);

    m_rightColumn = column(this, tr("Deeplink column"));
    m_rightColumn->setFixedWidth(rightWidth);
    m_rightPlaceholder = new PlaceholderView(QStringLiteral("doc.text.image"),
                                             QStringLiteral("Select a deeplink"), m_rightColumn);
    m_rightColumn->addWidget(m_rightPlaceholder);
    addWidget(m_rightColumn);

    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    setStretchFactor(2, 0);
    setSizes({sidebarIdealWidth, middleIdealWidth, rightWidth});
    restoreColumns();
    connect(this, &QSplitter::splitterMoved, this, &ColumSplitView::saveColumns);

    m_searchField =
        new RootSearchField(Binding<QString>::property(this, &ColumSplitView::searchText,
                                                       &ColumSplitView::setSearchText),
                            Binding<SearchRootScope>::property(this, &ColumSplitView::selectedScope,
                                                               &ColumSplitView::setSelectedScope));
    connect(this, &ColumSplitView::searchTextChanged, m_searchField, &RootSearchField::refresh);
    connect(this, &ColumSplitView::selectedScopeChanged, m_searchField, &RootSearchField::refresh);

    connect(m_sideBar, &SideBarView::selectedDeeplinkCollectionChanged, this,
            &ColumSplitView::setSelectedDeeplinkCollection);
    const auto sectionsChanged = [this] { updateSidebarColumn(); };
    connect(m_sectionedCollection, &QAbstractItemModel::rowsInserted, this, sectionsChanged);
    connect(m_sectionedCollection, &QAbstractItemModel::rowsRemoved, this, sectionsChanged);
    connect(m_sectionedCollection, &QAbstractItemModel::modelReset, this, sectionsChanged);
    if (context)
        connect(context, &ManagedObjectContext::objectChanged, this,
                &ColumSplitView::objectChanged);
    updateTitle();
}

ColumSplitView::~ColumSplitView() {
    saveColumns();
    // The field sits in the window toolbar, outside this widget's children.
    delete m_searchField;
    // The detail view saves as it goes; it must go while the context and selections live.
    delete m_detailView;
}

DeeplinkCollection* ColumSplitView::selectedDeeplinkCollection() const {
    return m_selectedDeeplinkCollection;
}

Deeplink* ColumSplitView::selectedDeeplink() const {
    return m_selectedDeeplink;
}

void ColumSplitView::setSelectedDeeplinkCollection(DeeplinkCollection* collection) {
    if (collection == m_selectedDeeplinkCollection) {
        m_sideBar->setSelectedDeeplinkCollection(collection);
        return;
    }
    m_selectedDeeplinkCollection = collection;
    m_sideBar->setSelectedDeeplinkCollection(collection);
    // A deeplink of the previous collection has no place beside the new one's list.
    setSelectedDeeplink(nullptr);
    rebuildDetailView();
    updateTitle();
    Q_EMIT selectedDeeplinkCollectionChanged(collection);
}

void ColumSplitView::setSelectedDeeplink(Deeplink* deeplink) {
    if (deeplink == m_selectedDeeplink)
        return;
    m_selectedDeeplink = deeplink;
    if (m_detailView)
        m_detailView->setSelectedDeeplink(deeplink);
    rebuildDeeplinkEditor();
    Q_EMIT selectedDeeplinkChanged(deeplink);
}

void ColumSplitView::setSelectedScope(SearchRootScope scope) {
    if (scope == m_selectedScope)
        return;
    m_selectedScope = scope;
    // Searching deeplinks lists every collection again; coming back to collections does not
    // re-apply the text until it is next edited.
    if (scope.isDeeplink() && m_collectionFilterActive) {
        m_collectionFilterActive = false;
        m_sectionedCollection->setFetchRequest(DeeplinkQueries::collections());
    }
    updateSidebarColumn();
    updateDetailSearch();
    Q_EMIT selectedScopeChanged(scope);
}

void ColumSplitView::setSearchText(const QString& text) {
    if (text == m_searchText)
        return;
    m_searchText = text;
    if (m_selectedScope.isCollection()) {
        m_collectionFilterActive = !text.isEmpty();
        m_sectionedCollection->setFetchRequest(DeeplinkQueries::collections(text));
    }
    updateSidebarColumn();
    updateDetailSearch();
    Q_EMIT searchTextChanged(text);
}

FetchRequest ColumSplitView::deeplinkFetchRequest() const {
    DeeplinkQueries::TextField field = DeeplinkQueries::TextField::None;
    if (m_selectedScope.isDeeplink()) {
        field = m_selectedScope.deeplinkScope() == DeeplinkScope::Title
                    ? DeeplinkQueries::TextField::Title
                    : DeeplinkQueries::TextField::Url;
    }
    const QUuid uid = m_selectedDeeplinkCollection ? m_selectedDeeplinkCollection->uid() : QUuid();
    return DeeplinkQueries::deeplinks(uid, field, m_searchText);
}

RootSearchField* ColumSplitView::searchField() const {
    return m_searchField;
}

DeeplinkCollectionDetailView* ColumSplitView::detailView() const {
    return m_detailView;
}

bool ColumSplitView::isShowingNoResult() const {
    return m_sidebarColumn->currentWidget() == m_noResult;
}

QWidget* ColumSplitView::middleColumn() const {
    return m_middleColumn->currentWidget();
}

QWidget* ColumSplitView::rightColumn() const {
    return m_rightColumn->currentWidget();
}

void ColumSplitView::toggleSidebar() {
    m_sidebarColumn->setVisible(m_sidebarColumn->isHidden());
    saveColumns();
}

QSplitterHandle* ColumSplitView::createHandle() {
    return new HairlineHandle(orientation(), this);
}

void ColumSplitView::showEvent(QShowEvent* event) {
    QSplitter::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    if (!isShowingNoResult())
        m_sideBar->appear();
}

void ColumSplitView::updateSidebarColumn() {
    const bool noResult = !m_searchText.isEmpty() && m_selectedScope.isCollection() &&
                          m_sectionedCollection->isEmpty();
    if (noResult) {
        m_noResult->setText(QStringLiteral("Unable to find ") + m_searchText);
        m_sidebarColumn->setCurrentWidget(m_noResult);
        return;
    }
    const bool wasNoResult = isShowingNoResult();
    m_sidebarColumn->setCurrentWidget(m_sideBar);
    // The list appears again in place of the message.
    if (wasNoResult && m_appeared)
        m_sideBar->appear();
}

void ColumSplitView::updateDetailSearch() {
    if (m_detailView)
        m_detailView->setSearch(m_searchText, m_selectedScope, deeplinkFetchRequest());
}

void ColumSplitView::rebuildDetailView() {
    if (m_detailView) {
        m_middleColumn->removeWidget(m_detailView);
        delete m_detailView;
    }
    if (!m_selectedDeeplinkCollection) {
        m_middleColumn->setCurrentWidget(m_middlePlaceholder);
        return;
    }
    m_detailView = new DeeplinkCollectionDetailView(
        m_context, m_selectedDeeplinkCollection, m_searchText, m_selectedScope,
        deeplinkFetchRequest(), m_openUrl, m_middleColumn);
    m_detailView->setSelectedDeeplink(m_selectedDeeplink);
    connect(m_detailView, &DeeplinkCollectionDetailView::selectedDeeplinkChanged, this,
            &ColumSplitView::setSelectedDeeplink);
    connect(m_detailView, &DeeplinkCollectionDetailView::titleChanged, this,
            &ColumSplitView::updateTitle);
    m_middleColumn->addWidget(m_detailView);
    m_middleColumn->setCurrentWidget(m_detailView);
}

void ColumSplitView::rebuildDeeplinkEditor() {
    if (m_deeplinkEditor) {
        m_rightColumn->removeWidget(m_deeplinkEditor);
        delete m_deeplinkEditor;
    }
    if (!m_selectedDeeplink) {
        m_rightColumn->setCurrentWidget(m_rightPlaceholder);
        return;
    }
    m_deeplinkEditor = new DeeplinkDetailView(m_selectedDeeplink, m_rightColumn);
    m_rightColumn->addWidget(m_deeplinkEditor);
    m_rightColumn->setCurrentWidget(m_deeplinkEditor);
}

void ColumSplitView::updateTitle() {
    const QString title = m_detailView ? m_detailView->title() : QStringLiteral("Kestrine");
    if (QWidget* top = window())
        top->setWindowTitle(title);
    Q_EMIT titleChanged(title);
}

void ColumSplitView::objectChanged(ManagedObject* object, ManagedObjectContext::Change change) {
    if (change != ManagedObjectContext::Change::Deleted)
        return;
    // Whatever deleted it, a deleted object is no longer selected.
    if (object == m_selectedDeeplink)
        setSelectedDeeplink(nullptr);
    if (object == m_selectedDeeplinkCollection)
        setSelectedDeeplinkCollection(nullptr);
}

void ColumSplitView::restoreColumns() {
    const QByteArray state = AppSettings::standard()->value(columnStateKey).toByteArray();
    if (!state.isEmpty())
        restoreState(state);
}

void ColumSplitView::saveColumns() const {
    AppSettings::standard()->setValue(columnStateKey, saveState());
}
