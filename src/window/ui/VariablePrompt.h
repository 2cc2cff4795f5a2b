#pragma once

#include "store/Variable.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;

// The dialog that asks for the variables a firing has no value for: one field per variable
// ("{{name}}"), filled with the value typed last time, the first one focused. "Fire" accepts
// (an empty field is an empty value); Cancel or Escape fires nothing. A value that leaves no
// URL keeps it open with the reason under the fields.
class VariablePrompt : public QDialog {
    Q_OBJECT
public:
    // Why the values leave no URL; empty when they make one.
    using Check = std::function<QString(const QList<Variable>& typed)>;

    VariablePrompt(const QStringList& names, const QList<Variable>& lastValues, Check check,
                   QWidget* parent = nullptr);

    // The values in the fields, one per variable, in the order asked.
    [[nodiscard]] QList<Variable> values() const;

    void accept() override;

    // Asks over `parent` for `names`, offering the values remembered in the settings; on Fire
    // remembers what was typed and returns it. None: cancelled.
    static std::optional<QList<Variable>> ask(QWidget* parent, const QStringList& names,
                                              Check check);

private:
    QStringList m_names;
    Check m_check;
    QList<QLineEdit*> m_fields;
    QLabel* m_problem = nullptr;
};
