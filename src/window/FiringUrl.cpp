#include "window/FiringUrl.h"

#include "platform/AppSettings.h"
#include "store/DeeplinkCollection.h"
#include "store/VariableSettings.h"

namespace FiringUrl {

VariableSources sources(const DeeplinkCollection* collection, const QList<Variable>& typed) {
    VariableSources sources;
    if (collection)
        sources.add(collection->activeVariables());
    // Read at every firing: Preferences may have changed them since the last one.
    sources.add(VariableSettings::globals(*AppSettings::standard()));
    sources.add(typed);
    return sources;
}

VariableResolver::Resolution resolve(const QString& text, const DeeplinkCollection* collection,
                                     const QList<Variable>& typed) {
    return VariableResolver::resolve(text, sources(collection, typed));
}

QStringList missing(const QStringList& texts, const DeeplinkCollection* collection) {
    QStringList names;
    for (const QString& text : texts) {
        for (const QString& name : resolve(text, collection).missing) {
            if (!names.contains(name))
                names.append(name);
        }
    }
    return names;
}

} // namespace FiringUrl
