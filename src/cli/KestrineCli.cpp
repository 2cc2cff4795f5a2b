#include "cli/KestrineCli.h"

#include "destinations/AdbClient.h"
#include "destinations/DeviceCtlClient.h"
#include "destinations/RunDestinationManager.h"
#include "destinations/SimctlClient.h"
#include "platform/AppError.h"
#include "platform/AppIdentity.h"
#include "platform/JsonEncoding.h"
#include "platform/Logger.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/DeeplinkQueries.h"
#include "store/FetchedResultsModel.h"
#include "store/PersistentContainer.h"
#include "toolchain/AdbLocator.h"
#include "toolchain/XcodeBookmarkManager.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <QVariant>

#include <QCoro/QCoroTask>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

const QString globalHelp = QStringLiteral(
    "Usage: kestrine-cli [--xcode PATH] [--adb PATH] COMMAND [--json] [ARGUMENTS]\n"
    "\n"
    "Lists Kestrine's destinations, collections and deeplinks from a terminal. Uses the app's\n"
    "store and settings; safe to run while the app is open.\n"
    "\n"
    "Commands:\n"
    "  destinations           Every iOS and Android destination; usable ones marked \"*\".\n"
    "  collections            The collections, in the app's order.\n"
    "  deeplinks COLLECTION   The deeplinks of a collection (a name or an id), in the app's\n"
    "                         order.\n"
    "\n"
    "Options:\n"
    "  -h, --help             This help; COMMAND --help describes a command.\n"
    "  --version              The version.\n"
    "  --xcode PATH           The Xcode to use instead of the one chosen in the app.\n"
    "  --adb PATH             The adb to use instead of the one set in the app.\n"
    "  --json                 One JSON document on standard output.\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  2  usage error: unknown command or option, no such collection, an ambiguous name\n"
    "  3  no destination can be listed: no Xcode and no adb, or a tool failed\n"
    "  4  the store cannot be opened (the file is left untouched)\n");

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

void write(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int usageError(const QString& message) {
    write(stderr, QStringLiteral("kestrine-cli: ") + message +
                      QStringLiteral("\nTry 'kestrine-cli --help'.\n"));
    return KestrineCli::UsageError;
}

// One JSON object's members, in order: strings (a null one is null), booleans, integers.
using Fields = QList<std::pair<QString, QVariant>>;

void appendMember(QByteArray& out, const QString& key, const QVariant& value) {
    JsonEncoding::appendString(out, key);
    out += ": ";
    if (value.typeId() == QMetaType::Bool)
        out += value.toBool() ? "true" : "false";
    else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        out += QByteArray::number(value.toLongLong());
    else if (value.toString().isNull())
        out += "null";
    else
        JsonEncoding::appendString(out, value.toString());
}

void appendObject(QByteArray& out, const Fields& fields) {
    out += '{';
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendMember(out, fields.at(i).first, fields.at(i).second);
    }
    out += '}';
}

// {<head members>, "<listKey>": [<one object a line>]}
void printDocument(const Fields& head, const QString& listKey, const QList<Fields>& rows) {
    QByteArray out = "{\n";
    for (const auto& [key, value] : head) {
        JsonEncoding::appendIndent(out, 1);
        appendMember(out, key, value);
        out += ",\n";
    }
    JsonEncoding::appendIndent(out, 1);
    JsonEncoding::appendString(out, listKey);
    out += ": [";
    for (qsizetype i = 0; i < rows.size(); ++i) {
        out += i > 0 ? ",\n" : "\n";
        JsonEncoding::appendIndent(out, 2);
        appendObject(out, rows.at(i));
    }
    out += rows.isEmpty() ? "]\n}\n" : "\n  ]\n}\n";
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
}

QString kind(const Device& device) {
    switch (device.source) {
    case DeviceSource::simulator:
        return QStringLiteral("iOS Simulator");
    case DeviceSource::physical:
        return QStringLiteral("iOS Device");
    case DeviceSource::androidEmulator:
        return QStringLiteral("Android Emulator");
    case DeviceSource::androidDevice:
        return QStringLiteral("Android Device");
    }
    return {};
}

// What the arguments ask for. Initialised so that GCC accepts designated initialisers that
// leave members out.
struct Invocation {
    QString command{};
    QStringList positional{};
    bool json = false;
    std::optional<QString> xcode{};
    std::optional<QString> adb{};
};

