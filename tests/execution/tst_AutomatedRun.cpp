#include "FindChild.h"
#include "PromptAnswer.h"
#include "StoreBuilders.h"
#include "TestEnvironment.h"

#include "execution/AutomatedRun.h"
#include "store/DeeplinkQueries.h"
#include "window/ui/AutomatedRunControls.h"
#include "window/ui/DeeplinkCollectionDetailView.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

using namespace StoreBuilders;

namespace {

// A clock the test turns by hand; like the real one it only ticks while connected.
class ManualRunClock : public RunClock {
public:
    void connectClock() override {
        m_connected = true;
        ++m_connects;
    }
    void disconnectClock() override { m_connected = false; }
    [[nodiscard]] bool isConnected() const override { return m_connected; }
    [[nodiscard]] int connects() const { return m_connects; }

    // `seconds` ticks of a connected clock; none while it is disconnected.
    void advance(int seconds) {
        for (int i = 0; i < seconds && m_connected; ++i)
            Q_EMIT ticked();
    }

private:
    bool m_connected = false;
    int m_connects = 0;
};

// A detail view with a hand-turned clock, recording what it fires.
struct RunFixture {
    explicit RunFixture(const QStringList& titles, const QStringList& urls = {}) {
        collection = addCollection(context, "Run");
        // Listed newest first: the first title gets the newest timestamp.
        for (int i = 0; i < titles.size(); ++i) {
            const QString url = i < urls.size() ? urls.at(i) : "app://" + titles.at(i);
            addDeeplink(context, collection, titles.at(i), url, int(titles.size() - i));
        }
        auto manual = std::make_unique<ManualRunClock>();
        clock = manual.get();
        detail = std::make_unique<DeeplinkCollectionDetailView>(
            &context, collection, QString(), SearchRootScope(),
            DeeplinkQueries::deeplinks(collection->uid()),
            [this](const FiringRequest& request, FiringDone done) {
                (request.problem.isEmpty() ? fired : problems).append(request.url);
                pending.append(std::move(done));
            },
            nullptr, std::move(manual));
    }

    AutomatedRun& run() const { return *detail->run(); }
    QString selectedTitle() const {
        return detail->selectedDeeplink() ? detail->selectedDeeplink()->title() : QString();
    }
    QToolButton* button() const { return child<QToolButton>(detail.get(), "runButton"); }
    QString status() const {
        auto* label = child<QLabel>(detail.get(), "runStatus");
        return label->isVisibleTo(detail.get()) ? label->text() : QString();
    }
    QAction* intervalAction(const QString& text) const {
        for (QAction* action : button()->menu()->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

    TestEnvironment env;
    ManagedObjectContext context;
    DeeplinkCollection* collection = nullptr;
    ManualRunClock* clock = nullptr;
    QStringList fired;
    QStringList problems;      // requests that fire nothing, their URL having none
    QList<FiringDone> pending; // what each firing tells when it ends
    std::unique_ptr<DeeplinkCollectionDetailView> detail;
};

} // namespace

class tst_AutomatedRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firesNewestFirstAtTheInterval() {
        RunFixture f({"first", "second", "third"});
        QToolButton* button = f.button();
        QCOMPARE(button->toolTip(), QStringLiteral("Start automated deeplink testing"));
        // The clock runs from creation, but nothing counts before a start.
        f.clock->advance(30);
        QCOMPARE(f.run().timeRemaining(), 10);

        button->click();
        QCOMPARE(button->text(), QStringLiteral("Stop"));
        QCOMPARE(button->toolTip(), QStringLiteral("Stop automated deeplink testing"));
        f.clock->advance(3);
        QCOMPARE(f.status(), QStringLiteral("Next: 7:00"));
        f.clock->advance(6);
        QVERIFY(f.fired.isEmpty());
        f.clock->advance(1);
        QCOMPARE(f.fired, QStringList{"app://first"});
        f.clock->advance(20);
        QCOMPARE(f.run().state(), StateCase::Completed);

        // Again from the top, after a full interval.
        button->click();
        f.clock->advance(9);
        QCOMPARE(f.fired.size(), 3);
        f.clock->advance(1);
        QCOMPARE(f.fired.last(), QStringLiteral("app://first"));
    }

