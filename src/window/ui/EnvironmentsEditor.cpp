#include "window/ui/EnvironmentsEditor.h"

#include "platform/SymbolImage.h"
#include "widgets/TextStyle.h"
#include "window/ui/VariableTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSet>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// `shortcut`, if any, is told in the tooltip; a screen reader hears the name alone.
QToolButton* toolButton(const QString& name, const QString& text, QWidget* parent,
                        const QKeySequence& shortcut = {}) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIconSize(QSize(14, 14));
    button->setAutoRaise(true);
    button->setAccessibleName(text);
    button->setToolTip(shortcut.isEmpty() ? text
                                          : QStringLiteral("%1 (%2)").arg(
                                                text, shortcut.toString(QKeySequence::NativeText)));
    return button;
}

QToolButton* symbolButton(const QString& symbol, const QString& name, const QString& text,
                          QWidget* parent, const QKeySequence& shortcut = {}) {
    QToolButton* button = toolButton(name, text, parent, shortcut);
    button->setIcon(SymbolImage::icon(symbol));
    return button;
}

QToolButton* arrowButton(Qt::ArrowType arrow, const QString& name, const QString& text,
                         QWidget* parent, const QKeySequence& shortcut) {
    QToolButton* button = toolButton(name, text, parent, shortcut);
    button->setArrowType(arrow);
    return button;
}

// A row of small buttons under a list or table.
QHBoxLayout* buttonRow(std::initializer_list<QToolButton*> left,
                       std::initializer_list<QToolButton*> right = {}) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (QToolButton* button : left)
        row->addWidget(button);
    row->addStretch(1);
    for (QToolButton* button : right)
        row->addWidget(button);
    return row;
}

} // namespace

