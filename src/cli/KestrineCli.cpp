#include "cli/KestrineCli.h"

#include "cli/CliDestinations.h"
#include "cli/CliOutput.h"
#include "cli/CollectionRun.h"
#include "cli/JUnitReport.h"
#include "exchange/CollectionImporter.h"
#include "exchange/DeeplinkCollectionExporter.h"
#include "platform/AppIdentity.h"
#include "platform/TaskOutcome.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/DeeplinkQueries.h"
#include "store/FetchedResultsModel.h"
#include "store/PersistentContainer.h"
#include "store/UrlText.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace {

using Fields = CliOutput::Fields;

const QString globalHelp = QStringLiteral(
    "Usage: kestrine-cli [--xcode PATH] [--adb PATH] COMMAND [ARGUMENTS]\n"
    "\n"
    "Kestrine's collections from a terminal or a CI job: list destinations, collections and\n"
    "deeplinks, open a URL, run a collection, export and import collections. Uses the app's\n"
    "store and settings; safe to run while the app is open.\n"
    "\n"
    "Commands:\n"
    "  destinations           Every iOS and Android destination; usable ones marked \"*\".\n"
    "  collections            The collections, in the app's order.\n"
    "  deeplinks COLLECTION   The deeplinks of a collection (a name or an id).\n"
    "  open URL               Opens one URL on a destination.\n"
    "  run COLLECTION         Opens every deeplink of a collection, one after another.\n"
    "  export COLLECTION... -o PATH\n"
    "                         Writes collections to exchange files.\n"
    "  import FILE...         Adds the collections of exchange files, all or none.\n"
    "\n"
    "Options:\n"
    "  -h, --help             This help; COMMAND --help describes a command.\n"
    "  --version              The version.\n"
    "  --xcode PATH           The Xcode to use instead of the one chosen in the app.\n"
    "  --adb PATH             The adb to use instead of the one set in the app.\n"
    "\n"
    "Exit status:\n"
    "  0    success: everything listed, opened, exported or imported\n"
    "  1    a deeplink failed to open, or an import or export failed\n"
    "  2    usage error: unknown command or option, no such collection, an ambiguous name\n"
    "  3    no destination can be used: no Xcode and no adb, a destination missing or not\n"
    "       usable, or a tool that cannot list its destinations\n"
    "  4    the store cannot be opened (the file is left untouched)\n"
    "  130  a run stopped by Ctrl+C (128 + the signal's number)\n");

const QString destinationsHelp = QStringLiteral(
    "Usage: kestrine-cli destinations [--json]\n"
    "\n"
    "Every destination of the chosen Xcode and of adb, one a line: \"*\" for a usable one, its\n"
    "id (UDID or serial), name, kind, state and OS version, separated by tabs; an unusable\n"
    "one ends with the reason.\n"
    "Exits with 3 when there is neither an Xcode nor an adb, or when a tool fails.\n");

const QString collectionsHelp = QStringLiteral(
    "Usage: kestrine-cli collections [--json]\n"
    "\n"
    "The collections as the app lists them, pinned first: id, name, number of deeplinks and\n"
    "\"pinned\", separated by tabs.\n");

const QString deeplinksHelp = QStringLiteral(
    "Usage: kestrine-cli deeplinks COLLECTION [--json]\n"
    "\n"
    "The deeplinks of COLLECTION (its name or its id) as the app lists them: title and URL,\n"
    "separated by a tab. A name shared by several collections is an error that lists their ids.\n");

const QString destinationOptionsHelp = QStringLiteral(
    "  --destination D        An id (UDID or serial) or an exact name, as 'kestrine-cli\n"
    "                         destinations' lists them. Without it: the destination selected\n"
    "                         in the app, else the first booted simulator, else the first\n"
    "                         usable Android emulator or phone.\n"
    "  --app ID               The app to launch on an iPhone (bundle identifier) or the\n"
    "                         package to open the URL in on Android. Without it: the app\n"
    "                         chosen in Kestrine for that device (on Android: any app).\n");