    // Each fired row carries its outcome (mark, tooltip, what a screen reader reads) until the
    // next run starts; a firing that ends after its run or its deeplink is over marks nothing.
    void marksEachRowWithItsOutcome() {
        RunFixture f({"first", "second", "third"});
        const auto reads = [&f](int row) {
            return f.detail->model()->index(row, 0).data(Qt::AccessibleTextRole).toString();
        };
        const FiringOutcome opened{.handler = QStringLiteral("com.example.shop"),
                                   .launch = FiringOutcome::Launch::Cold,
                                   .totalTimeMs = 512};
        f.button()->click();
        f.clock->advance(30);
        QCOMPARE(f.pending.size(), 3);
        f.pending.at(1)(FiringOutcome::failed(QStringLiteral("adb: device offline")));
        f.pending.at(0)(opened);
        Deeplink* first = deeplinkTitled(f.context, QStringLiteral("first"));
        QCOMPARE(f.run().outcome(first), opened);
        QCOMPARE(reads(0), QStringLiteral("First, app://first, Last run: Opened in "
                                          "com.example.shop, cold start, 512 ms"));
        QCOMPARE(reads(1),
                 QStringLiteral("Second, app://second, Last run: Failed: adb: device offline"));
        QCOMPARE(reads(2), QStringLiteral("Third, app://third"));

        f.button()->click(); // a new run
        QCOMPARE(f.run().outcome(first), std::nullopt);
        QCOMPARE(reads(1), QStringLiteral("Second, app://second"));
        f.pending.at(2)(opened); // the last run's, late
        QCOMPARE(reads(2), QStringLiteral("Third, app://third"));
        f.clock->advance(10);
        f.context.deleteObject(first);
        f.pending.at(3)(opened); // its deeplink is gone
        QCOMPARE(f.detail->model()->rowCount(), 2);
        QCOMPARE(reads(0), QStringLiteral("Second, app://second"));
    }

    void stopKeepsTheCountdown() {
        RunFixture f({"first", "second"});
        f.button()->click();
        f.clock->advance(6);
        f.button()->click(); // "Stop"
        QCOMPARE(f.status(), QStringLiteral("Paused"));
        QVERIFY(!f.clock->isConnected());

        const int connects = f.clock->connects();
        f.button()->click();
        QCOMPARE(f.clock->connects(), connects + 1); // restarted: a full second to the next tick
        f.clock->advance(3);
        QVERIFY(f.fired.isEmpty());
        f.clock->advance(1);
        QCOMPARE(f.fired, QStringList{"app://first"});
    }

    void choosingAnIntervalStartsAtOnce() {
        RunFixture f({"first", "second"});
        f.intervalAction("2 Sec")->trigger();
        QCOMPARE(f.status(), QStringLiteral("Next: 2:00"));
        f.clock->advance(2);
        QCOMPARE(f.fired, QStringList{"app://first"});

        // While running the control is a plain "Stop"; paused, a new interval starts it again.
        QCOMPARE(f.button()->menu(), nullptr);
        f.button()->click();
        f.intervalAction("5 Sec")->trigger();
        f.clock->advance(4);
        QCOMPARE(f.fired.size(), 1);
        f.clock->advance(1);
        QCOMPARE(f.fired.size(), 2);
    }

    void inactiveSceneHoldsTheCountdown() {
        RunFixture f({"first"});
        f.button()->click();
        f.clock->advance(3);
        f.run().setScenePhase(ScenePhase::Inactive);
        QCOMPARE(f.run().state(), StateCase::InActive);
        QCOMPARE(f.status(), QStringLiteral("In-Active"));
        f.clock->advance(20);

        // The button does nothing meanwhile; only coming back resumes.
        f.button()->click();
        QCOMPARE(f.run().state(), StateCase::InActive);
        f.run().setScenePhase(ScenePhase::Active);
        QCOMPARE(f.status(), QStringLiteral("Next: 7:00"));
        f.clock->advance(7);
        QCOMPARE(f.fired, QStringList{"app://first"});

        // A paused run stays paused through phase changes.
        QCOMPARE(f.run().state(), StateCase::Completed);
        f.button()->click();
        f.button()->click();
        QCOMPARE(f.run().state(), StateCase::Paused);
        f.run().setScenePhase(ScenePhase::Background);
        f.run().setScenePhase(ScenePhase::Active);
        QCOMPARE(f.run().state(), StateCase::Paused);
    }

