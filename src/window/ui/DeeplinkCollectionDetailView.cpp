#include "window/ui/DeeplinkCollectionDetailView.h"

#include "execution/TimerRunClock.h"
#include "platform/SymbolImage.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/FetchedResultsModel.h"
#include "store/ManagedObjectContext.h"
#include "widgets/AccessoryBarButton.h"
#include "widgets/PlaceholderView.h"
#include "widgets/TextStyle.h"
#include "window/ModelChanges.h"
#include "window/WindowState.h"
#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/AutomatedRunControls.h"
#include "window/ui/DeeplinkRowView.h"
#include "window/ui/Firing.h"
#include "window/ui/QrCodeDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The name of `collection`'s active environment; empty for none, and for a name no environment
// has any more (one removed by another process).
QString activeEnvironment(const DeeplinkCollection* collection) {
    if (!collection ||
        !Environment::named(collection->environments(), collection->activeEnvironment()))
        return {};
    return collection->activeEnvironment();
}

} // namespace

DeeplinkCollectionDetailView::DeeplinkCollectionDetailView(
    ManagedObjectContext* context, DeeplinkCollection* collection, const QString& searchText,
    SearchRootScope scope, FetchRequest request, OpenUrlAction openUrl, QWidget* parent,
    std::unique_ptr<RunClock> clock)
    : QWidget(parent)
    , m_context(context)
    , m_collection(collection)
    , m_openUrl(std::move(openUrl))
    , m_searchText(searchText)
    , m_selectedScope(scope) {
    setAccessibleName(tr("Deeplinks"));
    m_model = new FetchedResultsModel(context, std::move(request), this);
    if (!clock)
        clock = std::make_unique<TimerRunClock>();
    // The run walks the list as it stands at each step, search and deletions included.
    m_run = new AutomatedRun(
        std::move(clock),
        [this] {
            QList<Deeplink*> deeplinks;
            for (ManagedObject* object : m_model->fetchedObjects())
                deeplinks.append(static_cast<Deeplink*>(object));
            return deeplinks;
        },
        [this](const FiringRequest& request, FiringDone done) {
            Firing::fireWith(m_openUrl, request.url, request.title, m_collection, m_runValues,
                             std::move(done));
        },
        this);
    // The prompt comes once, before the run, for every deeplink's missing variables.
    m_run->setStartCheck([this](const QList<Deeplink*>& deeplinks) {
        QStringList texts;
        for (const Deeplink* deeplink : deeplinks)
            texts.append(deeplink->urlString());
        const QPointer<DeeplinkCollectionDetailView> self(this);
        const std::optional<QList<Variable>> typed = Firing::askForAll(this, texts, m_collection);
        if (!self || !typed)
            return false;
        m_runValues = *typed;
        return true;
    });
    connect(m_run, &AutomatedRun::deeplinkReached, this, &DeeplinkCollectionDetailView::runReached);
    connect(qApp, &QGuiApplication::applicationStateChanged, m_run,
            [this](Qt::ApplicationState state) {
                m_run->setScenePhase(ScenePhases::fromApplicationState(state));
            });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildHeader();
    buildContent();

    if (m_collection) {
        connect(m_collection, &ManagedObject::changed, this,
                &DeeplinkCollectionDetailView::refreshCollection);
    }
    refreshCollection();
    updateContent();
}

DeeplinkCollectionDetailView::~DeeplinkCollectionDetailView() {
    m_run->stop();
    // Going away commits what was done here, once the change that removed this view is
    // complete.
    if (m_context)
        m_context->saveLater();
}