const QString openHelp = QStringLiteral("Usage: kestrine-cli open URL [--destination D] "
                                        "[--app ID]\n"
                                        "\n"
                                        "Opens URL, exactly as given, on a destination.\n"
                                        "\n"
                                        "Options:\n") +
                         destinationOptionsHelp +
                         QStringLiteral("\nExits with 1 when the tool fails, 3 when the "
                                        "destination cannot be used.\n");

const QString runHelp =
    QStringLiteral(
        "Usage: kestrine-cli run COLLECTION [--destination D] [--app ID] [--interval SECONDS]\n"
        "                        [--stop-on-failure] [--junit FILE] [--json]\n"
        "\n"
        "Opens every deeplink of COLLECTION (a name or an id) that has a URL, in the app's order,\n"
        "and reports each on standard error: \"[3/12] Checkout … ok 0.41 s\", or \"failed:\"\n"
        "with the tool's message. Deeplinks without a URL are skipped. Ctrl+C stops after the\n"
        "request in flight; the reports are still written, the rest skipped.\n"
        "\n"
        "Options:\n") +
    destinationOptionsHelp +
    QStringLiteral(
        "  --interval SECONDS     The pause between two deeplinks (default 2; 0 for none).\n"
        "  --stop-on-failure      Stops at the first deeplink that fails; the rest are skipped.\n"
        "  --junit FILE           Writes a JUnit XML report to FILE.\n"
        "  --json                 Prints the results as one JSON document.\n"
        "\n"
        "Exits with 0 when every deeplink with a URL opened, 1 when one failed, 3 when the\n"
        "destination cannot be used, 130 when stopped by Ctrl+C.\n");

const QString exportHelp = QStringLiteral(
    "Usage: kestrine-cli export COLLECTION... -o PATH\n"
    "\n"
    "Writes each COLLECTION (a name or an id) to an exchange file, as the app's Export does.\n"
    "With one collection PATH is the file, or a directory to write \"<name>.json\" into; with\n"
    "several it is a directory (made when missing). Prints the files written.\n"
    "\n"
    "Options:\n"
    "  -o, --output PATH      Where to write.\n");

const QString importHelp = QStringLiteral(
    "Usage: kestrine-cli import FILE...\n"
    "\n"
    "Adds one collection per exchange FILE, as the app's Import does: all of them or, when one\n"
    "cannot be read, none. Prints the new collections: id, name and number of deeplinks.\n");

// What the arguments ask for. Initialised so that GCC accepts designated initialisers that
// leave members out.
struct Invocation {
    QStringList positional{};
    bool json = false;
    std::optional<QString> xcode{};
    std::optional<QString> adb{};
    std::optional<QString> destination{};
    std::optional<QString> app{};
    std::optional<QString> junit{};
    std::optional<QString> output{};
    int intervalMilliseconds = 2000;
    bool stopOnFailure = false;
};

int usageError(const QString& message) {
    CliOutput::error(message + QStringLiteral("\nTry 'kestrine-cli --help'."));
    return KestrineCli::UsageError;
}

QString idOf(const DeeplinkCollection* collection) {
    return collection->uid().isNull() ? QString()
                                      : collection->uid().toString(QUuid::WithoutBraces);
}

// What the run, its progress lines and its report call a deeplink: the app shows "NA" for one
// without a title.
QString titleOf(const Deeplink* deeplink) {
    return deeplink->title().isEmpty() ? QStringLiteral("NA") : deeplink->title();
}

// The app's store, or none when it cannot be opened (reported; the file is left as it is).
std::unique_ptr<PersistentContainer> openStore() {
    auto container = std::make_unique<PersistentContainer>(PersistentContainer::defaultStorePath());
    if (const auto error = container->loadPersistentStores()) {
        CliOutput::error(QStringLiteral("the store cannot be opened: ") + error->description +
                         QStringLiteral(", ") + error->details);
        return nullptr;
    }
    return container;
}

