// Opens Kestrine's window on a demo store and saves a screenshot of each interesting state
// into the directory given as the first argument. Run it under a real display (xvfb-run) to
// look at the window as a user would. With --fire-and-exchange it fires deeplinks at the demo
// Xcode's simulator (one that the stand-in simctl refuses) with the status line they leave,
// runs the collection until its first rows carry their outcome, shows the History window,
// exports the selected collection through the save dialog and imports the file again through
// the "Import" tab. With --environments it fires deeplinks with placeholders at the
// collection's Staging and then its Production environment, and one whose variable the prompt
// asks for, with the editor, the environment picker, the prompt and the History. The store,
// settings and demo Xcode live in a temporary home: the user's own are never touched.

#include "app/KestrineApp.h"
#include "app/PreferencesDialog.h"
#include "destinations/ui/TargetSelectorToolbarContent.h"
#include "platform/AppIdentity.h"
#include "platform/AppPaths.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/FetchedResultsModel.h"
#include "store/FiringHistory.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"
#include "toolchain/XcodeBookmarkManager.h"
#include "widgets/NoFocusRingStyle.h"
#include "widgets/Popover.h"
#include "window/ui/AddCollectionBottomToolbarButtonView.h"
#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/ColumSplitView.h"
#include "window/ui/DeeplinkCollectionDetailView.h"
#include "window/ui/HistoryWindow.h"
#include "window/ui/QuickOpenBar.h"
#include "window/ui/RootView.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {

struct DemoLink {
    const char* title;
    const char* url;
};

struct DemoCollection {
    const char* name;
    const char* emoji;
    QColor color;
    bool pinned;
    QList<DemoLink> links;
};

// Two environments for the first collection, and deeplinks that use them.
void seedEnvironments(ManagedObjectContext* context) {
    DeeplinkCollection* shop = context->collections().value(0);
    for (DeeplinkCollection* collection : context->collections()) {
        if (collection->name() == u"Shop App")
            shop = collection;
    }
    const auto variable = [](const char* name, const char* value) {
        return Variable{QString::fromUtf8(name), QString::fromUtf8(value), false};
    };
    shop->setEnvironments(
        {{QStringLiteral("Staging"),
          {variable("scheme", "shop-dev"), variable("host", "staging.shop.example")}},
         {QStringLiteral("Production"),
          {variable("scheme", "shop"), variable("host", "shop.example.com")}}});
    shop->setActiveEnvironment(QStringLiteral("Staging"));
    const QList<std::pair<const char*, const char*>> links{
        {"product on the web", "https://{{host}}/product/84213?ref=qr"},
        {"order by id", "{{scheme}}://orders/{{order}}?note={{note}}"}};
    for (const auto& [title, url] : links) {
        Deeplink* deeplink = context->insertDeeplink();
        deeplink->setTitle(QString::fromUtf8(title));
        deeplink->setUrlString(QString::fromUtf8(url));
        deeplink->setTimestamp(QDateTime::currentDateTime());
        shop->addDeeplink(deeplink);
    }
    (void)context->save();
}

void seed(ManagedObjectContext* context, bool empty) {
    if (empty)
        return;
    const QList<DemoCollection> collections{
        {"Shop App",
         "🛍️",
         QColor(59, 130, 247),
         true,
         {{"open home", "shop://home"},
          {"product detail", "shop://product/84213?ref=deeplink-tester&utm_source=kestrine"},
          {"cart with coupon", "shop://cart?coupon=SPRING24&items=84213,99120,10021&currency=EUR"},
          {"Order status", "https://shop.example.com/orders/2024-0098123/status?from=push&"
                           "campaign=order-update&locale=de_DE&session=9f8e7d6c5b4a"}}},
        {"Onboarding",
         "🚀",
         QColor(103, 206, 105),
         true,
         {{"welcome", "onboard://welcome"}, {"permissions", "onboard://permissions?step=2"}}},
        {"Äbc Banking",
         nullptr,
         QColor(235, 85, 69),
         false,
         {{"transfer", "bank://transfer?amount=10.00&iban=DE89370400440532013000"},
          {"statements", "bank://statements/2024"}}},
        {"ABX Labs", "🧪", QColor(94, 92, 222), false, {{"beta feature", "abx://beta/flags"}}},
        {"Profile & Settings",
         "👤",
         QColor(242, 164, 60),
         false,
         {{"edit profile", "app://profile/edit"}, {"notifications", "app://settings/notify"}}},
        {nullptr, "📣", QColor(162, 132, 94), false, {{"", "promo://summer"}}},
        {"Empty collection", "📭", QColor(137, 193, 250), false, {}},
    };
    qint64 time = QDateTime::currentMSecsSinceEpoch();
    for (const DemoCollection& demo : collections) {
        DeeplinkCollection* collection = context->insertCollection();
        collection->setUid(QUuid::createUuid());
        if (demo.name)
            collection->setName(QString::fromUtf8(demo.name));
        if (demo.emoji)
            collection->setEmoji(QString::fromUtf8(demo.emoji));
        collection->setIsPinned(demo.pinned);
        collection->setColor(demo.color.redF(), demo.color.greenF(), demo.color.blueF(), 1.0);
        collection->setTimestamp(QDateTime::fromMSecsSinceEpoch(time -= 60000));
        for (const DemoLink& link : demo.links) {
            Deeplink* deeplink = context->insertDeeplink();
            deeplink->setTitle(QString::fromUtf8(link.title));
            deeplink->setUrlString(QString::fromUtf8(link.url));
            deeplink->setTimestamp(QDateTime::fromMSecsSinceEpoch(time -= 1000));
            collection->addDeeplink(deeplink);
        }
    }
    (void)context->save();
}

