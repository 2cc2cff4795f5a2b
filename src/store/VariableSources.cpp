#include "store/VariableSources.h"

void VariableSources::add(const QList<Variable>& source) {
    m_sources.append(source);
}

std::optional<Variable> VariableSources::find(const QString& name) const {
    if (name.isEmpty())
        return std::nullopt;
    for (const QList<Variable>& source : m_sources) {
        for (const Variable& variable : source) {
            if (variable.name == name)
                return variable;
        }
    }
    return std::nullopt;
}
