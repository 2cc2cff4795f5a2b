#include "window/ui/VariableTable.h"

#include "store/Placeholder.h"
#include "widgets/TextStyle.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { NameColumn, ValueColumn, RawColumn };

} // namespace

VariableTable::VariableTable(QWidget* parent)
    : QWidget(parent) {
    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QStringLiteral("variableTable"));
    m_table->setAccessibleName(tr("Variables"));
    m_table->setHorizontalHeaderLabels({tr("Name"), tr("Value"), tr("Raw")});
    m_table->horizontalHeaderItem(RawColumn)->setToolTip(
        tr("The value goes into URLs as written, not percent-encoded"));
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Interactive);
    m_table->horizontalHeader()->setSectionResizeMode(ValueColumn, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(RawColumn, QHeaderView::ResizeToContents);
    m_table->setColumnWidth(NameColumn, 140);
    m_table->setMinimumSize(420, 160);

    m_add = new QPushButton(tr("Add"), this);
    m_add->setObjectName(QStringLiteral("addVariable"));
    m_add->setAccessibleName(tr("Add Variable"));
    m_remove = new QPushButton(tr("Remove"), this);
    m_remove->setObjectName(QStringLiteral("removeVariable"));
    m_remove->setAccessibleName(tr("Remove Variable"));
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("variableProblem"));
    TextStyle::setProblemStyle(m_problem);
    m_problem->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
    layout->addWidget(m_problem);

    connect(m_add, &QPushButton::clicked, this, &VariableTable::addVariable);
    connect(m_remove, &QPushButton::clicked, this, &VariableTable::removeVariable);
    connect(m_table, &QTableWidget::itemChanged, this, [this] {
        if (m_quiet > 0)
            return;
        check();
        Q_EMIT edited();
    });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &VariableTable::check);
    check();
}

void VariableTable::keyPressEvent(QKeyEvent* event) {
    // Return ends a cell's editing; passed on, it would also press the dialog's default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void VariableTable::setVariables(const QList<Variable>& variables) {
    ++m_quiet;
    m_table->setRowCount(0);
    for (const Variable& variable : variables)
        addRow(variable);
    --m_quiet;
    check();
}

QList<Variable> VariableTable::variables() const {
    QList<Variable> variables;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (!nameProblem(row).isEmpty())
            continue;
        variables.append({m_table->item(row, NameColumn)->text(),
                          m_table->item(row, ValueColumn)->text(),
                          m_table->item(row, RawColumn)->checkState() == Qt::Checked});
    }
    return variables;
}

void VariableTable::addRow(const Variable& variable) {
    ++m_quiet;
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, NameColumn, new QTableWidgetItem(variable.name));
    m_table->setItem(row, ValueColumn, new QTableWidgetItem(variable.value));
    auto* raw = new QTableWidgetItem;
    raw->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    raw->setCheckState(variable.raw ? Qt::Checked : Qt::Unchecked);
    m_table->setItem(row, RawColumn, raw);
    --m_quiet;
}

void VariableTable::addVariable() {
    addRow({});
    const int row = m_table->rowCount() - 1;
    m_table->setCurrentCell(row, NameColumn);
    m_table->setFocus(Qt::OtherFocusReason);
    m_table->editItem(m_table->item(row, NameColumn));
    check();
    // A row without a name is not stored yet: nothing changed for the user's variables.
}

void VariableTable::removeVariable() {
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    m_table->removeRow(row);
    check();
    Q_EMIT edited();
}

QString VariableTable::nameProblem(int row) const {
    const QString name = m_table->item(row, NameColumn)->text();
    if (name.isEmpty())
        return tr("A variable needs a name.");
    if (!Placeholder::isName(name))
        return tr("\u201c%1\u201d is not a variable name: use letters, digits and _ - . only, "
                  "starting with a letter or _.")
            .arg(name);
    for (int above = 0; above < row; ++above) {
        if (m_table->item(above, NameColumn)->text() == name)
            return tr("There are two variables named \u201c%1\u201d.").arg(name);
    }
    return {};
}

void VariableTable::check() {
    ++m_quiet;
    QString first;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        QTableWidgetItem* name = m_table->item(row, NameColumn);
        // A new row's empty name is not wrong yet, only unfinished.
        const QString problem = name->text().isEmpty() ? QString() : nameProblem(row);
        name->setForeground(problem.isEmpty() ? palette().brush(QPalette::Text)
                                              : QBrush(TextStyle::red()));
        name->setToolTip(problem);
        name->setData(Qt::AccessibleDescriptionRole, problem);
        if (first.isEmpty())
            first = problem;
    }
    --m_quiet;
    m_problem->setText(first.isEmpty() ? QString() : first + tr(" It is not saved."));
    m_problem->setVisible(!first.isEmpty());
    m_remove->setEnabled(m_table->currentRow() >= 0);
}
