#include "AppFixture.h"
#include "DeviceFixtures.h"
#include "ExactUrls.h"
#include "FakeAdb.h"

#include "destinations/RunDestinationManager.h"
#include "destinations/ui/TargetSelectorToolbarContent.h"
#include "platform/AppPaths.h"
#include "platform/AppSettings.h"
#include "targetapps/ui/BundleIdSelectorToolbarContent.h"
#include "toolchain/AdbLocator.h"
#include "toolchain/ui/XcodeChooser.h"
#include "toolchain/ui/XcodeView.h"
#include "updates/Updater.h"
#include "updates/ui/AutomaticChecksBox.h"
#include "updates/ui/UpdateAlert.h"
#include "widgets/SearchField.h"
#include "window/ui/AddCollectionBottomToolbarButtonView.h"
#include "window/ui/AddDeeplinkCollectionView.h"
#include "window/ui/CreateDeeplinkCollectionMetaDataView.h"
#include "window/ui/DeeplinkCollectionDetailView.h"
#include "window/ui/QrCodeDialog.h"
#include "window/ui/QuickOpenBar.h"
#include "window/ui/RootSearchField.h"
#include "window/ui/SideBarView.h"

#include <QClipboard>
#include <QCompleter>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using Tool = FakeXcode::Tool;

// What a window command acts on, which the window may lack.
enum class Needs { Nothing, Collection, Deeplink, Device };

namespace {

// Every Xcode chooser made from now on answers with `xcode` (cleanup() restores the dialog).
void answerChoosersWith(const FakeXcode& xcode) {
    XcodeChooser::setDefaultFileChooser([url = xcode.url()](QWidget*, const auto& reply) {
        reply(XcodeViewModel::FileImportResult(QList<QUrl>{url}));
    });
}

QString canonicalPath(const FakeXcode& xcode) {
    return QFileInfo(xcode.path()).canonicalFilePath();
}

// The main window on a store with one collection ("Shop", one deeplink "Item"), started; the
// chooser of "Select Xcode…" only notes that it was shown.
struct MainWindow : AppFixture {
    MainWindow() {
        shop = fill(QStringLiteral("Shop"));
        item = StoreBuilders::addDeeplink(context(), shop, QStringLiteral("Item"),
                                          QStringLiteral("shop://item/1"));
        save();
        start();
        app->xcodeChooser().setFileChooser(
            [this](QWidget*, const XcodeChooser::ChooserReply&) { chooserShown = true; });
    }
    [[nodiscard]] WindowState* state() const { return root()->splitView()->state(); }
    // The URLs handed to the simulator so far.
    [[nodiscard]] QStringList opened() const { return xcode.openedUrls(); }
    // The run of the detail view in front when asked: a selection change replaces the view.
    [[nodiscard]] bool running(int seconds = 0) const {
        DeeplinkCollectionDetailView* detail = root()->splitView()->detailView();
        AutomatedRun* run = detail ? detail->run() : nullptr;
        return run && run->state() == StateCase::Running && (!seconds || run->time() == seconds);
    }
    [[nodiscard]] AddDeeplinkCollectionView* sheet() const {
        return root()->splitView()->sideBar()->addButton()->sheet();
    }
    template <typename Picker> [[nodiscard]] bool showing() const {
        auto* picker = app->window()->findChild<Picker*>();
        return picker && picker->showingPopover();
    }

    DeeplinkCollection* shop = nullptr;
    QPointer<Deeplink> item;
    bool chooserShown = false;
};

using Acted = std::function<bool(MainWindow&)>;

// The real executable in a fresh home. Its settings file is the one the test's own settings
// go to, so a bookmark saved here is the child's.
struct KestrineProcess {
    [[nodiscard]] QString storePath() const {
        return env.home() + QStringLiteral("/Kestrine.sqlite");
    }
    void start(const QString& platform = QStringLiteral("offscreen")) {
        process.setProcessEnvironment(environment(platform));
        process.start(QStringLiteral(KESTRINE_EXECUTABLE), {});
    }
    // On Qt's VNC platform, at a port that was free a moment ago; returns the port.
    quint16 startOnVnc(QStringView size) {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            return 0;
        const quint16 port = probe.serverPort();
        probe.close();
        start(QStringLiteral("vnc:size=%1:port=%2").arg(size).arg(port));
        return port;
    }
    [[nodiscard]] QProcessEnvironment environment(const QString& platform = "offscreen") const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : {std::pair{AppPaths::homeVariable, env.home()},
                                          {"QT_QPA_PLATFORM", platform},
                                          {"KESTRINE_LOG", QStringLiteral("stderr")}})
            environment.insert(QString::fromLatin1(name), value);
        return environment;
    }
    // Whether the process wrote `text` to its log (standard error) so far.
    bool logged(QStringView text) {
        log += QString::fromUtf8(process.readAllStandardError());
        return log.contains(text);
    }
    // Only to the process while it runs: the id of one that has ended is 0, and kill(0, ...)
    // would reach this whole process group (ctest and whatever started it).
    [[nodiscard]] bool signal(int number) const {
        return process.state() == QProcess::Running && process.processId() > 0 &&
               ::kill(pid_t(process.processId()), number) == 0;
    }
    // Ends a process that is still running, as the user would, and sees it go.
    void stop() {
        QCOMPARE(process.state(), QProcess::Running);
        process.terminate();
        QVERIFY(process.waitForFinished(20000));
    }

    TestEnvironment env;
    QProcess process;
    QString log;
};

// A user at the keyboard of a window on Qt's VNC platform, which takes key presses from any
// client that speaks the protocol's handshake without authentication.
class VncKeyboard {
public:
    static constexpr quint32 control = 0xffe3;
    static constexpr quint32 down = 0xff54;
    static constexpr quint32 enter = 0xff0d;

    // Waits for the server of a process that is still starting.
    // Qt's VNC platform is no part of every Qt (Homebrew's on the Mac has none).
    [[nodiscard]] static bool available() {
        const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                             QStringLiteral("/platforms"));
        return !platforms.entryList({QStringLiteral("*qvnc*")}, QDir::Files).isEmpty();
    }

    bool connectTo(quint16 port) {
        QDeadlineTimer deadline(20000);
        while (port != 0 && !deadline.hasExpired()) {
            m_socket.connectToHost(QHostAddress::LocalHost, port);
            if (m_socket.waitForConnected(1000))
                return handshake();
            m_socket.abort();
            QTest::qWait(100);
        }
        return false;
    }

    // Presses `keys` in order (X key symbols) and releases them in reverse.
    void press(std::initializer_list<quint32> keys) {
        for (const quint32 key : keys)
            send(key, true);
        for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
            send(*key, false);
        m_socket.flush();
    }

