// Stand-in tools that misbehave the way real ones now and then do: hang, die by a signal, print
// garbage or megabytes, exit 0 without writing the file they were asked for. Each fault goes
// through the object that meets it in the app, while a timer on the GUI thread ticks. A faulty
// tool answers only after a delay, during which the timer must keep turning: a GUI thread that
// blocked on the tool would not see it.
#include "DeviceFixtures.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"
#include "ToolDocuments.h"

#include "destinations/RunDestinationManager.h"
#include "execution/DeeplinkExecuter.h"
#include "platform/AppError.h"
#include "targetapps/BundleIdManager.h"
#include "targetapps/InstalledApp.h"

#include <QRandomGenerator>
#include <QTimer>
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
using DeviceFixtures::simulator;

const QByteArray simulatorList =
    DeviceFixtures::simctlJson({{"iOS-17-2", {"S1|iPhone 15|Booted"}}});
const QByteArray deviceList = DeviceFixtures::devicectlJson({"P1|My iPhone|booted"});

const QString listing = QStringLiteral("list devices");
// The call each driver's fault is given to, by the text of its arguments, in Driver's order.
const QStringList faultyCalls{listing, QStringLiteral("info apps"),
                              QStringLiteral("--app-bundle-id com.example.news "),
                              QStringLiteral("openurl"), QStringLiteral("process launch")};

QByteArray garbage(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(14).fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QByteArray manySimulators(int count) {
    QByteArrayList entries;
    for (int i = 0; i < count; ++i)
        entries.append(R"({"udid": "SIM-)" + QByteArray::number(i) + R"(", "name": "iPhone )" +
                       QByteArray::number(i) +
                       R"(", "state": "Shutdown", "isAvailable": true, )"
                       R"("deviceTypeIdentifier": "com.apple.CoreSimulator.SimDeviceType.)"
                       R"(iPhone-15-Pro-Max-with-a-long-name"})");
    return R"({"devices": {"com.apple.CoreSimulator.SimRuntime.iOS-17-2": [)" + entries.join(',') +
           "]}}";
}

// The objects under test, wired to a stand-in Xcode whose tools answer healthily until a test
// gives one kind of call a fault. The timer counts its turns while the faulty call runs.
struct Rig {
    explicit Rig(const TestEnvironment& env)
        : env(env)
        , xcode(env.path()) {
        xcode.setScenario(Tool::Simctl, {.standardOutput = simulatorList}, listing);
        xcode.setScenario(Tool::Devicectl, {.file = deviceList}, listing);
        xcode.setScenario(Tool::Devicectl,
                          {.file = ToolDocuments::apps({QStringLiteral("Shop=com.example.shop"),
                                                        QStringLiteral("News=com.example.news")})},
                          faultyCalls.at(int(Driver::apps)));
        destinations->configure(xcode.url());
        apps->setXcodeURL(xcode.url());
        executer->setRunDestinationManager(destinations.get());
        executer->setBundleIdManager(apps.get());
        executer->setInterpreterPath(xcode.toolPath(Tool::Osascript));
        QObject::connect(&ticker, &QTimer::timeout, &ticker, [this] {
            if (!done && faulty && called(faulty->first, faulty->second))
                ++ticksWhileFaulty;
        });
        ticker.start(10);
    }

    ~Rig() {
        // Never leave a parked tool behind, whatever failed; let its waiter finish.
        xcode.endHangs(Tool::Simctl);
        xcode.endHangs(Tool::Devicectl);
        (void)QTest::qWaitFor([this] { return done; }, 5000);
    }

    [[nodiscard]] bool called(Tool tool, const QString& match) const {
        const auto calls = xcode.invocations(tool);
        return std::any_of(calls.cbegin(), calls.cend(), [&](const FakeXcode::Invocation& call) {
            return call.arguments.join(u' ').contains(match);
        });
    }