void DeeplinkCollectionDetailView::buildHeader() {
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("detailHeader"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(16, 10, 10, 10);
    row->setSpacing(8);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    m_titleLabel = new QLabel(header);
    m_titleLabel->setObjectName(QStringLiteral("detailTitle"));
    QFont titleFont = TextStyle::font(TextStyle::Style::Body);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    titleFont.setWeight(QFont::Bold);
    m_titleLabel->setFont(titleFont);
    m_titleLabel->setTextFormat(Qt::PlainText);
    m_subtitleLabel = new QLabel(header);
    m_subtitleLabel->setObjectName(QStringLiteral("detailSubtitle"));
    m_subtitleLabel->setFont(TextStyle::font(TextStyle::Style::Callout));
    QPalette secondary = m_subtitleLabel->palette();
    secondary.setColor(QPalette::WindowText, TextStyle::secondary(palette()));
    m_subtitleLabel->setPalette(secondary);
    titles->addWidget(m_titleLabel);
    titles->addWidget(m_subtitleLabel);
    row->addLayout(titles, 1);

    // Drawn like the toolbar's pickers: the name and a chevron.
    auto* pickerLabel = new QWidget;
    auto* pickerRow = new QHBoxLayout(pickerLabel);
    pickerRow->setContentsMargins(0, 0, 0, 0);
    pickerRow->setSpacing(4);
    m_environmentTitle = new QLabel(pickerLabel);
    m_environmentTitle->setTextFormat(Qt::PlainText);
    m_environmentTitle->setFont(TextStyle::font(TextStyle::Style::Callout));
    auto* chevron = new QLabel(pickerLabel);
    chevron->setPixmap(
        SymbolImage::pixmap(QStringLiteral("chevron.down"),
                            QFontMetrics(TextStyle::font(TextStyle::Style::Caption2)).ascent(),
                            TextStyle::secondary(palette()), devicePixelRatioF()));
    pickerRow->addWidget(m_environmentTitle);
    pickerRow->addWidget(chevron);
    m_environmentPicker = new AccessoryBarButton(pickerLabel, header);
    m_environmentPicker->setObjectName(QStringLiteral("environmentPicker"));
    m_environmentPicker->setToolTip(tr("The environment whose values fill the placeholders"));
    m_environmentPicker->setAccessibleDescription(m_environmentPicker->toolTip());
    m_environmentMenu = new QMenu(m_environmentPicker);
    m_environmentMenu->setObjectName(QStringLiteral("environmentMenu"));
    connect(m_environmentMenu, &QMenu::aboutToShow, this,
            &DeeplinkCollectionDetailView::fillEnvironmentMenu);
    // Popped up by hand: a QToolButton's own menu adds an arrow of the style's beside the chevron.
    connect(m_environmentPicker, &QToolButton::clicked, this, [this] {
        m_environmentMenu->popup(
            m_environmentPicker->mapToGlobal(QPoint(0, m_environmentPicker->height())));
    });
    row->addWidget(m_environmentPicker, 0, Qt::AlignVCenter);

    auto* toolBar = new QToolBar(header);
    toolBar->setObjectName(QStringLiteral("detailToolBar"));
    toolBar->setIconSize(QSize(18, 18));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->setAccessibleName(tr("Collection actions"));
    m_runControls = new AutomatedRunControls(m_run, this);
    row->addWidget(m_runControls->statusLabel(), 0, Qt::AlignVCenter);
    toolBar->addWidget(m_runControls->button());
    toolBar->addSeparator();

    m_pinAction =
        toolBar->addAction(SymbolImage::icon(QStringLiteral("pin")), QStringLiteral("Pin"));
    m_pinAction->setCheckable(true);
    m_pinAction->setToolTip(QStringLiteral("Pin this collection"));
    connect(m_pinAction, &QAction::toggled, this, [this](bool checked) {
        if (m_collection)
            m_collection->setIsPinned(checked);
    });

    m_addDeeplinkAction = toolBar->addAction(SymbolImage::icon(QStringLiteral("plus")),
                                             QStringLiteral("Add Deeplink"));
    m_addDeeplinkAction->setObjectName(QStringLiteral("addDeeplink"));
    m_addDeeplinkAction->setToolTip(QStringLiteral("Add a new deeplink"));
    connect(m_addDeeplinkAction, &QAction::triggered, this,
            &DeeplinkCollectionDetailView::addDeeplink);

    m_exportAction = toolBar->addAction(SymbolImage::icon(QStringLiteral("square.and.arrow.up")),
                                        QStringLiteral("Export"));
    m_exportAction->setToolTip(QStringLiteral("Export this collection"));
    connect(m_exportAction, &QAction::triggered, this,
            &DeeplinkCollectionDetailView::showExportDialog);

    for (QAction* action : toolBar->actions()) {
        if (auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(action))) {
            button->setAccessibleName(action->text());
            // A toolbar's buttons take no focus by default; these are the only way to them.
            button->setFocusPolicy(Qt::TabFocus);
        }
    }
    row->addWidget(toolBar, 0, Qt::AlignVCenter);
    layout()->addWidget(header);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setObjectName(QStringLiteral("detailDivider"));
    QPalette line = divider->palette();
    line.setColor(QPalette::WindowText, TextStyle::separator(palette()));
    divider->setPalette(line);
    layout()->addWidget(divider);
}

