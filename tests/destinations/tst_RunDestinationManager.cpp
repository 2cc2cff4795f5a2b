#include "DeviceFixtures.h"
#include "FakeAdb.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "destinations/RememberedSelection.h"
#include "destinations/RunDestinationManager.h"
#include "platform/TaskOutcome.h"
#include "toolchain/AdbLocator.h"

#include <QtTest>

#include <algorithm>

using Tool = FakeXcode::Tool;

namespace {

const QString category = QStringLiteral("RunDestinationManager");

using DeviceFixtures::ids;
using DeviceFixtures::simctlJson;

// Stand-in tools listing iOS 17.2 simulators ("udid|name|state") and phones, and a manager.
struct Fixture {
    explicit Fixture(const QStringList& sims = {}, const QStringList& phones = {}) {
        xcode.setSimulators(sims);
        xcode.setPhones(phones);
    }
    void fetch() {
        const TaskOutcome<void> outcome = waitForOutcome(manager.fetchDevices(xcode.url()));
        QVERIFY(!outcome.failed());
    }

    TestEnvironment env;
    FakeXcode xcode{env.path()};
    RunDestinationManager manager;
};

} // namespace

class tst_RunDestinationManager : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listingsRunAtTheSameTime() {
        Fixture f;
        f.xcode.setSimulators({"S1|iPhone|Booted"}, 1);
        f.xcode.setPhones({"P1|Phone|booted"}, 1);

        bool finished = false;
        QCoro::connect(f.manager.fetchDevices(f.xcode.url()), this, [&] { finished = true; });
        // Both tools are running before either listing has come back: one after the other, the
        // second would start only once the first had been parsed. (Wall-clock time proves nothing
        // on a loaded machine; the stand-in tools are shell scripts.)
        QTRY_VERIFY(f.xcode.invocations(Tool::Simctl).size() == 1 &&
                    f.xcode.invocations(Tool::Devicectl).size() == 1);
        const QStringList early = f.env.messages(category);
        QVERIFY(!early.contains(QStringLiteral("Parsed 1 simulator devices")));
        QVERIFY(!early.contains(QStringLiteral("Parsed 1 physical devices")));
        QVERIFY(f.manager.isLoading());

