// How long firing a deeplink at a simulator takes beyond starting the simulator tool itself.
// Run: build/release/bench/bench_executer 2>/dev/null
//
// The stand-in simctl is this program under another name: started as "simctl" it writes the
// moment it began to the file named in KESTRINE_BENCH_STAMP and exits.
#include "Median.h"
#include "destinations/RunDestinationManager.h"
#include "execution/DeeplinkExecuter.h"
#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QCoro/QCoroTask>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <time.h>

namespace {

qint64 nowNs() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int standIn() {
    const qint64 started = nowNs();
    if (const char* stamp = std::getenv("KESTRINE_BENCH_STAMP")) {
        if (FILE* file = std::fopen(stamp, "w")) {
            std::fprintf(file, "%lld\n", static_cast<long long>(started));
            std::fclose(file);
        }
    }
    return 0;
}

qint64 readStamp(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().trimmed().toLongLong();
}

struct Run {
    double toStart = 0; // ms from the request to the tool's first instruction
    double total = 0;   // ms from the request to its end
};

Run bareSpawn(const QString& tool, const QString& stamp, const QStringList& arguments) {
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    const qint64 start = nowNs();
    process.start(tool, arguments);
    loop.exec();
    const qint64 end = nowNs();
    return {(readStamp(stamp) - start) / 1e6, (end - start) / 1e6};
}

Run fire(DeeplinkExecuter& executer, const QString& url, const QString& stamp) {
    bool failed = true;
    const qint64 start = nowNs();
    QCoro::waitFor(
        executer.execute(url, [&](const FiringOutcome& outcome) { failed = outcome.isFailure(); }));
    const qint64 end = nowNs();
    if (failed)
        std::fprintf(stderr, "firing failed\n");
    return {(readStamp(stamp) - start) / 1e6, (end - start) / 1e6};
}

} // namespace

int main(int argc, char** argv) {
    if (QFileInfo(QString::fromLocal8Bit(argv[0])).fileName() == u"simctl")
        return standIn();

    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir scratch;
    qputenv(AppPaths::homeVariable, scratch.path().toUtf8());

    const QString bundle = scratch.filePath(QStringLiteral("Xcode.app"));
    const QString bin = bundle + QStringLiteral("/Contents/Developer/usr/bin");
    QDir().mkpath(bin);
    const QString tool = bin + QStringLiteral("/simctl");
    QFile::link(QCoreApplication::applicationFilePath(), tool);
    const QString stamp = scratch.filePath(QStringLiteral("stamp"));
    qputenv("KESTRINE_BENCH_STAMP", stamp.toLocal8Bit());

    RunDestinationManager destinations;
    destinations.configure(QUrl::fromLocalFile(bundle));
    destinations.selectDevice(Device{QStringLiteral("5A1B2C3D-0000-4000-8000-000000000001"),
                                     QStringLiteral("iPhone 15"),
                                     DeviceState::Booted,
                                     QStringLiteral("iOS"),
                                     QStringLiteral("17.2"),
                                     DeviceSource::Simulator,
                                     {}});
    DeeplinkExecuter executer;
    executer.setRunDestinationManager(&destinations);
    // Where the AppleScript interpreter exists this measures it too; here activation is the
    // in-process one.
    const bool hasInterpreter = QFileInfo(executer.interpreterPath()).isFile();
    const QString url = QStringLiteral("shop://item/42?ref=bench");
    const QStringList arguments{QStringLiteral("openurl"),
                                QStringLiteral("5A1B2C3D-0000-4000-8000-000000000001"), url};

    (void)bareSpawn(tool, stamp, arguments); // warm up
    (void)fire(executer, url, stamp);
    const int runs = 60;
    QList<double> bareStart, bareTotal, fireStart, fireTotal;
    for (int i = 0; i < runs; ++i) {
        const Run bare = bareSpawn(tool, stamp, arguments);
        const Run fired = fire(executer, url, stamp);
        bareStart.append(bare.toStart);
        bareTotal.append(bare.total);
        fireStart.append(fired.toStart);
        fireTotal.append(fired.total);
    }
    std::printf("activation: %s\n", hasInterpreter ? "/usr/bin/osascript" : "in-process");
    std::printf("request to tool start: execute median %.2f ms, bare spawn median %.2f ms\n",
                median(fireStart), median(bareStart));
    std::printf("end to end: execute median %.2f ms, bare spawn median %.2f ms, ratio %.3f "
                "(target <= 1.1)\n",
                median(fireTotal), median(bareTotal), median(fireTotal) / median(bareTotal));
    return 0;
}
