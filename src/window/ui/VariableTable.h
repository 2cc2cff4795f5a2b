#pragma once

#include "store/Variable.h"

#include <QList>
#include <QStringList>
#include <QWidget>

class QKeyEvent;
class QPushButton;
class QTableWidget;

// Widget that edits a list of variables: a table of name, value and "Raw" (the value goes into
// URLs as written), with "Add" and "Remove" under it. A name that cannot be kept (none beside a
// value, no variable name, one already named above) is marked and reported by problem(); the
// caller says it where it fits. Blank rows are no fault and are dropped.
class VariableTable : public QWidget {
    Q_OBJECT
public:
    explicit VariableTable(QWidget* parent = nullptr);

    void setVariables(const QList<Variable>& variables);
    // Every row as typed, blank and faulty ones too.
    [[nodiscard]] QList<Variable> rows() const;
    // The rows that can be kept, names trimmed, in table order.
    [[nodiscard]] QList<Variable> variables() const { return kept(rows()); }
    // Why the first row that cannot be kept cannot; empty when all can.
    [[nodiscard]] const QString& problem() const { return m_problem; }

    // The same for rows held elsewhere: why each one cannot be kept (empty when it can), the
    // first such reason, and the rows that can.
    [[nodiscard]] static QStringList problems(const QList<Variable>& rows);
    [[nodiscard]] static QString problem(const QList<Variable>& rows);
    [[nodiscard]] static QList<Variable> kept(const QList<Variable>& rows);

    [[nodiscard]] QTableWidget* table() const { return m_table; }

Q_SIGNALS:
    // The user changed a cell, added or removed a row.
    void edited();
    void problemChanged(const QString& problem);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addRow(const Variable& variable);
    void addVariable();
    void removeVariable();
    // Marks the names that cannot be kept, works out problem(); updates "Remove".
    void check();

    QTableWidget* m_table = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QString m_problem;
    int m_quiet = 0;
};