void DeeplinkCollectionDetailView::runReached(Deeplink* deeplink) {
    setSelectedDeeplink(deeplink);
    Q_EMIT selectedDeeplinkChanged(deeplink);
}

void DeeplinkCollectionDetailView::buildContent() {
    m_content = new QStackedWidget(this);
    m_content->setObjectName(QStringLiteral("detailContent"));
    // One surface under the list and its empty states, so switching between them does not flash.
    m_content->setAutoFillBackground(true);
    m_content->setBackgroundRole(QPalette::Base);

    m_list = new QListView(m_content);
    m_list->setObjectName(QStringLiteral("deeplinkList"));
    m_list->setAccessibleName(tr("Deeplinks"));
    m_list->setModel(m_model);
    auto* rows = new DeeplinkRowView(m_list);
    rows->setOutcomes([this](const Deeplink* deeplink) { return m_run->outcome(deeplink); });
    m_model->setAccessibleText(
        [rows](const QModelIndex& index) { return rows->accessibleTextWithOutcome(index); });
    connect(m_run, &AutomatedRun::outcomeChanged, m_list->viewport(),
            qOverload<>(&QWidget::update));
    // A row's link fires at the selected destination like "Execute", not through the desktop.
    connect(rows, &DeeplinkRowView::linkClicked, this, &DeeplinkCollectionDetailView::execute);
    m_list->setItemDelegate(rows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setAlternatingRowColors(false);
    m_list->setSpacing(0);
    m_list->setMouseTracking(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_content->addWidget(m_list);

    m_emptyState = new PlaceholderView(QStringLiteral("externaldrive.badge.exclamationmark"),
                                       QStringLiteral("No deeplink in this collection"), m_content);
    m_emptyState->setObjectName(QStringLiteral("emptyCollection"));
    QPushButton* add =
        m_emptyState->addButton(QStringLiteral("plus.circle"), QStringLiteral("Add Deeplink"));
    connect(add, &QPushButton::clicked, this, &DeeplinkCollectionDetailView::addDeeplink);
    m_content->addWidget(m_emptyState);

    m_noResult = new PlaceholderView(QString(), QString(), m_content);
    m_noResult->setObjectName(QStringLiteral("deeplinksNotFound"));
    m_content->addWidget(m_noResult);
    layout()->addWidget(m_content);

    connect(m_list, &QWidget::customContextMenuRequested, this,
            &DeeplinkCollectionDetailView::showContextMenu);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DeeplinkCollectionDetailView::userSelectionChanged);
    const auto hush = [this] { ++m_quiet; };
    const auto settle = [this] {
        --m_quiet;
        updateContent();
        showSelection();
    };
    ModelChanges::bracket(m_model, this, hush, settle);
    // A changed title or URL can change a row's height.
    connect(m_model, &QAbstractItemModel::dataChanged, m_list, &QListView::doItemsLayout);
}

QString DeeplinkCollectionDetailView::subtitle() const {
    const qint64 count = m_collection ? m_collection->deeplinksCount() : 0;
    return QLocale().toString(count) + QStringLiteral(" Deeplinks");
}

void DeeplinkCollectionDetailView::refreshCollection() {
    m_titleLabel->setText(WindowState::title(m_collection));
    m_subtitleLabel->setText(subtitle());
    {
        const QSignalBlocker blocker(m_pinAction);
        m_pinAction->setChecked(m_collection && m_collection->isPinned());
    }
    m_pinAction->setEnabled(m_collection != nullptr);
    m_addDeeplinkAction->setEnabled(m_collection != nullptr);
    m_exportAction->setEnabled(m_collection != nullptr);

    const QString active = activeEnvironment(m_collection);
    const QString shown = active.isEmpty() ? tr("No Environment") : active;
    if (shown != m_environmentTitle->text()) {
        m_environmentTitle->setText(shown);
        // The header makes room for the new width only when the button tells it.
        m_environmentPicker->updateGeometry();
    }
    m_environmentPicker->setAccessibleName(tr("Environment: %1").arg(shown));
    m_environmentPicker->setEnabled(m_collection != nullptr);
}

QString DeeplinkCollectionDetailView::environmentTitle() const {
    return m_environmentTitle->text();
}

void DeeplinkCollectionDetailView::fillEnvironmentMenu() {
    QMenu* menu = m_environmentMenu;
    menu->clear();
    if (!m_collection)
        return;
    auto* group = new QActionGroup(menu);
    const auto addChoice = [&](const QString& text, const QString& name) {
        // An "&" in a name is text, not a mnemonic.
        QAction* choice =
            menu->addAction(QString(text).replace(QLatin1Char('&'), QStringLiteral("&&")));
        choice->setCheckable(true);
        choice->setChecked(name == activeEnvironment(m_collection));
        group->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, name] { chooseEnvironment(name); });
    };
    addChoice(tr("No Environment"), QString());
    for (const Environment& environment : m_collection->environments())
        addChoice(environment.name, environment.name);
    menu->addSeparator();
    QAction* edit = menu->addAction(
        m_collection->environments().isEmpty() ? tr("Add Environment…") : tr("Edit Environments…"));
    connect(edit, &QAction::triggered, this, [this] {
        if (m_collection) {
            AddDeeplinkCollectionView::openEditor(m_context, m_collection, window())
                ->showEnvironments();
        }
    });
}