// The collection `wanted` names (its id, else its exact name); none, with a usage error
// printed, when there is none or the name fits several.
DeeplinkCollection* findCollection(ManagedObjectContext* context, const QString& wanted) {
    const QUuid wantedId = QUuid::fromString(wanted);
    const FetchedResultsModel collections(context, DeeplinkQueries::collections());
    QList<DeeplinkCollection*> matches;
    for (ManagedObject* object : collections.fetchedObjects()) {
        auto* collection = static_cast<DeeplinkCollection*>(object);
        if (!wantedId.isNull() && collection->uid() == wantedId)
            return collection;
        if (collection->name() == wanted)
            matches.append(collection);
    }
    if (matches.size() == 1)
        return matches.first();
    if (matches.isEmpty()) {
        usageError(QStringLiteral("no collection named or with the id \"%1\"").arg(wanted));
        return nullptr;
    }
    QString list;
    for (const DeeplinkCollection* collection : std::as_const(matches))
        list += QStringLiteral("\n  ") + idOf(collection) + u'\t' + collection->name();
    usageError(QStringLiteral("several collections are named \"%1\"; give one of their ids:%2")
                   .arg(wanted, list));
    return nullptr;
}

QList<Deeplink*> deeplinksOf(ManagedObjectContext* context, const DeeplinkCollection* collection) {
    const FetchedResultsModel model(context, DeeplinkQueries::deeplinks(collection->uid()));
    QList<Deeplink*> deeplinks;
    for (ManagedObject* object : model.fetchedObjects())
        deeplinks.append(static_cast<Deeplink*>(object));
    return deeplinks;
}

int listDestinations(const Invocation& invocation) {
    const std::optional<CliDestinations> tools =
        CliDestinations::locate(invocation.xcode, invocation.adb);
    if (!tools)
        return KestrineCli::DestinationUnusable;
    // A tool that fails does not hide the others' destinations, but the status reports it.
    bool complete = true;
    const QList<Device> devices = tools->list(&complete);

    QList<Fields> rows;
    QString text;
    for (const Device& device : devices) {
        const QString os = (device.runtime + u' ' + device.runtimeVersion).trimmed();
        const QString kind = CliDestinations::kind(device);
        rows.append({{QStringLiteral("id"), device.id},
                     {QStringLiteral("name"), device.name},
                     {QStringLiteral("kind"), kind},
                     {QStringLiteral("state"), rawValue(device.state)},
                     {QStringLiteral("osVersion"), os},
                     {QStringLiteral("usable"), isUsable(device)},
                     {QStringLiteral("reason"),
                      device.stateText.isEmpty() ? QString() : device.stateText}});
        QStringList columns{device.id, device.name, kind, rawValue(device.state), os};
        if (!device.stateText.isEmpty())
            columns.append(device.stateText);
        text += (isUsable(device) ? QStringLiteral("* ") : QStringLiteral("  ")) +
                columns.join(u'\t') + u'\n';
    }
    if (invocation.json)
        CliOutput::printDocument({}, QStringLiteral("destinations"), rows);
    else
        CliOutput::write(stdout, text);
    return complete ? KestrineCli::Success : KestrineCli::DestinationUnusable;
}

