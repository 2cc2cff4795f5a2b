// The window on growing libraries: 10,000, 100,000 and 1,000,000 deeplinks, 100 per collection
// (100, 1,000 and 10,000 collections).
// Run: QT_QPA_PLATFORM=offscreen build/release/bench/bench_scale [deeplinks ...]
// (default: all three sizes; give sizes to run fewer or others, e.g. "bench_scale 10000 100000"
// for a quick look: the million takes about a minute to fill, open and drive).
//
// Each size runs in a child process of its own ("bench_scale child"), so peaks do not mix. The
// child starts as main.cpp does (store, KestrineApp with a remembered stand-in Xcode, window
// shown) and reports the time from its start to the first paint and its peak memory then.
// Once the tools have answered, it drives the window as a user would, one input at a time:
// select a few collections in the sidebar, type a name into the search field letter by letter
// and clear it, switch to the deeplinks' scope and type a title, then scroll the collection
// list and the selected collection's deeplinks from top to bottom, page by page. For each
// kind it prints the longest frame: the longest time from an input to its painted result
// (the input delivered, then the posted events, the repaint among them, drained), or the
// longest turn of the event loop in between (a 1 ms heartbeat that arrived late), whichever
// is longer; as CPU time of the GUI thread, which a busy machine does not inflate, and as wall
// time. The target is no frame over 16 ms, and memory growing linearly with the library.
#include "AppLaunch.h"
#include "StoreFill.h"
#include "store/PersistentContainer.h"
#include "window/ui/ColumSplitView.h"
#include "window/ui/DeeplinkCollectionDetailView.h"
#include "window/ui/RootView.h"

#include <QAbstractItemView>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace AppLaunch;

namespace {

constexpr int deeplinksEach = 100;

enum Phase { Select, Filter, Search, ScrollCollections, ScrollDeeplinks, PhaseCount };
constexpr std::array<const char*, PhaseCount> phaseNames{"select", "filter", "search", "scroll-c",
                                                         "scroll-d"};

// One user input and the phase it belongs to.
struct Step {
    Phase phase;
    std::function<void()> input;
};

// CPU time of the GUI thread: on a busy machine, time the process waited for a core is not the
// window's doing.
qint64 threadNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The longest frame of a phase, as GUI-thread CPU time and as wall time.
struct Longest {
    double cpuMs = 0;
    double wallMs = 0;
};
using Frames = std::array<Longest, PhaseCount>;

// Runs the steps one per event-loop turn and keeps, per phase, the longest frame.
class Driver : public QObject {
public:
    explicit Driver(std::function<void(const Frames&)> done)
        : m_done(std::move(done)) {
        m_heartbeat.setTimerType(Qt::PreciseTimer);
        m_heartbeat.setInterval(1);
        connect(&m_heartbeat, &QTimer::timeout, this, [this] { beat(); });
    }

    void add(Phase phase, std::function<void()> input) {
        m_steps.append({phase, std::move(input)});
    }
    // From a step: `input` comes right after it (how far to go depends on what is shown then).
    void addNext(Phase phase, std::function<void()> input) {
        m_steps.insert(m_index, {phase, std::move(input)});
    }

    void start() {
        m_clock.start();
        restartBeat();
        m_heartbeat.start();
        QTimer::singleShot(2, this, [this] { next(); });
    }

private:
    void restartBeat() {
        m_lastBeat = m_clock.nsecsElapsed();
        m_lastBeatCpu = threadNs();
    }

    void beat() {
        record(m_lastBeat, m_lastBeatCpu);
        restartBeat();
    }

    // A frame that began at `wallStart` / `cpuStart` ends now.
    void record(qint64 wallStart, qint64 cpuStart) {
        if (m_index == 0 || m_index > m_steps.size())
            return;
        Longest& longest = m_longest[size_t(m_steps.at(m_index - 1).phase)];
        longest.wallMs = std::max(longest.wallMs, double(m_clock.nsecsElapsed() - wallStart) / 1e6);
        longest.cpuMs = std::max(longest.cpuMs, double(threadNs() - cpuStart) / 1e6);
    }

    void next() {
        if (m_index == m_steps.size()) {
            m_heartbeat.stop();
            m_done(m_longest);
            return;
        }
        const Step step = m_steps.at(m_index++);
        const qint64 begin = m_clock.nsecsElapsed();
        const qint64 beginCpu = threadNs();
        step.input();
        // Posted events (the repaint is one of them) until none is left.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        record(begin, beginCpu);
        // The heartbeat's gap covered the same time: it starts afresh.
        restartBeat();
        // A pause as between two keystrokes, so that deferred work shows in the heartbeat.
        QTimer::singleShot(4, this, [this] { next(); });
    }

