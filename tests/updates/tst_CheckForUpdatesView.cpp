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

// A window whose menu bar has `menus` ("Help: Manual, About Kestrine*" where * marks the about
// item) and the update item installed, checking against `server`.
struct Fixture {
    explicit Fixture(const QStringList& menus = {"&Help: About Kestrine*"},
                     bool automaticChecks = false) {
        Updater::setAutomaticallyChecksForUpdates(automaticChecks);
        AppSettings::standard()->setValue(QLatin1String(Updater::feedURLKey),
                                          server.url().toString());
        updater = std::make_unique<SparkleUpdater>();
        for (const QString& menu : menus) {
            QMenu* added = window.menuBar()->addMenu(menu.section(u':', 0, 0));
            for (const QString& title : menu.section(u':', 1).split(u',', Qt::SkipEmptyParts)) {
                QAction* action = added->addAction(title.trimmed().remove(u'*'));
                if (title.endsWith(u'*'))
                    action->setMenuRole(QAction::AboutRole);
            }
        }
        view = std::make_unique<CheckForUpdatesView>(*updater);
        view->install(window.menuBar());
    }

    [[nodiscard]] UpdateAlert* alert() const { return updater->updaterController().alert(); }
    [[nodiscard]] QAction* item() const {
        return child<QAction>(window.menuBar(), "checkForUpdates");
    }
    [[nodiscard]] QMenu* menu() const { return qobject_cast<QMenu*>(item()->parent()); }
    [[nodiscard]] QStringList titles() const {
        QStringList texts;
        for (const QAction* action : menu()->actions())
            texts.append(menu()->title() + ": " + action->text());
        return texts;
    }
    // Opens the menu the way a click on its title does, then closes it again; true when the
    // item was enabled meanwhile.
    bool itemEnabledInMenu() const {
        menu()->popup(QPoint(0, 0));
        menu()->hide();
        return item()->isEnabled();
    }

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
        const QString check = QStringLiteral("Check for Updates\u2026");
        QCOMPARE(Fixture({"File: Quit", "Help: Manual, About Kestrine*, Licences"}).titles(),
                 (QStringList{"Help: Manual", "Help: About Kestrine", "Help: " + check,
                              "Help: Licences"}));
        // With no about item anywhere, a Help menu is made for both.
        QCOMPARE(Fixture({"File: Quit"}).titles(),
                 (QStringList{"&Help: About Kestrine", "&Help: " + check}));
    }

    void itemFollowsTheCheck() {
        Fixture f;
        f.server.setFeed("9.9");
        f.server.setHolding(true);
        // Whatever the item says beforehand, opening the menu asks the updater again.
        f.item()->setEnabled(false);
        QVERIFY(f.itemEnabledInMenu());
        f.item()->trigger();
        // No confirmation of its own: the request goes out straight away, nothing is shown yet.
        QTRY_COMPARE(f.server.requests().size(), 1);
        QVERIFY(!f.alert());
        QVERIFY(!f.itemEnabledInMenu()); // while the check runs
        f.server.release();
        QTRY_VERIFY(f.alert());
        QCOMPARE(f.alert()->result().outcome, UpdateCheckResult::Outcome::UpdateAvailable);
        QVERIFY(f.itemEnabledInMenu());
    }

    void showsOneAlertAtATime() {
        Fixture f;
        f.server.setFeed("0.5");
        f.item()->trigger();
        QTRY_VERIFY(f.alert());
        QPointer<UpdateAlert> first = f.alert();
        QCOMPARE(first->result().outcome, UpdateCheckResult::Outcome::UpToDate);

        f.server.setResponse(FeedServer::httpResponse("gone", 404, "Not Found"));
        f.item()->trigger();
        QTRY_VERIFY(f.alert() != first.data());
        QTRY_VERIFY(!first);
        QCOMPARE(f.alert()->result().failure, UpdateCheckResult::Failure::HttpError);
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
        Fixture f({}, automatic);
        f.server.setFeed(version);
        Updater* updater = f.updater->updaterController().updater();
        QSignalSpy finished(updater, &Updater::checkFinished);
        QCoreApplication::processEvents(); // the start-up check waits for the event loop
        if (automatic) {
            QTRY_COMPARE(finished.size(), 1);
            QCOMPARE(finished.first().at(1).toBool(), false); // not on the user's behalf
        } else {
            QVERIFY(updater->canCheckForUpdates()); // nothing started
        }
        QCOMPARE(f.server.requests().size(), automatic ? 1 : 0);
        QCOMPARE(f.alert() != nullptr, speaks);
    }
};

QTEST_MAIN(tst_CheckForUpdatesView)
#include "tst_CheckForUpdatesView.moc"
