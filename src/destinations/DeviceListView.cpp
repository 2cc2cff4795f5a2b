#include "destinations/DeviceListView.h"

#include "destinations/DeviceListModel.h"
#include "destinations/DeviceRowButton.h"
#include "destinations/RunDestinationManager.h"
#include "platform/SymbolImage.h"
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
constexpr int minimumListHeight = 400;

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

} // namespace

DeviceListView::DeviceListView(RunDestinationManager& manager,
                               Binding<std::optional<QString>> selection,
                               Binding<bool> showingPopover, QWidget* parent)
    : QWidget(parent)
    , m_manager(&manager)
    , m_selection(std::move(selection))
    , m_showingPopover(std::move(showingPopover))
    , m_model(new DeviceListModel(manager, this))
    , m_searchField(new SearchField(Binding<QString>(
          [this] { return m_searchText; }, [this](const QString& text) { setSearchText(text); })))
    , m_list(new QListView(this))
    , m_refresh(new QToolButton(this))
{
    setFixedWidth(popoverWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QLabel(QStringLiteral("Select Device"), this);
    header->setFont(TextStyle::font(TextStyle::Style::Headline));
    header->setContentsMargins(12, 12, 12, 8);
    layout->addWidget(header);
    layout->addWidget(divider(this));

    m_searchField->setParent(this);
    m_searchField->setAccessibleName(QStringLiteral("Search devices"));
    auto* searchRow = new QVBoxLayout;
    searchRow->setContentsMargins(12, 8, 12, 8);
    searchRow->addWidget(m_searchField);
    layout->addLayout(searchRow);

    m_list->setModel(m_model);
    m_list->setItemDelegate(new DeviceRowButton(m_list));
    m_list->setMinimumHeight(minimumListHeight);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setMouseTracking(true);
    m_list->setAccessibleName(QStringLiteral("Devices"));
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setAutoFillBackground(false);
    layout->addWidget(m_list, 1);
    layout->addWidget(divider(this));

    m_refresh->setText(QStringLiteral("Refresh"));
    m_refresh->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_refresh->setAutoRaise(true);
    m_refresh->setFont(TextStyle::font(TextStyle::Style::Caption));
    m_refresh->setAccessibleName(QStringLiteral("Refresh devices"));
    styleRefreshButton();
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(8, 8, 8, 8);
    footer->addWidget(m_refresh);
    footer->addStretch();
    layout->addLayout(footer);

    connect(m_refresh, &QToolButton::clicked, this, [this] { refresh(m_manager); });
    connect(m_list, &QListView::clicked, this,
            [this](const QModelIndex& index) { choose(index.row()); });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                const QString id = current.data(DeviceListModel::DeviceIdRole).toString();
                if (!id.isEmpty() && m_selection.get() != id) {
                    m_selection.set(id);
                    selectionChanged(id);
                }
            });
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { highlight(m_selection.get()); });
    // After the first display, the list follows the manager's selection.
    connect(&manager, &RunDestinationManager::selectedDeviceChanged, this, [this] {
        const std::optional<Device> device = m_manager->selectedDevice();
        const std::optional<QString> id =
            device ? std::optional<QString>(device->id) : std::nullopt;
        m_selection.set(id);
        highlight(id);
    });
    m_searchField->installEventFilter(this);
    m_list->installEventFilter(this);
    // Start the keyboard at the current destination rather than at the top of the list.
    std::optional<QString> initial = m_selection.get();
    if (!initial && manager.selectedDevice())
        initial = manager.selectedDevice()->id;
    m_selection.set(initial);
    highlight(initial);
}

void DeviceListView::styleRefreshButton()
{
    const QColor accent = palette().color(QPalette::Highlight);
    m_refresh->setIcon(SymbolImage::icon(QStringLiteral("arrow.clockwise"), accent));
    const int size = QFontMetrics(m_refresh->font()).height();
    m_refresh->setIconSize(QSize(size, size));
    QPalette palette = m_refresh->palette();
    palette.setColor(QPalette::ButtonText, accent);
    m_refresh->setPalette(palette);
}

void DeviceListView::refresh(RunDestinationManager* manager)
{
    if (!manager || manager->xcodeURL().isEmpty())
        return;
    QCoro::connect(manager->fetchDevices(manager->xcodeURL()), manager, [] {});
}

void DeviceListView::setSearchText(const QString& text)
{
    m_searchText = text;
    m_model->setSearchText(text);
}

void DeviceListView::selectionChanged(const std::optional<QString>& id)
{
    if (!id || !m_manager)
        return;
    for (const Device& device : m_model->filteredDevices()) {
        if (device.id == *id) {
            m_manager->selectDevice(device);
            return;
        }
    }
}

void DeviceListView::highlight(const std::optional<QString>& id)
{
    const int row = id ? m_model->rowOf(*id) : -1;
    if (row < 0) {
        m_list->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row);
    if (m_list->currentIndex() != index)
        m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollTo(index);
}

void DeviceListView::choose(int row)
{
    const Device* found = m_model->deviceAt(row);
    if (!found || !m_manager)
        return;
    const Device device = *found; // selecting may rebuild the rows
    m_selection.set(device.id);
    const std::optional<Device> current = m_manager->selectedDevice();
    // The highlight that came with the click may have selected it already.
    if (!current || *current != device)
        m_manager->selectDevice(device);
    m_showingPopover.set(false);
}

void DeviceListView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_searchField->setFocus(Qt::PopupFocusReason);
}

bool DeviceListView::eventFilter(QObject* watched, QEvent* event)
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