    std::function<void(const Frames&)> m_done;
    QList<Step> m_steps;
    qsizetype m_index = 0;
    QTimer m_heartbeat;
    QElapsedTimer m_clock;
    qint64 m_lastBeat = 0;
    qint64 m_lastBeatCpu = 0;
    Frames m_longest{};
};

void click(QWidget* viewport, const QRect& rect) {
    QTest::mouseClick(viewport, Qt::LeftButton, {}, rect.center());
}

// Collection rows (not section headers) shown at the top of the sidebar.
QList<QModelIndex> visibleCollections(QTreeView* list, int count) {
    QList<QModelIndex> rows;
    for (QModelIndex index = list->indexAt(QPoint(4, 4)); index.isValid() && rows.size() < count;
         index = list->indexBelow(index)) {
        if (index.parent().isValid())
            rows.append(index);
    }
    return rows;
}

// Types `text` into `field` letter by letter, one step each, then clears it with Escape.
void typeAndClear(Driver& driver, Phase phase, QLineEdit* field, const QString& text) {
    driver.add(phase, [field] { field->setFocus(Qt::MouseFocusReason); });
    for (const QChar letter : text)
        driver.add(phase, [field, letter] { QTest::keyClicks(field, QString(letter)); });
    driver.add(phase, [field] { QTest::keyClick(field, Qt::Key_Escape); });
}

// Pages `scrollBar` from top to bottom, one page per step.
void pageThrough(Driver& driver, Phase phase, std::function<QScrollBar*()> scrollBar) {
    struct Pager {
        Driver& driver;
        Phase phase;
        std::function<QScrollBar*()> scrollBar;
        void operator()() const {
            QScrollBar* bar = scrollBar();
            bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            if (bar->value() < bar->maximum())
                driver.addNext(phase, *this);
        }
    };
    driver.add(phase, [&driver, phase, scrollBar] {
        QScrollBar* bar = scrollBar();
        bar->setValue(bar->minimum());
        if (bar->value() < bar->maximum())
            driver.addNext(phase, Pager{driver, phase, scrollBar});
    });
}

// The child of one size: prints "<first paint ns> <peak KB at first paint> <peak KB at the end>
// <collections listed> <longest frame ms per phase>".
int child(int argc, char* argv[]) {
    useHome(qEnvironmentVariable("HOME"));
    QApplication application(argc, argv);
    std::unique_ptr<KestrineApp> kestrine = startKestrine();
    QMainWindow* window = kestrine->window();
    auto* root = qobject_cast<RootView*>(window->centralWidget());
    if (!root)
        qFatal("the window shows no collections (no Xcode remembered?)");
    ColumSplitView* columns = root->splitView();
    auto* collections = columns->findChild<QTreeView*>(QStringLiteral("collectionList"));
    auto* searchField = window->findChild<QLineEdit*>(QStringLiteral("searchField"));
    if (!collections || !searchField)
        qFatal("the window changed: no collection list or search field");

    qint64 painted = 0;
    long peakAtPaint = 0;
    bool toolsAnswered = false;
    Driver driver([&](const Frames& longest) {
        std::printf("%lld %ld %ld", static_cast<long long>(painted), peakAtPaint, peakKilobytes());
        for (const Longest& frame : longest)
            std::printf(" %.2f %.2f", frame.cpuMs, frame.wallMs);
        std::printf("\n");
        std::fflush(stdout);
        std::_Exit(0); // tearing down is not part of the measure
    });
    const auto deeplinkScrollBar = [columns] {
        DeeplinkCollectionDetailView* detail = columns->detailView();
        auto* list =
            detail ? detail->findChild<QListView*>(QStringLiteral("deeplinkList")) : nullptr;
        if (!list)
            qFatal("no deeplink list to scroll");
        return list->verticalScrollBar();
    };
    const auto drive = [&] {
        for (const QModelIndex& row : visibleCollections(collections, 6))
            driver.add(Select, [collections, row] {
                click(collections->viewport(), collections->visualRect(row));
            });
        typeAndClear(driver, Filter, searchField, QStringLiteral("number 42"));
        driver.add(Search, [window] {
            for (auto* button : window->findChildren<QToolButton*>(QStringLiteral("scopeButton"))) {
                if (button->text() == QLatin1String("Deeplinks"))
                    button->click();
            }
        });
        typeAndClear(driver, Search, searchField, QStringLiteral("Deeplink 42"));
        pageThrough(driver, ScrollCollections,
                    [collections] { return collections->verticalScrollBar(); });
        pageThrough(driver, ScrollDeeplinks, deeplinkScrollBar);
        driver.start();
    };
    QObject::connect(kestrine.get(), &KestrineApp::mainContentReady, &application, [&] {
        toolsAnswered = true;
        if (painted)
            drive();
    });
    afterFirstPaint(window, [&] {
        painted = monotonicNs();
        peakAtPaint = peakKilobytes();
        if (toolsAnswered)
            drive();
    });
    kestrine->show();
    return QApplication::exec();
}

struct Run {
    int deeplinks = 0;
    double openPaintMs = 0;
    double peakMB = 0;
    double endMB = 0;
    Frames longest{};
};

Run run(int deeplinks, const QString& storePath) {
    const int collections = std::max(1, deeplinks / deeplinksEach);
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(storePath + suffix);
    QDir().mkpath(QFileInfo(storePath).absolutePath());
    QElapsedTimer fill;
    fill.start();
    fillStore(storePath, collections, deeplinksEach);
    std::fprintf(stderr, "filled %d collections x %d deeplinks in %.1f s\n", collections,
                 deeplinksEach, double(fill.elapsed()) / 1e3);

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 begin = monotonicNs();
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("child")});
    if (!process.waitForFinished(15 * 60 * 1000) || process.exitCode() != 0)
        qFatal("the run at %d deeplinks failed", deeplinks);
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 3 + 2 * PhaseCount)
        qFatal("the run at %d deeplinks reported nothing", deeplinks);
    Run result{collections * deeplinksEach,
               double(fields[0].toLongLong() - begin) / 1e6,
               fields[1].toDouble() / 1024.0,
               fields[2].toDouble() / 1024.0,
               {}};
    for (size_t phase = 0; phase < PhaseCount; ++phase) {
        result.longest[phase].cpuMs = fields[qsizetype(3 + 2 * phase)].toDouble();
        result.longest[phase].wallMs = fields[qsizetype(4 + 2 * phase)].toDouble();
    }
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && QByteArray(argv[1]) == "child")
        return child(argc, argv);

    QApplication application(argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < deeplinksEach)
            qFatal("usage: bench_scale [deeplinks ...] (each at least %d)", deeplinksEach);
        sizes.append(size);
    }
    if (sizes.isEmpty())
        sizes = {10'000, 100'000, 1'000'000};

    QTemporaryDir home;
    home.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP"));
    useHome(home.path());
    AppIdentity::nameApplication();
    rememberDemoXcode(home.filePath(QStringLiteral("Xcode.app")));
    const QString storePath = PersistentContainer::defaultStorePath();

    QList<Run> runs;
    for (const int size : sizes)
        runs.append(run(size, storePath));

    std::printf("(platform %s, load average %s; longest frame per phase: GUI-thread CPU ms / "
                "wall ms from an input to its painted result, or of an event-loop turn between "
                "inputs; target <= 16 ms)\n",
                qPrintable(QGuiApplication::platformName()), qPrintable(loadAverage()));
    std::printf("%9s %7s %10s %7s %7s |", "deeplinks", "colls", "open+paint", "peak", "end");
    for (const char* name : phaseNames)
        std::printf(" %13s", name);
    std::printf("\n%9s %7s %10s %7s %7s |\n", "", "", "ms", "MB", "MB");
    for (const Run& r : runs) {
        std::printf("%9d %7d %10.1f %7.1f %7.1f |", r.deeplinks, r.deeplinks / deeplinksEach,
                    r.openPaintMs, r.peakMB, r.endMB);
        for (const Longest& frame : r.longest)
            std::printf(" %6.1f/%6.1f", frame.cpuMs, frame.wallMs);
        std::printf("\n");
    }
    // Linear growth shows as the same cost per deeplink between every two sizes.
    for (qsizetype i = 1; i < runs.size(); ++i) {
        const Run& a = runs.at(i - 1);
        const Run& b = runs.at(i);
        std::printf("peak growth %d -> %d: %.2f KB per deeplink\n", a.deeplinks, b.deeplinks,
                    (b.peakMB - a.peakMB) * 1024.0 / double(b.deeplinks - a.deeplinks));
    }
    return 0;
}