void DeeplinkCollectionDetailView::chooseEnvironment(const QString& name) {
    if (!m_collection || !m_context)
        return;
    m_collection->setActiveEnvironment(name);
    // Remembered at once: the choice is not an edit waiting for a save point.
    (void)m_context->save();
}

void DeeplinkCollectionDetailView::setSearch(const QString& searchText, SearchRootScope scope,
                                             FetchRequest request) {
    m_searchText = searchText;
    m_selectedScope = scope;
    m_model->setFetchRequest(std::move(request));
    updateContent();
}

void DeeplinkCollectionDetailView::updateContent() {
    if (!m_model->isEmpty()) {
        m_content->setCurrentWidget(m_list);
        return;
    }
    // The collection scope searches collections, not deeplinks: its text says nothing about
    // this list, so an empty collection shows its empty state then.
    if (m_searchText.isEmpty() || m_selectedScope.isCollection()) {
        m_content->setCurrentWidget(m_emptyState);
        return;
    }
    m_noResult->setText(QStringLiteral("No Result found for ") + m_searchText);
    m_content->setCurrentWidget(m_noResult);
}

void DeeplinkCollectionDetailView::setSelectedDeeplink(Deeplink* deeplink) {
    m_selectedDeeplink = deeplink;
    showSelection();
}

