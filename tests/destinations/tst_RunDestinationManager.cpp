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
        QVERIFY(!f.manager.error());

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
        QTest::addColumn<QString>("stored");   // empty: nothing stored
        QTest::addColumn<QString>("selected"); // and stored afterwards

        // Listing: S1 shut down, S2 booted, S3 booted (in that order), P1 a booted phone, and the
        // demo adb's phones and emulator, one of them unauthorized.
        QTest::addRow("nothing stored: first booted") << QString() << QStringLiteral("S2");
        QTest::addRow("stored shut-down device kept")
            << QStringLiteral("S1") << QStringLiteral("S1");
        QTest::addRow("stored device gone: first booted replaces it")
            << QStringLiteral("GONE") << QStringLiteral("S2");
        QTest::addRow("stored phone adb cannot use: first booted replaces it")
            << QStringLiteral("0A1B2C3D4E5F6789") << QStringLiteral("S2");
        QTest::addRow("stored emulator kept")
            << QStringLiteral("emulator-5554") << QStringLiteral("emulator-5554");
    }

    void restoresSelection() {
        QFETCH(QString, stored);
        QFETCH(QString, selected);
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
        QCOMPARE(RememberedSelection::destinationId(), selected);
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

        // Nothing booted and the selected device gone: the selection stays as it was.
        f.xcode.setSimulators({"S7|Seven|Shutdown"});
        f.fetch();
        QCOMPARE(ids(f.manager.devices()), QStringList{"S7"});
        QCOMPARE(f.manager.selectedDevice()->name, u"New name");
        QCOMPARE(RememberedSelection::destinationId(), QStringLiteral("S1"));
    }

    void simulatorFailureKeepsPreviousList() {
        Fixture f({"S1|One|Booted"}, {"P1|Phone|booted"});
        f.fetch();
        const QList<Device> devices = f.manager.devices();
        const QList<DeviceSection> sections = f.manager.groupedSections();
        const std::optional<Device> selected = f.manager.selectedDevice();

        const QString message =
            QStringLiteral("An error was encountered processing the command "
                           "(domain=com.apple.CoreSimulator.SimError, code=405)\n");
        f.xcode.setScenario(Tool::Simctl, {.standardError = message.toUtf8(), .exitStatus = 1});
        f.fetch();

        QCOMPARE(f.manager.errorDescription(), message);
        QVERIFY(!f.manager.isLoading());
        QCOMPARE(f.manager.devices(), devices);
        QCOMPARE(f.manager.groupedSections(), sections);
        QCOMPARE(f.manager.selectedDevice(), selected);
        // The dropped device listing may still log after this line: look it up, not at the end.
        const QList<LogRecord> records = f.env.records();
        const auto failure =
            std::find_if(records.cbegin(), records.cend(), [&](const LogRecord& r) {
                return r.message == QStringLiteral("Error fetching devices: ") + message;
            });
        QVERIFY(failure != records.cend());
        QCOMPARE(failure->level, LogRecord::Level::Error);

        // The next successful fetch clears the error.
        f.xcode.setSimulators({"S1|One|Booted"});
        f.fetch();
        QVERIFY(!f.manager.error());
    }

    void deviceFailureShowsSimulatorsAlone_data() {
        QTest::addColumn<QByteArray>("listing"); // empty: no device tool at all
        QTest::addColumn<QString>("logged");
        QTest::addRow("device tool missing") << QByteArray() << "devicectl failed: Could not start";
        QTest::addRow("document without hardwareProperties")
            << TestData::read(
                   QStringLiteral("destinations/devicectl/missing-hardwareProperties.json"))
            << "devicectl failed: The data couldn’t be read because it is missing.";
    }

    void deviceFailureShowsSimulatorsAlone() {
        QFETCH(QByteArray, listing);
        QFETCH(QString, logged);
        Fixture f({"S1|One|Booted"});
        if (listing.isEmpty())
            f.xcode.removeTool(Tool::Devicectl);
        else
            f.xcode.setScenario(Tool::Devicectl, {.file = listing});
        f.fetch();

        QCOMPARE(ids(f.manager.devices()), QStringList{"S1"});
        QVERIFY(!f.manager.error());
        const QStringList lines = f.env.messages(category);
        const qsizetype complete = lines.indexOf(QStringLiteral("Simulator fetch complete"));
        QVERIFY(complete >= 0);
        QVERIFY2(lines.value(complete + 1).startsWith(logged),
                 qPrintable(lines.value(complete + 1)));
        QCOMPARE(lines.last(), u"Updated devices list with 1 items");
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
        QVERIFY(!f.manager.error());
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
        QCOMPARE(RememberedSelection::destinationId(), QStringLiteral("S1"));
    }
};

QTEST_GUILESS_MAIN(tst_RunDestinationManager)
#include "tst_RunDestinationManager.moc"