// Makes the stand-in simctl answer calls that contain `match` with `error` and status 1.
void simctlRefuses(const QString& xcode, const char* number, const QByteArray& match,
                   const QByteArray& error) {
    const QString scenario =
        xcode + QStringLiteral("/Contents/Developer/StandIn/scenarios/simctl/") + number;
    QDir().mkpath(scenario);
    for (const auto& [name, text] :
         {std::pair{"match", match}, {"exit", QByteArray("1")}, {"stderr", error}}) {
        QFile file(scenario + u'/' + QLatin1String(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }
}

QPalette darkPalette() {
    QPalette palette;
    const QColor window(0x2b, 0x2b, 0x2e), base(0x1e, 0x1e, 0x20), text(0xe8, 0xe8, 0xea);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    palette.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(0x40, 0x9c, 0xff));
    palette.setColor(QPalette::Light, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::Midlight, QColor(0x34, 0x34, 0x36));
    palette.setColor(QPalette::Mid, QColor(0x48, 0x48, 0x4a));
    palette.setColor(QPalette::Dark, QColor(0x12, 0x12, 0x14));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6e, 0x6e, 0x73));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6e, 0x6e, 0x73));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6e, 0x6e, 0x73));
    return palette;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    AppIdentity::nameApplication();
    NoFocusRingStyle::installApplicationWide();
    if (argc < 2) {
        std::fputs("usage: window_screenshots OUTPUT_DIRECTORY "
                   "[--empty|--fire-and-exchange|--environments] [--dark] [--failing-simctl]\n",
                   stderr);
        return 64;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    const QStringList options = QApplication::arguments().mid(2);
    const bool empty = options.contains(QStringLiteral("--empty"));
    const bool fireAndExchange = options.contains(QStringLiteral("--fire-and-exchange"));
    const bool environments = options.contains(QStringLiteral("--environments"));
    // A dark desktop as Fusion draws it; QT_SCALE_FACTOR=2 in the environment gives a 2x screen.
    if (options.contains(QStringLiteral("--dark")))
        QApplication::setPalette(darkPalette());
    QDir().mkpath(output.path());

    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    qputenv(AppPaths::homeVariable, home.path().toUtf8());
    // The demo Xcode answers like a machine with a few simulators and one iPhone.
    const QString xcode = home.filePath(QStringLiteral("Xcode.app"));
    QProcess::execute(QStringLiteral("sh"),
                      {QStringLiteral(KESTRINE_SOURCE_DIR "/tools/make-demo-xcode.sh"), xcode});
    // The demo adb answers like a machine with an emulator, a phone and an unauthorized phone;
    // without it the machine's own adb would be asked.
    const QString sdk = home.filePath(QStringLiteral("sdk"));
    QProcess::execute(QStringLiteral("sh"),
                      {QStringLiteral(KESTRINE_SOURCE_DIR "/tools/make-demo-android-sdk.sh"), sdk});
    qputenv("ANDROID_HOME", sdk.toUtf8());
    // simctl cannot list: the picker shows the rest with a row that says why.
    if (options.contains(QStringLiteral("--failing-simctl")))
        simctlRefuses(xcode, "0100", "list",
                      "An error was encountered processing the command "
                      "(domain=com.apple.CoreSimulator.SimError, code=405):\nUnable to locate "
                      "device set: CoreSimulatorService connection became invalid.\n");
    PersistentContainer container(home.filePath(QStringLiteral("Kestrine.sqlite")));
    if (container.loadPersistentStores())
        return 1;
    seed(container.viewContext(), empty);
    if (environments)
        seedEnvironments(container.viewContext());

    KestrineApp shell(container);
    QSignalSpy ready(&shell, &KestrineApp::mainContentReady);
    shell.window()->resize(1480, 900);
    shell.show();
    (void)QTest::qWaitForWindowExposed(shell.window());
    int shot = 0;
    // The window, or the modal dialog over it, or `widget` when given.
    const auto snap = [&](const char* name, QWidget* widget = nullptr) {
        QApplication::processEvents();
        QTest::qWait(150);
        const QString file =
            output.filePath(QStringLiteral("%1-%2.png").arg(++shot, 2, 10, QChar('0')).arg(name));
        QWidget* top = widget                              ? widget
                       : QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                           : shell.window();
        if (top != shell.window())
            shell.window()->grab().save(output.filePath(
                QStringLiteral("%1-%2-window.png").arg(shot, 2, 10, QChar('0')).arg(name)));
        top->grab().save(file);
        std::printf("%s\n", qPrintable(file));
        // What the screen shows, dialogs over the window included.
        if (qEnvironmentVariableIsSet("DISPLAY"))
            QProcess::execute(
                QStringLiteral("import"),
                {QStringLiteral("-window"), QStringLiteral("root"),
                 QString(file).replace(QStringLiteral(".png"), QStringLiteral("-screen.png"))});
    };
    if (empty)
        snap("xcode-selection");
    shell.manager()->saveBookmark(QUrl::fromLocalFile(xcode));
    auto* root = qobject_cast<RootView*>(shell.window()->centralWidget());
    ColumSplitView* split = root->splitView();

    // Runs `step` on the dialog that the next blocking call opens.
    const auto onNextDialog = [&](std::function<void(QWidget*)> step) {
        QTimer::singleShot(0, &shell, [step = std::move(step)] {
            if (QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }))
                step(QApplication::activeModalWidget());
        });
    };

    const auto menuAction = [&](const QString& text) -> QAction* {
        for (QAction* action : shell.window()->menuBar()->actions()) {
            for (QAction* item : action->menu()->actions()) {
                if (item->text() == text)
                    return item;
            }
        }
        std::fprintf(stderr, "no menu item %s\n", qPrintable(text));
        std::exit(1);
    };
    const auto waitFor = [](auto condition) {
        if (!QTest::qWaitFor(condition, 20000)) {
            std::fputs("timed out\n", stderr);
            std::exit(1);
        }
    };
    if (environments) {
        waitFor([&] { return ready.size() == 1 && split->detailView(); });
        FiringHistory& history = *container.history();
        DeeplinkCollectionDetailView* detail = split->detailView();
        DeeplinkCollection* shop = detail->deeplinkCollection();
        const auto deeplinkTitled = [&](const char* title) {
            for (Deeplink* deeplink : shop->deeplinks()) {
                if (deeplink->title() == QString::fromUtf8(title))
                    return deeplink;
            }
            std::exit(1);
        };
        const auto fire = [&](const char* title, const char* shotName,
                              std::function<void(QWidget*)> onPrompt = {}) {
            split->setSelectedDeeplink(deeplinkTitled(title));
            snap(QStringLiteral("%1-selected").arg(QLatin1String(shotName)).toUtf8().constData());
            if (onPrompt)
                onNextDialog(std::move(onPrompt));
            const qsizetype before = history.latest().size();
            menuAction(QStringLiteral("Execute"))->trigger();
            waitFor([&] { return history.latest().size() == before + 1; });
            std::printf("fired %s\n", qPrintable(history.latest().constFirst().url));
            snap(QStringLiteral("%1-fired").arg(QLatin1String(shotName)).toUtf8().constData());
        };
        fire("product on the web", "staging");
        detail->environmentMenu()->popup(detail->environmentPicker()->mapToGlobal(
            QPoint(0, detail->environmentPicker()->height())));
        QTest::qWait(100);
        snap("environment-menu", detail->environmentMenu());
        detail->environmentMenu()->hide();
        shop->setActiveEnvironment(QStringLiteral("Production"));
        (void)container.viewContext()->save();
        fire("product on the web", "production");
        // {{order}} and {{note}} have no value anywhere: the prompt asks for them.
        fire("order by id", "prompted", [&](QWidget* prompt) {
            const QList<QLineEdit*> fields = prompt->findChildren<QLineEdit*>();
            for (QLineEdit* field : fields)
                field->setText(field == fields.constFirst() ? QStringLiteral("2024-0098123")
                                                            : QStringLiteral("leave at the door"));
            snap("prompt", prompt);
            QTest::keyClick(prompt, Qt::Key_Return);
        });
        menuAction(QStringLiteral("Edit Collection\u2026"))->trigger();
        waitFor([] { return QApplication::activeModalWidget() != nullptr; });
        snap("collection-editor");
        QApplication::activeModalWidget()->close();
        shell.showHistory();
        auto* historyWindow = shell.window()->findChild<HistoryWindow*>();
        (void)QTest::qWaitForWindowExposed(historyWindow);
        snap("history", historyWindow);
        return 0;
    }

    if (fireAndExchange) {
        waitFor([&] { return ready.size() == 1 && split->detailView(); });
        const QString simctlLog = xcode + QStringLiteral("/Contents/Developer/StandIn/log/simctl");
        const auto openedUrls = [&] {
            QStringList urls;
            for (const QString& entry : QDir(simctlLog).entryList(QDir::Files, QDir::Name)) {
                QFile file(QDir(simctlLog).filePath(entry));
                file.open(QIODevice::ReadOnly);
                const QList<QByteArray> fields = file.readAll().split('\0');
                if (fields.size() > 4 && fields.at(2) == "openurl")
                    urls.append(QString::fromUtf8(fields.at(4)));
            }
            return urls;
        };
        FiringHistory& history = *container.history();
        // Launch Cold on, as its toolbar button shows it.
        menuAction(QStringLiteral("Launch Cold"))->trigger();
        shell.openUrl(QStringLiteral("shop://product/84213?ref=deeplink-tester"),
                      QStringLiteral("product detail"));
        waitFor([&] { return openedUrls().size() == 1 && history.latest().size() == 1; });
        std::printf("stand-in simctl opened: %s\n", qPrintable(openedUrls().join(u' ')));
        snap("status-line");
        // The stand-in refuses this one, as simctl does for an app that is not installed.
        simctlRefuses(xcode, "0009", "shop://broken",
                      "An error was encountered processing the command "
                      "(domain=NSOSStatusErrorDomain, code=-10814):\nSimulator device failed to "
                      "open shop://broken.\n");
        shell.openUrl(QStringLiteral("shop://broken"));
        waitFor([&] { return shell.error().has_value(); });
        snap("error-alert");
        if (auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            alert->buttons().constFirst()->click();
        snap("status-line-failed");

        // A run two seconds apart, paused once two rows carry their outcome.
        DeeplinkCollectionDetailView* detail = split->detailView();
        detail->run()->chooseInterval(2);
        waitFor([&] { return history.latest().size() == 4; });
        detail->run()->toggle();
        snap("run-outcomes");

        // A firing with a screenshot, as Capture Screen leaves one (the window stands in for
        // the device's screen).
        const QString shotPath = home.filePath(QStringLiteral("Screenshots/5-cart.png"));
        QDir().mkpath(QFileInfo(shotPath).path());
        shell.window()->grab().scaled(540, 1170, Qt::IgnoreAspectRatio).save(shotPath);
        FiringRecord captured{
            .time = QDateTime::currentDateTime(),
            .title = QStringLiteral("cart with coupon"),
            .url = QStringLiteral("shop://cart?coupon=SPRING24"),
            .destination = QStringLiteral("Pixel 8"),
            .outcome = {.handler = QStringLiteral("com.example.shop/.CartActivity"),
                        .handlerName = QStringLiteral("Shop"),
                        .launch = FiringOutcome::Launch::Cold,
                        .totalTimeMs = 512,
                        .screenshot = shotPath}};
        (void)history.record(captured);
        FiringRecord browser{.time = QDateTime::currentDateTime(),
                             .title = QStringLiteral("Order status"),
                             .url = QStringLiteral("https://shop.example.com/orders/2024"),
                             .destination = QStringLiteral("Pixel 8"),
                             .outcome = {.result = FiringOutcome::Result::Browser,
                                         .handler = QStringLiteral("com.android.chrome"),
                                         .handlerName = QStringLiteral("Chrome"),
                                         .launch = FiringOutcome::Launch::Warm,
                                         .totalTimeMs = 231}};
        (void)history.record(browser);
        shell.showHistory();
        auto* historyWindow = shell.window()->findChild<HistoryWindow*>();
        (void)QTest::qWaitForWindowExposed(historyWindow);
        snap("history", historyWindow);
        historyWindow->close();

        QString exported;
        onNextDialog([&](QWidget* dialog) {
            snap("export-save-dialog");
            auto* save = qobject_cast<QFileDialog*>(dialog);
            exported = save->selectedFiles().value(0);
            static_cast<QDialog*>(save)->accept();
        });
        split->detailView()->exportAction()->trigger();
        std::printf("exported %s: %s\n", qPrintable(exported),
                    QFile::exists(exported) ? "written" : "missing");

        auto* add = shell.window()->findChild<AddCollectionBottomToolbarButtonView*>();
        add->click();
        waitFor([&] { return add->sheet() && add->sheet()->isVisible(); });
        add->sheet()->setTabType(AddDeeplinkCollectionView::TabType::Import);
        snap("import-tab");
        onNextDialog([&](QWidget* dialog) {
            auto* open = qobject_cast<QFileDialog*>(dialog);
            open->selectFile(exported);
            snap("import-open-dialog");
            static_cast<QDialog*>(open)->accept();
        });
        add->sheet()->findChild<QToolButton*>()->click(); // "Collection Group"
        waitFor([&] { return !add->sheet(); });
        snap("after-import");
        return 0;
    }

    if (empty) {
        snap("first-use");
        if (QWidget* sheet = QApplication::activeModalWidget())
            sheet->close();
        snap("empty-store");
        return 0;
    }
    snap("initial");
    if (auto* picker = shell.window()->findChild<TargetSelectorToolbarContent*>();
        picker && QTest::qWaitFor([&] { return ready.size() == 1; }, 20000)) {
        picker->setShowingPopover(true);
        snap("destination-picker", picker->popover());
        picker->setShowingPopover(false);
    }
    if (auto* detail = split->detailView())
        split->setSelectedDeeplink(static_cast<Deeplink*>(detail->model()->fetchedObjects().at(1)));
    snap("deeplink-selected");
    // Each menu of the menu bar as it drops down for this selection.
    for (QAction* title : shell.window()->menuBar()->actions()) {
        QMenu* menu = title->menu();
        menu->popup(shell.window()->mapToGlobal(QPoint(40, 40)));
        QTest::qWait(100);
        const QString file = output.filePath(QStringLiteral("%1-menu-%2.png")
                                                 .arg(++shot, 2, 10, QChar('0'))
                                                 .arg(QString(title->text()).remove(u'&')));
        menu->grab().save(file);
        std::printf("%s\n", qPrintable(file));
        menu->hide();
    }
    root->quickOpen()->open();
    auto* quickOpenField =
        root->quickOpen()->findChild<QLineEdit*>(QStringLiteral("quickOpenField"));
    quickOpenField->setText(QStringLiteral("shop://product/84213?ref=quick"));
    snap("quick-open");
    quickOpenField->setText(QStringLiteral("product/84213"));
    QTest::keyClick(quickOpenField, Qt::Key_Return);
    snap("quick-open-no-url");
    root->quickOpen()->dismiss();
    if (auto* detail = split->detailView()) {
        detail->run()->toggle();
        QTest::qWait(3100);
        snap("run-running");
        detail->run()->toggle();
        snap("run-paused");
    }
    split->setSearchText(QStringLiteral("ab"));
    snap("search-collection-ab");
    split->setSearchText(QStringLiteral("zzz"));
    snap("search-collection-no-result");
    split->setSearchText(QString());
    split->setSelectedScope(SearchRootScope{DeeplinkScope::Title});
    split->setSearchText(QStringLiteral("o"));
    snap("search-title");
    split->setSearchText(QStringLiteral("nothing"));
    snap("search-title-no-result");
    split->setSelectedScope(SearchRootScope{});
    split->setSearchText(QString());
    const auto collections = split->sectionedCollection()->fetchedObjects();
    split->setSelectedDeeplinkCollection(static_cast<DeeplinkCollection*>(collections.back()));
    snap("empty-collection");
    split->setSelectedDeeplinkCollection(nullptr);
    snap("nothing-selected");
    shell.showPreferences();
    snap("preferences",
         shell.window()->findChild<PreferencesDialog*>(QStringLiteral("preferences")));
    return 0;
}