int listCollections(const Invocation& invocation) {
    const std::unique_ptr<PersistentContainer> store = openStore();
    if (!store)
        return KestrineCli::StoreUnavailable;
    const FetchedResultsModel model(store->viewContext(), DeeplinkQueries::collections());
    QList<Fields> rows;
    QString text;
    for (ManagedObject* object : model.fetchedObjects()) {
        const auto* collection = static_cast<DeeplinkCollection*>(object);
        const qsizetype count = collection->deeplinks().size();
        rows.append({{QStringLiteral("id"), idOf(collection)},
                     {QStringLiteral("name"), collection->name()},
                     {QStringLiteral("emoji"), collection->emoji()},
                     {QStringLiteral("pinned"), collection->isPinned()},
                     {QStringLiteral("deeplinks"), qint64(count)}});
        QStringList columns{idOf(collection), collection->name(), QString::number(count)};
        if (collection->isPinned())
            columns.append(QStringLiteral("pinned"));
        text += columns.join(u'\t') + u'\n';
    }
    if (invocation.json)
        CliOutput::printDocument({}, QStringLiteral("collections"), rows);
    else
        CliOutput::write(stdout, text);
    return KestrineCli::Success;
}

// Opens the store, finds the one COLLECTION the command names and hands it to `use`; the
// store is let go when `use` returns. The exit status of what failed, else `use`'s.
int withCollection(
    const Invocation& invocation, const QString& command,
    const std::function<int(ManagedObjectContext*, const DeeplinkCollection*)>& use) {
    if (invocation.positional.size() != 1)
        return usageError(QStringLiteral("%1 takes one COLLECTION, a name or an id").arg(command));
    const std::unique_ptr<PersistentContainer> store = openStore();
    if (!store)
        return KestrineCli::StoreUnavailable;
    const DeeplinkCollection* collection =
        findCollection(store->viewContext(), invocation.positional.first());
    if (!collection)
        return KestrineCli::UsageError;
    return use(store->viewContext(), collection);
}

int listDeeplinks(const Invocation& invocation) {
    return withCollection(invocation, QStringLiteral("deeplinks"),
                          [&](ManagedObjectContext* context, const DeeplinkCollection* collection) {
                              QList<Fields> rows;
                              QString text;
                              for (const Deeplink* deeplink : deeplinksOf(context, collection)) {
                                  rows.append({{QStringLiteral("title"), deeplink->title()},
                                               {QStringLiteral("url"), deeplink->urlString()}});
                                  text += deeplink->title() + u'\t' + deeplink->urlString() + u'\n';
                              }
                              if (invocation.json) {
                                  CliOutput::printDocument(
                                      {{QStringLiteral("collectionId"), idOf(collection)},
                                       {QStringLiteral("collection"), collection->name()}},
                                      QStringLiteral("deeplinks"), rows);
                              } else {
                                  CliOutput::write(stdout, text);
                              }
                              return KestrineCli::Success;
                          });
}

// The tools and the destination a command fires at, or the exit status when there is none.
struct Firing {
    std::optional<CliDestinations> tools{};
    Device device{};
    int status = KestrineCli::Success;
};

Firing chooseDestination(const Invocation& invocation) {
    Firing firing{.tools = CliDestinations::locate(invocation.xcode, invocation.adb)};
    if (!firing.tools) {
        firing.status = KestrineCli::DestinationUnusable;
        return firing;
    }
    bool complete = true;
    bool ambiguous = false;
    const std::optional<Device> device =
        CliDestinations::choose(firing.tools->list(&complete), invocation.destination, &ambiguous);
    if (device)
        firing.device = *device;
    else
        firing.status = ambiguous ? KestrineCli::UsageError : KestrineCli::DestinationUnusable;
    return firing;
}

int statusOf(const CollectionRun::Report& report) {
    if (report.stopSignal != 0)
        return KestrineCli::StoppedBySignal + report.stopSignal;
    return report.count(CollectionRun::Result::Status::failed) > 0 ? KestrineCli::Failed
                                                                   : KestrineCli::Success;
}

