#include "AppFixture.h"

#include "platform/AppSettings.h"
#include "store/FiringHistory.h"
#include "window/HistoryModel.h"
#include "window/ui/FiringStatusLine.h"
#include "window/ui/HistoryWindow.h"
#include "window/ui/WindowCommands.h"

#include <QAccessible>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

struct HistoryFixture : AppFixture {
    FiringHistory& history() const { return *store.container().history(); }
    FiringStatusLine* statusLine() const { return root()->statusLine(); }
    // Fires `url` through the window's route and waits for its History row.
    FiringRecord fire(const QString& url, const QString& title = {}) {
        const qsizetype before = history().latest().size();
        app->openUrl(url, title);
        if (!QTest::qWaitFor([&] { return history().latest().size() > before; }, 20000))
            qFatal("the firing was not recorded");
        return history().latest(1).front();
    }
};

} // namespace

class tst_History : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every Execute lands in the History with its deeplink and destination, and the status line
    // (not an alert) says what it did, to screen readers too; a failure also brings the alert.
    // The firing options reach the executer and are remembered.
    void everyFiringIsKeptAndShown() {
        HistoryFixture f;
        f.xcode.setScenario(
            FakeXcode::Tool::Simctl,
            {.standardError = "Simulator device failed to open it.\n", .exitStatus = 1},
            QStringLiteral("shop://broken"));
        KestrineApp& app = f.start();
        QVERIFY(f.statusLine()->isHidden());
        menuItem(app, u"Launch Cold")->trigger();
        menuItem(app, u"Capture Screen")->trigger();

        const FiringRecord opened =
            f.fire(QStringLiteral("shop://item/42"), QStringLiteral("Item"));
        QCOMPARE(opened.title, u"Item");
        QCOMPARE(opened.url, u"shop://item/42");
        QCOMPARE(opened.destination, u"iPhone 15");
        QCOMPARE(opened.outcome.result, FiringOutcome::Result::Opened);
        QVERIFY(qAbs(opened.time.secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(app.deeplinkExecuter().options().cold, true);
        QCOMPARE(app.deeplinkExecuter().options().screenshotDirectory,
                 KestrineApp::screenshotDirectory());
        const QString line = FiringStatusLine::describe(opened.url, opened.outcome);
        QVERIFY(line.startsWith(u"Opened"));
        QTRY_COMPARE(f.statusLine()->text(), line);
        QVERIFY(f.statusLine()->isVisible());
        QVERIFY(!app.window()->findChild<QMessageBox*>());
        QAccessibleInterface* status = QAccessible::queryAccessibleInterface(f.statusLine());
        QCOMPARE(status->role(), QAccessible::AlertMessage);
        QCOMPARE(status->text(QAccessible::Name), line);

        const FiringRecord failed = f.fire(QStringLiteral("shop://broken"));
        QCOMPARE(failed.outcome.result, FiringOutcome::Result::Failed);
        QCOMPARE(failed.title, QString());
        QTRY_COMPARE(f.statusLine()->text(),
                     QStringLiteral("Failed: Simulator device failed to open it."));
        QTRY_VERIFY(app.error());

        // Off again, and so after a restart.
        menuItem(app, u"Capture Screen")->trigger();
        f.fire(QStringLiteral("shop://cart"));
        QCOMPARE(app.deeplinkExecuter().options().screenshotDirectory, QString());
        QCOMPARE(AppSettings::standard()->value(WindowCommands::launchColdKey.toString()), true);
        f.app.reset();
        QVERIFY(f.store.reopen());
        f.start();
        QVERIFY(menuItem(*f.app, u"Launch Cold")->isChecked());
        QVERIFY(!menuItem(*f.app, u"Capture Screen")->isChecked());
        QCOMPARE(f.history().latest().size(), 3);
    }

    // The History window, opened from the View menu after a restart, lists the firings newest
    // first; a row opens its screenshot, "Fire Again" fires its URL again, and new firings come
    // in at the top.
    void historyWindowListsFiresAgainAndOpensScreenshots() {
        HistoryFixture f;
        f.start();
        f.fire(QStringLiteral("shop://first"), QStringLiteral("First"));
        QImage shot(1080, 2400, QImage::Format_RGB32);
        shot.fill(Qt::darkCyan);
        const QString shotPath = f.env.filePath(QStringLiteral("1-Second.png"));
        QVERIFY(shot.save(shotPath));
        FiringRecord second{.time = QDateTime::currentDateTime(),
                            .title = QStringLiteral("Second"),
                            .url = QStringLiteral("shop://second"),
                            .destination = QStringLiteral("Pixel 8"),
                            .outcome = {.handler = QStringLiteral("com.example.shop/.Main"),
                                        .handlerName = QStringLiteral("Shop"),
                                        .totalTimeMs = 512,
                                        .screenshot = shotPath}};
        QVERIFY(f.history().record(second));
        f.app.reset();
        QVERIFY(f.store.reopen());
        f.start();

        QKeySequence history(Qt::CTRL | Qt::SHIFT | Qt::Key_H);
        QCOMPARE(menuItem(*f.app, u"History")->shortcut(), history);
        menuItem(*f.app, u"History")->trigger();
        auto* window = f.app->window()->findChild<HistoryWindow*>();
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        QAbstractItemModelTester tester(window->model());
        const auto cell = [window](int row, int column, int role = Qt::DisplayRole) {
            return window->model()->index(row, column).data(role).toString();
        };
        const auto thumbnail = [window](int row) {
            return window->model()->index(row, HistoryModel::Screenshot).data(Qt::DecorationRole);
        };
        QCOMPARE(window->model()->rowCount(), 2);
        QCOMPARE(cell(0, HistoryModel::Deeplink), u"Second\nshop://second");
        QCOMPARE(cell(0, HistoryModel::Destination), u"Pixel 8");
        QCOMPARE(cell(0, HistoryModel::Outcome), u"opened");
        QCOMPARE(cell(0, HistoryModel::Outcome, Qt::AccessibleTextRole),
                 u"Opened in Shop (com.example.shop/.Main), 512 ms");
        QCOMPARE(cell(0, HistoryModel::Handler), u"Shop");
        QCOMPARE(cell(0, HistoryModel::TimeTaken), u"512 ms");
        QCOMPARE(thumbnail(0).value<QImage>().height(), HistoryModel::thumbnailHeight);
        QCOMPARE(cell(1, HistoryModel::Deeplink), u"First\nshop://first");
        QCOMPARE(cell(1, HistoryModel::Destination), u"iPhone 15");
        QVERIFY(thumbnail(1).isNull());

        QStringList opened;
        window->setOpenFile([&opened](const QString& path) { opened.append(path); });
        window->openScreenshot(1);
        QVERIFY(opened.isEmpty());
        Q_EMIT window->table()->activated(window->model()->index(0, HistoryModel::Time));
        QCOMPARE(opened, QStringList{shotPath});

        QVERIFY(window->fireAgainButton()->isEnabled()); // the newest, chosen at opening
        window->fireAgainButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(window->model()->rowCount(), 3, 20000);
        QCOMPARE(cell(0, HistoryModel::Deeplink), u"Second\nshop://second");
        QCOMPARE(cell(0, HistoryModel::Destination), u"iPhone 15");
        QCOMPARE(f.xcode.invocations(FakeXcode::Tool::Simctl).last().arguments,
                 (QStringList{"openurl", "S1", "shop://second"}));
    }
};

QTEST_MAIN(tst_History)
#include "tst_History.moc"
