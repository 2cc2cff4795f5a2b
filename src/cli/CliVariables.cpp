#include "cli/CliVariables.h"

#include "platform/AppSettings.h"
#include "platform/StandardOutput.h"
#include "store/VariableResolver.h"
#include "store/VariableSettings.h"

std::optional<CliVariables> CliVariables::choose(const CliArguments& arguments,
                                                 const QString& collection,
                                                 const QList<Environment>& environments,
                                                 const QString& active) {
    CliVariables chosen;
    chosen.m_sources.add(arguments.variables);
    const QString wanted = arguments.environment.value_or(active);
    // No active one is no environment, even where one has an empty name.
    const std::optional<Environment> environment = wanted.isEmpty() && !arguments.environment
                                                       ? std::nullopt
                                                       : Environment::named(environments, wanted);
    if (arguments.environment && !environment) {
        QStringList names;
        for (const Environment& known : environments)
            names.append(StandardOutput::escaped(known.name));
        const QString message =
            names.isEmpty() ? QStringLiteral("%1 has no environments, so none named \"%2\"")
                            : QStringLiteral("%1 has no environment named \"%2\"; it has: ") +
                                  names.join(QStringLiteral(", "));
        CliArguments::usageError(message.arg(StandardOutput::escaped(collection),
                                             StandardOutput::escaped(*arguments.environment)));
        return std::nullopt;
    }
    if (environment)
        chosen.m_sources.add(environment->variables);
    chosen.m_sources.add(VariableSettings::globals(*AppSettings::standard()));
    return chosen;
}

bool CliVariables::resolve(QList<CollectionRun::Step>& steps) const {
    QList<CollectionRun::Step> filled = steps;
    QStringList missing;
    QString problem;
    for (CollectionRun::Step& step : filled) {
        step.typedUrl = step.url;
        if (step.url.isEmpty())
            continue;
        const VariableResolver::Resolution resolution =
            VariableResolver::resolve(step.url, m_sources);
        for (const QString& name : resolution.missing) {
            if (!missing.contains(name))
                missing.append(name);
        }
        if (resolution.missing.isEmpty() && !resolution.ok() && problem.isEmpty())
            problem = step.title.isEmpty() ? resolution.problem
                                           : step.title + QStringLiteral(": ") + resolution.problem;
        step.url = resolution.url;
    }
    // Every deeplink is checked before the first fires: a run never stops halfway for a value.
    if (!missing.isEmpty()) {
        CliArguments::usageError(VariableResolver::missingSentence(missing) +
                                 QStringLiteral(" Pass each with --var NAME=VALUE, or choose "
                                                "an environment with --env NAME."));
        return false;
    }
    if (!problem.isEmpty()) {
        CliArguments::usageError(StandardOutput::escaped(problem));
        return false;
    }
    steps = std::move(filled);
    return true;
}
