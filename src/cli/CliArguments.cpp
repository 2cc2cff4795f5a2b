#include "cli/CliArguments.h"

#include "cli/CliHelp.h"
#include "cli/CliOutput.h"
#include "cli/KestrineCli.h"
#include "platform/AppIdentity.h"
#include "platform/StandardOutput.h"
#include "store/Placeholder.h"

#include <QCommandLineParser>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

// The seconds `text` names when it is a finite number from 0 (above 0 when `positive`) to
// `most`.
std::optional<double> secondsIn(const QString& text, double most, bool positive) {
    bool number = false;
    const double wanted = text.toDouble(&number);
    if (!number || !std::isfinite(wanted) || wanted < 0 || (positive && wanted == 0) ||
        wanted > most)
        return std::nullopt;
    return wanted;
}

} // namespace

std::variant<CliArguments, int> CliArguments::parse(const QStringList& arguments) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    const QCommandLineOption xcode(QStringLiteral("xcode"), {}, QStringLiteral("PATH"));
    const QCommandLineOption adb(QStringLiteral("adb"), {}, QStringLiteral("PATH"));
    const QCommandLineOption json(QStringLiteral("json"), {});
    const QCommandLineOption destination(QStringLiteral("destination"), {}, QStringLiteral("D"));
    const QCommandLineOption app(QStringLiteral("app"), {}, QStringLiteral("ID"));
    const QCommandLineOption interval(QStringLiteral("interval"), {}, QStringLiteral("SECONDS"));
    const QCommandLineOption stopOnFailure(QStringLiteral("stop-on-failure"), {});
    const QCommandLineOption timeout(QStringLiteral("timeout"), {}, QStringLiteral("SECONDS"));
    const QCommandLineOption boot(QStringLiteral("boot"), {});
    const QCommandLineOption junit(QStringLiteral("junit"), {}, QStringLiteral("FILE"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, {},
                                    QStringLiteral("PATH"));
    const QCommandLineOption replace(QStringLiteral("replace"), {});
    const QCommandLineOption cold(QStringLiteral("cold"), {});
    const QCommandLineOption screenshots(QStringLiteral("screenshots"), {}, QStringLiteral("DIR"));
    const QCommandLineOption settle(QStringLiteral("settle"), {}, QStringLiteral("SECONDS"));
    const QCommandLineOption expectApp(QStringLiteral("expect-app"), {}, QStringLiteral("ID"));
    const QCommandLineOption strict(QStringLiteral("strict"), {});
    const QCommandLineOption environment(QStringLiteral("env"), {}, QStringLiteral("NAME"));
    const QCommandLineOption variable(QStringLiteral("var"), {}, QStringLiteral("NAME=VALUE"));
    const QCommandLineOption collection(QStringLiteral("collection"), {}, QStringLiteral("C"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), {});

    QCommandLineParser global;
    global.addOptions({help, version, xcode, adb});
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!global.parse(arguments))
        return usageError(StandardOutput::escaped(global.errorText()));
    if (global.isSet(version)) {
        CliOutput::write(
            stdout, QStringLiteral("kestrine-cli %1\n").arg(QLatin1String(AppIdentity::version)));
        return KestrineCli::Success;
    }
    const QStringList rest = global.positionalArguments();
    if (global.isSet(help) || rest.isEmpty()) {
        CliOutput::write(global.isSet(help) ? stdout : stderr, CliHelp::global());
        return global.isSet(help) ? KestrineCli::Success : KestrineCli::UsageError;
    }

    // Each command and the options it takes besides --help, --xcode and --adb.
    const QHash<QString, QList<QCommandLineOption>> commands{
        {QStringLiteral("destinations"), {json}},
        {QStringLiteral("collections"), {json}},
        {QStringLiteral("deeplinks"), {json}},
        {QStringLiteral("open"),
         {destination, app, timeout, boot, cold, screenshots, settle, expectApp, strict, json,
          environment, variable, collection, dryRun}},
        {QStringLiteral("run"),
         {destination, app, timeout, boot, cold, screenshots, settle, expectApp, strict, interval,
          stopOnFailure, junit, json, environment, variable, dryRun}},
        {QStringLiteral("export"), {output}},
        {QStringLiteral("import"), {replace}},
        {QStringLiteral("qr"), {output, environment, variable, collection}},
    };
    const auto command = commands.constFind(rest.first());
    if (command == commands.cend())
        return usageError(
            QStringLiteral("unknown command \"%1\"").arg(StandardOutput::escaped(rest.first())));
    QCommandLineParser parser;
    parser.addOptions({help, xcode, adb});
    parser.addOptions(*command);
    if (!parser.parse(QStringList{arguments.first()} + rest.mid(1)))
        return usageError(StandardOutput::escaped(parser.errorText()));
    if (parser.isSet(help)) {
        CliOutput::write(stdout, CliHelp::command(command.key()));
        return KestrineCli::Success;
    }

    // Only the command's own options are asked for: the parser knows no others.
    const auto taken = [&](const QCommandLineOption& option) {
        return std::any_of(command->cbegin(), command->cend(), [&](const QCommandLineOption& own) {
            return own.names() == option.names();
        });
    };
    const auto value = [&](const QCommandLineOption& option) -> std::optional<QString> {
        if (taken(option) && parser.isSet(option))
            return parser.value(option);
        return std::nullopt;
    };
    CliArguments parsed{.command = command.key(),
                        .positional = parser.positionalArguments(),
                        .json = value(json).has_value()};
    for (const QCommandLineParser* source : {&global, &parser}) {
        if (source->isSet(xcode))
            parsed.xcode = source->value(xcode);
        if (source->isSet(adb))
            parsed.adb = source->value(adb);
    }
    parsed.destination = value(destination);
    parsed.app = value(app);
    parsed.junit = value(junit);
    parsed.output = value(output);
    parsed.stopOnFailure = value(stopOnFailure).has_value();
    parsed.replace = value(replace).has_value();
    parsed.boot = value(boot).has_value();
    parsed.cold = value(cold).has_value();
    parsed.screenshots = value(screenshots);
    parsed.expectApp = value(expectApp);
    parsed.strict = value(strict).has_value();
    parsed.environment = value(environment);
    parsed.collection = value(collection);
    for (const QString& given : taken(variable) ? parser.values(variable) : QStringList()) {
        const qsizetype equals = given.indexOf(u'=');
        const QString name = given.left(equals);
        if (equals < 0 || !Placeholder::isName(name))
            return usageError(QStringLiteral("--var takes NAME=VALUE, the name a letter or \"_\" "
                                             "and then letters, digits, \"_\", \"-\" or \".\"; "
                                             "not \"%1\"")
                                  .arg(StandardOutput::escaped(given)));
        parsed.variables.removeIf([&name](const Variable& known) { return known.name == name; });
        parsed.variables.append({name, given.mid(equals + 1)});
    }
    if (parsed.environment && !parsed.collection && parsed.command != u"run")
        return usageError(QStringLiteral("--env names an environment of the collection "
                                         "--collection C names"));
    parsed.dryRun = value(dryRun).has_value();
    // Standard output holds the command lines and nothing else; no report is written.
    if (parsed.dryRun && (parsed.json || parsed.junit))
        return usageError(QStringLiteral("--dry-run prints command lines: no --json, no --junit"));
    if (parsed.screenshots && parsed.screenshots->isEmpty())
        return usageError(QStringLiteral("--screenshots takes a directory"));
    if (parsed.expectApp && parsed.expectApp->isEmpty())
        return usageError(QStringLiteral("--expect-app takes a package or a bundle identifier"));
    if (const std::optional<QString> seconds = value(timeout)) {
        const std::optional<double> wanted = secondsIn(*seconds, 86400, true);
        if (!wanted)
            return usageError(
                QStringLiteral("--timeout takes seconds above 0 and up to 86400, not \"%1\"")
                    .arg(StandardOutput::escaped(*seconds)));
        parsed.timeout = std::chrono::milliseconds(std::max(1LL, std::llround(*wanted * 1000)));
    }
    if (const std::optional<QString> seconds = value(settle)) {
        // A screen that has not settled in ten minutes will not.
        const std::optional<double> wanted = secondsIn(*seconds, 600, false);
        if (!wanted)
            return usageError(QStringLiteral("--settle takes seconds from 0 to 600, not \"%1\"")
                                  .arg(StandardOutput::escaped(*seconds)));
        parsed.settle = std::chrono::milliseconds(std::llround(*wanted * 1000));
    }
    if (const std::optional<QString> seconds = value(interval)) {
        // Up to a day: an interval past that is a typo, not a plan.
        const std::optional<double> wanted = secondsIn(*seconds, 86400, false);
        if (!wanted)
            return usageError(QStringLiteral("--interval takes seconds from 0 to 86400, not \"%1\"")
                                  .arg(StandardOutput::escaped(*seconds)));
        parsed.intervalMilliseconds = int(std::lround(*wanted * 1000));
    }
    if ((parsed.command == u"destinations" || parsed.command == u"collections") &&
        !parsed.positional.isEmpty())
        return usageError(QStringLiteral("%1 takes no arguments").arg(parsed.command));
    return parsed;
}

int CliArguments::usageError(const QString& message) {
    CliOutput::error(message);
    CliOutput::write(stderr, QStringLiteral("Try 'kestrine-cli --help'.\n"));
    return KestrineCli::UsageError;
}
