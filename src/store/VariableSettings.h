#pragma once

#include "store/Variable.h"

#include <QList>
#include <QSettings>

// The variables Kestrine keeps in the user's settings: the global ones (Preferences), which
// every firing may use, and the values last typed into the prompt, which it offers again.
namespace VariableSettings {

[[nodiscard]] QList<Variable> globals(QSettings& settings);
void setGlobals(QSettings& settings, const QList<Variable>& variables);

[[nodiscard]] QList<Variable> lastValues(QSettings& settings);
// Keeps `typed` as the last values of their variables; the others stay as they were.
void rememberValues(QSettings& settings, const QList<Variable>& typed);

} // namespace VariableSettings
