#pragma once

#include "cli/CliArguments.h"
#include "cli/CollectionRun.h"
#include "store/Environment.h"
#include "store/VariableSources.h"

#include <QList>
#include <QString>

#include <optional>

// The values kestrine-cli fills placeholders with, the first that names a variable winning:
// --var, the collection's environment (--env, else its active one), the app's global variables.
// There is no prompt: a variable without a value is a usage error.
class CliVariables {
public:
    // The values for `arguments` over the collection `collection` names, which has
    // `environments` and the active one `active` ("": none). None, with a usage error printed,
    // when --env names none of `environments`.
    [[nodiscard]] static std::optional<CliVariables> choose(const CliArguments& arguments,
                                                            const QString& collection,
                                                            const QList<Environment>& environments,
                                                            const QString& active);

    // Fills in the URL of every step, the text as written kept as its typedUrl. False, with a
    // usage error printed and `steps` left as they were, when one cannot be filled: every
    // variable without a value is named, else the first value that cannot stand where its
    // placeholder is.
    [[nodiscard]] bool resolve(QList<CollectionRun::Step>& steps) const;

private:
    VariableSources m_sources;
};
