#pragma once

#include "destinations/Device.h"
#include "window/Binding.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class AppListModel;
class BundleIdManager;
class QListView;
class QToolButton;
class SearchField;

// The app picker's searchable list: a "Select App" header, a search field (focused when shown),
// the apps with the chosen one checked, and a Refresh footer. Clicking a row, or Return on the
// highlighted one, chooses that app and closes the pop-up; the arrow keys move the highlight
// also while typing in the search field.
class AppListView : public QWidget {
    Q_OBJECT
public:
    AppListView(BundleIdManager& manager, Device device, Binding<std::optional<QString>> selection,
                Binding<bool> showingPopover, QWidget* parent = nullptr);

    [[nodiscard]] SearchField* searchField() const { return m_searchField; }
    [[nodiscard]] QListView* list() const { return m_list; }
    [[nodiscard]] AppListModel* model() const { return m_model; }
    [[nodiscard]] QToolButton* refreshButton() const { return m_refresh; }
    [[nodiscard]] const QString& searchText() const { return m_searchText; }

    // Chooses the app of `row`, as a click on it does.
    void choose(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setSearchText(const QString& text);
    void syncSelectionFromManager();
    void highlight(const std::optional<QString>& bundleIdentifier);
    void refresh();

    QPointer<BundleIdManager> m_manager;
    Device m_device;
    Binding<std::optional<QString>> m_selection;
    Binding<bool> m_showingPopover;
    QString m_searchText;
    AppListModel* m_model;
    SearchField* m_searchField;
    QListView* m_list;
    QToolButton* m_refresh;
};