int openUrl(const Invocation& invocation) {
    if (invocation.positional.size() != 1)
        return usageError(QStringLiteral("open takes one URL"));
    // As the app's Open URL takes it: what cannot stand in a URL is encoded, nothing else.
    const QString url = UrlText::encodedWhereNeeded(invocation.positional.first().trimmed());
    if (const QString problem = UrlText::problem(url); !problem.isEmpty())
        return usageError(
            QStringLiteral("\"%1\" is no URL: %2").arg(invocation.positional.first(), problem));
    const Firing firing = chooseDestination(invocation);
    if (firing.status != KestrineCli::Success)
        return firing.status;
    return statusOf(CollectionRun::run(
        {{.title = url, .url = url}},
        {.target = firing.tools->target(firing.device, invocation.app), .counting = false}));
}

int runCollection(const Invocation& invocation) {
    // The deeplinks as they are now: the store is let go before the run, which may be long.
    QString collectionId;
    QString collectionName;
    QList<CollectionRun::Step> steps;
    const int found = withCollection(
        invocation, QStringLiteral("run"),
        [&](ManagedObjectContext* context, const DeeplinkCollection* collection) {
            collectionId = idOf(collection);
            collectionName = collection->name();
            for (const Deeplink* deeplink : deeplinksOf(context, collection))
                steps.append({.title = titleOf(deeplink), .url = deeplink->urlString()});
            return KestrineCli::Success;
        });
    if (found != KestrineCli::Success)
        return found;
    const Firing firing = chooseDestination(invocation);
    if (firing.status != KestrineCli::Success)
        return firing.status;

    const CollectionRun::Report report =
        CollectionRun::run(steps, {.target = firing.tools->target(firing.device, invocation.app),
                                   .intervalMilliseconds = invocation.intervalMilliseconds,
                                   .stopOnFailure = invocation.stopOnFailure});
    using Status = CollectionRun::Result::Status;
    CliOutput::write(stderr, QStringLiteral("%1: %2 ok, %3 failed, %4 skipped\n")
                                 .arg(collectionName)
                                 .arg(report.count(Status::ok))
                                 .arg(report.count(Status::failed))
                                 .arg(report.count(Status::skipped)));
    int status = statusOf(report);
    if (invocation.junit) {
        if (const auto error = JUnitReport::write(*invocation.junit, collectionName, report)) {
            CliOutput::error(QStringLiteral("cannot write the JUnit report %1: %2")
                                 .arg(*invocation.junit, *error));
            if (status == KestrineCli::Success)
                status = KestrineCli::Failed;
        }
    }
    if (invocation.json) {
        QList<Fields> rows;
        for (const CollectionRun::Result& result : report.results) {
            rows.append({{QStringLiteral("title"), result.step.title},
                         {QStringLiteral("url"), result.step.url},
                         {QStringLiteral("status"), CollectionRun::statusName(result.status)},
                         {QStringLiteral("seconds"), result.seconds},
                         {QStringLiteral("message"),
                          result.message.isEmpty() ? QString() : result.message}});
        }
        CliOutput::printDocument(
            {{QStringLiteral("collectionId"), collectionId},
             {QStringLiteral("collection"), collectionName},
             {QStringLiteral("destinationId"), firing.device.id},
             {QStringLiteral("destination"), firing.device.name},
             {QStringLiteral("ok"), qint64(report.count(Status::ok))},
             {QStringLiteral("failed"), qint64(report.count(Status::failed))},
             {QStringLiteral("skipped"), qint64(report.count(Status::skipped))},
             {QStringLiteral("interrupted"), report.stopSignal != 0}},
            QStringLiteral("results"), rows);
    }
    return status;
}