private:
    QByteArray read(qint64 size) {
        while (m_socket.bytesAvailable() < size && m_socket.waitForReadyRead(5000)) {
        }
        return m_socket.read(size);
    }
    bool handshake() {
        // Version, the server's choice of no authentication, a shared session, its parameters.
        if (!read(12).startsWith("RFB "))
            return false;
        m_socket.write("RFB 003.003\n");
        if (qFromBigEndian<quint32>(read(4).constData()) != 1)
            return false;
        m_socket.write(QByteArray(1, '\1'));
        const QByteArray init = read(24);
        if (init.size() != 24)
            return false;
        read(qFromBigEndian<quint32>(init.constData() + 20)); // the desktop's name
        return true;
    }
    void send(quint32 key, bool pressed) {
        QByteArray event(8, '\0');
        event[0] = 4;
        event[1] = pressed ? 1 : 0;
        qToBigEndian(key, event.data() + 4);
        m_socket.write(event);
    }

    QTcpSocket m_socket;
};

// Calls `paint` at the first paint of `window`, while it paints.
class PaintProbe : public QObject {
public:
    PaintProbe(QWidget* window, std::function<void()> paint)
        : m_paint(std::move(paint)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            m_paint();
        }
        return false;
    }

private:
    std::function<void()> m_paint;
};

} // namespace

Q_DECLARE_METATYPE(Acted)