int listDestinations(const Invocation& invocation) {
    QUrl xcodeURL;
    if (invocation.xcode) {
        if (!QFileInfo(*invocation.xcode).isDir()) {
            write(stderr, QStringLiteral("kestrine-cli: no Xcode at %1\n").arg(*invocation.xcode));
            return KestrineCli::DestinationUnusable;
        }
        xcodeURL = QUrl::fromLocalFile(QFileInfo(*invocation.xcode).absoluteFilePath());
    } else if (const XcodeBookmarkManager::State state = XcodeBookmarkManager().state();
               state.kind == XcodeBookmarkManager::StateKind::Available) {
        xcodeURL = state.url;
    }
    std::optional<QString> adbPath;
    if (invocation.adb) {
        if (!AdbLocator::isProgram(*invocation.adb)) {
            write(stderr, QStringLiteral("kestrine-cli: no adb at %1\n").arg(*invocation.adb));
            return KestrineCli::DestinationUnusable;
        }
        adbPath = QFileInfo(*invocation.adb).absoluteFilePath();
    } else {
        adbPath = AdbLocator::locate();
    }
    if (xcodeURL.isEmpty() && !adbPath) {
        write(stderr, QStringLiteral("kestrine-cli: no Xcode and no adb: choose an Xcode in "
                                     "Kestrine or pass --xcode PATH, install adb or pass --adb "
                                     "PATH\n"));
        return KestrineCli::DestinationUnusable;
    }

    // A tool that fails does not hide the others' destinations, but the run reports it.
    int status = KestrineCli::Success;
    QList<Device> devices;
    const auto collect = [&](const QString& tool, auto listing) {
        try {
            devices += listing();
        } catch (...) {
            write(stderr, QStringLiteral("kestrine-cli: %1: %2\n")
                              .arg(tool, localizedDescription(std::current_exception())));
            status = KestrineCli::DestinationUnusable;
        }
    };
    if (!xcodeURL.isEmpty()) {
        collect(QStringLiteral("simctl"), [&] {
            return SimctlClient::parseSimulatorList(
                QCoro::waitFor(SimctlClient(xcodeURL).listDevices()));
        });
        collect(QStringLiteral("devicectl"), [&] {
            const DeviceCtlClient client(
                xcodeURL, Logger(QStringLiteral("Kestrine"), QStringLiteral("DeviceCtlClient")));
            return DeviceCtlClient::parsePhysicalDevices(QCoro::waitFor(client.listDevices()));
        });
    }
    if (adbPath)
        collect(QStringLiteral("adb"),
                [&] { return QCoro::waitFor(AdbClient(*adbPath).listDevices()); });

    QList<Fields> rows;
    QString text;
    // The picker's order: grouped by kind and platform, booted first, then by name.
    for (const DeviceSection& section : RunDestinationManager::groupDevices(devices)) {
        for (const Device& device : section.devices) {
            const QString os = (device.runtime + u' ' + device.runtimeVersion).trimmed();
            rows.append({{QStringLiteral("id"), device.id},
                         {QStringLiteral("name"), device.name},
                         {QStringLiteral("kind"), kind(device)},
                         {QStringLiteral("state"), rawValue(device.state)},
                         {QStringLiteral("osVersion"), os},
                         {QStringLiteral("usable"), isUsable(device)},
                         {QStringLiteral("reason"),
                          device.stateText.isEmpty() ? QString() : device.stateText}});
            QStringList columns{device.id, device.name, kind(device), rawValue(device.state), os};
            if (!device.stateText.isEmpty())
                columns.append(device.stateText);
            text += (isUsable(device) ? QStringLiteral("* ") : QStringLiteral("  ")) +
                    columns.join(u'\t') + u'\n';
        }
    }
    if (invocation.json)
        printDocument({}, QStringLiteral("destinations"), rows);
    else
        write(stdout, text);
    return status;
}

QString idOf(const DeeplinkCollection* collection) {
    return collection->uid().isNull() ? QString()
                                      : collection->uid().toString(QUuid::WithoutBraces);
}

int listCollections(const Invocation& invocation, ManagedObjectContext* context) {
    const FetchedResultsModel model(context, DeeplinkQueries::collections());
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
        printDocument({}, QStringLiteral("collections"), rows);
    else
        write(stdout, text);
    return KestrineCli::Success;
}