        QTRY_VERIFY_WITH_TIMEOUT(finished, 10000);
        QCOMPARE(ids(f.manager.devices()), (QStringList{"S1", "P1"}));
    }

    void publishesMergedGroupedList() {
        Fixture f({}, {"P1|My iPhone|booted", "P2|Old iPad|shutdown"});
        f.xcode.setScenario(Tool::Simctl,
                            {.standardOutput = simctlJson({
                                 {"iOS-17-2", {"I1|iPhone 15|Shutdown", "I2|Zeta|Booted"}},
                                 {"watchOS-10-2", {"W1|Watch|Shutdown"}},
                             })});
        f.fetch();
        // Simulators first, physical devices after them, each in the order their tool gave.
        QCOMPARE(ids(f.manager.devices()), (QStringList{"I1", "I2", "W1", "P1", "P2"}));
        // Grouped by the rules groupDevices() is tested for below.
        QCOMPARE(f.manager.groupedSections(),
                 RunDestinationManager::groupDevices(f.manager.devices()));
        QVERIFY(f.manager.sourceFailures().isEmpty());

        QStringList lines = f.env.messages(category);
        QCOMPARE(lines.mid(0, 5),
                 (QStringList{"Fetching run destinations", "Fetching simulators",
                              "Fetching physical devices", "Fetching Android devices",
                              "Started simulator and device fetch tasks"}));
        // The listings finish in any order; the iOS list is shown before adb's is in.
        QStringList parsed = lines.mid(5, 3);
        parsed.sort();
        QCOMPARE(parsed, (QStringList{"Parsed 0 Android devices", "Parsed 2 physical devices",
                                      "Parsed 3 simulator devices"}));
        // adb may have answered by then (one update) or not (the iOS list first, then the whole).
        lines = lines.mid(8);
        lines.removeDuplicates();
        QCOMPARE(lines,
                 (QStringList{"Simulator fetch complete", "Updated devices list with 5 items"}));
    }

    void groupDevices_data() {
        QTest::addColumn<QStringList>("devices");  // as describe() puts them
        QTest::addColumn<QStringList>("expected"); // "key: id id ..."
        QTest::addRow("booted first, then by name, stable")
            << QStringList{"a|Beta|Shutdown|iOS", "b|Alpha|unknown|iOS", "c|Zeta|Booted|iOS",
                           "d|Beta|Shutdown|iOS", "e|Gamma|Booted|iOS"}
            << QStringList{"iOS: e c b a d"};
        QTest::addRow("names by character code")
            << QStringList{"a|iPhone|Shutdown|iOS", "b|Zed|Shutdown|iOS", "c|apple|Shutdown|iOS"}
            << QStringList{"iOS: b c a"};
        QTest::addRow("device sections before simulator runtimes")
            << QStringList{"w|W|Shutdown|watchOS", "p|P|Booted|iOS||physical",
                           "i|I|Shutdown|iOS",     "x|X|Shutdown|xrOS",
                           "t|T|Shutdown|tvOS",    "q|Q|Shutdown|watchOS||physical"}
            << QStringList{"iOS Devices: p", "watchOS Devices: q", "iOS: i",
                           "tvOS: t",        "watchOS: w",         "xrOS: x"};
        QTest::addRow("Android after iOS, its devices before its emulators")
            << QStringList{"e|E|Booted|Android||androidEmulator",
                           "d|D|Booted|Android||androidDevice", "i|I|Shutdown|iOS",
                           "u|A|Unavailable|Android||androidDevice", "p|P|Booted|iOS||physical"}
            << QStringList{"iOS Devices: p", "iOS: i", "Android Devices: d u",
                           "Android Emulators: e"};
        QTest::addRow("runtime that reads like a device key")
            << QStringList{"a|A|Shutdown|Test DEVICES", "b|B|Shutdown|Alpha"}
            << QStringList{"Test DEVICES: a", "Alpha: b"};
    }

    void groupDevices() {
        QFETCH(QStringList, devices);
        QFETCH(QStringList, expected);
        QStringList actual;
        for (const DeviceSection& section :
             RunDestinationManager::groupDevices(DeviceFixtures::fromRows(devices)))
            actual.append(section.key + QStringLiteral(": ") + ids(section.devices).join(u' '));
        QCOMPARE(actual, expected);
    }

    void restoresSelection_data() {
        QTest::addColumn<QString>("stored");    // empty: nothing stored
        QTest::addColumn<QString>("selected");  // and stored afterwards
        QTest::addColumn<QString>("stateText"); // why it cannot be used; empty: it can

        // Listing: S1 shut down, S2 booted, S3 booted (in that order), P1 a booted phone, and the
        // demo adb's phones and emulator, one of them unauthorized. A stored destination is
        // never replaced by the booted one.
        QTest::addRow("nothing stored: first booted") << QString() << "S2"
                                                      << "";
        QTest::addRow("stored shut-down device kept") << "S1"
                                                      << "S1"
                                                      << "";
        QTest::addRow("stored device gone: kept, not connected")
            << "GONE"
            << "GONE" << DeviceFixtures::notConnected;
        QTest::addRow("stored phone adb cannot use: kept, with why")
            << "0A1B2C3D4E5F6789"
            << "0A1B2C3D4E5F6789" << DeviceFixtures::unauthorized;
        QTest::addRow("stored emulator kept") << "emulator-5554"
                                              << "emulator-5554"
                                              << "";
    }

    void restoresSelection() {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
        QFETCH(QString, stateText);
        Fixture f({"S1|One|Shutdown", "S2|Two|Booted", "S3|Three|Booted"}, {"P1|Phone|booted"});
        FakeAdb adb(f.env.path(), true);
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
        if (!stored.isEmpty())
            RememberedSelection::setDestinationId(stored);
        RunDestinationManager manager; // reads the stored choice when made
        QCOMPARE(manager.selectedDeviceId().value_or(QString()), stored);

        QVERIFY(!waitForOutcome(manager.fetchDevices(f.xcode.url())).failed());
        QVERIFY(manager.selectedDevice());
        QCOMPARE(manager.selectedDevice()->id, selected);
        QCOMPARE(manager.selectedDevice()->stateText, stateText);
        QCOMPARE(isUsable(*manager.selectedDevice()), stateText.isEmpty());
        QCOMPARE(RememberedSelection::destinationId(), selected);
    }

    // A phone unauthorized for a while, then unplugged, stays selected with why it cannot be
    // used, and is usable again when it is back; the booted simulator never replaces it.
    void selectionOutlivesAnUnusablePhone() {
        Fixture f({"S1|One|Booted"});
        FakeAdb adb(f.env.path());
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
        const QByteArray authorized = "R5CT1234567 device usb:1-1 model:SM_A546B transport_id:2";
        const auto list = [&](const QByteArray& line) {
            adb.setScenario({.standardOutput = "List of devices attached\n" + line + "\n"},
                            QStringLiteral("devices -l"));
            f.fetch();
            return f.manager.selectedDevice().value_or(Device{});
        };
        list(authorized);
        f.manager.selectDevice(f.manager.devices().constLast());
        for (const auto& [line, stateText] :
             {std::pair{QByteArray("R5CT1234567 unauthorized usb:1-1 transport_id:2"),
                        DeviceFixtures::unauthorized},
              {QByteArray(), DeviceFixtures::notConnected},
              {authorized, QString()}}) {
            const Device selected = list(line);
            QCOMPARE(selected.id, u"R5CT1234567");
            QCOMPARE(selected.stateText, stateText);
            QCOMPARE(isUsable(selected), stateText.isEmpty());
            QCOMPARE(RememberedSelection::destinationId(), selected.id);
        }
        QCOMPARE(f.manager.selectedDevice()->name, u"SM A546B");
    }

    void refreshesSelectedDeviceFields() {
        Fixture f({"S1|Old name|Booted"});
        f.fetch();
        QCOMPARE(f.manager.selectedDevice()->name, u"Old name");

        // Renamed and shut down: the stored id keeps it selected, with the new fields.
        f.xcode.setSimulators({"S9|Other|Booted", "S1|New name|Shutdown"});
        f.fetch();
        QCOMPARE(f.manager.selectedDevice()->name, u"New name");
        QCOMPARE(f.manager.selectedDevice()->state, DeviceState::Shutdown);

        // The selected device gone: it stays selected, as it was last listed, not connected.
        f.xcode.setSimulators({"S7|Seven|Booted"});
        f.fetch();
        QCOMPARE(ids(f.manager.devices()), QStringList{"S7"});
        QCOMPARE(f.manager.selectedDevice()->name, u"New name");
        QCOMPARE(f.manager.selectedDevice()->runtimeVersion, u"17.2");
        QCOMPARE(f.manager.selectedDevice()->stateText, DeviceFixtures::notConnected);
        QCOMPARE(RememberedSelection::destinationId(), QStringLiteral("S1"));
    }

    void eachToolFailsOnItsOwn_data() {
        QTest::addColumn<QString>("tool");       // the one that fails
        QTest::addColumn<QByteArray>("answer");  // its standard error; its document; empty: gone
        QTest::addColumn<QStringList>("listed"); // the destinations of the others
        QTest::addColumn<QString>("reason");     // the start of the failure's, on one line

        const QStringList android = DeviceFixtures::column(DeviceFixtures::demoAndroid, 0);
        QTest::addRow("simctl exits 1")
            << "simctl"
            << QByteArray("An error was encountered processing the command\n"
                          "(domain=com.apple.CoreSimulator.SimError, code=405)\n")
            << QStringList("P1") + android
            << "An error was encountered processing the command "
               "(domain=com.apple.CoreSimulator.SimError, code=405)";
        QTest::addRow("devicectl missing")
            << "devicectl" << QByteArray() << QStringList("S1") + android
            << "Could not start “devicectl”";
        QTest::addRow("devicectl document without hardwareProperties")
            << "devicectl"
            << TestData::read(
                   QStringLiteral("destinations/devicectl/missing-hardwareProperties.json"))
            << QStringList("S1") + android << "The data couldn’t be read because it is missing.";
        QTest::addRow("adb exits 1") << "adb" << QByteArray("* cannot start server\n")
                                     << QStringList{"S1", "P1"} << "* cannot start server";
    }

    void eachToolFailsOnItsOwn() {
        QFETCH(QString, tool);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, listed);
        QFETCH(QString, reason);
        Fixture f({"S1|One|Booted"}, {"P1|Phone|booted"});
        FakeAdb adb(f.env.path(), true);
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
        if (tool == u"simctl")
            f.xcode.setScenario(Tool::Simctl, {.standardError = answer, .exitStatus = 1});
        else if (tool == u"adb")
            adb.setScenario({.standardError = answer, .exitStatus = 1}, QStringLiteral("devices"));
        else if (answer.isEmpty())
            f.xcode.removeTool(Tool::Devicectl);
        else
            f.xcode.setScenario(Tool::Devicectl, {.file = answer});
        f.fetch();

        QCOMPARE(ids(f.manager.devices()), listed);
        QCOMPARE(f.manager.sourceFailures().size(), 1);
        QCOMPARE(f.manager.sourceFailures().first().tool, tool);
        QVERIFY2(f.manager.sourceFailures().first().reason.startsWith(reason),
                 qPrintable(f.manager.sourceFailures().first().reason));
        QVERIFY(!f.manager.isLoading());
        const QList<LogRecord> records = f.env.records();
        QVERIFY(std::any_of(records.cbegin(), records.cend(), [&](const LogRecord& r) {
            return r.message.startsWith(tool + QStringLiteral(" failed: ")) &&
                   r.level == LogRecord::Level::Error;
        }));

        // The next fetch that lists it clears its failure.
        if (tool == u"simctl") {
            f.xcode.setSimulators({"S1|One|Booted"});
            f.fetch();
            QVERIFY(f.manager.sourceFailures().isEmpty());
        }
    }

    void olderFetchFinishingLastIsDropped_data() {
        QTest::addColumn<FakeXcode::Scenario>("older"); // what its simctl answers, late
        QTest::addRow("older list") << FakeXcode::Scenario{
            .standardOutput = simctlJson({{"iOS-17-2", {"S1|Old|Booted"}}}), .delaySeconds = 2};
        QTest::addRow("older error") << FakeXcode::Scenario{
            .standardError = "simctl died\n", .exitStatus = 1, .delaySeconds = 2};
    }

    void olderFetchFinishingLastIsDropped() {
        QFETCH(FakeXcode::Scenario, older);
        Fixture f({"S2|New|Booted"});
        // Another Xcode, so that each fetch meets its own stand-in tools whatever the timing.
        FakeXcode olderXcode(f.env.path());
        olderXcode.setScenario(Tool::Simctl, older);
        bool olderDone = false;
        QCoro::connect(f.manager.fetchDevices(olderXcode.url()), this, [&] { olderDone = true; });
        f.fetch();
        QVERIFY(!olderDone);

        QTRY_VERIFY_WITH_TIMEOUT(olderDone, 10000);
        QCOMPARE(ids(f.manager.devices()), QStringList{"S2"});
        QCOMPARE(f.manager.selectedDevice()->id, u"S2");
        QVERIFY(f.manager.sourceFailures().isEmpty());
        QVERIFY(!f.manager.isLoading());
    }

    void listsAndroidAfterIOS() {
        Fixture f({"S1|iPhone 15|Shutdown"}, {"P1|My iPhone|booted"});
        FakeAdb adb(f.env.path(), true);
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
        f.fetch();
        QCOMPARE(ids(f.manager.devices()),
                 QStringList({"S1", "P1"}) +
                     DeviceFixtures::column(DeviceFixtures::demoAndroid, 0));

        // A changed adb location applies at the next fetch: this one lists nothing.
        AdbLocator::adbPathSetting().setValue(f.env.filePath("no-devices-sdk/platform-tools/adb"));
        f.fetch();
        QCOMPARE(ids(f.manager.devices()), (QStringList{"S1", "P1"}));
    }

    void hangingAdbDoesNotHoldIOSBack() {
        Fixture f({"S1|iPhone 15|Booted"});
        FakeAdb adb(f.env.path());
        adb.setScenario({.hang = true}, QStringLiteral("devices -l"));
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
        RememberedSelection::setDestinationId(QStringLiteral("emulator-5554"));
        RunDestinationManager manager;
        bool finished = false;
        QCoro::connect(manager.fetchDevices(f.xcode.url()), this, [&] { finished = true; });

        QTRY_COMPARE_WITH_TIMEOUT(ids(manager.devices()), QStringList{"S1"}, 10000);
        QVERIFY(!manager.isLoading());
        QVERIFY(!finished);
        // The remembered emulator may still come: the booted simulator does not replace it yet.
        QCOMPARE(RememberedSelection::destinationId(), QStringLiteral("emulator-5554"));
        QVERIFY(!manager.selectedDevice());

        // Parked, so that ending the hang finds it (a loaded machine may not be there yet).
        QTRY_VERIFY_WITH_TIMEOUT(!adb.hangingProcesses().isEmpty(), 10000);
        adb.endHangs();
        QTRY_VERIFY_WITH_TIMEOUT(finished, 10000);
        QCOMPARE(ids(manager.devices()), QStringList{"S1"});
        QCOMPARE(manager.sourceFailures().size(), 1);
        // Still the emulator, which no tool lists now.
        QCOMPARE(RememberedSelection::destinationId(), QStringLiteral("emulator-5554"));
        QCOMPARE(manager.selectedDevice()->stateText, DeviceFixtures::notConnected);
    }
};

QTEST_GUILESS_MAIN(tst_RunDestinationManager)
#include "tst_RunDestinationManager.moc"
