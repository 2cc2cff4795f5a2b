#pragma once

#include "store/Variable.h"

#include <QList>
#include <QWidget>

class QKeyEvent;
class QLabel;
class QPushButton;
class QTableWidget;

// Widget that edits a list of variables: a table of name, value and "Raw" (the value goes into
// URLs as written), with "Add" and "Remove" under it. A name that is no variable name, or one
// already named above, shows as such (and why, under the table) and is left out of variables().
class VariableTable : public QWidget {
    Q_OBJECT
public:
    explicit VariableTable(QWidget* parent = nullptr);

    void setVariables(const QList<Variable>& variables);
    // The rows with a valid name not used above them, in table order.
    [[nodiscard]] QList<Variable> variables() const;

    [[nodiscard]] QTableWidget* table() const { return m_table; }

Q_SIGNALS:
    // The user changed a cell, added or removed a row.
    void edited();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addRow(const Variable& variable);
    void addVariable();
    void removeVariable();
    // Marks the invalid names and says why; updates "Remove".
    void check();
    // Why row `row`'s name is not taken; empty when it is.
    [[nodiscard]] QString nameProblem(int row) const;

    QTableWidget* m_table = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QLabel* m_problem = nullptr;
    int m_quiet = 0;
};
