#include "DeviceFixtures.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "app/KestrineApp.h"
#include "destinations/RunDestinationManager.h"
#include "execution/DeeplinkExecuter.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"
#include "toolchain/XcodeBookmarkManager.h"
#include "toolchain/XcodeView.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using Tool = FakeXcode::Tool;

namespace {

// A loaded store in a fresh temporary directory, as the executable hands it to the shell.
struct AppFixture {
    std::unique_ptr<PersistentContainer> open() const {
        auto opened = std::make_unique<PersistentContainer>(env.filePath("Kestrine.sqlite"));
        if (opened->loadPersistentStores())
            qFatal("cannot open the test store");
        return opened;
    }
    void fill(int collections) const {
        for (int i = 0; i < collections; ++i) {
            DeeplinkCollection* collection = container->viewContext()->insertCollection();
            collection->setName(QStringLiteral("Collection %1").arg(i));
            for (int j = 0; j < 3; ++j)
                collection->addDeeplink(container->viewContext()->insertDeeplink());
        }
    }

    TestEnvironment env;
    std::unique_ptr<PersistentContainer> container = open();
};

// The menu item `offset` places after the one titled `text`, in any menu of the window.
QAction* menuItem(const KestrineApp& app, QStringView text, int offset = 0) {
    for (QAction* menu : app.window()->menuBar()->actions()) {
        const QList<QAction*> items = menu->menu() ? menu->menu()->actions() : QList<QAction*>{};
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (items.at(i)->text() == text)
                return items.value(i + offset);
        }
    }
    return nullptr;
}

} // namespace