class tst_KestrineApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { XcodeChooser::setDefaultFileChooser({}); }

    void menuDeletesAllAndOffersUpdates() {
        AppFixture f;
        for (int i = 0; i < 4; ++i)
            f.fill(QStringLiteral("Collection %1").arg(i), 3);
        f.save();
        f.fill(QStringLiteral("Unsaved"), 3); // unsaved objects go too
        KestrineApp& app = f.make();
        QAction* update = menuItem(app, u"About Kestrine", 1);
        QVERIFY(update);
        QCOMPARE(update->text(), QStringLiteral("Check for Updates\u2026"));
        menuItem(app, u"Delete All")->trigger();
        QVERIFY(f.context().registeredObjects().isEmpty());
        QVERIFY(!f.context().hasChanges());
        f.app.reset();
        QVERIFY(f.store.reopen()->registeredObjects().isEmpty());
    }

    // Every window command from the keyboard and the menus: its menu item shows the shortcut,
    // is disabled (and its shortcut does nothing) while the window lacks what it acts on, and
    // acts once that is there. No shortcut belongs to two actions: Qt would drop both.
    void commandsActFromShortcutsAndMenus_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<Needs>("needs");
        QTest::addColumn<Acted>("acted");
        const auto row = [](const char* item, const QKeySequence& keys, Needs needs,
                            const Acted& acted) {
            QTest::newRow(item) << QString::fromUtf8(item) << keys << needs << acted;
        };
        using N = Needs;
        row("Open URL…", QKeySequence(Qt::CTRL | Qt::Key_L), N::Nothing,
            [](MainWindow& w) { return child<QLineEdit>(w.root(), "quickOpenField")->hasFocus(); });
        row("Execute", QKeySequence(Qt::CTRL | Qt::Key_Return), N::Deeplink,
            [](MainWindow& w) { return w.opened() == QStringList{"shop://item/1"}; });
        row("New Deeplink", QKeySequence(Qt::CTRL | Qt::Key_N), N::Collection,
            [](MainWindow& w) { return w.shop->deeplinks().size() == 2; });
        row("Delete Deeplink", {}, N::Deeplink,
            [](MainWindow& w) { return !w.item || w.item->isDeleted(); });
        row("Copy URL", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), N::Deeplink,
            [](MainWindow&) { return QGuiApplication::clipboard()->text() == u"shop://item/1"; });
        row("Show QR Code", {}, N::Deeplink, [](MainWindow& w) {
            const auto* dialog = w.app->window()->findChild<QrCodeDialog*>();
            return dialog && dialog->isVisible() &&
                   child<QLabel>(dialog, "url")->text() == u"shop://item/1";
        });
        row("Copy Command", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C), N::Deeplink,
            [](MainWindow& w) {
                return QGuiApplication::clipboard()->text() ==
                       w.xcode.toolPath(Tool::Simctl) + " openurl S1 shop://item/1";
            });
        row("New Collection…", {}, N::Nothing, [](MainWindow& w) { return w.sheet() != nullptr; });
        row("Import…", {}, N::Nothing, [](MainWindow& w) {
            return w.sheet() && w.sheet()->tabType() == AddDeeplinkCollectionView::TabType::Import;
        });
        row("Edit Collection…", {}, N::Collection, [](MainWindow& w) {
            auto* sheet = w.app->window()->findChild<AddDeeplinkCollectionView*>();
            return sheet && sheet->isVisible() &&
                   child<CreateDeeplinkCollectionMetaDataView>(sheet, "createCollection")
                           ->nameField()
                           ->text() == u"Shop";
        });
        row("Pin Collection", {}, N::Collection, [](MainWindow& w) { return w.shop->isPinned(); });
        row("Start Automated Run", QKeySequence(Qt::CTRL | Qt::Key_R), N::Collection,
            [](MainWindow& w) { return w.running(); });
        row("5 Seconds", {}, N::Collection, [](MainWindow& w) { return w.running(5); });
        row("Search", QKeySequence(Qt::CTRL | Qt::Key_F), N::Nothing, [](MainWindow& w) {
            return child<SearchField>(w.root()->searchField(), "searchField")->hasFocus();
        });
        row("Toggle Sidebar", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), N::Nothing,
            [](MainWindow& w) { return !w.root()->splitView()->sideBar()->isVisible(); });
        row("Choose Destination…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), N::Nothing,
            [](MainWindow& w) { return w.showing<TargetSelectorToolbarContent>(); });
        row("Choose App…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), N::Device,
            [](MainWindow& w) { return w.showing<BundleIdSelectorToolbarContent>(); });
        row("Select Xcode…", {}, N::Nothing, [](MainWindow& w) { return w.chooserShown; });
        row("Preferences…", QKeySequence(Qt::CTRL | Qt::Key_Comma), N::Nothing,
            [](MainWindow& w) { return preferences(*w.app) && preferences(*w.app)->isVisible(); });
    }

    void commandsActFromShortcutsAndMenus() {
        QFETCH(QString, item);
        QFETCH(QKeySequence, keys);
        QFETCH(Needs, needs);
        QFETCH(Acted, acted);
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Ambiguous")));
        MainWindow w;
        QMap<QKeySequence, QAction*> owners;
        QList<QWidget*> widgets = w.app->window()->findChildren<QWidget*>();
        widgets.append(w.app->window());
        for (const QWidget* widget : std::as_const(widgets)) {
            for (QAction* action : widget->actions()) {
                for (const QKeySequence& shortcut : action->shortcuts()) {
                    QVERIFY2(owners.value(shortcut, action) == action,
                             qPrintable(shortcut.toString()));
                    owners.insert(shortcut, action);
                }
            }
        }

        QAction* action = menuItem(*w.app, item);
        QVERIFY(action);
        QCOMPARE(action->shortcut(), keys);
        const auto press = [&] {
            keys.isEmpty() ? action->trigger() : QTest::keySequence(w.app->window(), keys);
        };
        if (needs != Needs::Nothing) {
            if (needs == Needs::Collection)
                w.root()->splitView()->setSelectedDeeplinkCollection(nullptr);
            QVERIFY(!w.state()->selectedDeeplink());
            QVERIFY(!action->isEnabled());
            if (!keys.isEmpty()) {
                press();
                QCoreApplication::processEvents();
                QVERIFY(!acted(w));
            }
            w.root()->splitView()->setSelectedDeeplinkCollection(w.shop);
            w.state()->setSelectedDeeplink(w.item);
            if (needs == Needs::Device)
                w.app->deviceManager().selectDevice(DeviceFixtures::phone);
            QVERIFY(action->isEnabled());
        }
        QVERIFY(!acted(w));
        press();
        QTRY_VERIFY_WITH_TIMEOUT(acted(w), 20000);
    }

    // Without a usable destination Copy Command copies nothing and says why, as Execute does.
    void copyCommandRefusesAsExecuteDoes() {
        MainWindow w;
        w.root()->splitView()->setSelectedDeeplinkCollection(w.shop);
        w.state()->setSelectedDeeplink(w.item);
        w.app->deviceManager().selectDevice(DeviceFixtures::phone); // no app chosen for it
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        menuItem(*w.app, u"Copy Command")->trigger();
        QVERIFY(w.app->error());
        const QString refusal = w.app->error()->value;
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        w.app->setError(std::nullopt);
        menuItem(*w.app, u"Execute")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.app->error(), 20000);
        QCOMPARE(w.app->error()->value, refusal);
        QVERIFY2(refusal.startsWith(u"No app selected."), qPrintable(refusal));
    }

    // A store held by another process keeps Delete Deeplink pending, and every other unsaved
    // edit with it, until the lock goes.
    void deleteDeeplinkWaitsForABusyStore() {
        MainWindow w;
        w.root()->splitView()->setSelectedDeeplinkCollection(w.shop);
        w.state()->setSelectedDeeplink(w.item);
        w.shop->setName(QStringLiteral("Shop, renamed"));
        QVERIFY(w.store.lockWrites());
        menuItem(*w.app, u"Delete Deeplink")->trigger();
        QVERIFY(w.item->isDeleted());
        QCOMPARE(w.shop->name(), QStringLiteral("Shop, renamed"));
        w.store.unlockWrites();
        QTRY_VERIFY(!w.context().hasChanges());
        w.app.reset();
        ManagedObjectContext* reopened = w.store.reopen();
        QCOMPARE(StoreFile::names(*reopened), QStringList{"Shop, renamed"});
        QVERIFY(reopened->deeplinks().isEmpty());
    }

    // A URL typed without a scheme stays in the field with Quick Open's reason under it; the
    // stored URL is not what the field shows, so Execute fires nothing until the field holds a
    // URL again.
    void executeFiresOnlyTheUrlShown() {
        MainWindow w;
        w.root()->splitView()->setSelectedDeeplinkCollection(w.shop);
        w.state()->setSelectedDeeplink(w.item);
        auto* url = child<QLineEdit>(w.root(), "url");
        auto* problem = child<QLabel>(w.root(), "urlProblem");
        url->setFocus();
        url->selectAll();
        QTest::keyClicks(url, QStringLiteral("example.com/x"));
        QTest::keyClick(url, Qt::Key_Tab);
        QVERIFY(!url->hasFocus());
        QCOMPARE(url->text(), QStringLiteral("example.com/x"));
        QVERIFY(problem->isVisible());
        QCOMPARE(problem->text(), QStringLiteral("A URL needs a scheme, as in myapp://path."));
        QCOMPARE(w.item->urlString(), QStringLiteral("shop://item/1"));
        menuItem(*w.app, u"Execute")->trigger();
        QVERIFY(url->hasFocus()); // to where the reason is

        url->selectAll();
        QTest::keyClicks(url, QStringLiteral("shop://item/2"));
        QVERIFY(!problem->isVisible());
        menuItem(*w.app, u"Execute")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w.opened(), QStringList{"shop://item/2"}, 20000);
    }

    // Quick Open fires what is typed through the same route as Execute, exactly, without
    // storing it; it remembers the last URLs fired, offers "Add to Collection", explains a
    // text that is no URL and closes with Escape.
    void quickOpenFiresTypedUrls() {
        MainWindow w;
        QuickOpenBar* bar = w.root()->quickOpen();
        auto* field = child<QLineEdit>(bar, "quickOpenField");
        auto* problem = child<QLabel>(bar, "quickOpenProblem");
        auto* add = child<QPushButton>(bar, "quickOpenAdd");
        QVERIFY(!bar->isVisible());
        QTest::keySequence(w.app->window(), QKeySequence(Qt::CTRL | Qt::Key_L));
        QVERIFY(bar->isVisible());
        QVERIFY(field->hasFocus());
        QCOMPARE(field->accessibleName(), QStringLiteral("Open URL"));

        QStringList fired;
        for (const ExactUrls::Row& row : ExactUrls::rows()) {
            field->clear();
            QGuiApplication::clipboard()->setText(row.typed);
            QTest::keySequence(field, QKeySequence::Paste);
            QTest::keyClick(field, Qt::Key_Return);
            fired.prepend(row.exact);
            QTRY_COMPARE_WITH_TIMEOUT(w.opened().size(), fired.size(), 20000);
            QCOMPARE(w.opened().last(), row.exact);
        }
        QCOMPARE(QuickOpenBar::recentUrls(), fired);
        QCOMPARE(w.context().deeplinks().size(), 1); // nothing stored

        // Again: to the front, not twice. Then more than are kept.
        const auto fire = [&](const QString& url) {
            field->setText(url);
            QTest::keyClick(field, Qt::Key_Return);
            fired.removeAll(url);
            fired.prepend(url);
        };
        fire(fired.last());
        QCOMPARE(QuickOpenBar::recentUrls(), fired);
        for (int i = 0; i < 12; ++i)
            fire(QStringLiteral("app://more/%1").arg(i));
        fired.resize(QuickOpenBar::recentLimit);
        QCOMPARE(QuickOpenBar::recentUrls(), fired);
        QCOMPARE(field->completer()->model()->index(0, 0).data().toString(), fired.first());
        QCOMPARE(field->completer()->model()->rowCount(), QuickOpenBar::recentLimit);
        const int sent = int(ExactUrls::rows().size()) + 13;
        QTRY_COMPARE_WITH_TIMEOUT(w.opened().size(), sent, 20000);

        // No URL: the reason shows, nothing goes out or is remembered; typing hides it.
        for (const auto& [text, reason] : std::initializer_list<std::pair<QString, QString>>{
                 {"", "Type a URL, as in myapp://path."},
                 {"no scheme here", "A URL needs a scheme, as in myapp://path."},
                 {"1app://x", "A scheme starts with a letter."},
                 {"my_app://x", "A scheme holds only letters, digits, “+”, “-” and “.”."},
                 {"app://[::1/x", "The host’s “[” is never closed."},
                 {"app://[::1]x/", "Only a port may follow a bracketed host."},
                 {"app://h:65536/", "A port is a number up to 65535."}}) {
            field->setText(text);
            QTest::keyClick(field, Qt::Key_Return);
            QVERIFY(problem->isVisible());
            QCOMPARE(problem->text(), reason);
        }
        QTest::keyClick(field, Qt::Key_A);
        QVERIFY(!problem->isVisible());
        QCOMPARE(QuickOpenBar::recentUrls(), fired);

        // Placeholders are taken as typed: they are filled in when fired.
        const QString variables = QStringLiteral("{{scheme}}://{{host}}:{{port}}/i/{{id}}");
        field->setText(variables);
        QTest::mouseClick(add, Qt::LeftButton);
        QVERIFY(!problem->isVisible());
        QCOMPARE(w.state()->selectedDeeplink()->urlString(), variables);
        bar->open();

        // Stored into the selected collection, titled as new deeplinks are, and selected.
        field->setText(QStringLiteral("shop://added/é"));
        QTest::mouseClick(add, Qt::LeftButton);
        QVERIFY(!bar->isVisible());
        Deeplink* added = w.state()->selectedDeeplink();
        QVERIFY(added && added != w.item);
        QCOMPARE(added->deeplinkCollection(), w.shop);
        QCOMPARE(added->urlString(), QStringLiteral("shop://added/%C3%A9"));
        QCOMPARE(added->title(), Deeplink::newTitle());
        QTRY_COMPARE_WITH_TIMEOUT(w.opened().size(), sent, 20000);

        w.root()->splitView()->setSelectedDeeplinkCollection(nullptr);
        bar->open();
        QVERIFY(!add->isEnabled());
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
    }

    // Every point where pending edits go to the file: a change of the application state, the
    // session asking for data, and the application quitting.
    void everySavePointSaves_data() {
        QTest::addColumn<QString>("savePoint");
        for (const char* point : {"inactive", "active", "session commit", "quit"})
            QTest::newRow(point) << QString::fromLatin1(point);
    }

    void everySavePointSaves() {
        QFETCH(QString, savePoint);
        AppFixture f;
        f.make();
        f.fill(QStringLiteral("Collection"), 3);
        QVERIFY(f.context().hasChanges());
        if (savePoint == u"inactive") {
            Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        } else if (savePoint == u"active") {
            Q_EMIT qApp->applicationStateChanged(Qt::ApplicationActive);
        } else if (savePoint == u"session commit") {
            auto* session = qApp->findChild<QSessionManager*>();
            QVERIFY(session);
            Q_EMIT qApp->commitDataRequest(*session);
        } else {
            QVERIFY(QMetaMethod::fromSignal(&QCoreApplication::aboutToQuit).invoke(qApp));
        }
        QVERIFY(!f.context().hasChanges());
    }

    // Until an Xcode is chosen (or when the remembered one is gone) the window shows the
    // selection screen; choosing one there, or going on without, brings up the main content,
    // and the next start of the shell remembers that. Without Xcode no tool runs and nothing
    // fails: the destination list is just empty.
    void choosingXcodeShowsMainContent_data() {
        QTest::addColumn<bool>("rememberVanished");
        QTest::addColumn<bool>("withoutXcode");
        QTest::addRow("nothing remembered") << false << false;
        QTest::addRow("remembered Xcode vanished") << true << false;
        QTest::addRow("without Xcode") << false << true;
        QTest::addRow("without Xcode, remembered one vanished") << true << true;
    }

    void choosingXcodeShowsMainContent() {
        QFETCH(bool, rememberVanished);
        QFETCH(bool, withoutXcode);
        using Kind = XcodeBookmarkManager::StateKind;
        AppFixture f;
        if (rememberVanished) {
            FakeXcode gone(f.env.path());
            XcodeBookmarkManager().saveBookmark(gone.url());
        }
        answerChoosersWith(f.xcode);
        const Kind chosen = withoutXcode ? Kind::WithoutXcode : Kind::Available;
        {
            KestrineApp& app = f.make();
            QSignalSpy ready(&app, &KestrineApp::mainContentReady);
            QCOMPARE(app.manager()->state().kind, Kind::Unavailable);
            auto* screen = qobject_cast<XcodeView*>(app.window()->centralWidget());
            QVERIFY(screen);
            child<QPushButton>(screen, withoutXcode ? "continueWithoutXcode" : "selectXcode")
                ->click();

            QTRY_COMPARE(app.manager()->state().kind, chosen);
            QVERIFY(f.root());
            QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, 20000);
            if (withoutXcode) {
                QCOMPARE(app.deviceManager().devices(), QList<Device>());
                QVERIFY(!app.deviceManager().isLoading() &&
                        app.deviceManager().sourceFailures().isEmpty());
                QCOMPARE(f.xcode.calls(), QStringList());
                QCOMPARE(f.env.messages(QStringLiteral("RunDestinationManager"))
                             .filter(QStringLiteral("Fetching s")),
                         QStringList());
                QVERIFY(!app.error());
            }
        }
        f.app.reset();
        QCOMPARE(f.make().manager()->state().kind, chosen);
        QVERIFY(f.root());
    }

    // "Select Xcode…" and the Xcode of Preferences choose another Xcode through the one
    // chooser: the window stays as it is and the destinations come from the new Xcode.
    void changingXcodeRefetchesDestinations_data() {
        QTest::addColumn<bool>("fromNoXcode");    // else from another Xcode
        QTest::addColumn<bool>("viaPreferences"); // else the menu item
        QTest::addRow("menu, without Xcode before") << true << false;
        QTest::addRow("menu, another Xcode before") << false << false;
        QTest::addRow("Preferences, without Xcode before") << true << true;
        QTest::addRow("Preferences, another Xcode before") << false << true;
    }

    void changingXcodeRefetchesDestinations() {
        QFETCH(bool, fromNoXcode);
        QFETCH(bool, viaPreferences);
        AppFixture f;
        const FakeXcode& before = f.xcode;
        f.xcode.setSimulators({"B1|iPhone 15|Booted"});
        FakeXcode after(f.env.path());
        after.setSimulators({"A1|iPhone 16|Booted"});
        if (fromNoXcode)
            XcodeBookmarkManager().continueWithoutXcode();
        else
            XcodeBookmarkManager().saveBookmark(before.url());
        answerChoosersWith(after);
        KestrineApp& app = f.make();
        const auto listed = [&app] { return DeviceFixtures::ids(app.deviceManager().devices()); };
        QTRY_COMPARE_WITH_TIMEOUT(listed(), fromNoXcode ? QStringList() : QStringList{"B1"}, 20000);
        QWidget* content = app.window()->centralWidget();
        const auto shownPath = [&app] {
            return child<QLabel>(preferences(app), "xcodePath")->accessibleName();
        };

        if (viaPreferences) {
            menuItem(app, u"Preferences\u2026")->trigger();
            QCOMPARE(shownPath(), fromNoXcode ? QStringLiteral("None") : canonicalPath(before));
            child<QPushButton>(preferences(app), "chooseXcode")->click();
        } else {
            menuItem(app, u"Select Xcode\u2026")->trigger();
        }

        QTRY_COMPARE_WITH_TIMEOUT(listed(), QStringList{"A1"}, 20000);
        QCOMPARE(app.deviceManager().xcodeURL().toLocalFile(), canonicalPath(after));
        QCOMPARE(app.window()->centralWidget(), content);
        if (viaPreferences)
            QCOMPARE(shownPath(), canonicalPath(after));
        QVERIFY(!app.error());
    }

    // The first picture holds the stored collections, the first one open, and a destination
    // picker that is loading: no tool has been asked yet. They are asked right after it, and
    // their answer fills the picker.
    void firstPaintWaitsForNoTool() {
        AppFixture f;
        f.fill(QStringLiteral("Stored"), 2);
        f.save();
        XcodeBookmarkManager().saveBookmark(f.xcode.url());
        KestrineApp& app = f.make();
        QStringList callsAtPaint{QStringLiteral("no paint")};
        QString titleAtPaint;
        bool loadingAtPaint = false;
        PaintProbe probe(app.window(), [&] {
            callsAtPaint = f.xcode.calls() + f.env.messages(QStringLiteral("RunDestinationManager"))
                                                 .filter(QStringLiteral("Fetching"));
            titleAtPaint = app.window()->windowTitle();
            loadingAtPaint = app.deviceManager().isLoading();
        });
        QSignalSpy ready(&app, &KestrineApp::mainContentReady);
        app.show();
        QVERIFY(ready.wait(20000));
        QCOMPARE(callsAtPaint, QStringList());
        QCOMPARE(titleAtPaint, QStringLiteral("Stored"));
        QVERIFY(loadingAtPaint);
        QVERIFY(!f.xcode.calls().isEmpty());
        QCOMPARE(DeviceFixtures::ids(app.deviceManager().devices()), QStringList{"S1"});
        QVERIFY(!app.deviceManager().isLoading());
    }

    // The adb of Preferences: a chosen program is stored and shown at once, anything else is
    // refused with the alert, "Use Default" forgets the choice; the default is the one the
    // Android SDK holds.
    void preferencesStoreTheAdbAtOnce_data() {
        QTest::addColumn<QString>("action"); // chosen item ("program", "file", "dir", "cancel") or
                                             // "default" (Use Default, a program chosen before)
        QTest::addColumn<bool>("stored");    // the program is the setting afterwards
        QTest::addColumn<QString>("alert");
        QTest::addRow("a program") << "program" << true << "";
        QTest::addRow("not executable") << "file" << false << "is not a program Kestrine can run.";
        QTest::addRow("a directory") << "dir" << false << "is not a program Kestrine can run.";
        QTest::addRow("cancelled") << "cancel" << false << "";
        QTest::addRow("Use Default") << "default" << false << "";
    }

    void preferencesStoreTheAdbAtOnce() {
        QFETCH(QString, action);
        QFETCH(bool, stored);
        QFETCH(QString, alert);
        AppFixture f; // its environment puts ANDROID_HOME back
        const auto program = [&f](const char* name, QFile::Permissions executable) {
            const QString path = f.env.filePath(QString::fromLatin1(name));
            QDir().mkpath(QFileInfo(path).path());
            StandInTools::writeFile(path, {});
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | executable);
            return QFileInfo(path).absoluteFilePath();
        };
        const QString sdkAdb = program("sdk/platform-tools/adb", QFile::ExeOwner);
        const QString chosenAdb = program("chosen/adb", QFile::ExeOwner);
        qputenv("ANDROID_HOME", f.env.filePath("sdk").toUtf8());
        const QMap<QString, QString> items{{"program", chosenAdb},
                                           {"file", program("plain/adb", {})},
                                           {"dir", f.env.filePath("sdk/platform-tools")}};
        if (action == u"default")
            AdbLocator::adbPathSetting().setValue(chosenAdb);
        XcodeBookmarkManager().continueWithoutXcode();
        KestrineApp& app = f.make();
        app.showPreferences();
        PreferencesDialog* dialog = preferences(app);
        QVERIFY(dialog);
        auto* adbPath = child<QLabel>(dialog, "adbPath");
        auto* defaultAdb = child<QPushButton>(dialog, "defaultAdb");
        QCOMPARE(adbPath->accessibleName(), action == u"default" ? chosenAdb : sdkAdb);
        QCOMPARE(defaultAdb->isEnabled(), action == u"default");

        dialog->setAdbChooser([&](QWidget*) -> std::optional<QString> {
            if (action == u"cancel")
                return std::nullopt;
            return items.value(action);
        });
        (action == u"default" ? defaultAdb : child<QPushButton>(dialog, "chooseAdb"))->click();

        QCOMPARE(AppSettings::standard()->contains(QStringLiteral("Android.adbPath")), stored);
        QCOMPARE(AdbLocator::adbPathSetting().value(), stored ? chosenAdb : QString());
        QCOMPARE(adbPath->accessibleName(), stored ? chosenAdb : sdkAdb);
        QCOMPARE(defaultAdb->isEnabled(), stored);
        QCOMPARE(app.error().has_value(), !alert.isEmpty());
        if (!alert.isEmpty())
            QCOMPARE(app.error()->value,
                     u'\u201C' + items.value(action) + u'\u201D' + u' ' + alert);
    }

    // Without Xcode, adb alone: the adb chosen in Preferences lists its destinations at once,
    // the emulator is picked, a new deeplink is executed and reaches adb's am start.
    void demoWithoutXcodeFiresAtTheEmulator() {
        AppFixture f;
        FakeAdb adb(f.env.path(), true);
        DeeplinkCollection* shop = f.fill(QStringLiteral("Shop"));
        f.save();
        KestrineApp& app = f.start(false);
        app.deeplinkExecuter().setInterpreterPath(f.env.filePath("no-osascript"));
        child<QPushButton>(app.window()->centralWidget(), "continueWithoutXcode")->click();
        RootView* root = f.root();
        QVERIFY(root);
        QTRY_VERIFY(!app.deviceManager().isLoading());
        QCOMPARE(app.deviceManager().devices(), QList<Device>());

        app.showPreferences();
        preferences(app)->setAdbChooser([&](QWidget*) { return adb.adbPath(); });
        child<QPushButton>(preferences(app), "chooseAdb")->click();
        QTRY_COMPARE_WITH_TIMEOUT(app.deviceManager().devices().size(), 3, 20000);
        preferences(app)->close();
        for (const Device& device : app.deviceManager().devices()) {
            if (device.id == u"emulator-5554")
                app.deviceManager().selectDevice(device);
        }

        root->splitView()->setSelectedDeeplinkCollection(shop);
        menuItem(app, u"New Deeplink")->trigger();
        QCOMPARE(shop->deeplinks().size(), 1);
        Deeplink* deeplink = shop->deeplinks().constFirst();
        deeplink->setUrlString(QStringLiteral("shop://item/42?ref=demo"));
        root->splitView()->state()->setSelectedDeeplink(deeplink);
        menuItem(app, u"Execute")->trigger();
        const auto amStart = [&adb] {
            QStringList calls;
            for (const FakeAdb::Invocation& call : adb.invocations())
                calls.append(call.arguments.join(u' '));
            return calls.filter(QStringLiteral(" shell am "));
        };
        QTRY_COMPARE_WITH_TIMEOUT(amStart(),
                                  QStringList{"-s emulator-5554 shell am start -W -a "
                                              "android.intent.action.VIEW -d "
                                              "'shop://item/42?ref=demo'"},
                                  20000);
        QVERIFY(!app.error());
    }

    // Preferences and the update alert show one setting: what either box sets, the other shows.
    void updateChecksAreOneSettingInPreferencesAndTheAlert() {
        AppFixture f;
        XcodeBookmarkManager().continueWithoutXcode();
        KestrineApp& app = f.make();
        app.show();
        app.showPreferences();
        auto* box = child<QCheckBox>(preferences(app), "automaticChecks");
        QVERIFY(!box->isChecked());
        box->click();
        QVERIFY(Updater::automaticallyChecksForUpdates());
        auto* alert = new UpdateAlert(UpdateCheckResult{.currentVersion = QStringLiteral("1.0")},
                                      app.window());
        alert->show();
        alert->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(alert));
        auto* alertBox = child<QCheckBox>(alert, "automaticChecks");
        QVERIFY(alertBox->isChecked());
        alertBox->click();
        QVERIFY(!Updater::automaticallyChecksForUpdates());
        // Back in Preferences, its box shows what the alert's set.
        preferences(app)->activateWindow();
        QTRY_VERIFY(!box->isChecked());
        alert->close();
    }

    // With an Xcode remembered, the shell fetches the destinations at start-up, and a deeplink
    // handed to its open-URL route reaches the simulator tool; a failure comes back as the
    // one alert, which goes with the error.
    void deeplinkReachesSimulatorAndFailureShowsAlert() {
        AppFixture f;
        FakeXcode& xcode = f.xcode;
        const QString failure = QStringLiteral("Simulator device failed to open shop://broken.\n");
        xcode.setScenario(Tool::Simctl, {.standardError = failure.toUtf8(), .exitStatus = 1},
                          QStringLiteral("shop://broken"));
        KestrineApp& app = f.start();
        QCOMPARE(app.deviceManager().xcodeURL(), xcode.url());
        QVERIFY(app.deviceManager().selectedDevice());

        app.openUrl(QStringLiteral("shop://item/42?ref=kestrine"));
        QTRY_COMPARE_WITH_TIMEOUT(xcode.invocations(Tool::Osascript).size(), 2, 20000);
        QCOMPARE(xcode.invocations(Tool::Simctl).last().arguments,
                 (QStringList{"openurl", "S1", "shop://item/42?ref=kestrine"}));
        QVERIFY(!app.error());

        app.openUrl(QStringLiteral("shop://broken"));
        QTRY_VERIFY_WITH_TIMEOUT(app.error().has_value(), 20000);
        QCOMPARE(app.error()->value, failure);
        QMessageBox* alert = app.window()->findChild<QMessageBox*>();
        QVERIFY(alert);
        QCOMPARE(alert->informativeText(), failure);
        alert->buttons().front()->click();
        QTRY_VERIFY(!app.error().has_value());

        // A tool's message of megabytes: the alert shows its beginning and stays on the screen.
        const QByteArray huge = QByteArray("the simulator said no, at length\n").repeated(100000);
        xcode.setScenario(Tool::Simctl, {.standardError = huge, .exitStatus = 1},
                          QStringLiteral("shop://huge"));
        app.openUrl(QStringLiteral("shop://huge"));
        QTRY_VERIFY_WITH_TIMEOUT(app.error().has_value(), 20000);
        QCOMPARE(app.error()->value.size(), huge.size());
        QTRY_VERIFY((alert = app.window()->findChild<QMessageBox*>()) && alert->isVisible());
        QVERIFY2(alert->informativeText().size() <= 1000,
                 qPrintable(QString::number(alert->informativeText().size())));
        QVERIFY(alert->informativeText().startsWith(u"the simulator said no, at length\n"));
        QVERIFY(alert->informativeText().endsWith(u'…'));
        QVERIFY(alert->frameGeometry().height() <= alert->screen()->availableGeometry().height());
    }

    // The shell and the Xcode selection screen share one alert: "Error" as its visible bold
    // heading, the message under it, one "Okay" button. Once closed, the same failure shows
    // again, also when it arrives before the closed box is deleted.
    void errorAlertShowsEveryFailure_data() {
        QTest::addColumn<bool>("fromXcodeScreen"); // else a failure handed to the shell
        QTest::addColumn<bool>("failAgainWhileClosing");
        QTest::addRow("shell, failing again while the box closes") << false << true;
        QTest::addRow("Xcode selection, Invalid binary twice") << true << false;
    }

    void errorAlertShowsEveryFailure() {
        QFETCH(bool, fromXcodeScreen);
        QFETCH(bool, failAgainWhileClosing);
        AppFixture f;
        FakeXcode notXcode(f.env.path());
        notXcode.writeInfoPlist(QStringLiteral("com.apple.Safari"));
        answerChoosersWith(notXcode);
        KestrineApp& app = f.make();
        app.show();
        auto* screen = qobject_cast<XcodeView*>(app.window()->centralWidget());
        QVERIFY(screen);
        const QString message = fromXcodeScreen ? QStringLiteral("Invalid binary")
                                                : QStringLiteral("The simulator said no.");
        auto fail = [&] {
            if (fromXcodeScreen)
                child<QPushButton>(screen, "selectXcode")->click();
            else
                app.setError(ErrorMessage{message});
        };
        auto shownBox = [&app]() -> QMessageBox* {
            for (auto* box : app.window()->findChildren<QMessageBox*>()) {
                if (box->isVisible())
                    return box;
            }
            return nullptr;
        };

        fail();
        QTRY_VERIFY(shownBox());
        QPointer<QMessageBox> first = shownBox();
        auto* heading = first->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(heading && heading->isVisible());
        QCOMPARE(heading->text(), QStringLiteral("Error"));
        QVERIFY(heading->font().bold());
        QCOMPARE(first->windowTitle(), QStringLiteral("Error"));
        QCOMPARE(first->informativeText(), message);
        QCOMPARE(first->buttons().size(), 1);
        QCOMPARE(first->buttons().front()->text(), QStringLiteral("Okay"));

        first->buttons().front()->click();
        QVERIFY(!shownBox());
        QCOMPARE(app.error(), std::nullopt);
        if (failAgainWhileClosing)
            fail();
        QTRY_VERIFY(!first);
        fail();
        QTRY_VERIFY(shownBox());
        QCOMPARE(shownBox()->informativeText(), message);
        QCOMPARE(app.window()->findChildren<QMessageBox*>().size(), 1);
    }

    // Whatever ends the process, a pending edit reaches the file: the user selects the
    // collection, adds a deeplink and fires it (which shows the test the deeplink exists), then
    // the process is told to stop.
    void stopSignalSavesPendingEdits_data() {
        QTest::addColumn<int>("signalNumber");
        // Another process holds the store's write lock for a moment when the signal comes.
        QTest::addColumn<bool>("storeBusy");
        QTest::addRow("SIGTERM") << SIGTERM << false;
        QTest::addRow("SIGINT") << SIGINT << false;
        QTest::addRow("SIGHUP") << SIGHUP << false;
        QTest::addRow("SIGTERM, store busy") << SIGTERM << true;
    }

    void stopSignalSavesPendingEdits() {
        QFETCH(int, signalNumber);
        QFETCH(bool, storeBusy);
        KestrineProcess kestrine;
        FakeXcode xcode(kestrine.env.path());
        xcode.setSimulators({"S1|iPhone 15|Booted"});
        XcodeBookmarkManager().saveBookmark(xcode.url());
        {
            PersistentContainer store(kestrine.storePath());
            QVERIFY(!store.loadPersistentStores());
            StoreBuilders::addCollection(*store.viewContext(), QStringLiteral("Shop"));
            QCOMPARE(store.viewContext()->save().kind, SaveOutcome::Kind::Saved);
        }
        if (!VncKeyboard::available())
            QSKIP("This Qt has no VNC platform plugin to type into the app.");
        VncKeyboard keyboard;
        QVERIFY(keyboard.connectTo(kestrine.startOnVnc(u"1600x1000")));
        // The main content is up and its simulator selected.
        QTRY_VERIFY_WITH_TIMEOUT(kestrine.logged(u"Updated devices list with 1 items"), 20000);

        keyboard.press({VncKeyboard::down});
        keyboard.press({VncKeyboard::control, 'n'});
        keyboard.press({VncKeyboard::control, VncKeyboard::enter});
        const QString added = QStringLiteral("scheme://basepath/path?query=value");
        QTRY_COMPARE_WITH_TIMEOUT(xcode.invocations(Tool::Simctl).last().arguments.value(2), added,
                                  20000);
        // "Shop <url>" for every deeplink in the file, as another process reads it.
        const auto stored = [&kestrine] {
            PersistentContainer store(kestrine.storePath());
            QStringList deeplinks;
            if (!store.loadPersistentStores()) {
                for (const Deeplink* deeplink : store.viewContext()->deeplinks())
                    deeplinks.append(deeplink->deeplinkCollection()->name() + u' ' +
                                     deeplink->urlString());
            }
            return deeplinks;
        };
        QCOMPARE(stored(), QStringList()); // still pending
        const QString otherProcess = QStringLiteral("other process");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), otherProcess);
            other.setDatabaseName(kestrine.storePath());
            if (storeBusy)
                QVERIFY(other.open() && QSqlQuery(other).exec(QStringLiteral("BEGIN IMMEDIATE")));
            QVERIFY(kestrine.signal(signalNumber));
            if (storeBusy) {
                QVERIFY(!kestrine.process.waitForFinished(1000)); // waiting for the lock
                QVERIFY(QSqlQuery(other).exec(QStringLiteral("ROLLBACK")));
            }
        }
        QSqlDatabase::removeDatabase(otherProcess);
        QVERIFY(kestrine.process.waitForFinished(30000));
        QCOMPARE(kestrine.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kestrine.process.exitCode(), 0);
        QCOMPARE(stored(), QStringList(QStringLiteral("Shop ") + added));
    }

    // A tool that never answers does not outlive Kestrine: on its stop signal it quits at once
    // and ends the tool, which runs in a process group of its own.
    void stopSignalEndsToolsInFlight() {
        KestrineProcess kestrine;
        FakeXcode xcode(kestrine.env.path());
        xcode.setScenario(Tool::Simctl, {.hang = true}, QStringLiteral("list devices"));
        XcodeBookmarkManager().saveBookmark(xcode.url());
        kestrine.start();
        QTRY_VERIFY_WITH_TIMEOUT(!xcode.hangingProcesses(Tool::Simctl).isEmpty(), 20000);
        const qint64 tool = xcode.hangingProcesses(Tool::Simctl).first();
        QVERIFY(kestrine.signal(SIGTERM));
        QVERIFY(kestrine.process.waitForFinished(10000));
        QCOMPARE(kestrine.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kestrine.process.exitCode(), 0);
        QTRY_VERIFY(!StandInTools::isRunning(tool));
    }

    // A later launch on the same store hands over to the running Kestrine and exits; once that
    // one has crashed, leaving its socket file behind, a launch runs itself. The socket lives in
    // KESTRINE_HOME, or where that path is too long in a private directory of the temporary
    // directory; where that one is open to others too, Kestrine runs unguarded rather than in a
    // shared place. (Which directories count as private: tst_SingleInstance.)
    void laterLaunchDefersToTheRunningInstance_data() {
        QTest::addColumn<bool>("firstCrashed");
        QTest::addColumn<bool>("longHome");
        QTest::addColumn<bool>("fallbackOpen");
        QTest::addRow("first running") << false << false << false;
        QTest::addRow("first crashed") << true << false << false;
        QTest::addRow("home too long for a socket") << false << true << false;
        QTest::addRow("no private directory to be had") << false << true << true;
    }

    void laterLaunchDefersToTheRunningInstance() {
        QFETCH(bool, firstCrashed);
        QFETCH(bool, longHome);
        QFETCH(bool, fallbackOpen);
        KestrineProcess first;
        QProcessEnvironment environment = first.environment();
        const QString temporary = environment.value(QStringLiteral("TMPDIR"));
        const QString fallback = temporary + QStringLiteral("/kestrine-%1").arg(::geteuid());
        // Where Qt itself would go without a usable runtime directory, as another user left it.
        const QString qtFallback = temporary + "/runtime-" + ::getpwuid(::geteuid())->pw_name;
        QVERIFY(QDir().mkpath(qtFallback) && ::chmod(qPrintable(qtFallback), 0777) == 0);
        const QString home = longHome
                                 ? first.env.filePath(QString(90, u'h') + QStringLiteral("/home"))
                                 : first.env.home();
        environment.insert(QString::fromLatin1(AppPaths::homeVariable), home);
        if (fallbackOpen)
            QVERIFY(QDir().mkpath(fallback) && ::chmod(qPrintable(fallback), 0777) == 0);
        first.process.setProcessEnvironment(environment);
        first.process.start(QStringLiteral(KESTRINE_EXECUTABLE), {});
        if (fallbackOpen) {
            QTRY_VERIFY_WITH_TIMEOUT(first.logged(u"no private directory"), 20000);
            QVERIFY2(!first.logged(u"Listening"), qPrintable(first.log));
            QVERIFY(QDir(fallback).isEmpty());
            return first.stop();
        }
        QTRY_VERIFY_WITH_TIMEOUT(first.logged(u"Listening for later launches"), 20000);
        const QString socket =
            first.log.section(QStringLiteral("Listening for later launches on "), 1)
                .section(u'\n', 0, 0);
        QCOMPARE(QFileInfo(socket).absolutePath(), longHome ? fallback : home);
        // The home was made for this user alone.
        QCOMPARE(QFileInfo(home).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());
        if (firstCrashed) {
            first.process.kill();
            QVERIFY(first.process.waitForFinished(10000));
            QVERIFY(QFileInfo::exists(socket));
        }

        KestrineProcess later;
        later.process.setProcessEnvironment(environment);
        later.process.start(QStringLiteral(KESTRINE_EXECUTABLE), {});
        if (firstCrashed) {
            QTRY_VERIFY_WITH_TIMEOUT(later.logged(u"Listening for later launches"), 20000);
            later.stop();
            return;
        }
        QVERIFY(later.process.waitForFinished(20000));
        QCOMPARE(later.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(later.process.exitCode(), 0);
        QVERIFY2(later.logged(u"already running"), qPrintable(later.log));
        QTRY_VERIFY_WITH_TIMEOUT(first.logged(u"asked Kestrine to come forward"), 20000);
        first.stop();
    }

    // The real executable started on a store file it cannot open: it says why on standard
    // error and in a box (started from the desktop menu, nobody reads standard error), and ends
    // once the box is closed, leaving the file as it was.
    void refusesAGarbageStoreAndLeavesItAlone_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addRow("text") << QByteArray("definitely not a database\n").repeated(40);
        QTest::addRow("truncated sqlite header")
            << QByteArray("SQLite format 3\0", 16) + QByteArray(200, '\x7f');
    }

    void refusesAGarbageStoreAndLeavesItAlone() {
        QFETCH(QByteArray, content);
        KestrineProcess kestrine;
        StandInTools::writeFile(kestrine.storePath(), content);
        if (!VncKeyboard::available())
            QSKIP("This Qt has no VNC platform plugin to type into the app.");
        VncKeyboard keyboard;
        QVERIFY(keyboard.connectTo(kestrine.startOnVnc(u"800x600")));
        QTRY_VERIFY_WITH_TIMEOUT(kestrine.logged(u"Unresolved error "), 20000);
        // The box holds the process until the user closes it (Return presses its button).
        QVERIFY(!kestrine.process.waitForFinished(1000));
        keyboard.press({VncKeyboard::enter});
        QVERIFY(kestrine.process.waitForFinished(20000));
        QCOMPARE(kestrine.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kestrine.process.exitCode(), 1);
        QVERIFY2(kestrine.logged(u"Unresolved error "), qPrintable(kestrine.log));
        QVERIFY(kestrine.logged(u"Kestrine.sqlite"));
        QFile store(kestrine.storePath());
        QVERIFY(store.open(QIODevice::ReadOnly));
        QCOMPARE(store.readAll(), content);
        QVERIFY(!QFile::exists(store.fileName() + QStringLiteral("-wal")));
    }

    void storeFailureBoxShowsTheDiagnostic() {
        const QString diagnostic = QStringLiteral("Unresolved error The file \u201CKestrine.sqlite"
                                                  "\u201D couldn\u2019t be opened., {path: /s}");
        QString shown;
        QTimer::singleShot(0, this, [&shown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QVERIFY(!box->accessibleName().isEmpty());
            shown = box->text() + u'\n' + box->informativeText();
            box->accept();
        });
        KestrineApp::showStoreFailure(diagnostic);
        QCOMPARE(shown,
                 QStringLiteral("Kestrine cannot open its store and will quit.\n") + diagnostic);
    }
};

QTEST_MAIN(tst_KestrineApp)
#include "tst_KestrineApp.moc"