int exportCollections(const Invocation& invocation) {
    if (invocation.positional.isEmpty())
        return usageError(QStringLiteral("export takes one COLLECTION or more"));
    if (!invocation.output)
        return usageError(QStringLiteral("export needs -o PATH"));
    const std::unique_ptr<PersistentContainer> store = openStore();
    if (!store)
        return KestrineCli::StoreUnavailable;
    QList<const DeeplinkCollection*> collections;
    for (const QString& wanted : invocation.positional) {
        const DeeplinkCollection* collection = findCollection(store->viewContext(), wanted);
        if (!collection)
            return KestrineCli::UsageError;
        if (!collections.contains(collection))
            collections.append(collection);
    }

    // Every path is settled before anything is written.
    const QString output = *invocation.output;
    const bool intoDirectory = collections.size() > 1 || QFileInfo(output).isDir();
    QStringList paths;
    if (!intoDirectory) {
        paths.append(output);
    } else {
        QSet<QString> names;
        for (const DeeplinkCollection* collection : std::as_const(collections)) {
            const QString name = DeeplinkCollectionExporter::proposedFileName(*collection);
            if (name.isEmpty())
                return usageError(QStringLiteral("the collection %1 has no name to make a file "
                                                 "name of; export it alone to -o FILE")
                                      .arg(idOf(collection)));
            if (names.contains(name))
                return usageError(QStringLiteral("two collections would both be written to "
                                                 "\"%1\"; export them one at a time")
                                      .arg(name));
            names.insert(name);
            paths.append(QDir(output).filePath(name));
        }
        if (!QDir().mkpath(output)) {
            CliOutput::error(QStringLiteral("cannot make the directory %1").arg(output));
            return KestrineCli::Failed;
        }
    }
    for (qsizetype i = 0; i < collections.size(); ++i) {
        const DeeplinkCollectionExporter::Outcome outcome =
            DeeplinkCollectionExporter::exportCollection(*collections.at(i), paths.at(i));
        if (outcome.kind != DeeplinkCollectionExporter::Outcome::Kind::Written) {
            CliOutput::error(QStringLiteral("cannot write %1: %2").arg(paths.at(i), outcome.error));
            return KestrineCli::Failed;
        }
        CliOutput::write(stdout, paths.at(i) + u'\n');
    }
    return KestrineCli::Success;
}

int importFiles(const Invocation& invocation) {
    if (invocation.positional.isEmpty())
        return usageError(QStringLiteral("import takes one FILE or more"));
    const std::unique_ptr<PersistentContainer> store = openStore();
    if (!store)
        return KestrineCli::StoreUnavailable;
    ManagedObjectContext* context = store->viewContext();
    const CollectionImporter::Outcome outcome =
        waitForResult(CollectionImporter::importFiles(invocation.positional, context));
    // A store busy with the app's own save: wait for it here, as nothing retries once this
    // process ends.
    const SaveOutcome saved = outcome.kind == CollectionImporter::Outcome::Kind::Imported
                                  ? context->save(std::chrono::seconds(5))
                                  : SaveOutcome{SaveOutcome::Kind::Failed, outcome.error};
    if (saved.kind != SaveOutcome::Kind::Saved) {
        CliOutput::error(QStringLiteral("nothing imported: ") + saved.reason);
        return KestrineCli::Failed;
    }
    QString text;
    for (const QUuid& id : outcome.ids) {
        const QString wanted = id.toString(QUuid::WithoutBraces);
        const DeeplinkCollection* collection = findCollection(context, wanted);
        if (collection) {
            text += QStringList{wanted, collection->name(),
                                QString::number(collection->deeplinks().size())}
                        .join(u'\t') +
                    u'\n';
        }
    }
    CliOutput::write(stdout, text);
    return KestrineCli::Success;
}

// A command: its help and the options it takes besides --help, --xcode and --adb.
struct Command {
    QString help;
    QList<QCommandLineOption> options;
    int (*perform)(const Invocation&);
};

} // namespace

