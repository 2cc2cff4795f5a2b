#include "targetapps/AppListView.h"

#include "platform/SymbolImage.h"
#include "targetapps/AppListModel.h"
#include "targetapps/AppRowButton.h"
#include "targetapps/BundleIdManager.h"
#include "window/SearchField.h"
#include "window/TextStyle.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QToolButton>
#include <QVBoxLayout>

#include <QCoro/QCoroTask>

namespace {

constexpr int popoverWidth = 320;
constexpr int minimumListHeight = 300;

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

} // namespace

AppListView::AppListView(BundleIdManager& manager, Device device,
                         Binding<std::optional<QString>> selection, Binding<bool> showingPopover,
                         QWidget* parent)
    : QWidget(parent)
    , m_manager(&manager)
    , m_device(std::move(device))
    , m_selection(std::move(selection))
    , m_showingPopover(std::move(showingPopover))
    , m_model(new AppListModel(manager, this))
    , m_searchField(new SearchField(Binding<QString>(
          [this] { return m_searchText; }, [this](const QString& text) { setSearchText(text); })))
    , m_list(new QListView(this))
    , m_refresh(new QToolButton(this))
{
    setFixedWidth(popoverWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QLabel(QStringLiteral("Select App"), this);
    header->setFont(TextStyle::font(TextStyle::Style::Headline));
    header->setContentsMargins(12, 12, 12, 8);
    layout->addWidget(header);
    layout->addWidget(divider(this));

    m_searchField->setParent(this);
    m_searchField->setAccessibleName(QStringLiteral("Search apps"));
    auto* searchRow = new QVBoxLayout;
    searchRow->setContentsMargins(12, 8, 12, 8);
    searchRow->addWidget(m_searchField);
    layout->addLayout(searchRow);

    m_list->setModel(m_model);
    m_list->setItemDelegate(new AppRowButton(m_list));
    m_list->setMinimumHeight(minimumListHeight);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setUniformItemSizes(true);
    m_list->setMouseTracking(true);
    m_list->setAccessibleName(QStringLiteral("Apps"));
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setAutoFillBackground(false);
    layout->addWidget(m_list, 1);
    layout->addWidget(divider(this));

    m_refresh->setText(QStringLiteral("Refresh"));
    m_refresh->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_refresh->setAutoRaise(true);
    m_refresh->setFont(TextStyle::font(TextStyle::Style::Caption));
    m_refresh->setAccessibleName(QStringLiteral("Refresh apps"));
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(8, 8, 8, 8);
    footer->addWidget(m_refresh);
    footer->addStretch();
    layout->addLayout(footer);
    refresh();

    connect(m_list, &QListView::clicked, this,
            [this](const QModelIndex& index) { choose(index.row()); });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                const QString id = current.data(AppListModel::BundleIdentifierRole).toString();
                if (!id.isEmpty())
                    m_selection.set(id);
            });
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { highlight(m_selection.get()); });
    connect(&manager, &BundleIdManager::selectedAppChanged, this,
            &AppListView::syncSelectionFromManager);
    connect(m_refresh, &QToolButton::clicked, this, [this] {
        QPointer<BundleIdManager> manager = m_manager;
        if (!manager)
            return;
        manager->setLoadedDeviceId(std::nullopt);
        QCoro::connect(manager->fetchApps(m_device), manager.data(), [] {});
    });
    m_searchField->installEventFilter(this);
    m_list->installEventFilter(this);
    syncSelectionFromManager();
}

void AppListView::refresh()
{
    const QColor accent = palette().color(QPalette::Highlight);
    m_refresh->setIcon(SymbolImage::icon(QStringLiteral("arrow.clockwise"), accent));
    const int size = QFontMetrics(m_refresh->font()).height();
    m_refresh->setIconSize(QSize(size, size));
    QPalette palette = m_refresh->palette();
    palette.setColor(QPalette::ButtonText, accent);
    m_refresh->setPalette(palette);
}

void AppListView::setSearchText(const QString& text)
{
    m_searchText = text;
    m_model->setSearchText(text);
}

void AppListView::syncSelectionFromManager()
{
    std::optional<QString> id;
    if (m_manager && m_manager->selectedApp())
        id = m_manager->selectedApp()->bundleIdentifier();
    m_selection.set(id);
    highlight(id);
}

void AppListView::highlight(const std::optional<QString>& bundleIdentifier)
{
    const int row = bundleIdentifier ? m_model->rowOf(*bundleIdentifier) : -1;
    if (row < 0) {
        m_list->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void AppListView::choose(int row)
{
    const InstalledApp* app = m_model->appAt(row);
    if (!app || !m_manager)
        return;
    const InstalledApp chosen = *app; // selectApp may change the list under the pointer
    m_selection.set(chosen.bundleIdentifier());
    m_manager->selectApp(chosen);
    m_showingPopover.set(false);
}

void AppListView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_searchField->setFocus(Qt::PopupFocusReason);
}

bool AppListView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_list->currentIndex().isValid()) {
            choose(m_list->currentIndex().row());
            return true;
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (watched == m_searchField) {
            // Typing stays in the field while the arrows walk the list.
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(m_list, &copy);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
