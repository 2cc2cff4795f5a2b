// What telling a firing's outcome costs on Android: reading `am start -W` (and the browser
// probe's answer) per firing, and the adb calls made beyond the firings themselves, per device.
// Run: build/release/bench/bench_android_outcome 2>/dev/null
//
// The calls go to the demo Android SDK's stand-in adb (tools/make-demo-android-sdk.sh), whose
// log names every call.
#include "Median.h"
#include "destinations/AdbClient.h"
#include "destinations/AmStartReport.h"
#include "destinations/AndroidComponent.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <QCoro/QCoroTask>

#include <cstdio>

namespace {

const QString amOutput =
    QStringLiteral("Starting: Intent { act=android.intent.action.VIEW dat=shop://item/... }\n"
                   "Status: ok\n"
                   "LaunchState: COLD\n"
                   "Activity: com.example.shop/.ProductActivity\n"
                   "TotalTime: 512\n"
                   "WaitTime: 515\n"
                   "Complete\n");
const QString probeOutput =
    QStringLiteral("priority=0 preferredOrder=0 match=0x208000 specificIndex=-1 isDefault=false\n"
                   "com.android.chrome/com.google.android.apps.chrome.IntentDispatcher\n");

// Microseconds per firing of reading both answers, over `firings` of them.
double readingCost(int firings) {
    QElapsedTimer clock;
    clock.start();
    int browsers = 0;
    for (int i = 0; i < firings; ++i) {
        const FiringOutcome outcome = AmStartReport::parse(amOutput).outcome(QString());
        const std::optional<AndroidComponent> browser = AndroidComponent::resolvedBy(probeOutput);
        browsers += browser && outcome.handler.startsWith(browser->package()) ? 1 : 0;
    }
    if (browsers != 0)
        std::fprintf(stderr, "the sample was read wrong\n");
    return double(clock.nsecsElapsed()) / firings / 1000.0;
}

// The calls in the stand-in adb's log, by the serial they were for.
QMap<QString, int> callsBySerial(const QString& logDirectory) {
    QMap<QString, int> calls;
    const QDir log(logDirectory);
    for (const QString& name : log.entryList(QDir::Files)) {
        QFile file(log.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // Recorded, value, then the arguments: "-s", the serial, ...
        const QList<QByteArray> fields = file.readAll().split('\0');
        if (fields.size() > 3 && fields.at(2) == "-s")
            ++calls[QString::fromUtf8(fields.at(3))];
    }
    return calls;
}

// Whether the firing ended without throwing (QCoro::waitFor() would never return from a throw).
QCoro::Task<bool> fired(AdbClient adb, QString url, QString serial) {
    try {
        (void)co_await adb.openURL(url, serial);
    } catch (const std::exception&) {
        co_return false;
    }
    co_return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    (void)readingCost(1000); // warm up
    QList<double> costs;
    for (int run = 0; run < 9; ++run)
        costs.append(readingCost(20000));
    std::printf("reading the outcome: median %.2f us per firing (target <= 5000 us)\n",
                median(costs));

    QTemporaryDir scratch;
    const QString sdk = scratch.filePath(QStringLiteral("sdk"));
    QProcess maker;
    maker.start(QStringLiteral("/bin/sh"),
                {QStringLiteral(KESTRINE_SOURCE_DIR "/tools/make-demo-android-sdk.sh"), sdk});
    if (!maker.waitForFinished(30000) || maker.exitCode() != 0) {
        std::fprintf(stderr, "could not make the demo Android SDK\n");
        return 1;
    }
    const AdbClient adb(sdk + QStringLiteral("/platform-tools/adb"));
    const QStringList serials{QStringLiteral("emulator-5554"), QStringLiteral("R5CT1234567")};
    const int firings = 25;
    int failed = 0;
    for (int i = 0; i < firings; ++i) {
        for (const QString& serial : serials) {
            if (!QCoro::waitFor(fired(adb, QStringLiteral("shop://item/%1").arg(i), serial)))
                ++failed;
        }
    }
    const QMap<QString, int> calls = callsBySerial(sdk + QStringLiteral("/StandIn/log/adb"));
    std::printf("adb calls beyond the firings, over %d firings per device:", firings);
    for (const QString& serial : serials)
        std::printf(" %s %d", qPrintable(serial), calls.value(serial) - firings);
    std::printf(" (target 1 each: the browser probe)%s\n", failed ? ", some firings failed" : "");
    return 0;
}
