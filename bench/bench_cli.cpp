// What `kestrine-cli run` costs beyond starting the tool it fires: a run of 100 deeplinks with
// --interval 0 against a stand-in simctl that exits at once, beside 100 bare spawns of that
// same tool and beside the 200 spawns the run makes (listapps, openurl), in one program.
// Run: build/release/bench/bench_cli [KESTRINE_CLI]
//
// The stand-ins are /bin/sh scripts: simctl prints one booted simulator for "list" and exits 0
// for anything else, devicectl writes an empty device list, adb lists nothing.
#include "Median.h"
#include "platform/AppPaths.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int deeplinkCount = 100;
constexpr int rounds = 7;

void writeScript(const QString& path, const QByteArray& body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write("#!/bin/sh\n" + body);
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// Milliseconds from start to exit of `program`.
double timed(const QString& program, const QStringList& arguments,
             const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qFatal("%s failed", qPrintable(program));
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString bin = scratch.filePath(QStringLiteral("Xcode.app/Contents/Developer/usr/bin"));
    QDir().mkpath(bin);
    const QString simctl = bin + QStringLiteral("/simctl");
    writeScript(
        simctl,
        R"([ "$1" = list ] && printf '%s' '{"devices": {"com.apple.CoreSimulator.SimRuntime.iOS-17-2": [{"udid": "S1", "name": "iPhone 15", "state": "Booted", "isAvailable": true}]}}'
exit 0
)");
    writeScript(bin + QStringLiteral("/devicectl"), R"(while [ $# -gt 0 ]; do
    [ "$1" = --json-output ] && printf '%s' '{"result": {"devices": []}}' > "$2"
    shift
done
)");
    const QString adb = scratch.filePath(QStringLiteral("adb"));
    writeScript(adb, "echo 'List of devices attached'\n");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(AppPaths::homeVariable), scratch.path());
    {
        PersistentContainer store(scratch.filePath(QStringLiteral("Kestrine.sqlite")));
        if (store.loadPersistentStores())
            qFatal("cannot make the store");
        ManagedObjectContext& context = *store.viewContext();
        const QList<std::pair<QString, int>> collections{{QStringLiteral("Bench"), deeplinkCount},
                                                         {QStringLiteral("Empty"), 0}};
        for (const auto& [name, count] : collections) {
            DeeplinkCollection* collection = context.insertCollection();
            collection->setUid(QUuid::createUuid());
            collection->setName(name);
            for (int i = 0; i < count; ++i) {
                Deeplink* deeplink = context.insertDeeplink();
                deeplink->setTitle(QStringLiteral("Deeplink %1").arg(i));
                deeplink->setUrlString(QStringLiteral("shop://item/%1?ref=bench").arg(i));
                collection->addDeeplink(deeplink);
            }
        }
        if (context.save().kind != SaveOutcome::Kind::Saved)
            qFatal("cannot save the store");
    }

    // Another build's kestrine-cli may be given, to compare two in the same conditions.
    const QString cli =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(KESTRINE_CLI_EXECUTABLE);
    const auto run = [&](const char* collection) {
        return timed(cli,
                     {QStringLiteral("--xcode"), scratch.filePath(QStringLiteral("Xcode.app")),
                      QStringLiteral("--adb"), adb, QStringLiteral("run"),
                      QString::fromLatin1(collection), QStringLiteral("--interval"),
                      QStringLiteral("0"), QStringLiteral("--destination"), QStringLiteral("S1")},
                     environment);
    };
    // A firing at a simulator asks simctl which app takes the URL (listapps) before openurl:
    // `withListing` spawns both, as the run does.
    const auto bareSpawns = [&](bool withListing) {
        double total = 0;
        for (int i = 0; i < deeplinkCount; ++i) {
            if (withListing)
                total += timed(simctl, {QStringLiteral("listapps"), QStringLiteral("S1")});
            total += timed(simctl, {QStringLiteral("openurl"), QStringLiteral("S1"),
                                    QStringLiteral("shop://item/%1?ref=bench").arg(i)});
        }
        return total;
    };

    (void)run("Bench"); // warm up the page cache
    (void)bareSpawns(true);
    QList<double> runs, spawns, spawnsMade, empty;
    for (int round = 0; round < rounds; ++round) {
        spawns.append(bareSpawns(false));
        spawnsMade.append(bareSpawns(true));
        runs.append(run("Bench"));
        empty.append(run("Empty"));
    }
    const double perDeeplink = (median(runs) - median(empty)) / deeplinkCount;
    std::printf("%d bare spawns of the stand-in simctl: median %.1f ms (%.2f ms each)\n",
                deeplinkCount, median(spawns), median(spawns) / deeplinkCount);
    std::printf("kestrine-cli run of %d deeplinks, --interval 0: median %.1f ms\n", deeplinkCount,
                median(runs));
    std::printf("  of which start-up (store, listing destinations; an empty collection): %.1f ms\n",
                median(empty));
    std::printf("  per deeplink: %.2f ms, %.3fx a bare spawn, %.3fx a listapps + openurl pair\n",
                perDeeplink, perDeeplink / (median(spawns) / deeplinkCount),
                perDeeplink / (median(spawnsMade) / deeplinkCount));
    std::printf("%d bare listapps + openurl spawns, as the run makes them: median %.1f ms\n",
                deeplinkCount, median(spawnsMade));
    // The start-up is the process's own (loading Qt and its libraries), paid once per run: it
    // weighs against a tool this fast, not against xcrun simctl's hundred milliseconds a call.
    std::printf("whole run / bare openurl spawns: %.3f\n", median(runs) / median(spawns));
    std::printf("whole run / the spawns it makes: %.3f (target <= 1.1)\n",
                median(runs) / median(spawnsMade));
    return 0;
}