int KestrineCli::run(const QStringList& arguments) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    const QCommandLineOption xcode(QStringLiteral("xcode"), {}, QStringLiteral("PATH"));
    const QCommandLineOption adb(QStringLiteral("adb"), {}, QStringLiteral("PATH"));
    const QCommandLineOption json(QStringLiteral("json"), {});
    const QCommandLineOption destination(QStringLiteral("destination"), {}, QStringLiteral("D"));
    const QCommandLineOption app(QStringLiteral("app"), {}, QStringLiteral("ID"));
    const QCommandLineOption interval(QStringLiteral("interval"), {}, QStringLiteral("SECONDS"));
    const QCommandLineOption stopOnFailure(QStringLiteral("stop-on-failure"), {});
    const QCommandLineOption junit(QStringLiteral("junit"), {}, QStringLiteral("FILE"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, {},
                                    QStringLiteral("PATH"));

    // Global options come before the command; the command's own arguments (and the global
    // ones again) after it.
    QCommandLineParser global;
    global.addOptions({help, version, xcode, adb});
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!global.parse(arguments))
        return usageError(global.errorText());
    if (global.isSet(version)) {
        CliOutput::write(
            stdout, QStringLiteral("kestrine-cli %1\n").arg(QLatin1String(AppIdentity::version)));
        return Success;
    }
    const QStringList rest = global.positionalArguments();
    if (global.isSet(help) || rest.isEmpty()) {
        CliOutput::write(global.isSet(help) ? stdout : stderr, globalHelp);
        return global.isSet(help) ? Success : UsageError;
    }

    const QHash<QString, Command> commands{
        {QStringLiteral("destinations"), {destinationsHelp, {json}, &listDestinations}},
        {QStringLiteral("collections"), {collectionsHelp, {json}, &listCollections}},
        {QStringLiteral("deeplinks"), {deeplinksHelp, {json}, &listDeeplinks}},
        {QStringLiteral("open"), {openHelp, {destination, app}, &openUrl}},
        {QStringLiteral("run"),
         {runHelp, {destination, app, interval, stopOnFailure, junit, json}, &runCollection}},
        {QStringLiteral("export"), {exportHelp, {output}, &exportCollections}},
        {QStringLiteral("import"), {importHelp, {}, &importFiles}},
    };
    const auto command = commands.constFind(rest.first());
    if (command == commands.cend())
        return usageError(QStringLiteral("unknown command \"%1\"").arg(rest.first()));
    QCommandLineParser parser;
    parser.addOptions({help, xcode, adb});
    parser.addOptions(command->options);
    if (!parser.parse(QStringList{arguments.first()} + rest.mid(1)))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        CliOutput::write(stdout, command->help);
        return Success;
    }

    // Only the command's own options are asked for: the parser knows no others.
    const auto value = [&](const QCommandLineOption& option) -> std::optional<QString> {
        const bool taken = std::any_of(
            command->options.cbegin(), command->options.cend(),
            [&](const QCommandLineOption& own) { return own.names() == option.names(); });
        if (taken && parser.isSet(option))
            return parser.value(option);
        return std::nullopt;
    };
    Invocation invocation{.positional = parser.positionalArguments(),
                          .json = value(json).has_value()};
    for (const QCommandLineParser* source : {&global, &parser}) {
        if (source->isSet(xcode))
            invocation.xcode = source->value(xcode);
        if (source->isSet(adb))
            invocation.adb = source->value(adb);
    }
    invocation.destination = value(destination);
    invocation.app = value(app);
    invocation.junit = value(junit);
    invocation.output = value(output);
    invocation.stopOnFailure = value(stopOnFailure).has_value();
    if (const std::optional<QString> seconds = value(interval)) {
        bool number = false;
        const double parsed = seconds->toDouble(&number);
        // Up to a day: an interval past that is a typo, not a plan.
        if (!number || !std::isfinite(parsed) || parsed < 0 || parsed > 86400)
            return usageError(QStringLiteral("--interval takes seconds from 0 to 86400, not \"%1\"")
                                  .arg(*seconds));
        invocation.intervalMilliseconds = int(std::lround(parsed * 1000));
    }
    if ((rest.first() == u"destinations" || rest.first() == u"collections") &&
        !invocation.positional.isEmpty())
        return usageError(QStringLiteral("%1 takes no arguments").arg(rest.first()));
    return command->perform(invocation);
}
