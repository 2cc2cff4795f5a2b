#include "window/ui/VariableTable.h"

#include "store/Placeholder.h"
#include "widgets/TextStyle.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { NameColumn, ValueColumn, RawColumn };

bool isBlank(const Variable& variable) {
    return variable.name.trimmed().isEmpty() && variable.value.isEmpty();
}

} // namespace

VariableTable::VariableTable(QWidget* parent)
    : QWidget(parent) {
    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QStringLiteral("variableTable"));
    m_table->setAccessibleName(tr("Variables"));
    m_table->setHorizontalHeaderLabels({tr("Name"), tr("Value"), tr("Raw")});
    m_table->horizontalHeaderItem(RawColumn)->setToolTip(
        tr("Raw values go into the URL as typed, without percent-encoding"));
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Interactive);
    m_table->horizontalHeader()->setSectionResizeMode(ValueColumn, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(RawColumn, QHeaderView::ResizeToContents);
    m_table->setColumnWidth(NameColumn, 120);

    m_add = new QPushButton(tr("Add"), this);
    m_add->setObjectName(QStringLiteral("addVariable"));
    m_add->setAccessibleName(tr("Add Variable"));
    m_remove = new QPushButton(tr("Remove"), this);
    m_remove->setObjectName(QStringLiteral("removeVariable"));
    m_remove->setAccessibleName(tr("Remove Variable"));
    const QKeySequence remove(Qt::Key_Delete);
    m_remove->setToolTip(QStringLiteral("%1 (%2)").arg(m_remove->accessibleName(),
                                                       remove.toString(QKeySequence::NativeText)));
    // Delete (Backspace too, the Mac's delete key) removes the row in front; a cell being
    // edited takes the keys for itself first.
    for (const QKeySequence& keys : {remove, QKeySequence(Qt::Key_Backspace)})
        new QShortcut(keys, m_table, this, &VariableTable::removeVariable,
                      Qt::WidgetWithChildrenShortcut);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    layout->addLayout(buttons);

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

QList<Variable> VariableTable::rows() const {
    QList<Variable> rows;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        rows.append({m_table->item(row, NameColumn)->text(),
                     m_table->item(row, ValueColumn)->text(),
                     m_table->item(row, RawColumn)->checkState() == Qt::Checked});
    }
    return rows;
}

QStringList VariableTable::problems(const QList<Variable>& rows) {
    QStringList problems;
    QSet<QString> names;
    for (const Variable& variable : rows) {
        const QString name = variable.name.trimmed();
        QString problem;
        if (isBlank(variable))
            problem = QString(); // dropped, so nothing to fix
        else if (name.isEmpty())
            problem = tr("A value has no variable name.");
        else if (!Placeholder::isName(name))
            problem = tr("\u201c%1\u201d is not a variable name: use letters, digits and _ - . "
                         "only, starting with a letter or _.")
                          .arg(name);
        else if (names.contains(name))
            problem = tr("There are two variables named \u201c%1\u201d.").arg(name);
        names.insert(name);
        problems.append(problem);
    }
    return problems;
}

QString VariableTable::problem(const QList<Variable>& rows) {
    for (const QString& problem : problems(rows)) {
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

QList<Variable> VariableTable::kept(const QList<Variable>& rows) {
    const QStringList why = problems(rows);
    QList<Variable> kept;
    for (int row = 0; row < rows.size(); ++row) {
        if (isBlank(rows.at(row)) || !why.at(row).isEmpty())
            continue;
        kept.append(rows.at(row));
        kept.last().name = kept.last().name.trimmed();
    }
    return kept;
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
    raw->setData(Qt::AccessibleTextRole, tr("Raw"));
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
    Q_EMIT edited();
}

void VariableTable::removeVariable() {
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    m_table->removeRow(row);
    // The next row is in front, so that Delete again removes it.
    const int last = m_table->rowCount() - 1;
    if (last >= 0)
        m_table->setCurrentCell(row < last ? row : last, NameColumn);
    check();
    Q_EMIT edited();
}

void VariableTable::check() {
    ++m_quiet;
    const QStringList why = problems(rows());
    QString first;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        QTableWidgetItem* name = m_table->item(row, NameColumn);
        TextStyle::markProblem(name, why.at(row));
        name->setData(Qt::AccessibleDescriptionRole, why.at(row));
        if (first.isEmpty())
            first = why.at(row);
    }
    --m_quiet;
    m_remove->setEnabled(m_table->currentRow() >= 0);
    if (first != m_problem) {
        m_problem = first;
        Q_EMIT problemChanged(m_problem);
    }
}
