#pragma once

#include "destinations/Device.h"
#include "widgets/Binding.h"
#include "widgets/PickerListPanel.h"

#include <QPointer>

#include <optional>

class AppListModel;
class BundleIdManager;

// QWidget (a PickerListPanel over a QListView) of the app picker's searchable list: a "Select App"
// header, a search field (focused when shown), the apps with the chosen one checked, and a Refresh
// footer. Clicking a row, or Return on the highlighted one, chooses that app and closes the pop-up;
// the arrow keys move the highlight also while typing in the search field.
class AppListView : public PickerListPanel {
    Q_OBJECT
public:
    AppListView(BundleIdManager& manager, Device device, Binding<std::optional<QString>> selection,
                Binding<bool> showingPopover, QWidget* parent = nullptr);

    [[nodiscard]] AppListModel* model() const { return m_model; }

    // Chooses the app of `row`, as a click on it does.
    void choose(int row);

private:
    void syncSelectionFromManager();
    void highlight(const std::optional<QString>& bundleIdentifier);

    QPointer<BundleIdManager> m_manager;
    Device m_device;
    Binding<std::optional<QString>> m_selection;
    Binding<bool> m_showingPopover;
    AppListModel* m_model;
};
