// Stand-in tools that misbehave the way real ones now and then do: hang, die by a signal, print
// garbage or megabytes. Each fault goes through the object that meets it in the app. The faulty
// tool answers only after a delay, during which the GUI thread must keep running.
#include "DeviceFixtures.h"
#include "EventLoopChecker.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "destinations/RunDestinationManager.h"
#include "execution/DeeplinkExecuter.h"
#include "platform/AppError.h"
#include "targetapps/BundleIdManager.h"
#include "targetapps/InstalledApp.h"

#include <QRandomGenerator>
#include <QtTest>

#include <QCoro/QCoroTask>

#include <algorithm>
#include <csignal>
#include <memory>

using Tool = FakeXcode::Tool;
using Scenario = FakeXcode::Scenario;

enum class Driver { destinations, apps, iconPass, fireAtSimulator, fireAtDevice };

namespace {

using DeviceFixtures::phone;

// The call each driver's fault is given to, by the text of its arguments, in Driver's order.
const QStringList faultyCalls{"list devices", "info apps", "--app-bundle-id com.example.news ",
                              "openurl", "process launch"};

// The objects under test, wired to a stand-in Xcode whose tools answer healthily until a test
// gives one kind of call a fault.
struct Rig {
    Rig() {
        xcode.setSimulators({"S1|iPhone 15|Booted"});
        xcode.setPhones({"P1|My iPhone|booted"});
        xcode.setApps({"Shop=com.example.shop", "News=com.example.news"});
        destinations->configure(xcode.url());
        apps->setXcodeURL(xcode.url());
        executer->setRunDestinationManager(destinations.get());
        executer->setTargetAppFor(
            [apps = apps.get()](const Device& device) { return apps->targetAppFor(device); });
        executer->setInterpreterPath(xcode.toolPath(Tool::Osascript));
    }

    ~Rig() {
        // Never leave a parked tool behind, whatever failed; let its waiter finish.
        xcode.endHangs(Tool::Simctl);
        xcode.endHangs(Tool::Devicectl);
        (void)QTest::qWaitFor([this] { return done; }, 5000);
    }

    [[nodiscard]] bool faultyCallRuns() const {
        if (done || !faulty)
            return false;
        const auto calls = xcode.invocations(faulty->first);
        return std::any_of(calls.cbegin(), calls.cend(), [&](const FakeXcode::Invocation& call) {
            return call.arguments.join(u' ').contains(faulty->second);
        });
    }

    void start(Driver driver) {
        const auto finished = [this] { done = true; };
        if (driver == Driver::destinations) {
            QCoro::connect(destinations->fetchDevices(xcode.url()), &context, finished);
        } else if (driver == Driver::apps) {
            QCoro::connect(apps->fetchApps(phone), &context, finished);
        } else if (driver == Driver::iconPass) {
            QObject::connect(apps.get(), &BundleIdManager::iconFetchFinished, &context, finished);
            QCoro::connect(apps->fetchApps(phone), &context, [] {});
        } else {
            destinations->selectDevice(driver == Driver::fireAtSimulator ? DeviceFixtures::simulator
                                                                         : phone);
            if (driver == Driver::fireAtDevice) // only an app of the phone's list is launched
                QCoro::waitFor(apps->fetchApps(phone));
            apps->selectApp(
                InstalledApp(QStringLiteral("Shop"), QStringLiteral("com.example.shop")));
            const auto report = [this](const FiringOutcome& outcome) {
                fired = outcome.isFailure() ? "failed: " + outcome.message : "succeeded";
            };
            QCoro::connect(executer->execute(QStringLiteral("shop://item/42"), report), &context,
                           finished);
        }
    }

    // What the user sees, in a line.
    [[nodiscard]] QString summary(Driver driver) const {
        const auto state = [](qsizetype count, const char* what, const QString& error,
                              bool loading) {
            return QStringLiteral("%1 %2, error: %3, loading: %4")
                .arg(count)
                .arg(QLatin1String(what), error.isEmpty() ? QStringLiteral("none") : error,
                     loading ? QStringLiteral("yes") : QStringLiteral("no"));
        };
        if (driver == Driver::destinations) {
            QStringList failures;
            for (const SourceFailure& failure : destinations->sourceFailures())
                failures.append(failure.tool + QStringLiteral(": ") + failure.reason);
            return state(destinations->devices().size(), "devices", failures.join(u"; "),
                         destinations->isLoading());
        }
        if (driver == Driver::apps)
            return state(apps->apps().size(), "apps", apps->errorDescription(), apps->isLoading());
        if (driver == Driver::iconPass) {
            const QStringList completed =
                env.messages("BundleIdManager").filter("Completed icon fetch");
            return QStringLiteral("%1 apps, %2")
                .arg(apps->apps().size())
                .arg(completed.value(0, apps->isLoading() ? "loading: yes" : "icons pending"));
        }
        return fired.isEmpty() ? QStringLiteral("pending") : fired;
    }

    TestEnvironment env;
    FakeXcode xcode{env.path()};
    std::unique_ptr<RunDestinationManager> destinations = std::make_unique<RunDestinationManager>();
    std::unique_ptr<BundleIdManager> apps = std::make_unique<BundleIdManager>();
    std::unique_ptr<DeeplinkExecuter> executer = std::make_unique<DeeplinkExecuter>();
    QObject context;
    std::optional<std::pair<Tool, QString>> faulty;
    bool done = false;
    QString fired;
    EventLoopChecker checker{[this] { return faultyCallRuns(); }};
};

} // namespace