void DeeplinkCollectionDetailView::showSelection() {
    if (m_quiet > 0)
        return;
    ++m_quiet;
    const QModelIndex index =
        m_selectedDeeplink ? m_model->indexOf(m_selectedDeeplink) : QModelIndex();
    if (index.isValid()) {
        m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_list->scrollTo(index);
    } else {
        m_list->selectionModel()->clearSelection();
    }
    --m_quiet;
}

void DeeplinkCollectionDetailView::userSelectionChanged() {
    if (m_quiet > 0)
        return;
    const QModelIndexList rows = m_list->selectionModel()->selectedIndexes();
    Deeplink* deeplink = nullptr;
    if (!rows.isEmpty())
        deeplink = static_cast<Deeplink*>(m_model->object(rows.front()));
    if (deeplink == m_selectedDeeplink)
        return;
    m_selectedDeeplink = deeplink;
    Q_EMIT selectedDeeplinkChanged(deeplink);
}

void DeeplinkCollectionDetailView::addDeeplink() {
    addDeeplinkWithUrl(QStringLiteral("scheme://basepath/path?query=value"));
}

void DeeplinkCollectionDetailView::addDeeplinkWithUrl(const QString& url) {
    if (!m_context || !m_collection)
        return;
    Deeplink* deeplink = m_context->insertDeeplink();
    deeplink->setTitle(Deeplink::newTitle());
    deeplink->setUrlString(url);
    m_collection->addDeeplink(deeplink);
    m_selectedDeeplink = deeplink;
    showSelection();
    Q_EMIT selectedDeeplinkChanged(deeplink);
}

void DeeplinkCollectionDetailView::execute(Deeplink* deeplink) {
    if (!deeplink || !m_openUrl || (m_mayFire && !m_mayFire(deeplink)))
        return;
    // Copies: the deeplink may go while the prompt is up.
    if (const QString url = deeplink->urlString(); !url.isEmpty())
        Firing::fire(this, m_openUrl, url, deeplink->title(), deeplink->deeplinkCollection());
}

std::unique_ptr<QMenu> DeeplinkCollectionDetailView::createContextMenu(const QModelIndex& index) {
    auto* deeplink = static_cast<Deeplink*>(m_model->object(index));
    if (!deeplink)
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    QAction* execute =
        menu->addAction(SymbolImage::icon(QStringLiteral("globe")), QStringLiteral("Execute"));
    QPointer<Deeplink> target(deeplink);
    connect(execute, &QAction::triggered, this, [this, target] { this->execute(target); });
    QAction* showQrCode = menu->addAction(tr("Show QR Code"));
    showQrCode->setEnabled(!deeplink->urlString().isEmpty());
    connect(showQrCode, &QAction::triggered, this,
            [this, target] { Firing::withUrlFor(window(), target, &QrCodeDialog::showFor); });
    QAction* copyCommand = menu->addAction(QStringLiteral("Copy Command"));
    copyCommand->setEnabled(!deeplink->urlString().isEmpty());
    connect(copyCommand, &QAction::triggered, this, [this, target] {
        Firing::withUrlFor(window(), target,
                           [this](const QString& url, QWidget*) { Q_EMIT commandRequested(url); });
    });
    return menu;
}

void DeeplinkCollectionDetailView::showContextMenu(const QPoint& position) {
    if (std::unique_ptr<QMenu> menu = createContextMenu(m_list->indexAt(position)))
        menu->exec(m_list->viewport()->mapToGlobal(position));
}

void DeeplinkCollectionDetailView::showExportDialog() {
    if (!m_collection || m_isExportShowing)
        return;
    m_isExportShowing = true;
    // The dialog runs its own event loop: this view may be gone when it returns.
    QPointer<DeeplinkCollectionDetailView> self(this);
    DeeplinkCollectionExporter::exportCollection(*m_collection, m_exportDialog);
    if (self)
        m_isExportShowing = false;
}
