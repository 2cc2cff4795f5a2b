#include "destinations/ui/DeviceListView.h"

#include "destinations/DeviceListModel.h"
#include "destinations/RunDestinationManager.h"
#include "destinations/ui/DeviceRowButton.h"
#include "widgets/SearchField.h"

#include <QHBoxLayout>
#include <QListView>
#include <QToolButton>

#include <QCoro/QCoroTask>

namespace {

constexpr int minimumListHeight = 400;

} // namespace

DeviceListView::DeviceListView(RunDestinationManager& manager,
                               Binding<std::optional<QString>> selection,
                               Binding<bool> showingPopover, QWidget* parent)
    : PickerListPanel(QStringLiteral("Select Device"), minimumListHeight, parent)
    , m_manager(&manager)
    , m_selection(std::move(selection))
    , m_showingPopover(std::move(showingPopover))
    , m_model(new DeviceListModel(manager, this)) {
    searchField()->setAccessibleName(QStringLiteral("Search devices"));
    list()->setModel(m_model);
    list()->setItemDelegate(new DeviceRowButton(list()));
    list()->setAccessibleName(QStringLiteral("Devices"));
    refreshButton()->setAccessibleName(QStringLiteral("Refresh devices"));
    connect(refreshButton(), &QToolButton::clicked, this, [this] { refresh(m_manager); });
    connect(this, &PickerListPanel::rowChosen, this, &DeviceListView::choose);
    connect(this, &PickerListPanel::searchTextChanged, m_model, &DeviceListModel::setSearchText);
    connect(list()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                const QString id = current.data(DeviceListModel::DeviceIdRole).toString();
                if (!id.isEmpty() && m_selection.get() != id) {
                    m_selection.set(id);
                    selectionChanged(id);
                }
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        addRetryButtons();
        highlight(m_selection.get());
    });
    addRetryButtons();
    // After the first display, the list follows the manager's selection.
    connect(&manager, &RunDestinationManager::selectedDeviceChanged, this, [this] {
        const std::optional<Device> device = m_manager->selectedDevice();
        const std::optional<QString> id =
            device ? std::optional<QString>(device->id) : std::nullopt;
        m_selection.set(id);
        highlight(id);
    });
    // Start the keyboard at the current destination rather than at the top of the list.
    std::optional<QString> initial = m_selection.get();
    if (!initial && manager.selectedDevice())
        initial = manager.selectedDevice()->id;
    m_selection.set(initial);
    highlight(initial);
}

void DeviceListView::refresh(RunDestinationManager* manager) {
    // Without Xcode (an empty URL) there is still adb to ask.
    if (!manager)
        return;
    QCoro::connect(manager->fetchDevices(manager->xcodeURL()), manager, [] {});
}

void DeviceListView::addRetryButtons() {
    // A reset drops the list's index widgets: each failure row gets its button anew.
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row);
        if (DeviceListModel::RowKind(index.data(DeviceListModel::RowKindRole).toInt()) !=
            DeviceListModel::RowKind::SourceFailure)
            continue;
        // Over the row's end only: the delegate draws the rest of it.
        auto* cell = new QWidget;
        auto* layout = new QHBoxLayout(cell);
        layout->setContentsMargins(0, 0, DeviceRowButton::retryButtonInset, 0);
        layout->addStretch();
        auto* retry = new QToolButton(cell);
        retry->setText(QStringLiteral("Retry"));
        retry->setAccessibleName(
            QStringLiteral("Retry %1").arg(index.data(DeviceListModel::ToolRole).toString()));
        retry->setFixedWidth(DeviceRowButton::retryButtonWidth(retry->font()));
        layout->addWidget(retry);
        connect(retry, &QToolButton::clicked, this, [this] { refresh(m_manager); });
        list()->setIndexWidget(index, cell);
    }
}

void DeviceListView::selectionChanged(const std::optional<QString>& id) {
    if (!id || !m_manager)
        return;
    for (const Device& device : m_model->filteredDevices()) {
        if (device.id == *id) {
            if (isUsable(device))
                m_manager->selectDevice(device);
            return;
        }
    }
}

void DeviceListView::highlight(const std::optional<QString>& id) {
    const int row = id ? m_model->rowOf(*id) : -1;
    if (row < 0) {
        list()->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row);
    if (list()->currentIndex() != index)
        list()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    list()->scrollTo(index);
}

void DeviceListView::choose(int row) {
    const Device* found = m_model->deviceAt(row);
    if (!found || !isUsable(*found) || !m_manager)
        return;
    const Device device = *found; // selecting may rebuild the rows
    m_selection.set(device.id);
    const std::optional<Device> current = m_manager->selectedDevice();
    // The highlight that came with the click may have selected it already.
    if (!current || *current != device)
        m_manager->selectDevice(device);
    m_showingPopover.set(false);
}