class tst_KestrineApp : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { XcodeView::setDefaultFileChooser({}); }

    void menuDeletesAllAndOffersUpdates() {
        AppFixture f;
        f.fill(4);
        QVERIFY(f.container->viewContext()->save());
        f.fill(1); // unsaved objects go too
        {
            KestrineApp app(*f.container);
            QAction* update = menuItem(app, u"About Kestrine", 1);
            QVERIFY(update);
            QCOMPARE(update->text(), QStringLiteral("Check for Updates\u2026"));
            QAction* deleteAll = menuItem(app, u"Delete All");
            QVERIFY(deleteAll);
            deleteAll->trigger();
            QVERIFY(f.container->viewContext()->registeredObjects().isEmpty());
            QVERIFY(!f.container->viewContext()->hasChanges());
        }
        f.container.reset();
        f.container = f.open();
        QVERIFY(f.container->viewContext()->registeredObjects().isEmpty());
    }

    void everyApplicationStateChangeSaves_data() {
        QTest::addColumn<Qt::ApplicationState>("state");
        QTest::addRow("inactive") << Qt::ApplicationInactive;
        QTest::addRow("active") << Qt::ApplicationActive;
    }

    void everyApplicationStateChangeSaves() {
        QFETCH(Qt::ApplicationState, state);
        AppFixture f;
        KestrineApp app(*f.container);
        f.fill(1);
        QVERIFY(f.container->viewContext()->hasChanges());
        Q_EMIT qApp->applicationStateChanged(state);
        QVERIFY(!f.container->viewContext()->hasChanges());
    }

    // Until an Xcode is chosen (or when the remembered one is gone) the window shows the
    // selection screen; choosing one there brings up the main content.
    void choosingXcodeShowsMainContent_data() {
        QTest::addColumn<bool>("rememberVanished");
        QTest::addRow("nothing remembered") << false;
        QTest::addRow("remembered Xcode vanished") << true;
    }

    void choosingXcodeShowsMainContent() {
        QFETCH(bool, rememberVanished);
        AppFixture f;
        if (rememberVanished) {
            FakeXcode gone(f.env.path());
            XcodeBookmarkManager().saveBookmark(gone.url());
        }
        FakeXcode xcode(f.env.path());
        XcodeView::setDefaultFileChooser([&xcode](QWidget*, XcodeView::ChooserReply reply) {
            reply(XcodeViewModel::FileImportResult(QList<QUrl>{xcode.url()}));
        });
        KestrineApp app(*f.container);
        QCOMPARE(app.manager()->state().kind, XcodeBookmarkManager::StateKind::Unavailable);
        auto* screen = qobject_cast<XcodeView*>(app.window()->centralWidget());
        QVERIFY(screen);

        screen->selectButton()->click();

        QTRY_COMPARE(app.manager()->state().kind, XcodeBookmarkManager::StateKind::Available);
        QTRY_VERIFY(!qobject_cast<XcodeView*>(app.window()->centralWidget()));
        QVERIFY(app.window()->centralWidget());
    }

    // With an Xcode remembered, the shell fetches the destinations at start-up, and a deeplink
    // handed to its open-URL route reaches the simulator tool; a failure comes back as the
    // one alert, which goes with the error.
    void deeplinkReachesSimulatorAndFailureShowsAlert() {
        AppFixture f;
        FakeXcode xcode(f.env.path());
        xcode.setScenario(
            Tool::Simctl,
            {.standardOutput = DeviceFixtures::simctlJson({{"iOS-17-2", {"S1|iPhone 15|Booted"}}})},
            QStringLiteral("list devices"));
        const QString failure = QStringLiteral("Simulator device failed to open shop://broken.\n");
        xcode.setScenario(Tool::Simctl, {.standardError = failure.toUtf8(), .exitStatus = 1},
                          QStringLiteral("shop://broken"));
        XcodeBookmarkManager().saveBookmark(xcode.url());

        KestrineApp app(*f.container);
        QSignalSpy ready(&app, &KestrineApp::mainContentReady);
        QVERIFY(ready.isValid());
        app.deeplinkExecuter().setInterpreterPath(xcode.toolPath(Tool::Osascript));
        app.show();
        QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, 20000);
        QCOMPARE(app.deviceManager().xcodeURL(), xcode.url());
        QVERIFY(app.deviceManager().selectedDevice());

        app.openUrl(QUrl(QStringLiteral("shop://item/42?ref=kestrine")));
        QTRY_COMPARE_WITH_TIMEOUT(xcode.invocations(Tool::Osascript).size(), 2, 20000);
        QCOMPARE(xcode.invocations(Tool::Simctl).last().arguments,
                 (QStringList{"openurl", "S1", "shop://item/42?ref=kestrine"}));
        QVERIFY(!app.error());

        app.openUrl(QUrl(QStringLiteral("shop://broken")));
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
        app.openUrl(QUrl(QStringLiteral("shop://huge")));
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
        XcodeView::setDefaultFileChooser([&notXcode](QWidget*, XcodeView::ChooserReply reply) {
            reply(XcodeViewModel::FileImportResult(QList<QUrl>{notXcode.url()}));
        });
        KestrineApp app(*f.container);
        app.show();
        auto* screen = qobject_cast<XcodeView*>(app.window()->centralWidget());
        QVERIFY(screen);
        const QString message = fromXcodeScreen ? QStringLiteral("Invalid binary")
                                                : QStringLiteral("The simulator said no.");
        auto fail = [&] {
            if (fromXcodeScreen)
                screen->selectButton()->click();
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

    // The real executable started on a store file it cannot open.
    void refusesAGarbageStoreAndLeavesItAlone_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addRow("text") << QByteArray("definitely not a database\n").repeated(40);
        QByteArray header("SQLite format 3");
        header.append('\0');
        QTest::addRow("truncated sqlite header") << header + QByteArray(200, '\x7f');
    }

    void refusesAGarbageStoreAndLeavesItAlone() {
        QFETCH(QByteArray, content);
        TestEnvironment env;
        const QString dataHome = env.filePath("data");
        const QString storeDirectory = dataHome + QStringLiteral("/Kestrine/Kestrine");
        QVERIFY(QDir().mkpath(storeDirectory));
        QFile store(storeDirectory + QStringLiteral("/Kestrine.sqlite"));
        QVERIFY(store.open(QIODevice::WriteOnly));
        store.write(content);
        store.close();

        QProcess kestrine;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), env.filePath("config"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), env.filePath("cache"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("KESTRINE_LOG"), QStringLiteral("stderr"));
        kestrine.setProcessEnvironment(environment);
        kestrine.start(QStringLiteral(KESTRINE_EXECUTABLE), {});
        QVERIFY(kestrine.waitForFinished(30000));
        QCOMPARE(kestrine.exitStatus(), QProcess::NormalExit);
        QVERIFY(kestrine.exitCode() != 0);
        const QString errors = QString::fromUtf8(kestrine.readAllStandardError());
        QVERIFY2(errors.contains(QStringLiteral("Unresolved error ")), qPrintable(errors));
        QVERIFY(errors.contains(QStringLiteral("Kestrine.sqlite")));

        QVERIFY(store.open(QIODevice::ReadOnly));
        QCOMPARE(store.readAll(), content);
        QVERIFY(!QFile::exists(store.fileName() + QStringLiteral("-wal")));
    }
};

QTEST_MAIN(tst_KestrineApp)
#include "tst_KestrineApp.moc"
