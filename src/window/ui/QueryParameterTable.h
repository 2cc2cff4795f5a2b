#pragma once

#include "window/Focusable.h"

#include <QList>
#include <QWidget>

class QGridLayout;
class QLineEdit;
class QScrollArea;
class QToolButton;

// Widget that shows a URL's query parameters as an editable inset table: a "Query Parameters"
// header, a name and a value cell per row, and a footer with "plus" and "minus". It only
// shows cells and reports edits; the deeplink editor decides what the URL becomes.
class QueryParameterTable : public QWidget {
    Q_OBJECT
public:
    // The cells follow `tabFrom` in the tab order, then come "plus" and "minus".
    explicit QueryParameterTable(QWidget* tabFrom, QWidget* parent = nullptr);

    // Shows `count` rows; cells beyond it are hidden, not deleted.
    void setRowCount(qsizetype count);
    // The cell of a keyRow or valueRow focus; null for other cases and rows not shown.
    [[nodiscard]] QLineEdit* cell(const Focusable& focus) const;
    // The row case of a shown cell; none for any other widget.
    [[nodiscard]] Focusable focusOf(const QWidget* widget) const;
    void setButtonsEnabled(bool plus, bool minus);
    // Scrolls the rows so that `cell` can be seen (once it is laid out).
    void ensureVisible(QLineEdit* cell);

Q_SIGNALS:
    void cellEdited(QLineEdit* cell, const Focusable& row, const QString& text);
    void cellEditingFinished(QLineEdit* cell);
    void addRowClicked();
    void removeLastRowClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct RowCells {
        QLineEdit* name = nullptr;
        QLineEdit* value = nullptr;
    };

    QWidget* m_tabFrom = nullptr;
    QWidget* m_header = nullptr;
    QWidget* m_footer = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_rows = nullptr;
    QGridLayout* m_rowsLayout = nullptr;
    QToolButton* m_plus = nullptr;
    QToolButton* m_minus = nullptr;
    QList<RowCells> m_cells;
    qsizetype m_count = 0;
};
