#include "window/ui/ColumSplitView.h"

#include "platform/AppSettings.h"
#include "store/FetchedResultsModel.h"
#include "widgets/PlaceholderView.h"
#include "widgets/TextStyle.h"
#include "window/ui/DeeplinkCollectionDetailView.h"
#include "window/ui/DeeplinkDetailView.h"
#include "window/ui/RootSearchField.h"
#include "window/ui/SideBarView.h"

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
        QPainter(this).fillRect(rect(), TextStyle::separator(palette()));
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
    , m_openUrl(std::move(openUrl))
    , m_state(new WindowState(context, this)) {
    setObjectName(QStringLiteral("columSplitView"));
    setChildrenCollapsible(false);
    setHandleWidth(1);

    // Sidebar: the collection list, or the no-result message of a collection search.
    m_sidebarColumn = column(this, tr("Collections column"));
    m_sidebarColumn->setMinimumWidth(sidebarMinimumWidth);
    m_sidebarColumn->setMaximumWidth(sidebarMaximumWidth);
    m_sideBar = new SideBarView(m_state->sectionedCollection(), context, m_sidebarColumn);
    m_sidebarColumn->addWidget(m_sideBar);
    m_noResult = new PlaceholderView(QStringLiteral("binoculars.fill"), QString(), m_sidebarColumn);
    m_noResult->setObjectName(QStringLiteral("collectionsNotFound"));
    m_sidebarColumn->addWidget(m_noResult);
    addWidget(m_sidebarColumn);

    m_middleColumn = column(this, tr("Deeplinks column"));
    m_middleColumn->setObjectName(QStringLiteral("middleColumn"));
    m_middleColumn->setMinimumWidth(middleMinimumWidth);
    m_middlePlaceholder =
        new PlaceholderView(QStringLiteral("list.dash"),
                            QStringLiteral("Select a deeplink collection"), m_middleColumn);
    m_middleColumn->addWidget(m_middlePlaceholder);
    addWidget(m_middleColumn);

    m_rightColumn = column(this, tr("Deeplink column"));
    m_rightColumn->setObjectName(QStringLiteral("rightColumn"));
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

    m_searchField = new RootSearchField(
        Binding<QString>::property(m_state, &WindowState::searchText, &WindowState::setSearchText),
        Binding<SearchRootScope>::property(m_state, &WindowState::selectedScope,
                                           &WindowState::setSelectedScope));
    connect(m_state, &WindowState::searchTextChanged, m_searchField, &RootSearchField::refresh);
    connect(m_state, &WindowState::selectedScopeChanged, m_searchField, &RootSearchField::refresh);

    connect(m_sideBar, &SideBarView::selectedDeeplinkCollectionChanged, this,
            &ColumSplitView::setSelectedDeeplinkCollection);
    connect(m_state, &WindowState::selectedDeeplinkCollectionChanged, this,
            &ColumSplitView::rebuildDetailView);
    connect(m_state, &WindowState::selectedDeeplinkChanged, this,
            &ColumSplitView::showSelectedDeeplink);
    const auto searchChanged = [this] {
        updateSidebarColumn();
        updateDetailSearch();
    };
    connect(m_state, &WindowState::searchTextChanged, this, searchChanged);
    connect(m_state, &WindowState::selectedScopeChanged, this, searchChanged);
    FetchedResultsModel* collections = m_state->sectionedCollection();
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(collections, changed, this, &ColumSplitView::updateSidebarColumn);
    connect(collections, &QAbstractItemModel::modelReset, this,
            &ColumSplitView::updateSidebarColumn);
    connect(m_state, &WindowState::titleChanged, this, &ColumSplitView::updateTitle);
    updateTitle();
}

ColumSplitView::~ColumSplitView() {
    saveColumns();
    // The field sits in the window toolbar, outside this widget's children.
    delete m_searchField;
    // The detail view saves as it goes; it must go while the context and selections live.
    delete m_detailView;
}

void ColumSplitView::setSelectedDeeplinkCollection(DeeplinkCollection* collection) {
    m_sideBar->setSelectedDeeplinkCollection(collection);
    m_state->setSelectedDeeplinkCollection(collection);
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
    if (m_state->collectionsNotFound()) {
        m_noResult->setText(QStringLiteral("Unable to find ") + m_state->searchText());
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
        m_detailView->setSearch(m_state->searchText(), m_state->selectedScope(),
                                m_state->deeplinkFetchRequest());
}

void ColumSplitView::rebuildDetailView() {
    // A collection dropped by the state (deleted) leaves the sidebar too.
    m_sideBar->setSelectedDeeplinkCollection(m_state->selectedDeeplinkCollection());
    if (m_detailView) {
        m_middleColumn->removeWidget(m_detailView);
        delete m_detailView;
    }
    DeeplinkCollection* collection = m_state->selectedDeeplinkCollection();
    if (!collection) {
        m_middleColumn->setCurrentWidget(m_middlePlaceholder);
        return;
    }
    m_detailView = new DeeplinkCollectionDetailView(
        m_context, collection, m_state->searchText(), m_state->selectedScope(),
        m_state->deeplinkFetchRequest(), m_openUrl, m_middleColumn);
    m_detailView->setSelectedDeeplink(m_state->selectedDeeplink());
    // While the editor's URL field holds text that is no URL, the stored URL is not what the
    // user sees: Execute fires nothing and takes the user to the field and its reason.
    m_detailView->setMayFire([this](const Deeplink* deeplink) {
        auto* editor = qobject_cast<DeeplinkDetailView*>(m_deeplinkEditor.data());
        if (!editor || editor->deeplink() != deeplink || editor->urlProblem().isEmpty())
            return true;
        editor->setFocusedReminder({Focusable::Kind::Url});
        return false;
    });
    connect(m_detailView, &DeeplinkCollectionDetailView::selectedDeeplinkChanged, m_state,
            &WindowState::setSelectedDeeplink);
    m_middleColumn->addWidget(m_detailView);
    m_middleColumn->setCurrentWidget(m_detailView);
}

void ColumSplitView::showSelectedDeeplink() {
    if (m_detailView)
        m_detailView->setSelectedDeeplink(m_state->selectedDeeplink());
    rebuildDeeplinkEditor();
}

void ColumSplitView::rebuildDeeplinkEditor() {
    if (m_deeplinkEditor) {
        m_rightColumn->removeWidget(m_deeplinkEditor);
        delete m_deeplinkEditor;
    }
    Deeplink* deeplink = m_state->selectedDeeplink();
    if (!deeplink) {
        m_rightColumn->setCurrentWidget(m_rightPlaceholder);
        return;
    }
    m_deeplinkEditor = new DeeplinkDetailView(deeplink, m_rightColumn);
    m_rightColumn->addWidget(m_deeplinkEditor);
    m_rightColumn->setCurrentWidget(m_deeplinkEditor);
}

void ColumSplitView::updateTitle() {
    if (QWidget* top = window())
        top->setWindowTitle(m_state->title());
}

void ColumSplitView::restoreColumns() {
    const QByteArray state = AppSettings::standard()->value(columnStateKey).toByteArray();
    if (!state.isEmpty())
        restoreState(state);
}

void ColumSplitView::saveColumns() const {
    AppSettings::standard()->setValue(columnStateKey, saveState());
}
