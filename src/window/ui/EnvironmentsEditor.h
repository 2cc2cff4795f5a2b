#pragma once

#include "store/Environment.h"

#include <QHash>
#include <QWidget>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QTableWidget;
class QToolButton;
class VariableTable;

// The "Environments" section of the collection editor: the collection's environments in the
// user's order (add, rename in place, remove, reorder by dragging or Alt+Up/Down) and a table of
// the selected one's variables (name, value, raw). It edits a copy that the editor writes back
// on Save. A name that cannot be saved (an environment's empty or repeated one, a variable's
// invalid or repeated one) is marked and reported by problem(); blank variable rows are dropped.
class EnvironmentsEditor : public QWidget {
    Q_OBJECT
public:
    explicit EnvironmentsEditor(QWidget* parent = nullptr);

    // Starts over from `environments`, `active` naming the one in use (empty: none).
    void setEnvironments(const QList<Environment>& environments, const QString& active);
    // What to save: the environments in the list's order, blank variable rows left out.
    [[nodiscard]] QList<Environment> environments() const;
    // The active environment's name as it now reads; empty once it is removed.
    [[nodiscard]] QString activeEnvironment() const;
    // Why the environments cannot be saved as they stand; empty when they can.
    [[nodiscard]] const QString& problem() const { return m_problem; }

    // Adds an environment after the others, selected, with its name open for editing.
    void addEnvironment();
    void removeEnvironment();
    // Moves the selected environment `by` places up (negative) or down.
    void moveEnvironment(int by);

    [[nodiscard]] QListWidget* list() const { return m_list; }
    [[nodiscard]] QTableWidget* table() const;

Q_SIGNALS:
    void problemChanged(const QString& problem);

private:
    // The key that identifies `item`'s environment however the list is reordered.
    [[nodiscard]] static int key(const QListWidgetItem* item);
    [[nodiscard]] int selectedKey() const;
    QListWidgetItem* appendEnvironment(const QString& name);
    // Shows the selected environment's variables in the table.
    void showVariables();
    // Marks the names that cannot be saved and works out problem().
    void validate();
    void updateButtons();

    QListWidget* m_list = nullptr;
    VariableTable* m_table = nullptr;
    QLabel* m_problemLabel = nullptr;
    QToolButton* m_removeEnvironment = nullptr;
    QToolButton* m_moveUp = nullptr;
    QToolButton* m_moveDown = nullptr;

    QHash<int, QList<Variable>> m_variables; // by key, every row as typed
    int m_nextKey = 0;
    int m_activeKey = -1;
    int m_shownKey = -1;
    bool m_updating = false;
    QString m_problem;
};
