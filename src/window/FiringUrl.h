#pragma once

#include "store/Variable.h"
#include "store/VariableResolver.h"
#include "store/VariableSources.h"

#include <QList>
#include <QString>
#include <QStringList>

class DeeplinkCollection;

// Where the window's firings take their variable values: the active environment of the
// deeplink's collection (none for a URL typed into Quick Open), then the global variables of
// the settings, then the values typed into the prompt.
namespace FiringUrl {

[[nodiscard]] VariableSources sources(const DeeplinkCollection* collection,
                                      const QList<Variable>& typed = {});

// `text` (a deeplink's stored URL) with its variables filled from those sources.
[[nodiscard]] VariableResolver::Resolution resolve(const QString& text,
                                                   const DeeplinkCollection* collection,
                                                   const QList<Variable>& typed = {});

// The variables that only the prompt can give over all of `texts`, each once, in the order
// they first appear.
[[nodiscard]] QStringList missing(const QStringList& texts, const DeeplinkCollection* collection);

} // namespace FiringUrl
