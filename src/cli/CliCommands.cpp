#include "cli/CliCommands.h"

#include "cli/CliDestinations.h"
#include "cli/CliOutput.h"
#include "cli/CliVariables.h"
#include "cli/CollectionRun.h"
#include "cli/JUnitReport.h"
#include "cli/KestrineCli.h"
#include "exchange/CollectionImporter.h"
#include "exchange/DeeplinkCollectionExporter.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "platform/AppError.h"
#include "platform/QrCode.h"
#include "platform/ShellQuoting.h"
#include "platform/StandardOutput.h"
#include "platform/TaskOutcome.h"
#include "platform/TextCase.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/DeeplinkQueries.h"
#include "store/FetchedResultsModel.h"
#include "store/PersistentContainer.h"
#include "store/UrlText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

namespace {

using Fields = CliOutput::Fields;

QString idOf(const DeeplinkCollection* collection) {
    return collection->uid().isNull() ? QString()
                                      : collection->uid().toString(QUuid::WithoutBraces);
}

// What the run, its progress lines and its report call a deeplink titled `title`: the app shows
// "NA" for one without a title.
QString titleOf(const QString& title) {
    return title.isEmpty() ? QStringLiteral("NA") : title;
}

// The app's store, or none when it cannot be opened (reported; the file is left as it is).
std::unique_ptr<PersistentContainer> openStore() {
    auto container = std::make_unique<PersistentContainer>(PersistentContainer::defaultStorePath());
    if (const auto error = container->loadPersistentStores()) {
        CliOutput::error(QStringLiteral("the store cannot be opened: ") + error->description +
                         QStringLiteral(", ") + StandardOutput::escaped(error->details));
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
        CliArguments::usageError(QStringLiteral("no collection named or with the id \"%1\"")
                                     .arg(StandardOutput::escaped(wanted)));
        return nullptr;
    }
    QString list;
    for (const DeeplinkCollection* collection : std::as_const(matches))
        list += QStringLiteral("\n  ") + CliOutput::row({idOf(collection), collection->name()});
    list.chop(1);
    CliArguments::usageError(
        QStringLiteral("several collections are named \"%1\"; give one of their ids:%2")
            .arg(StandardOutput::escaped(wanted), list));
    return nullptr;
}

QList<Deeplink*> deeplinksOf(ManagedObjectContext* context, const DeeplinkCollection* collection) {
    const FetchedResultsModel model(context, DeeplinkQueries::deeplinks(collection->uid()));
    QList<Deeplink*> deeplinks;
    for (ManagedObject* object : model.fetchedObjects())
        deeplinks.append(static_cast<Deeplink*>(object));
    return deeplinks;
}

int listDestinations(const CliArguments& arguments) {
    const std::optional<CliDestinations> tools =
        CliDestinations::locate(arguments.xcode, arguments.adb);
    if (!tools)
        return KestrineCli::DestinationUnusable;
    // A tool that fails does not hide the others' destinations; only when none answered is
    // there nothing to go on.
    bool complete = true;
    bool anyAnswered = false;
    const QList<Device> devices = tools->list(&complete, &anyAnswered);
    if (!anyAnswered) {
        CliOutput::error(QStringLiteral("no tool listed its destinations; see the reasons above"));
        return KestrineCli::DestinationUnusable;
    }

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
                CliOutput::row(columns);
    }
    if (arguments.json)
        CliOutput::printDocument({}, QStringLiteral("destinations"), rows);
    else
        CliOutput::write(stdout, text);
    return KestrineCli::Success;
}

int listCollections(const CliArguments& arguments) {
    const std::unique_ptr<PersistentContainer> store = openStore();
    if (!store)
        return KestrineCli::StoreUnavailable;
    const FetchedResultsModel model(store->viewContext(), DeeplinkQueries::collections());
    QList<Fields> rows;
    QString text;
    for (ManagedObject* object : model.fetchedObjects()) {
        const auto* collection = static_cast<DeeplinkCollection*>(object);
        const qint64 count = collection->deeplinksCount();
        rows.append({{QStringLiteral("id"), idOf(collection)},
                     {QStringLiteral("name"), collection->name()},
                     {QStringLiteral("emoji"), collection->emoji()},
                     {QStringLiteral("pinned"), collection->isPinned()},
                     {QStringLiteral("deeplinks"), qint64(count)}});
        QStringList columns{idOf(collection), collection->name(), QString::number(count)};
        if (collection->isPinned())
            columns.append(QStringLiteral("pinned"));
        text += CliOutput::row(columns);
    }
    if (arguments.json)
        CliOutput::printDocument({}, QStringLiteral("collections"), rows);
    else
        CliOutput::write(stdout, text);
    return KestrineCli::Success;
}