int listDeeplinks(const Invocation& invocation, ManagedObjectContext* context) {
    if (invocation.positional.size() != 1)
        return usageError(QStringLiteral("deeplinks takes one COLLECTION, a name or an id"));
    const QString wanted = invocation.positional.first();
    const QUuid wantedId = QUuid::fromString(wanted);
    const FetchedResultsModel collections(context, DeeplinkQueries::collections());
    QList<DeeplinkCollection*> matches;
    for (ManagedObject* object : collections.fetchedObjects()) {
        auto* collection = static_cast<DeeplinkCollection*>(object);
        if (!wantedId.isNull() && collection->uid() == wantedId) {
            matches = {collection};
            break;
        }
        if (collection->name() == wanted)
            matches.append(collection);
    }
    if (matches.isEmpty())
        return usageError(QStringLiteral("no collection named or with the id \"%1\"").arg(wanted));
    if (matches.size() > 1) {
        QString list;
        for (const DeeplinkCollection* collection : std::as_const(matches))
            list += QStringLiteral("\n  ") + idOf(collection) + u'\t' + collection->name();
        return usageError(
            QStringLiteral("several collections are named \"%1\"; give one of their ids:%2")
                .arg(wanted, list));
    }

    const DeeplinkCollection* collection = matches.first();
    const FetchedResultsModel model(context, DeeplinkQueries::deeplinks(collection->uid()));
    QList<Fields> rows;
    QString text;
    for (ManagedObject* object : model.fetchedObjects()) {
        const auto* deeplink = static_cast<Deeplink*>(object);
        rows.append({{QStringLiteral("title"), deeplink->title()},
                     {QStringLiteral("url"), deeplink->urlString()}});
        text += deeplink->title() + u'\t' + deeplink->urlString() + u'\n';
    }
    if (invocation.json) {
        printDocument({{QStringLiteral("collectionId"), idOf(collection)},
                       {QStringLiteral("collection"), collection->name()}},
                      QStringLiteral("deeplinks"), rows);
    } else {
        write(stdout, text);
    }
    return KestrineCli::Success;
}

// The app's store: one that cannot be opened is reported and left as it is.
int withStore(const std::function<int(ManagedObjectContext*)>& command) {
    PersistentContainer container(PersistentContainer::defaultStorePath());
    if (const auto error = container.loadPersistentStores()) {
        write(stderr, QStringLiteral("kestrine-cli: the store cannot be opened: ") +
                          error->description + QStringLiteral(", ") + error->details + u'\n');
        return KestrineCli::StoreUnavailable;
    }
    return command(container.viewContext());
}

} // namespace

int KestrineCli::run(const QStringList& arguments) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    const QCommandLineOption json(QStringLiteral("json"), {});
    const QCommandLineOption xcode(QStringLiteral("xcode"), {}, QStringLiteral("PATH"));
    const QCommandLineOption adb(QStringLiteral("adb"), {}, QStringLiteral("PATH"));

    // Global options come before the command; the command's own arguments (and the global
    // ones again) after it.
    QCommandLineParser global;
    global.addOptions({help, version, xcode, adb});
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!global.parse(arguments))
        return usageError(global.errorText());
    if (global.isSet(version)) {
        write(stdout, QStringLiteral("kestrine-cli %1\n").arg(QLatin1String(AppIdentity::version)));
        return Success;
    }
    const QStringList rest = global.positionalArguments();
    if (global.isSet(help) || rest.isEmpty()) {
        write(global.isSet(help) ? stdout : stderr, globalHelp);
        return global.isSet(help) ? Success : UsageError;
    }

    const QString command = rest.first();
    const QHash<QString, QString> helps{{QStringLiteral("destinations"), destinationsHelp},
                                        {QStringLiteral("collections"), collectionsHelp},
                                        {QStringLiteral("deeplinks"), deeplinksHelp}};
    if (!helps.contains(command))
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
    QCommandLineParser parser;
    parser.addOptions({help, json, xcode, adb});
    if (!parser.parse(QStringList{arguments.first()} + rest.mid(1)))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        write(stdout, helps.value(command));
        return Success;
    }

    Invocation invocation{
        .command = command, .positional = parser.positionalArguments(), .json = parser.isSet(json)};
    for (const QCommandLineParser* source : {&global, &parser}) {
        if (source->isSet(xcode))
            invocation.xcode = source->value(xcode);
        if (source->isSet(adb))
            invocation.adb = source->value(adb);
    }
    if (command == QStringLiteral("destinations")) {
        if (!invocation.positional.isEmpty())
            return usageError(QStringLiteral("destinations takes no arguments"));
        return listDestinations(invocation);
    }
    if (command == QStringLiteral("collections")) {
        if (!invocation.positional.isEmpty())
            return usageError(QStringLiteral("collections takes no arguments"));
        return withStore(
            [&](ManagedObjectContext* context) { return listCollections(invocation, context); });
    }
    return withStore(
        [&](ManagedObjectContext* context) { return listDeeplinks(invocation, context); });
}
