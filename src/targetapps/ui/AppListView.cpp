#include "targetapps/ui/AppListView.h"

#include "targetapps/AppListModel.h"
#include "targetapps/BundleIdManager.h"
#include "targetapps/ui/AppRowButton.h"
#include "widgets/SearchField.h"

#include <QListView>
#include <QToolButton>

#include <QCoro/QCoroTask>

namespace {

constexpr int minimumListHeight = 300;

} // namespace

AppListView::AppListView(BundleIdManager& manager, Device device,
                         Binding<std::optional<QString>> selection, Binding<bool> showingPopover,
                         QWidget* parent)
    : PickerListPanel(QStringLiteral("Select App"), minimumListHeight, parent)
    , m_manager(&manager)
    , m_device(std::move(device))
    , m_selection(std::move(selection))
    , m_showingPopover(std::move(showingPopover))
    , m_model(new AppListModel(manager, this)) {
    searchField()->setAccessibleName(QStringLiteral("Search apps"));
    list()->setModel(m_model);
    list()->setItemDelegate(new AppRowButton(list()));
    list()->setUniformItemSizes(true);
    list()->setAccessibleName(QStringLiteral("Apps"));
    refreshButton()->setAccessibleName(QStringLiteral("Refresh apps"));
    connect(this, &PickerListPanel::rowChosen, this, &AppListView::choose);
    connect(this, &PickerListPanel::searchTextChanged, m_model, &AppListModel::setSearchText);
    connect(list()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                // Any App's identifier is empty; the no-match row has none.
                const QVariant id = current.data(AppListModel::BundleIdentifierRole);
                if (id.isValid())
                    m_selection.set(id.toString());
            });
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { highlight(m_selection.get()); });
    connect(&manager, &BundleIdManager::selectedAppChanged, this,
            &AppListView::syncSelectionFromManager);
    connect(refreshButton(), &QToolButton::clicked, this, [this] {
        QPointer<BundleIdManager> manager = m_manager;
        if (!manager)
            return;
        manager->setLoadedDeviceId(std::nullopt);
        QCoro::connect(manager->fetchApps(m_device), manager.data(), [] {});
    });
    syncSelectionFromManager();
}

void AppListView::syncSelectionFromManager() {
    std::optional<QString> id;
    if (m_manager && m_manager->selectedApp())
        id = m_manager->selectedApp()->bundleIdentifier();
    m_selection.set(id);
    highlight(id);
}

void AppListView::highlight(const std::optional<QString>& bundleIdentifier) {
    const int row = bundleIdentifier ? m_model->rowOf(*bundleIdentifier) : -1;
    if (row < 0) {
        list()->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row);
    list()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    list()->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void AppListView::choose(int row) {
    const InstalledApp* app = m_model->appAt(row);
    if (!app || !m_manager)
        return;
    const InstalledApp chosen = *app; // selectApp may change the list under the pointer
    m_selection.set(chosen.bundleIdentifier());
    m_manager->selectApp(chosen);
    m_showingPopover.set(false);
}
