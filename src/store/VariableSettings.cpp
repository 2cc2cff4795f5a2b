#include "store/VariableSettings.h"

#include <algorithm>

namespace {

const QString globalsKey = QStringLiteral("Variables.global");
const QString lastValuesKey = QStringLiteral("Variables.lastValues");

QList<Variable> read(QSettings& settings, const QString& key) {
    QList<Variable> variables;
    const int size = settings.beginReadArray(key);
    for (int i = 0; i < size; ++i) {
        settings.setArrayIndex(i);
        variables.append({settings.value(QStringLiteral("name")).toString(),
                          settings.value(QStringLiteral("value")).toString(),
                          settings.value(QStringLiteral("raw")).toBool()});
    }
    settings.endArray();
    return variables;
}

void write(QSettings& settings, const QString& key, const QList<Variable>& variables) {
    // A shorter list must not leave the old tail behind.
    settings.remove(key);
    settings.beginWriteArray(key, int(variables.size()));
    for (int i = 0; i < variables.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(QStringLiteral("name"), variables[i].name);
        settings.setValue(QStringLiteral("value"), variables[i].value);
        settings.setValue(QStringLiteral("raw"), variables[i].raw);
    }
    settings.endArray();
}

} // namespace

namespace VariableSettings {

QList<Variable> globals(QSettings& settings) {
    return read(settings, globalsKey);
}

void setGlobals(QSettings& settings, const QList<Variable>& variables) {
    write(settings, globalsKey, variables);
}

QList<Variable> lastValues(QSettings& settings) {
    return read(settings, lastValuesKey);
}

void rememberValues(QSettings& settings, const QList<Variable>& typed) {
    QList<Variable> values = typed;
    for (const Variable& old : lastValues(settings)) {
        const bool replaced = std::any_of(values.begin(), values.end(),
                                          [&old](const Variable& v) { return v.name == old.name; });
        if (!replaced)
            values.append(old);
    }
    // Newest first; names typed once long ago drop off rather than pile up.
    constexpr qsizetype kept = 200;
    if (values.size() > kept)
        values.resize(kept);
    write(settings, lastValuesKey, values);
}

} // namespace VariableSettings
