#pragma once

#include "store/Variable.h"

#include <QList>
#include <QString>

#include <optional>

// Where a firing's variable values come from, in order: the first source that names a
// variable gives its value (the command line's values, the collection's active environment,
// the global variables, the values typed into the prompt).
class VariableSources {
public:
    // Adds a source after those already added; variables without a name are skipped.
    void add(const QList<Variable>& source);

    [[nodiscard]] std::optional<Variable> find(const QString& name) const;

private:
    QList<QList<Variable>> m_sources;
};
