#include "FeedServer.h"
#include "FindChild.h"
#include "TestEnvironment.h"
#include "platform/AppSettings.h"
#include "updates/Updater.h"
#include "updates/ui/CheckForUpdatesView.h"
#include "updates/ui/SparkleUpdater.h"
#include "updates/ui/UpdateAlert.h"
#include "updates/ui/UpdaterController.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

using FeedXml::feed;
using FeedXml::item;

const QString checkTitle = QStringLiteral("Check for Updates\u2026");

QStringList titles(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts.append(action->text());
    return texts;
}

// The update item that install() put into a menu of `window`, and that menu.
QAction* updateItem(const QMainWindow& window) {
    return child<QAction>(window.menuBar(), "checkForUpdates");
}
QMenu* updateMenu(const QMainWindow& window) {
    return qobject_cast<QMenu*>(updateItem(window)->parent());
}

// Opens the menu the way a click on its title does, then closes it again.
void showMenu(QMenu* menu) {
    menu->popup(QPoint(0, 0));
    menu->hide();
}

// A window with the update item installed, checking against `server`.
struct Fixture {
    explicit Fixture(bool automaticChecks = false) {
        Updater::setAutomaticallyChecksForUpdates(automaticChecks);
        AppSettings::standard()->setValue(QLatin1String(Updater::feedURLKey),
                                          server.url().toString());
        updater = std::make_unique<SparkleUpdater>();
        QMenu* help = window.menuBar()->addMenu(QStringLiteral("&Help"));
        help->addAction(QStringLiteral("About Kestrine"))->setMenuRole(QAction::AboutRole);
        view = std::make_unique<CheckForUpdatesView>(*updater);
        view->install(window.menuBar());
    }
    [[nodiscard]] UpdaterController& controller() const { return updater->updaterController(); }

    TestEnvironment env;
    FeedServer server;
    QMainWindow window;
    std::unique_ptr<SparkleUpdater> updater;
    std::unique_ptr<CheckForUpdatesView> view;
};

} // namespace

class tst_CheckForUpdatesView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    void placesItemRightAfterAbout() {
        TestEnvironment env;
        SparkleUpdater updater;
        {
            QMainWindow window;
            window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Quit"));
            QMenu* help = window.menuBar()->addMenu(QStringLiteral("Help"));
            help->addAction(QStringLiteral("Manual"));
            help->addAction(QStringLiteral("About Kestrine"))->setMenuRole(QAction::AboutRole);
            help->addAction(QStringLiteral("Licences"));
            CheckForUpdatesView view(updater);
            view.install(window.menuBar());
            QCOMPARE(updateMenu(window), help);
            QCOMPARE(titles(help),
                     (QStringList{"Manual", "About Kestrine", checkTitle, "Licences"}));
        }
        // With no about item anywhere, a Help menu is made for both.
        QMainWindow window;
        window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Quit"));
        CheckForUpdatesView view(updater);
        view.install(window.menuBar());
        QCOMPARE(updateMenu(window)->title(), QStringLiteral("&Help"));
        QCOMPARE(titles(updateMenu(window)), (QStringList{"About Kestrine", checkTitle}));
    }

    void itemFollowsTheCheck() {
        Fixture fixture;
        FeedServer& server = fixture.server;
        server.setFeed(feed(item("9.9")));
        server.setHolding(true);
        QAction* item = updateItem(fixture.window);

        // Whatever the item says beforehand, opening the menu asks the updater again.
        item->setEnabled(false);
        showMenu(updateMenu(fixture.window));
        QVERIFY(item->isEnabled());

        item->trigger();
        // No confirmation of its own: the request goes out straight away, nothing is shown yet.
        QTRY_COMPARE(server.requestCount(), 1);
        QVERIFY(!fixture.controller().alert());
        item->setEnabled(true);
        showMenu(updateMenu(fixture.window));
        QVERIFY(!item->isEnabled()); // while the check runs

        server.release();
        QTRY_VERIFY(fixture.controller().alert());
        QCOMPARE(fixture.controller().alert()->result().outcome,
                 UpdateCheckResult::Outcome::UpdateAvailable);
        showMenu(updateMenu(fixture.window));
        QVERIFY(item->isEnabled());
    }

    void showsOneAlertAtATime() {
        Fixture fixture;
        FeedServer& server = fixture.server;
        server.setFeed(feed(item("0.5")));

        updateItem(fixture.window)->trigger();
        QTRY_VERIFY(fixture.controller().alert());
        QPointer<UpdateAlert> first = fixture.controller().alert();
        QCOMPARE(first->result().outcome, UpdateCheckResult::Outcome::UpToDate);

        server.setResponse(FeedServer::httpResponse("gone", 404, "Not Found"));
        updateItem(fixture.window)->trigger();
        QTRY_VERIFY(fixture.controller().alert() != first.data());
        QTRY_VERIFY(!first);
        QCOMPARE(fixture.controller().alert()->result().failure,
                 UpdateCheckResult::Failure::HttpError);
        int alerts = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            alerts += qobject_cast<UpdateAlert*>(widget) ? 1 : 0;
        QCOMPARE(alerts, 1);
    }

    void startUpCheckSpeaksOnlyOfUpdates_data() {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("speaks");

        QTest::addRow("newer version") << true << QByteArray("9.0") << true;
        QTest::addRow("up to date") << true << QByteArray("0.1") << false;
        QTest::addRow("turned off") << false << QByteArray("9.0") << false;
    }

    void startUpCheckSpeaksOnlyOfUpdates() {
        QFETCH(bool, automatic);
        QFETCH(QByteArray, version);
        QFETCH(bool, speaks);

        Fixture fixture(automatic);
        fixture.server.setFeed(feed(item(version)));
        Updater* updater = fixture.controller().updater();
        QSignalSpy finished(updater, &Updater::checkFinished);
        QCoreApplication::processEvents(); // the start-up check waits for the event loop
        if (automatic) {
            QTRY_COMPARE(finished.size(), 1);
            QCOMPARE(finished.first().at(1).toBool(), false); // not on the user's behalf
        } else {
            QVERIFY(updater->canCheckForUpdates()); // nothing started
        }
        QCOMPARE(fixture.server.requestCount(), automatic ? 1 : 0);
        QCOMPARE(fixture.controller().alert() != nullptr, speaks);
    }
};

QTEST_MAIN(tst_CheckForUpdatesView)
#include "tst_CheckForUpdatesView.moc"
