#pragma once

#include "widgets/Binding.h"
#include "widgets/PickerListPanel.h"

#include <QPointer>

#include <optional>

class DeviceListModel;
class RunDestinationManager;

// QWidget (a PickerListPanel over a QListView) of the destination picker's searchable, sectioned
// list: a "Select Device" header, a search field (focused when shown), the destinations grouped by
// platform, and a Refresh footer. Moving the highlight (arrow keys) makes that destination the
// selected one and keeps the pop-up open; clicking a row, or Return, chooses it and closes the
// pop-up. A tool that failed to list its destinations has a row with a Retry button, which
// fetches them all again.
class DeviceListView : public PickerListPanel {
    Q_OBJECT
public:
    DeviceListView(RunDestinationManager& manager, Binding<std::optional<QString>> selection,
                   Binding<bool> showingPopover, QWidget* parent = nullptr);

    [[nodiscard]] DeviceListModel* model() const { return m_model; }

    // Chooses the destination of `row`, as a click on it does.
    void choose(int row);

    // Fetches the destinations again when an Xcode location is known; otherwise nothing.
    static void refresh(RunDestinationManager* manager);

private:
    void selectionChanged(const std::optional<QString>& id);
    void highlight(const std::optional<QString>& id);
    void addRetryButtons();

    QPointer<RunDestinationManager> m_manager;
    Binding<std::optional<QString>> m_selection;
    Binding<bool> m_showingPopover;
    DeviceListModel* m_model;
};
