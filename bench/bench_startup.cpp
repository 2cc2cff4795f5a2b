// Start-up of the whole application on a store of 10,000 deeplinks, next to a bare QMainWindow.
// Run: QT_QPA_PLATFORM=offscreen build/release/bench/bench_startup [runs]
// BENCH_GRAB=file.png saves each start's window (after its timings were taken).
//
// Every start is a child process of this program (started as "bench_startup app|minimal"), so
// that loading, first paint and peak memory are measured as a user's launch has them and the
// peaks of two cases never mix. "app" is main.cpp's start-up: the store through the
// persistence controller, KestrineApp with a remembered stand-in Xcode
// (tools/make-demo-xcode.sh), the window shown. "minimal" shows an empty QMainWindow of the
// same size. Both report when their window's first paint was done.
#include "AppLaunch.h"
#include "Median.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"

#include <QDir>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

using namespace AppLaunch;

namespace {

constexpr int collectionCount = 100;
constexpr int deeplinksEach = 100;

// The child: starts one case, prints "<paint done ns> <peak KB> <cpu ms> <width> <height>"
// and the moments main() began, QApplication stood, the store was loaded and the window built.
int child(int argc, char* argv[], bool app) {
    const qint64 entered = monotonicNs();
    useHome(qEnvironmentVariable("HOME"));
    QApplication application(argc, argv);
    const qint64 applicationReady = monotonicNs();
    qint64 storeLoaded = applicationReady;
    std::unique_ptr<KestrineApp> kestrine;
    std::unique_ptr<QMainWindow> minimal;
    QMainWindow* window = nullptr;
    if (app) {
        kestrine = startKestrine(&storeLoaded);
        window = kestrine->window();
    } else {
        minimal = std::make_unique<QMainWindow>();
        minimal->resize(qEnvironmentVariableIntValue("BENCH_WIDTH"),
                        qEnvironmentVariableIntValue("BENCH_HEIGHT"));
        window = minimal.get();
    }
    const qint64 built = monotonicNs();
    afterFirstPaint(window, [=] {
        const qint64 done = monotonicNs();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        // Speed-ups must not change the picture: compare the saved window before and after.
        if (const QString grab = qEnvironmentVariable("BENCH_GRAB"); !grab.isEmpty())
            window->grab().save(grab);
        const double cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                             (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        std::printf("%lld %ld %.1f %d %d %lld %lld %lld %lld\n", static_cast<long long>(done),
                    usage.ru_maxrss, cpuMs, window->width(), window->height(),
                    static_cast<long long>(entered), static_cast<long long>(applicationReady),
                    static_cast<long long>(storeLoaded), static_cast<long long>(built));
        std::fflush(stdout);
        std::_Exit(0); // tearing down is not part of starting
    });
    if (kestrine)
        kestrine->show();
    else
        minimal->show();
    return QApplication::exec();
}

// 10,000 deeplinks through the store's own API, saved once.
void populateStore() {
    PersistentContainer container;
    if (container.loadPersistentStores())
        qFatal("cannot create the store");
    ManagedObjectContext* context = container.viewContext();
    for (int c = 0; c < collectionCount; ++c) {
        DeeplinkCollection* collection = context->insertCollection();
        // As the app creates them; without a uid the selected collection would list nothing.
        collection->setUid(QUuid::createUuid());
        collection->setName(QStringLiteral("Collection %1 Ünïcödé").arg(c));
        collection->setEmoji(QStringLiteral("🚀"));
        for (int d = 0; d < deeplinksEach; ++d) {
            Deeplink* deeplink = context->insertDeeplink();
            deeplink->setTitle(QStringLiteral("Deeplink %1 of %2").arg(d).arg(c));
            deeplink->setUrlString(
                QStringLiteral("myapp://products/%1/details?ref=bench&item=%2").arg(c).arg(d));
            collection->addDeeplink(deeplink);
        }
    }
    if (context->save().kind != SaveOutcome::Kind::Saved)
        qFatal("cannot save the store");
}

struct Start {
    double wallMs = 0; // from starting the process to its first paint done
    double cpuMs = 0;  // user + system time of the process until then
    long peakKB = 0;
    QString size;
    // ms from starting the process to main(), QApplication, the store loaded, the window built
    std::array<double, 4> phases{};
};

Start start(const QString& mode, const QString& size) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QStringList wh = size.split(u'x');
    environment.insert(QStringLiteral("BENCH_WIDTH"), wh.value(0));
    environment.insert(QStringLiteral("BENCH_HEIGHT"), wh.value(1));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 begin = monotonicNs();
    process.start(QCoreApplication::applicationFilePath(), {mode});
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        qFatal("the %s start failed", qPrintable(mode));
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 9)
        qFatal("the %s start reported nothing", qPrintable(mode));
    const auto since = [&](qsizetype field) { return (fields[field].toLongLong() - begin) / 1e6; };
    return {since(0),
            fields[2].toDouble(),
            fields[1].toLong(),
            QString::fromLatin1(fields[3] + 'x' + fields[4]),
            {since(5), since(6), since(7), since(8)}};
}

} // namespace

int main(int argc, char* argv[]) {
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "app" || mode == "minimal")
        return child(argc, argv, mode == "app");

    QApplication application(argc, argv);
    const int runs = std::max(1, mode.toInt() > 0 ? mode.toInt() : 5);
    QTemporaryDir home;
    home.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP"));
    useHome(home.path());
    AppIdentity::nameApplication();

    rememberDemoXcode(home.filePath(QStringLiteral("Xcode.app")));
    populateStore();
    std::printf("home: %s\nstore: %d collections x %d deeplinks\n", qPrintable(home.path()),
                collectionCount, deeplinksEach);

    QList<Start> apps;
    QList<Start> minimals;
    QString size = QStringLiteral("0x0");
    for (int i = 0; i < runs; ++i) {
        apps.append(start(QStringLiteral("app"), QString()));
        size = apps.last().size;
        minimals.append(start(QStringLiteral("minimal"), size));
    }
    const auto report = [](const char* name, const QList<Start>& starts) {
        QList<double> wall;
        QList<double> cpu;
        QList<long> peak;
        std::array<QList<double>, 4> phases;
        for (const Start& s : starts) {
            wall.append(s.wallMs);
            cpu.append(s.cpuMs);
            peak.append(s.peakKB);
            for (size_t i = 0; i < phases.size(); ++i)
                phases[i].append(s.phases[i]);
        }
        std::printf("%-26s %8.1f ms wall %8.1f ms CPU %8.1f MB peak\n", name, median(wall),
                    median(cpu), median(peak) / 1024.0);
        std::printf("    main() %.1f, QApplication %.1f, store %.1f, window built %.1f, painted "
                    "%.1f ms\n",
                    median(phases[0]), median(phases[1]), median(phases[2]), median(phases[3]),
                    median(wall));
        return std::array<double, 3>{median(wall), median(cpu), double(median(peak))};
    };
    std::printf("(median of %d starts each, window %s, platform %s, load average %s)\n", runs,
                qPrintable(size), qPrintable(QGuiApplication::platformName()),
                qPrintable(loadAverage()));
    const auto app = report("Kestrine, first paint:", apps);
    const auto bare = report("bare QMainWindow:", minimals);
    std::printf("%-26s %8.2fx    %8.2fx    %8.2fx     (target <= 1.5x)\n",
                "ratio:", app[0] / bare[0], app[1] / bare[1], app[2] / bare[2]);
    return 0;
}
