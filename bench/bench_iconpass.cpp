// Icon pass of a large app list against a stand-in device tool that takes about 50 ms per icon
// and answers with a 1024 x 1024 icon: wall time, the peak number of open file descriptors and
// the memory the icons hold afterwards (image bytes of the apps' and the cache's icons, and the
// growth of the resident size), with the bounded number of concurrent requests and, for
// comparison, with every request started at once.
//
//   bench_iconpass [apps=300] [delay-ms=50] [icon-pixels=1024]
//
// Icons are kept at the drawn size times the screens' device pixel ratio: run with, say,
// QT_SCALE_FACTOR=2 for the figures of a high-density screen.

#include "ProcessMemory.h"

#include "destinations/Device.h"
#include "platform/AppPaths.h"
#include "targetapps/BundleIdManager.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <QCoro/QCoroSignal>
#include <QCoro/QCoroTask>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

// A bundle laid out like Xcode whose devicectl lists `apps` apps and answers each icon
// request after `delayMs` with a PNG `iconPixels` square.
QString makeStandIn(const QString& root, int apps, int delayMs, int iconPixels) {
    const QString bin = root + QStringLiteral("/Xcode.app/Contents/Developer/usr/bin");
    QDir().mkpath(bin);
    QJsonArray list;
    for (int i = 0; i < apps; ++i)
        list.append(QJsonObject{
            {QStringLiteral("name"), QStringLiteral("App %1").arg(i)},
            {QStringLiteral("bundleIdentifier"), QStringLiteral("com.example.app%1").arg(i)}});
    QFile json(root + QStringLiteral("/apps.json"));
    json.open(QIODevice::WriteOnly);
    json.write(QJsonDocument(QJsonObject{{QStringLiteral("result"),
                                          QJsonObject{{QStringLiteral("apps"), list}}}})
                   .toJson());
    json.close();
    QImage icon(iconPixels, iconPixels, QImage::Format_ARGB32);
    icon.fill(QColor(40, 120, 200));
    icon.save(root + QStringLiteral("/icon.png"));

    const QString script =
        QStringLiteral("#!/bin/sh\n"
                       "out=''; prev=''\n"
                       "for a in \"$@\"; do\n"
                       "  case \"$prev\" in --json-output|--destination) out=\"$a\";; esac\n"
                       "  prev=\"$a\"\n"
                       "done\n"
                       "case \" $* \" in\n"
                       "  *' info apps '*) cp '%1/apps.json' \"$out\";;\n"
                       "  *' appIcon '*) sleep %2; cp '%1/icon.png' \"$out\";;\n"
                       "esac\n")
            .arg(root, QString::number(delayMs / 1000.0, 'f', 3));
    QFile tool(bin + QStringLiteral("/devicectl"));
    tool.open(QIODevice::WriteOnly);
    tool.write(script.toUtf8());
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return root + QStringLiteral("/Xcode.app");
}

struct Figures {
    qint64 milliseconds = 0;
    int peakDescriptors = 0;
    QString completion;
    double iconMegabytes = 0;
    double residentGrowthMegabytes = 0;
};

QCoro::Task<Figures> runPass(const QString& xcode, int concurrency) {
    BundleIdManager manager;
    manager.setXcodeURL(QUrl::fromLocalFile(xcode));
    manager.setMaxConcurrentIconFetches(concurrency);
    const Device device{QStringLiteral("BENCH"),
                        QStringLiteral("Bench iPhone"),
                        DeviceState::Booted,
                        QStringLiteral("iOS"),
                        QStringLiteral("17.2"),
                        DeviceSource::Physical,
                        {}};
    Figures figures;
    const long residentBefore = ProcessMemory::residentKilobytes();
    figures.peakDescriptors = ProcessMemory::openFileDescriptors();
    QTimer sampler;
    sampler.setInterval(2);
    QObject::connect(&sampler, &QTimer::timeout, &sampler, [&figures] {
        figures.peakDescriptors =
            qMax(figures.peakDescriptors, ProcessMemory::openFileDescriptors());
    });
    sampler.start();
    QElapsedTimer clock;
    clock.start();
    co_await manager.fetchApps(device);
    co_await qCoro(&manager, &BundleIdManager::iconFetchFinished);
    figures.milliseconds = clock.elapsed();
    int withIcon = 0;
    for (const InstalledApp& app : manager.apps())
        withIcon += !app.icon().isNull();
    figures.completion = QStringLiteral("%1 of %2 icons").arg(withIcon).arg(manager.apps().size());

    // Every image the apps and the cache's memory hold, each shared one counted once.
    QSet<qint64> counted;
    qint64 bytes = 0;
    const auto count = [&](const QImage& image) {
        if (!image.isNull() && !counted.contains(image.cacheKey())) {
            counted.insert(image.cacheKey());
            bytes += image.sizeInBytes();
        }
    };
    for (const InstalledApp& app : manager.apps())
        count(app.icon());
    for (const QString& key : co_await manager.iconCache().accessOrder())
        count(co_await manager.iconCache().icon(key));
    figures.iconMegabytes = bytes / 1e6;
    figures.residentGrowthMegabytes =
        (ProcessMemory::residentKilobytes() - residentBefore) / 1024.0;
    co_return figures;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int apps = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 300;
    const int delayMs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 50;
    const int iconPixels = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 1024;

    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    qputenv(AppPaths::homeVariable, home.path().toUtf8()); // the icon cache goes there
    const QString xcode = makeStandIn(home.path(), apps, delayMs, iconPixels);

    // The usual default soft limit of a desktop session, whatever this shell allows.
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::min<rlim_t>(1024, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
    std::printf("icon pass: %d apps, stand-in tool %d ms per %d x %d icon, descriptor limit %llu, "
                "icons kept at most %d pixels square\n",
                apps, delayMs, iconPixels, iconPixels,
                static_cast<unsigned long long>(limit.rlim_cur), AppIconCache::drawnPixels());
    std::printf("%-20s %8s %14s %12s %16s  %s\n", "concurrent requests", "wall ms", "peak open fds",
                "icons MB", "resident +MB", "result");
    for (int concurrency : {BundleIdManager::maxConcurrentIconFetches, apps}) {
        // A fresh cache each time, so both passes do the same work.
        QDir(AppPaths::cacheDirectory()).removeRecursively();
        const Figures figures = QCoro::waitFor(runPass(xcode, concurrency));
        std::printf("%-20d %8lld %14d %12.1f %16.1f  %s\n", concurrency,
                    static_cast<long long>(figures.milliseconds), figures.peakDescriptors,
                    figures.iconMegabytes, figures.residentGrowthMegabytes,
                    qPrintable(figures.completion));
    }
    return 0;
}