    void setFault(Tool tool, const QString& match, const Scenario& scenario) {
        xcode.setScenario(tool, scenario, match);
        faulty = {tool, match};
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
            destinations->selectDevice(driver == Driver::fireAtSimulator ? simulator : phone);
            if (driver == Driver::fireAtDevice) // only an app of the phone's list is launched
                QCoro::waitFor(apps->fetchApps(phone));
            apps->selectApp(
                InstalledApp(QStringLiteral("Shop"), QStringLiteral("com.example.shop")));
            const auto report = [this](std::exception_ptr error, bool failed) {
                fired = failed ? QStringLiteral("failed: ") + localizedDescription(error)
                               : QStringLiteral("succeeded");
            };
            QCoro::connect(executer->execute(QStringLiteral("shop://item/42"), report), &context,
                           finished);
        }
    }

    // What the user sees, in a line.
    [[nodiscard]] QString summary(Driver driver) const {
        const auto state = [](const auto& manager, qsizetype count, const char* what) {
            return QStringLiteral("%1 %2, error: %3, loading: %4")
                .arg(count)
                .arg(QLatin1String(what),
                     manager.error() ? manager.errorDescription() : QStringLiteral("none"),
                     manager.isLoading() ? QStringLiteral("yes") : QStringLiteral("no"));
        };
        if (driver == Driver::destinations)
            return state(*destinations, destinations->devices().size(), "devices");
        if (driver == Driver::apps)
            return state(*apps, apps->apps().size(), "apps");
        if (driver == Driver::iconPass) {
            const QStringList completed = env.messages(QStringLiteral("BundleIdManager"))
                                              .filter(QStringLiteral("Completed icon fetch"));
            return QStringLiteral("%1 apps, %2")
                .arg(apps->apps().size())
                .arg(completed.value(0, apps->isLoading() ? QStringLiteral("loading: yes")
                                                          : QStringLiteral("icons pending")));
        }
        return fired.isEmpty() ? QStringLiteral("pending") : fired;
    }

    const TestEnvironment& env;
    FakeXcode xcode;
    std::unique_ptr<RunDestinationManager> destinations = std::make_unique<RunDestinationManager>();
    std::unique_ptr<BundleIdManager> apps = std::make_unique<BundleIdManager>();
    std::unique_ptr<DeeplinkExecuter> executer = std::make_unique<DeeplinkExecuter>();
    QObject context;
    QTimer ticker;
    std::optional<std::pair<Tool, QString>> faulty;
    int ticksWhileFaulty = 0;
    bool done = false;
    QString fired;
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

        const QByteArray noise = garbage(4 << 20);
        const QByteArray prose =
            QByteArray("no simulators on this line (none at all)\n").repeated(100000);

        QTest::addRow("simctl dies by a signal mid-listing")
            << Driver::destinations << Tool::Simctl
            << Scenario{.standardOutput = R"({"devices": {)",
                        .standardError = "lost connection",
                        .signal = SIGKILL}
            << false << "0 devices, error: lost connection, loading: no";
        QTest::addRow("simctl lists 20000 simulators")
            << Driver::destinations << Tool::Simctl
            << Scenario{.standardOutput = manySimulators(20000)} << false
            << "20001 devices, error: none, loading: no";

        QTest::addRow("launch fails with 4 MB of text")
            << Driver::fireAtDevice << Tool::Devicectl
            << Scenario{.standardError = prose, .exitStatus = 1} << false
            << "failed: no simulators on this line (none at all)\nno simulators";
        QTest::addRow("launch exits 0 with garbage")
            << Driver::fireAtDevice << Tool::Devicectl
            << Scenario{.standardOutput = noise, .standardError = noise} << false << "succeeded";

        // Nothing gives up on a hanging tool by itself; these end when the tool is killed.
        const Scenario hang{.hang = true};
        QTest::addRow("hang: devicectl list, manager deleted meanwhile")
            << Driver::destinations << Tool::Devicectl << hang << true << QString();
        QTest::addRow("hang: devicectl apps") << Driver::apps << Tool::Devicectl << hang << false
                                              << "0 apps, error: Unknown error, loading: no";
        // One icon request hangs: the list is shown meanwhile, the pass ends when it does.
        QTest::addRow("hang: devicectl icon of one app")
            << Driver::iconPass << Tool::Devicectl << hang << false
            << "2 apps, Completed icon fetch: 0 succeeded, 2 failed";
        QTest::addRow("hang: simctl openurl")
            << Driver::fireAtSimulator << Tool::Simctl << hang << false << "failed: Unknown error";
        QTest::addRow("hang: devicectl launch, executer and managers deleted meanwhile")
            << Driver::fireAtDevice << Tool::Devicectl << hang << true << "failed: Unknown error";
    }

    void faultEndsAsItShould() {
        QFETCH(Driver, driver);
        QFETCH(Tool, tool);
        QFETCH(Scenario, fault);
        QFETCH(bool, deleteOwners);
        QFETCH(QString, expected);

        TestEnvironment env;
        Rig rig(env);
        fault.delaySeconds = 0.3;
        rig.setFault(tool, faultyCalls.at(int(driver)), fault);
        rig.start(driver);
        if (fault.hang) {
            QTRY_COMPARE(rig.xcode.hangingProcesses(tool).size(), 1);
            QTRY_VERIFY(rig.ticksWhileFaulty >= 10);
            const QString meanwhile = rig.summary(driver);
            // Still waiting, as far as the user can tell; the app list does not wait for icons.
            QVERIFY2(meanwhile.contains(u"loading: yes") || meanwhile == u"pending" ||
                         meanwhile == u"2 apps, icons pending",
                     qPrintable(meanwhile));
            if (deleteOwners) {
                rig.executer.reset();
                rig.apps.reset();
                rig.destinations.reset();
            }
            rig.xcode.endHangs(tool);
        }
        QTRY_VERIFY_WITH_TIMEOUT(rig.done, 20000);
        QVERIFY2(rig.ticksWhileFaulty >= 3, "the GUI thread stood still while the tool ran");
        if (!expected.isEmpty()) // nothing to ask once the owners are gone
            QCOMPARE(rig.summary(driver).left(expected.size()), expected);
    }
};

QTEST_MAIN(tst_ToolFaults)
#include "tst_ToolFaults.moc"
