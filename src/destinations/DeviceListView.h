#pragma once

#include "window/Binding.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class DeviceListModel;
class QListView;
class QToolButton;
class RunDestinationManager;
class SearchField;

// The destination picker's searchable, sectioned list: a "Select Device" header, a search field
// (focused when shown), the destinations grouped by platform, and a Refresh footer. Moving the
// highlight (arrow keys) makes that destination the selected one and keeps the pop-up open;
// clicking a row, or Return, chooses it and closes the pop-up.
class DeviceListView : public QWidget {
    Q_OBJECT
public:
    DeviceListView(RunDestinationManager& manager, Binding<std::optional<QString>> selection,
                   Binding<bool> showingPopover, QWidget* parent = nullptr);

    [[nodiscard]] SearchField* searchField() const { return m_searchField; }
    [[nodiscard]] QListView* list() const { return m_list; }
    [[nodiscard]] DeviceListModel* model() const { return m_model; }
    [[nodiscard]] QToolButton* refreshButton() const { return m_refresh; }

    // Chooses the destination of `row`, as a click on it does.
    void choose(int row);

    // Fetches the destinations again when an Xcode location is known; otherwise nothing.
    static void refresh(RunDestinationManager* manager);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setSearchText(const QString& text);
    void selectionChanged(const std::optional<QString>& id);
    void highlight(const std::optional<QString>& id);
    void styleRefreshButton();

    QPointer<RunDestinationManager> m_manager;
    Binding<std::optional<QString>> m_selection;
    Binding<bool> m_showingPopover;
    QString m_searchText;
    DeviceListModel* m_model;
    SearchField* m_searchField;
    QListView* m_list;
    QToolButton* m_refresh;
};