// Opens the store, finds the one COLLECTION the command names and hands it to `use`; the
// store is let go when `use` returns. The exit status of what failed, else `use`'s.
int withCollection(
    const CliArguments& arguments, const QString& command,
    const std::function<int(ManagedObjectContext*, const DeeplinkCollection*)>& use) {
    if (arguments.positional.size() != 1)
        return CliArguments::usageError(
            QStringLiteral("%1 takes one COLLECTION, a name or an id").arg(command));
    const std::unique_ptr<PersistentContainer> store = openStore();
    if (!store)
        return KestrineCli::StoreUnavailable;
    const DeeplinkCollection* collection =
        findCollection(store->viewContext(), arguments.positional.first());
    if (!collection)
        return KestrineCli::UsageError;
    return use(store->viewContext(), collection);
}

int listDeeplinks(const CliArguments& arguments) {
    return withCollection(
        arguments, QStringLiteral("deeplinks"),
        [&](ManagedObjectContext* context, const DeeplinkCollection* collection) {
            QList<Fields> rows;
            QString text;
            for (const Deeplink* deeplink : deeplinksOf(context, collection)) {
                rows.append({{QStringLiteral("title"), deeplink->title()},
                             {QStringLiteral("url"), deeplink->urlString()}});
                text += CliOutput::row({deeplink->title(), deeplink->urlString()});
            }
            if (arguments.json) {
                CliOutput::printDocument({{QStringLiteral("collectionId"), idOf(collection)},
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

Firing chooseDestination(const CliArguments& arguments) {
    Firing firing{.tools = CliDestinations::locate(arguments.xcode, arguments.adb)};
    if (!firing.tools) {
        firing.status = KestrineCli::DestinationUnusable;
        return firing;
    }
    // A hung adb must not hold up a simulator named by its UDID.
    firing.tools = firing.tools->toolsFor(arguments.destination);
    bool ambiguous = false;
    const std::optional<Device> device = firing.tools->find(arguments.destination, &ambiguous);
    if (device)
        firing.device = *device;
    else
        firing.status = ambiguous ? KestrineCli::UsageError : KestrineCli::DestinationUnusable;
    // A dry run boots nothing: the simulator --boot would start is as good as booted.
    if (device && !(arguments.dryRun && arguments.boot) &&
        !firing.tools->readyToFire(*device, arguments.boot))
        firing.status = KestrineCli::DestinationUnusable;
    return firing;
}

// Where and how the command fires each URL, screenshots aside.
DeeplinkExecuter::Target firingTarget(const Firing& firing, const CliArguments& arguments) {
    DeeplinkExecuter::Target target = firing.tools->target(firing.device, arguments.app);
    if (arguments.timeout)
        target.deadline = *arguments.timeout;
    if (arguments.settle)
        target.settle = *arguments.settle;
    target.cold = arguments.cold;
    return target;
}

// How the command fires its URLs: where, cold or not, with screenshots where and how judged.
// None, with the reason printed, when the screenshots' directory cannot be made.
std::optional<CollectionRun::Options> runOptions(const Firing& firing,
                                                 const CliArguments& arguments) {
    CollectionRun::Options options{.target = firingTarget(firing, arguments),
                                   .intervalMilliseconds = arguments.intervalMilliseconds,
                                   .stopOnFailure = arguments.stopOnFailure,
                                   .expectedApp = arguments.expectApp,
                                   .strict = arguments.strict};
    if (!arguments.screenshots)
        return options;
    // Said once here rather than as a note on every firing.
    if (firing.device.source == DeviceSource::Physical) {
        CliOutput::write(stderr,
                         QStringLiteral("Screenshots are not available on a physical iPhone\n"));
        return options;
    }
    // Absolute, as the reports name the files for a CI server to pick up.
    const QString directory = QFileInfo(*arguments.screenshots).absoluteFilePath();
    if (!QDir().mkpath(directory) || !QFileInfo(directory).isDir()) {
        CliOutput::error(
            QStringLiteral("cannot make the directory %1").arg(StandardOutput::escaped(directory)));
        return std::nullopt;
    }
    options.screenshotDirectory = QDir::cleanPath(directory);
    return options;
}

// --dry-run: the command line of each firing of `steps`, one a line on standard output, and
// nothing run. Failed, with the reason, when the destination lacks a tool or an app: the real
// run would fail every firing for it.
int printCommandLines(const QList<CollectionRun::Step>& steps, const Firing& firing,
                      const CliArguments& arguments) {
    const DeeplinkExecuter::Target target = firingTarget(firing, arguments);
    QString text;
    try {
        for (const CollectionRun::Step& step : steps) {
            if (!step.url.isEmpty())
                text +=
                    ShellQuoting::joined(DeeplinkExecuter::commandLine(step.url, target)) + u'\n';
        }
    } catch (...) {
        CliOutput::error(localizedDescription(std::current_exception()).simplified());
        return KestrineCli::Failed;
    }
    CliOutput::write(stdout, text);
    return KestrineCli::Success;
}

int statusOf(const CollectionRun::Report& report) {
    if (report.stopSignal != 0)
        return KestrineCli::StoppedBySignal + report.stopSignal;
    return report.count(CollectionRun::Result::Status::Failed) > 0 ? KestrineCli::Failed
                                                                   : KestrineCli::Success;
}

// What `run` fires: a stored collection, or one read from an exchange file; `open`, one URL.
struct RunSubject {
    QString id{}; // none for a file or a URL
    QString name{};
    QList<CollectionRun::Step> steps{};
    QList<Environment> environments{};
    QString activeEnvironment{};
};

// A known value, or null.
QVariant knownOr(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// One deeplink of a report, as the JSON document lists it.
Fields resultFields(const CollectionRun::Result& result) {
    const std::optional<FiringOutcome>& outcome = result.outcome;
    QVariant totalTime;
    if (outcome && outcome->totalTimeMs)
        totalTime = qint64(*outcome->totalTimeMs);
    return {{QStringLiteral("title"), result.step.title},
            {QStringLiteral("url"), result.step.url},
            {QStringLiteral("typedUrl"), result.step.typedUrl},
            {QStringLiteral("status"), CollectionRun::statusName(result.status)},
            {QStringLiteral("seconds"), result.seconds},
            {QStringLiteral("message"), knownOr(result.message)},
            {QStringLiteral("result"),
             outcome ? QVariant(FiringOutcome::resultName(outcome->result)) : QVariant()},
            {QStringLiteral("handler"), knownOr(outcome ? outcome->handler : QString())},
            {QStringLiteral("launch"),
             knownOr(outcome ? FiringOutcome::launchName(outcome->launch) : QString())},
            {QStringLiteral("totalTimeMs"), totalTime},
            {QStringLiteral("screenshot"), knownOr(outcome ? outcome->screenshot : QString())}};
}

// Prints the JSON document of a run (with `collection`) or of an `open` (without).
void printReport(const RunSubject* collection, const Device& device,
                 const CollectionRun::Report& report) {
    using Status = CollectionRun::Result::Status;
    Fields head;
    if (collection) {
        head = {{QStringLiteral("collectionId"), collection->id},
                {QStringLiteral("collection"), collection->name}};
    }
    head += Fields{{QStringLiteral("destinationId"), device.id},
                   {QStringLiteral("destination"), device.name},
                   {QStringLiteral("ok"), qint64(report.count(Status::Ok))},
                   {QStringLiteral("failed"), qint64(report.count(Status::Failed))},
                   {QStringLiteral("skipped"), qint64(report.count(Status::Skipped))},
                   {QStringLiteral("interrupted"), report.stopSignal != 0}};
    QList<Fields> rows;
    for (const CollectionRun::Result& result : report.results)
        rows.append(resultFields(result));
    CliOutput::printDocument(head, QStringLiteral("results"), rows);
}

int readSubject(const QString& wanted, RunSubject* subject);

// The one URL argument of `command` as the app's Open URL takes it (what cannot stand in a
// URL is encoded, nothing else), as a step with its placeholders filled from --var, --env and the
// global variables. Otherwise the exit status, the error printed.
std::variant<CollectionRun::Step, int> urlArgument(const CliArguments& arguments,
                                                   const QString& command) {
    if (arguments.positional.size() != 1)
        return CliArguments::usageError(QStringLiteral("%1 takes one URL").arg(command));
    const QString url = UrlText::encodedWhereNeeded(arguments.positional.first().trimmed());
    if (const QString problem = UrlText::problem(url); !problem.isEmpty())
        return CliArguments::usageError(
            QStringLiteral("\"%1\" is no URL: %2")
                .arg(StandardOutput::escaped(arguments.positional.first()), problem));
    // Only the environments of --collection's collection are wanted, not its deeplinks.
    RunSubject collection;
    if (arguments.collection) {
        if (const int status = readSubject(*arguments.collection, &collection);
            status != KestrineCli::Success)
            return status;
    }
    const std::optional<CliVariables> variables = CliVariables::choose(
        arguments, collection.name, collection.environments, collection.activeEnvironment);
    QList<CollectionRun::Step> steps{{.url = url}};
    if (!variables || !variables->resolve(steps))
        return KestrineCli::UsageError;
    steps.first().title = steps.first().url;
    return steps.first();
}

int openUrl(const CliArguments& arguments) {
    const auto step = urlArgument(arguments, QStringLiteral("open"));
    if (const int* status = std::get_if<int>(&step))
        return *status;
    const QList<CollectionRun::Step> steps{std::get<CollectionRun::Step>(step)};
    const Firing firing = chooseDestination(arguments);
    if (firing.status != KestrineCli::Success)
        return firing.status;
    if (arguments.dryRun)
        return printCommandLines(steps, firing, arguments);
    std::optional<CollectionRun::Options> options = runOptions(firing, arguments);
    if (!options)
        return KestrineCli::Failed;
    options->counting = false;
    const CollectionRun::Report report = CollectionRun::run(steps, *options);
    if (arguments.json)
        printReport(nullptr, firing.device, report);
    return statusOf(report);
}

// An argument ending in ".json" is an exchange file, never a collection's name: a file that is
// missing must say so rather than "no collection named …".
bool isCollectionFile(const QString& argument) {
    return argument.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
}

// The collection of the exchange file at `path` as an import would store it (the title
// capitalised, a URL that does not parse left out), its deeplinks in the file's order; the
// store is not touched.
int readCollectionFile(const QString& path, RunSubject* subject) {
    const Result<DeeplinkCollectionFile> file = DeeplinkCollectionFile::read(path);
    if (!file) {
        CliOutput::error(
            QStringLiteral("cannot read %1: %2")
                .arg(StandardOutput::escaped(path), StandardOutput::escaped(file.error())));
        return KestrineCli::Failed;
    }
    const SerialisingDeeplinkRecordCollection& record = file->deeplinkCollection;
    subject->name =
        record.title ? TextCase::capitalized(*record.title) : QFileInfo(path).completeBaseName();
    for (const SerialisingDeeplinkRecord& deeplink :
         record.deeplinks.value_or(QList<SerialisingDeeplinkRecord>())) {
        const QString url = UrlText::encodedWhereNeeded(deeplink.url.value_or(QString()));
        subject->steps.append({.title = titleOf(deeplink.title.value_or(QString())),
                               .url = UrlText::parse(url) ? url : QString()});
    }
    subject->environments = record.environments.value_or(QList<Environment>());
    subject->activeEnvironment = record.activeEnvironment.value_or(QString());
    return KestrineCli::Success;
}

// The collection `wanted` names: an exchange file, else a stored one (a name or an id), its
// deeplinks as they are now (the store is let go before a run, which may be long).
int readSubject(const QString& wanted, RunSubject* subject) {
    if (isCollectionFile(wanted))
        return readCollectionFile(wanted, subject);
    const std::unique_ptr<PersistentContainer> store = openStore();
    if (!store)
        return KestrineCli::StoreUnavailable;
    const DeeplinkCollection* collection = findCollection(store->viewContext(), wanted);
    if (!collection)
        return KestrineCli::UsageError;
    subject->id = idOf(collection);
    subject->name = collection->name();
    for (const Deeplink* deeplink : deeplinksOf(store->viewContext(), collection))
        subject->steps.append({.title = titleOf(deeplink->title()), .url = deeplink->urlString()});
    subject->environments = collection->environments();
    subject->activeEnvironment = collection->activeEnvironment();
    return KestrineCli::Success;
}

// Prints the JSON document and writes the JUnit report of a run, as far as asked for; `status`,
// or Failed instead of Success when the report cannot be written.
int writeReports(const CliArguments& arguments, const RunSubject& subject, const Device& device,
                 const CollectionRun::Report& report, int status) {
    if (arguments.junit) {
        if (const auto error = JUnitReport::write(*arguments.junit, subject.name, report)) {
            CliOutput::error(QStringLiteral("cannot write the JUnit report %1: %2")
                                 .arg(StandardOutput::escaped(*arguments.junit),
                                      StandardOutput::escaped(*error)));
            if (status == KestrineCli::Success)
                status = KestrineCli::Failed;
        }
    }
    if (arguments.json)
        printReport(&subject, device, report);
    return status;
}

int runCollection(const CliArguments& arguments) {
    RunSubject subject;
    const QString wanted = arguments.positional.value(0);
    int status = arguments.positional.size() == 1
                     ? readSubject(wanted, &subject)
                     : CliArguments::usageError(
                           QStringLiteral("run takes one COLLECTION, a name, an id or a file"));
    if (status == KestrineCli::Success) {
        const std::optional<CliVariables> variables = CliVariables::choose(
            arguments, subject.name, subject.environments, subject.activeEnvironment);
        if (!variables || !variables->resolve(subject.steps))
            status = KestrineCli::UsageError;
    }
    Firing firing;
    std::optional<CollectionRun::Options> options;
    if (status == KestrineCli::Success) {
        firing = chooseDestination(arguments);
        status = firing.status;
    }
    if (status == KestrineCli::Success && arguments.dryRun)
        return printCommandLines(subject.steps, firing, arguments);
    if (status == KestrineCli::Success) {
        options = runOptions(firing, arguments);
        if (!options)
            status = KestrineCli::Failed;
    }
    if (status != KestrineCli::Success) {
        // A dashboard shows why the run never started: one errored case with every reason
        // printed on the way.
        if (subject.name.isEmpty())
            subject.name = wanted;
        const CollectionRun::Result errored{.step = {.title = subject.name},
                                            .status = CollectionRun::Result::Status::Errored,
                                            .message = CliOutput::printedErrors().join(u'\n')};
        return writeReports(arguments, subject, firing.device, {.results = {errored}}, status);
    }

    const CollectionRun::Report ran = CollectionRun::run(subject.steps, *options);
    using Status = CollectionRun::Result::Status;
    CliOutput::write(stderr, QStringLiteral("%1: %2 ok, %3 failed, %4 skipped\n")
                                 .arg(StandardOutput::escaped(subject.name))
                                 .arg(ran.count(Status::Ok))
                                 .arg(ran.count(Status::Failed))
                                 .arg(ran.count(Status::Skipped)));
    return writeReports(arguments, subject, firing.device, ran, statusOf(ran));
}

int exportCollections(const CliArguments& arguments) {
    if (arguments.positional.isEmpty())
        return CliArguments::usageError(QStringLiteral("export takes one COLLECTION or more"));
    if (!arguments.output)
        return CliArguments::usageError(QStringLiteral("export needs -o PATH"));
    const std::unique_ptr<PersistentContainer> store = openStore();
    if (!store)
        return KestrineCli::StoreUnavailable;
    QList<const DeeplinkCollection*> collections;
    for (const QString& wanted : arguments.positional) {
        const DeeplinkCollection* collection = findCollection(store->viewContext(), wanted);
        if (!collection)
            return KestrineCli::UsageError;
        if (!collections.contains(collection))
            collections.append(collection);
    }

    // Every path is settled before anything is written.
    const QString output = *arguments.output;
    const bool intoDirectory = collections.size() > 1 || QFileInfo(output).isDir();
    QStringList paths;
    if (!intoDirectory) {
        paths.append(output);
    } else {
        QSet<QString> names;
        for (const DeeplinkCollection* collection : std::as_const(collections)) {
            const QString name = DeeplinkCollectionExporter::proposedFileName(*collection);
            if (name.isEmpty())
                return CliArguments::usageError(
                    QStringLiteral("the collection %1 has no name to make a file "
                                   "name of; export it alone to -o FILE")
                        .arg(idOf(collection)));
            if (names.contains(name))
                return CliArguments::usageError(
                    QStringLiteral("two collections would both be written to "
                                   "\"%1\"; export them one at a time")
                        .arg(StandardOutput::escaped(name)));
            names.insert(name);
            paths.append(QDir(output).filePath(name));
        }
    }
    for (const QString& path : std::as_const(paths)) {
        if (const std::optional<QString> refused = CliOutput::refusedDestination(path)) {
            CliOutput::error(
                QStringLiteral("cannot write %1: %2").arg(StandardOutput::escaped(path), *refused));
            return KestrineCli::Failed;
        }
    }
    if (intoDirectory && !QDir().mkpath(output)) {
        CliOutput::error(
            QStringLiteral("cannot make the directory %1").arg(StandardOutput::escaped(output)));
        return KestrineCli::Failed;
    }
    for (qsizetype i = 0; i < collections.size(); ++i) {
        const DeeplinkCollectionExporter::Outcome outcome =
            DeeplinkCollectionExporter::exportCollection(*collections.at(i), paths.at(i));
        if (outcome.kind != DeeplinkCollectionExporter::Outcome::Kind::Written) {
            CliOutput::error(QStringLiteral("cannot write %1: %2")
                                 .arg(StandardOutput::escaped(paths.at(i)),
                                      StandardOutput::escaped(outcome.error)));
            return KestrineCli::Failed;
        }
        CliOutput::write(stdout, CliOutput::row({paths.at(i)}));
    }
    return KestrineCli::Success;
}

int importFiles(const CliArguments& arguments) {
    if (arguments.positional.isEmpty())
        return CliArguments::usageError(QStringLiteral("import takes one FILE or more"));
    const std::unique_ptr<PersistentContainer> store = openStore();
    if (!store)
        return KestrineCli::StoreUnavailable;
    ManagedObjectContext* context = store->viewContext();
    const CollectionImporter::Outcome outcome = waitForResult(
        CollectionImporter::importFiles(arguments.positional, context, {}, arguments.replace));
    // A store busy with the app's own save: wait for it here, as nothing retries once this
    // process ends.
    const SaveOutcome saved = outcome.kind == CollectionImporter::Outcome::Kind::Imported
                                  ? context->save(std::chrono::seconds(5))
                                  : SaveOutcome{SaveOutcome::Kind::Failed, outcome.error};
    if (saved.kind != SaveOutcome::Kind::Saved) {
        CliOutput::error(QStringLiteral("nothing imported: ") +
                         StandardOutput::escaped(saved.reason));
        return KestrineCli::Failed;
    }
    QString text;
    for (const QUuid& id : outcome.ids) {
        const QString wanted = id.toString(QUuid::WithoutBraces);
        const DeeplinkCollection* collection = findCollection(context, wanted);
        if (collection) {
            text += CliOutput::row(
                {wanted, collection->name(), QString::number(collection->deeplinksCount())});
        }
    }
    CliOutput::write(stdout, text);
    return KestrineCli::Success;
}

// The QR code of the URL the same arguments would open: as text on standard output, or as a
// PNG written to -o FILE.
int printQrCode(const CliArguments& arguments) {
    const auto step = urlArgument(arguments, QStringLiteral("qr"));
    if (const int* status = std::get_if<int>(&step))
        return *status;
    const Result<QrCode> code = QrCode::encode(std::get<CollectionRun::Step>(step).url);
    if (!code) {
        CliOutput::error(code.error());
        return KestrineCli::Failed;
    }
    if (!arguments.output) {
        CliOutput::write(stdout, code->terminalText());
        return KestrineCli::Success;
    }
    const QString& path = *arguments.output;
    const auto failed = [&path](const QString& reason) {
        CliOutput::error(QStringLiteral("cannot write %1: %2")
                             .arg(StandardOutput::escaped(path), StandardOutput::escaped(reason)));
        return KestrineCli::Failed;
    };
    QSaveFile file(path);
    if (const std::optional<QString> refused = CliOutput::openDestination(file))
        return failed(*refused);
    if (file.write(code->png()) < 0 || !file.commit())
        return failed(file.errorString());
    return KestrineCli::Success;
}

} // namespace

int CliCommands::perform(const CliArguments& arguments) {
    const QHash<QString, int (*)(const CliArguments&)> commands{
        {QStringLiteral("destinations"), &listDestinations},
        {QStringLiteral("collections"), &listCollections},
        {QStringLiteral("deeplinks"), &listDeeplinks},
        {QStringLiteral("open"), &openUrl},
        {QStringLiteral("run"), &runCollection},
        {QStringLiteral("export"), &exportCollections},
        {QStringLiteral("import"), &importFiles},
        {QStringLiteral("qr"), &printQrCode},
    };
    const auto perform = commands.value(arguments.command);
    if (!perform)
        return CliArguments::usageError(QStringLiteral("unknown command \"%1\"")
                                            .arg(StandardOutput::escaped(arguments.command)));
    return perform(arguments);
}
