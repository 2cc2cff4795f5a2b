#include "window/ui/VariablePrompt.h"

#include "platform/AppSettings.h"
#include "store/VariableSettings.h"
#include "widgets/TextStyle.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

VariablePrompt::VariablePrompt(const QStringList& names, const QList<Variable>& lastValues,
                               Check check, QWidget* parent)
    : QDialog(parent)
    , m_names(names)
    , m_check(std::move(check)) {
    setObjectName(QStringLiteral("variablePrompt"));
    setWindowTitle(tr("Fire with Variables"));
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(names.size() == 1 ? tr("This URL needs a value for its variable.")
                                               : tr("This URL needs values for its variables."),
                             this);
    layout->addWidget(intro);

    auto* form = new QFormLayout;
    for (const QString& name : names) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("variable:") + name);
        field->setAccessibleName(name);
        field->setMinimumWidth(280);
        for (const Variable& last : lastValues) {
            if (last.name == name) {
                field->setText(last.value);
                break;
            }
        }
        auto* label = new QLabel(QStringLiteral("{{%1}}").arg(name), this);
        label->setTextFormat(Qt::PlainText);
        label->setBuddy(field);
        form->addRow(label, field);
        m_fields.append(field);
    }
    layout->addLayout(form);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("promptProblem"));
    TextStyle::setProblemStyle(m_problem);
    m_problem->hide();
    layout->addWidget(m_problem);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton* fire = buttons->addButton(tr("Fire"), QDialogButtonBox::AcceptRole);
    fire->setObjectName(QStringLiteral("promptFire"));
    fire->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &VariablePrompt::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &VariablePrompt::reject);
    layout->addWidget(buttons);

    if (!m_fields.isEmpty()) {
        m_fields.constFirst()->setFocus();
        m_fields.constFirst()->selectAll();
    }
}

QList<Variable> VariablePrompt::values() const {
    QList<Variable> values;
    for (qsizetype i = 0; i < m_names.size(); ++i)
        values.append({m_names.at(i), m_fields.at(i)->text()});
    return values;
}

void VariablePrompt::accept() {
    const QString problem = m_check ? m_check(values()) : QString();
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    if (!problem.isEmpty())
        return;
    QDialog::accept();
}

std::optional<QList<Variable>> VariablePrompt::ask(QWidget* parent, const QStringList& names,
                                                   Check check) {
    const QList<Variable> last = VariableSettings::lastValues(*AppSettings::standard());
    // On the heap: the window behind it may go while it is up, taking it along.
    QPointer<VariablePrompt> prompt(new VariablePrompt(names, last, std::move(check), parent));
    const bool fired = prompt->exec() == QDialog::Accepted;
    if (!prompt)
        return std::nullopt;
    const QList<Variable> typed = prompt->values();
    delete prompt;
    if (!fired)
        return std::nullopt;
    VariableSettings::rememberValues(*AppSettings::standard(), typed);
    return typed;
}
