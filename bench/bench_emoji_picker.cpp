// Opening the emoji picker and searching it, with the full shipped catalogue.
// Run: QT_QPA_PLATFORM=offscreen build/release/bench/bench_emoji_picker [--screenshots DIR]
#include "Median.h"
#include "emoji/EmojiFont.h"
#include "emoji/EmojiStore.h"
#include "emoji/SharedState.h"
#include "emoji/ui/EmojiGridDelegate.h"
#include "emoji/ui/EmojiGridView.h"
#include "emoji/ui/EmojiPicker.h"
#include "emoji/ui/EmojiPickerViewModifier.h"
#include "platform/AppPaths.h"
#include "store/ManagedObjectContext.h"
#include "widgets/Popover.h"
#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/CreateDeeplinkCollectionMetaDataView.h"
#include "window/ui/EmojiWell.h"
#include "window/ui/GridColorPickerView.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// Records when a widget's first paint is done.
class PaintWatcher : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// CPU time of this thread: on a busy machine wall time mostly measures the wait for a core.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double lastOpenCpuMs = 0;

double openToFirstPaint(std::unique_ptr<EmojiPicker>& picker) {
    const double cpuStart = threadCpuMs();
    QElapsedTimer timer;
    timer.start();
    picker = std::make_unique<EmojiPicker>(
        new SharedState(), EmojiStore::shared(), [](const Emoji&) {}, true);
    picker->resize(320, 500);
    PaintWatcher watcher;
    QWidget* list = picker->findChild<EmojiGridView*>(QStringLiteral("categoryList"))->viewport();
    list->installEventFilter(&watcher);
    picker->show();
    while (!watcher.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double ms = timer.nsecsElapsed() / 1e6;
    lastOpenCpuMs = threadCpuMs() - cpuStart;
    list->removeEventFilter(&watcher);
    return ms;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"screenshots", "Write PNGs of the picker to <dir>.", "dir"});
    parser.addOption({"recents", "Store a few recent emojis first."});
    parser.process(app);

    QTemporaryDir settings;
    qputenv(AppPaths::homeVariable, settings.path().toUtf8());
    if (parser.isSet("recents")) {
        for (const char* emoji : {"🚀", "🐢", "❤️", "🇯🇵", "👍🏽"})
            EmojiStore::recordRecentEmoji(QString::fromUtf8(emoji));
    }

    QList<double> loads;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        const EmojiStore store(QStringLiteral(":/emoji.json"));
        loads.append(timer.nsecsElapsed() / 1e6);
    }

    // The editor starts decoding the shared catalogue when it opens, ahead of the picker.
    QElapsedTimer sharedTimer;
    sharedTimer.start();
    const double sharedCpuStart = threadCpuMs();
    (void)EmojiStore::shared();
    const double sharedLoad = sharedTimer.nsecsElapsed() / 1e6;
    const double sharedLoadCpu = threadCpuMs() - sharedCpuStart;

    std::unique_ptr<EmojiPicker> picker;
    const double first = openToFirstPaint(picker);
    const double firstCpu = lastOpenCpuMs;
    picker.reset();
    EmojiFont::clearCache();

    // What the collection editor does when it opens: decode and draw the first screen on a
    // worker; the picker is opened once that is done.
    const QFuture<void> preparation = EmojiPicker::preload();
    while (!preparation.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double prepared = openToFirstPaint(picker);
    const double preparedCpu = lastOpenCpuMs;
    QList<double> again, againCpu;
    for (int run = 0; run < 10; ++run) {
        again.append(openToFirstPaint(picker));
        againCpu.append(lastOpenCpuMs);
    }
    // Drawing one emoji not seen before (what scrolling to new rows or new results costs).
    QList<double> glyphs;
    {
        const QList<Emoji>& all = EmojiStore::shared().allEmojis();
        for (qsizetype index = all.size() - 200; index < all.size(); ++index) {
            const double start = threadCpuMs();
            (void)EmojiFont::image(all.at(index).string, EmojiGridDelegate::glyphSize, 1.0);
            glyphs.append(threadCpuMs() - start);
        }
    }
    std::printf("catalogue: %lld emoji\n", qlonglong(EmojiStore::shared().allEmojis().size()));
    std::printf("catalogue load and grouping (median of 5): %.1f ms\n", median(loads));
    std::printf("open to first paint, first time (glyphs drawn afresh): %.1f ms (cpu %.1f ms)\n",
                first, firstCpu);
    std::printf("open to first paint, later times (median of 10): %.1f ms (cpu %.1f ms)\n",
                median(again), median(againCpu));
    std::printf("open to first paint after the editor's preparation: %.1f ms (cpu %.1f ms)\n",
                prepared, preparedCpu);
    std::printf("one emoji drawn afresh (median of 200, cpu): %.2f ms\n", median(glyphs));
    std::printf("cold open with the catalogue not yet loaded: %.1f ms (cpu %.1f ms)\n",
                sharedLoad + first, sharedLoadCpu + firstCpu);

    // The editor goes on drawing the rest of the catalogue in the background; search results
    // and scrolled-to rows then find their glyphs ready.
    QElapsedTimer drawing;
    drawing.start();
    while (!EmojiPicker::hasDrawnCatalogue())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::printf("rest of the catalogue drawn in the background: %.0f ms, cache %.1f MB\n",
                drawing.nsecsElapsed() / 1e6, EmojiFont::cachedBytes() / 1048576.0);

    // One keystroke: the search and the result grid's update, then its paint. CPU time of the
    // GUI thread, since the machine may be shared.
    const QStringList typed{"s",    "sm",    "smi", "smil", "smile", "h",    "he",  "hea",
                            "hear", "heart", "f",   "fl",   "fla",   "flag", "zzz", "Japan"};
    QList<double> keystrokes, searches, painted;
    for (int run = 0; run < 5; ++run) {
        for (const QString& keyword : typed) {
            double start = threadCpuMs();
            const auto results = EmojiStore::shared().search(keyword);
            searches.append(threadCpuMs() - start);
            start = threadCpuMs();
            picker->sharedState()->setKeyword(keyword);
            keystrokes.append(threadCpuMs() - start);
            picker->repaint();
            painted.append(threadCpuMs() - start);
        }
        picker->sharedState()->setKeyword({});
    }
    std::printf("search alone per keystroke (cpu): median %.2f ms, worst %.2f ms\n",
                median(searches), *std::max_element(searches.begin(), searches.end()));
    std::printf("keystroke, search + result grid (cpu): median %.2f ms, worst %.2f ms\n",
                median(keystrokes), *std::max_element(keystrokes.begin(), keystrokes.end()));
    std::printf("keystroke including repaint (cpu): median %.2f ms, worst %.2f ms\n",
                median(painted), *std::max_element(painted.begin(), painted.end()));

    if (parser.isSet("screenshots")) {
        const QDir dir(parser.value("screenshots"));
        dir.mkpath(".");
        picker->sharedState()->setKeyword({});
        picker->grab().save(dir.filePath("picker.png"));
        picker->sharedState()->setKeyword("heart");
        picker->grab().save(dir.filePath("picker-search.png"));
        picker->sharedState()->setKeyword("zebra crossing");
        picker->grab().save(dir.filePath("picker-no-result.png"));
        picker->sharedState()->setKeyword({});
        picker->sharedState()->setCurrentCategory("Flags");
        QCoreApplication::processEvents();
        picker->grab().save(dir.filePath("picker-flags.png"));

        // The collection editor: untouched, then filled in, the emoji popover, the Import tab.
        ManagedObjectContext context;
        QWidget window;
        window.resize(900, 700);
        window.show();
        AddDeeplinkCollectionView sheet(&context, &window);
        sheet.open();
        QCoreApplication::processEvents();
        sheet.grab().save(dir.filePath("editor-create-empty.png"));
        auto* create = sheet.findChild<CreateDeeplinkCollectionMetaDataView*>(
            QStringLiteral("createCollection"));
        QTest::keyClicks(create->nameField(), QStringLiteral("Checkout flows"));
        auto* grid = create->findChild<GridColorPickerView*>(QStringLiteral("colorGrid"));
        QTest::mouseClick(grid, Qt::LeftButton, {}, grid->swatchRect(5).center());
        auto* well = create->findChild<EmojiWell*>(QStringLiteral("emojiWell"));
        QTest::mouseClick(well, Qt::LeftButton);
        QCoreApplication::processEvents();
        if (auto* popover = well->findChild<Popover*>(QStringLiteral("emojiPopover")))
            popover->grab().save(dir.filePath("editor-emoji-popover.png"));
        if (auto* list = well->findChild<EmojiGridView*>(QStringLiteral("categoryList"))) {
            const QRect cell = list->itemRect(QStringLiteral("Smileys & Emotion"), 7);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        }
        QCoreApplication::processEvents();
        sheet.grab().save(dir.filePath("editor-create-filled.png"));
        sheet.findChild<QTabWidget*>()->setCurrentIndex(1);
        QCoreApplication::processEvents();
        sheet.grab().save(dir.filePath("editor-import.png"));
        std::printf("screenshots in %s\n", qPrintable(dir.absolutePath()));
    }
    return 0;
}