class tst_ToolFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void faultEndsAsItShould_data() {
        QTest::addColumn<Driver>("driver");
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<Scenario>("fault");
        QTest::addColumn<bool>("deleteOwners"); // while a hanging tool waits
        QTest::addColumn<QString>("expected");  // the start of the summary

        QByteArray noise(4 << 20, Qt::Uninitialized);
        QRandomGenerator(14).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        // Built as bytes: a JSON document of 20000 objects takes seconds to build under ASan.
        QByteArrayList sims;
        for (int i = 0; i < 20000; ++i)
            sims.append(
                R"({"udid": "SIM-)" + QByteArray::number(i) + R"(", "name": "iPhone )" +
                QByteArray::number(i) +
                R"(", "state": "Shutdown", "isAvailable": true, "deviceTypeIdentifier": )"
                R"("com.apple.CoreSimulator.SimDeviceType.iPhone-15-Pro-Max-with-a-long-name"})");
        const QByteArray manySimulators =
            R"({"devices": {"com.apple.CoreSimulator.SimRuntime.iOS-17-2": [)" + sims.join(',') +
            "]}}";
        const QByteArray prose =
            QByteArray("no simulators on this line (none at all)\n").repeated(100000);

        const auto add = [](const char* name, Driver driver, Tool tool, const Scenario& fault,
                            const QString& expected, bool deleteOwners = false) {
            QTest::addRow("%s", name) << driver << tool << fault << deleteOwners << expected;
        };
        add("simctl dies by a signal mid-listing", Driver::destinations, Tool::Simctl,
            {.standardOutput = R"({"devices": {)",
             .standardError = "lost connection",
             .signal = SIGKILL},
            "1 devices, error: simctl: lost connection, loading: no");
        add("simctl lists 20000 simulators", Driver::destinations, Tool::Simctl,
            {.standardOutput = manySimulators}, "20001 devices, error: none, loading: no");
        add("launch fails with 4 MB of text", Driver::fireAtDevice, Tool::Devicectl,
            {.standardError = prose, .exitStatus = 1},
            "failed: no simulators on this line (none at all)\nno simulators");
        add("launch exits 0 with garbage", Driver::fireAtDevice, Tool::Devicectl,
            {.standardOutput = noise, .standardError = noise}, "succeeded");
        // A hanging tool is killed at its deadline (2 s here), with everything it started.
        const Scenario hang{.hang = true};
        add("hang: devicectl list, manager deleted meanwhile", Driver::destinations,
            Tool::Devicectl, hang, {}, true);
        add("hang: devicectl apps", Driver::apps, Tool::Devicectl, hang,
            "0 apps, error: devicectl did not answer within 2 s, loading: no");
        // One icon request hangs: the list is shown meanwhile, the pass ends when it does.
        add("hang: devicectl icon of one app", Driver::iconPass, Tool::Devicectl, hang,
            "2 apps, Completed icon fetch: 0 succeeded, 2 failed");
        add("hang: simctl openurl", Driver::fireAtSimulator, Tool::Simctl, hang,
            "failed: simctl did not answer within 2 s");
        add("hang: devicectl launch, executer and managers deleted meanwhile", Driver::fireAtDevice,
            Tool::Devicectl, hang, "failed: devicectl did not answer within 2 s", true);
    }

    void faultEndsAsItShould() {
        QFETCH(Driver, driver);
        QFETCH(Tool, tool);
        QFETCH(Scenario, fault);
        QFETCH(bool, deleteOwners);
        QFETCH(QString, expected);
        Rig rig;
        fault.delaySeconds = 0.3;
        rig.faulty = {tool, faultyCalls.at(int(driver))};
        rig.xcode.setScenario(tool, fault, rig.faulty->second);
        qputenv("KESTRINE_TOOL_TIMEOUT", "2");

        rig.start(driver);
        if (fault.hang) {
            QTRY_COMPARE(rig.xcode.hangingProcesses(tool).size(), 1);
            QTRY_VERIFY(rig.checker.ticks() >= 10);
            // Still waiting, as far as the user can tell; the app list does not wait for icons.
            const QString meanwhile = rig.summary(driver);
            QVERIFY2(meanwhile.contains(u"loading: yes") || meanwhile == u"pending" ||
                         meanwhile == u"2 apps, icons pending",
                     qPrintable(meanwhile));
            if (deleteOwners) {
                rig.executer.reset();
                rig.apps.reset();
                rig.destinations.reset();
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(rig.done, 20000);
        for (const qint64 parked : rig.xcode.hangingProcesses(tool))
            QTRY_VERIFY(!StandInTools::isRunning(parked));
        QVERIFY2(rig.checker.ticks() >= 3, "the GUI thread stood still while the tool ran");
        if (!expected.isEmpty()) // nothing to ask once the owners are gone
            QCOMPARE(rig.summary(driver).left(expected.size()), expected);
    }
};

QTEST_MAIN(tst_ToolFaults)
#include "tst_ToolFaults.moc"
