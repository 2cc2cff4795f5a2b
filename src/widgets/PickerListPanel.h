#pragma once

#include <QWidget>

class QListView;
class QToolButton;
class SearchField;

// The body the toolbar pickers' pop-ups share: a headline, a search field (focused when shown),
// the list of rows and a Refresh footer. Clicking a row, or Return on the highlighted one, emits
// rowChosen; the arrow keys move the highlight also while typing in the search field.
class PickerListPanel : public QWidget {
    Q_OBJECT
public:
    PickerListPanel(const QString& title, int minimumListHeight, QWidget* parent = nullptr);

    [[nodiscard]] SearchField* searchField() const { return m_searchField; }
    [[nodiscard]] QListView* list() const { return m_list; }
    [[nodiscard]] QToolButton* refreshButton() const { return m_refresh; }
    [[nodiscard]] const QString& searchText() const { return m_searchText; }

Q_SIGNALS:
    void rowChosen(int row);
    void searchTextChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QString m_searchText;
    SearchField* m_searchField;
    QListView* m_list;
    QToolButton* m_refresh;
};