EnvironmentsEditor::EnvironmentsEditor(QWidget* parent)
    : QWidget(parent) {
    setAccessibleName(tr("Environments"));
    auto* title = new QLabel(tr("Environments"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* caption = new QLabel(tr("Named sets of values for the {{name}} placeholders in this "
                                  "collection's URLs, such as Staging and Production."),
                               this);
    caption->setWordWrap(true);
    caption->setFont(TextStyle::font(TextStyle::Style::Caption));
    caption->setForegroundRole(QPalette::PlaceholderText);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("environmentList"));
    m_list->setAccessibleName(tr("Environments"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDefaultDropAction(Qt::MoveAction);
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
    m_list->setFixedWidth(150);
    connect(m_list, &QListWidget::currentItemChanged, this, &EnvironmentsEditor::showVariables);
    connect(m_list, &QListWidget::itemChanged, this, &EnvironmentsEditor::validate);
    connect(m_list->model(), &QAbstractItemModel::rowsMoved, this,
            &EnvironmentsEditor::updateButtons);

    const QKeySequence remove(Qt::Key_Delete);
    const QKeySequence up(Qt::ALT | Qt::Key_Up);
    const QKeySequence down(Qt::ALT | Qt::Key_Down);
    auto* addEnvironment = symbolButton(QStringLiteral("plus"), QStringLiteral("addEnvironment"),
                                        tr("Add Environment"), this);
    m_removeEnvironment = symbolButton(QStringLiteral("minus"), QStringLiteral("removeEnvironment"),
                                       tr("Remove Environment"), this, remove);
    m_moveUp = arrowButton(Qt::UpArrow, QStringLiteral("moveEnvironmentUp"),
                           tr("Move Environment Up"), this, up);
    m_moveDown = arrowButton(Qt::DownArrow, QStringLiteral("moveEnvironmentDown"),
                             tr("Move Environment Down"), this, down);
    connect(addEnvironment, &QToolButton::clicked, this, &EnvironmentsEditor::addEnvironment);
    connect(m_removeEnvironment, &QToolButton::clicked, this,
            &EnvironmentsEditor::removeEnvironment);
    connect(m_moveUp, &QToolButton::clicked, this, [this] { moveEnvironment(-1); });
    connect(m_moveDown, &QToolButton::clicked, this, [this] { moveEnvironment(1); });

    m_table = new VariableTable(this);
    connect(m_table, &VariableTable::edited, this, [this] {
        if (m_updating || !m_variables.contains(m_shownKey))
            return;
        m_variables[m_shownKey] = m_table->rows();
        validate();
    });

    // Delete (Backspace too, the Mac's delete key) removes the environment in front; a name
    // being edited takes the keys for itself first.
    for (const QKeySequence& keys : {remove, QKeySequence(Qt::Key_Backspace)}) {
        new QShortcut(keys, m_list, this, &EnvironmentsEditor::removeEnvironment,
                      Qt::WidgetWithChildrenShortcut);
    }
    new QShortcut(
        up, m_list, this, [this] { moveEnvironment(-1); }, Qt::WidgetWithChildrenShortcut);
    new QShortcut(
        down, m_list, this, [this] { moveEnvironment(1); }, Qt::WidgetWithChildrenShortcut);

    m_problemLabel = new QLabel(this);
    m_problemLabel->setObjectName(QStringLiteral("environmentProblem"));
    TextStyle::setProblemStyle(m_problemLabel);
    m_problemLabel->hide();

    auto* listColumn = new QVBoxLayout;
    listColumn->setSpacing(2);
    listColumn->addWidget(m_list, 1);
    listColumn->addLayout(buttonRow({addEnvironment, m_removeEnvironment}, {m_moveUp, m_moveDown}));
    auto* columnsRow = new QHBoxLayout;
    columnsRow->addLayout(listColumn);
    columnsRow->addWidget(m_table, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);
    layout->addWidget(caption);
    layout->addLayout(columnsRow, 1);
    layout->addWidget(m_problemLabel);
    setMinimumHeight(220);
    showVariables();
}

void EnvironmentsEditor::setEnvironments(const QList<Environment>& environments,
                                         const QString& active) {
    m_updating = true;
    m_list->clear();
    m_variables.clear();
    m_activeKey = -1;
    m_shownKey = -1;
    for (const Environment& environment : environments) {
        QListWidgetItem* item = appendEnvironment(environment.name);
        m_variables.insert(key(item), environment.variables);
        if (!active.isEmpty() && environment.name == active && m_activeKey < 0) {
            m_activeKey = key(item);
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
            item->setData(Qt::AccessibleDescriptionRole, tr("Active"));
        }
    }
    m_updating = false;
    m_list->setCurrentRow(environments.isEmpty() ? -1 : 0);
    showVariables();
}

QList<Environment> EnvironmentsEditor::environments() const {
    QList<Environment> environments;
    for (int row = 0; row < m_list->count(); ++row) {
        const QListWidgetItem* item = m_list->item(row);
        environments.append({.name = item->text().trimmed(),
                             .variables = VariableTable::kept(m_variables.value(key(item)))});
    }
    return environments;
}

QString EnvironmentsEditor::activeEnvironment() const {
    for (int row = 0; row < m_list->count(); ++row) {
        if (key(m_list->item(row)) == m_activeKey)
            return m_list->item(row)->text().trimmed();
    }
    return {};
}

void EnvironmentsEditor::addEnvironment() {
    QSet<QString> taken;
    for (int row = 0; row < m_list->count(); ++row)
        taken.insert(m_list->item(row)->text().trimmed());
    QString name = tr("Environment");
    for (int n = 2; taken.contains(name); ++n)
        name = tr("Environment %1").arg(n);
    QListWidgetItem* item = appendEnvironment(name);
    m_list->setCurrentItem(item);
    m_list->setFocus();
    m_list->editItem(item);
    validate();
}

void EnvironmentsEditor::removeEnvironment() {
    QListWidgetItem* item = m_list->currentItem();
    if (!item)
        return;
    const int removed = key(item);
    if (removed == m_activeKey)
        m_activeKey = -1;
    m_shownKey = -1;
    m_variables.remove(removed);
    delete item;
    showVariables();
}

void EnvironmentsEditor::moveEnvironment(int by) {
    const int row = m_list->currentRow();
    const int target = row + by;
    if (row < 0 || target < 0 || target >= m_list->count())
        return;
    m_updating = true;
    QListWidgetItem* item = m_list->takeItem(row);
    m_list->insertItem(target, item);
    m_updating = false;
    m_list->setCurrentItem(item);
    showVariables();
}

int EnvironmentsEditor::key(const QListWidgetItem* item) {
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

int EnvironmentsEditor::selectedKey() const {
    return key(m_list->currentItem());
}

QListWidgetItem* EnvironmentsEditor::appendEnvironment(const QString& name) {
    auto* item = new QListWidgetItem(name);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(Qt::UserRole, m_nextKey);
    m_variables.insert(m_nextKey, {});
    ++m_nextKey;
    m_list->addItem(item);
    return item;
}

void EnvironmentsEditor::showVariables() {
    if (m_updating)
        return;
    m_updating = true;
    m_shownKey = selectedKey();
    m_table->setVariables(m_variables.value(m_shownKey));
    m_table->setEnabled(m_shownKey >= 0);
    m_updating = false;
    validate();
}

void EnvironmentsEditor::validate() {
    if (m_updating)
        return;
    m_updating = true;
    QString first;
    QSet<QString> environmentNames;
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        const QString name = item->text().trimmed();
        QString problem;
        if (name.isEmpty())
            problem = tr("Every environment needs a name.");
        else if (environmentNames.contains(name))
            problem = tr("There are two environments named \u201c%1\u201d.").arg(name);
        environmentNames.insert(name);

        if (problem.isEmpty())
            problem = VariableTable::problem(m_variables.value(key(item)));
        TextStyle::markProblem(item, problem);
        if (first.isEmpty())
            first = problem;
    }
    m_updating = false;
    m_problemLabel->setText(first);
    m_problemLabel->setVisible(!first.isEmpty());
    updateButtons();
    if (first != m_problem) {
        m_problem = first;
        Q_EMIT problemChanged(m_problem);
    }
}

void EnvironmentsEditor::updateButtons() {
    const int row = m_list->currentRow();
    m_removeEnvironment->setEnabled(row >= 0);
    m_moveUp->setEnabled(row > 0);
    m_moveDown->setEnabled(row >= 0 && row + 1 < m_list->count());
}

QTableWidget* EnvironmentsEditor::table() const {
    return m_table->table();
}