    // The run asks once, before it starts, for what any of its deeplinks lacks (the
    // collection's environment gives the rest) and fires each with those values; a value the
    // URL refuses fails at its turn. Cancelled: no run.
    void promptsOnceBeforeTheRun() {
        RunFixture f({"first", "second", "third", "fourth"},
                     {"app://{{host}}/a?q={{q}}", "app://{{env}}/{{host}}", "app://plain",
                      "app://{{bad}}/x"});
        f.collection->setEnvironments({{"Staging", {{"env", "stage"}, {"bad", "a b"}}}});
        f.collection->setActiveEnvironment("Staging");
        auto answer = answerPrompt({{"h.example", "x y"}});
        f.button()->click();
        QVERIFY(answer->shown);
        QCOMPARE(answer->asked, (QStringList{"host", "q"}));
        QCOMPARE(f.run().state(), StateCase::Running);
        f.clock->advance(40);
        QCOMPARE(f.fired, (QStringList{"app://h.example/a?q=x%20y", "app://stage/h.example",
                                       "app://plain"}));
        QCOMPARE(f.problems, QStringList{"app://{{bad}}/x"});

        answer = answerPrompt();
        f.button()->click();
        QVERIFY(answer->shown);
        QCOMPARE(answer->offered, (QStringList{"h.example", "x y"}));
        QCOMPARE(f.run().state(), StateCase::Completed);
        QVERIFY(!f.clock->isConnected());
    }

    void walksTheListOnce_data() {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QString>("afterFirstStep");
        QTest::addColumn<QStringList>("selected"); // after each step
        QTest::addColumn<QStringList>("fired");

        QTest::addRow("empty collection")
            << QStringList() << QStringList() << "" << QStringList{""} << QStringList();
        QTest::addRow("deletions mid-run complete at that step")
            << QStringList{"first", "second", "third"} << QStringList() << "delete the rest"
            << QStringList{"first", "first"} << QStringList{"app://first"};
        QTest::addRow("narrowed search is walked from the current position")
            << QStringList{"alpha1", "beta", "alpha2", "gamma", "alpha3"} << QStringList()
            << "search alpha" << QStringList{"alpha1", "alpha2", "alpha3"}
            << QStringList{"app://alpha1", "app://alpha2", "app://alpha3"};
        QTest::addRow("deeplink without URL is selected at its turn, not fired")
            << QStringList{"no url", "with url"} << QStringList{"", "app://yes"} << ""
            << QStringList{"no url", "with url"} << QStringList{"app://yes"};
    }
    void walksTheListOnce() {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, urls);
        QFETCH(QString, afterFirstStep);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, fired);
        RunFixture f(titles, urls);

        f.button()->click();
        QStringList seen;
        while (f.run().state() == StateCase::Running && seen.size() < 10) {
            f.clock->advance(10);
            seen.append(f.selectedTitle());
            if (seen.size() > 1)
                continue;
            if (afterFirstStep == u"delete the rest") {
                for (Deeplink* deeplink : f.collection->deeplinks()) {
                    if (deeplink->title() != titles.first())
                        f.context.deleteObject(deeplink);
                }
            } else if (afterFirstStep == u"search alpha") {
                f.detail->setSearch("alpha", SearchRootScope{DeeplinkScope::Title},
                                    DeeplinkQueries::deeplinks(f.collection->uid(),
                                                               DeeplinkQueries::TextField::Title,
                                                               "alpha"));
            }
        }
        QCOMPARE(seen, selected);
        QCOMPARE(f.fired, fired);
        QCOMPARE(f.run().state(), StateCase::Completed);
        QCOMPARE(f.status(), QString());
        QCOMPARE(f.button()->text(), QStringLiteral("Start"));
        QVERIFY(!f.clock->isConnected());
    }
};

QTEST_MAIN(tst_AutomatedRun)
#include "tst_AutomatedRun.moc"
