#pragma once

// What the benchmarks that launch the whole application share: a home of their own, the
// start-up as main.cpp has it, and the moment of the window's first paint.
#include "app/KestrineApp.h"
#include "platform/AppIdentity.h"
#include "platform/AppPaths.h"
#include "store/PersistenceController.h"
#include "toolchain/XcodeBookmarkManager.h"
#include "widgets/AfterFirstPaint.h"
#include "widgets/NoFocusRingStyle.h"

#include <QApplication>

#include <QIcon>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <cstdlib>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <limits>
#include <memory>
#include <sys/resource.h>

namespace AppLaunch {

inline qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

inline long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The machine's load over the last 1, 5 and 15 minutes, to print beside timings.
inline QString loadAverage() {
    double load[3] = {};
    if (getloadavg(load, 3) != 3)
        return QStringLiteral("unknown");
    return QStringLiteral("%1 %2 %3")
        .arg(load[0], 0, 'f', 2)
        .arg(load[1], 0, 'f', 2)
        .arg(load[2], 0, 'f', 2);
}

// Everything a launch touches lives below `home`: KESTRINE_HOME puts the store and the settings
// (with the remembered Xcode) there, HOME and test mode what Qt writes itself.
inline void useHome(const QString& home) {
    qputenv(AppPaths::homeVariable, home.toUtf8());
    qputenv("HOME", home.toUtf8());
    QStandardPaths::setTestModeEnabled(true);
}

// A stand-in Xcode (tools/make-demo-xcode.sh) at `bundle`, remembered in the settings of the
// current home, so that a launch shows the main content and asks its tools for destinations.
inline void rememberDemoXcode(const QString& bundle) {
    QProcess maker;
    maker.setProcessChannelMode(QProcess::ForwardedChannels);
    maker.start(QStringLiteral("/bin/sh"),
                {QStringLiteral(KESTRINE_SOURCE_DIR "/tools/make-demo-xcode.sh"), bundle});
    if (!maker.waitForFinished(30000) || maker.exitCode() != 0)
        qFatal("cannot make the stand-in Xcode");
    XcodeBookmarkManager().saveBookmark(QUrl::fromLocalFile(bundle));
}

// main.cpp's start-up after QApplication: identity, icon, style, the store, the shell. The
// window is not shown yet. `storeLoaded`, when given, receives the moment the store was open.
inline std::unique_ptr<KestrineApp> startKestrine(qint64* storeLoaded = nullptr) {
    AppIdentity::nameApplication();
    QApplication::setDesktopFileName(QString::fromLatin1(AppIdentity::bundleIdentifier));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app.kestrine.Kestrine.svg")));
    NoFocusRingStyle::installApplicationWide();
    PersistentContainer& container = PersistenceController::shared().container();
    if (storeLoaded)
        *storeLoaded = monotonicNs();
    return std::make_unique<KestrineApp>(container);
}

// Calls `done` once the window's first paint (and the flush it belongs to) has finished: the
// app's own wait, without its fallback, since a start that never paints must not count.
inline void afterFirstPaint(QWidget* window, std::function<void()> done) {
    AfterFirstPaint::run(window, window, std::move(done), std::numeric_limits<int>::max());
}

} // namespace AppLaunch
