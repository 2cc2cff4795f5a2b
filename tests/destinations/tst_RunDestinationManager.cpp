#include "DeviceFixtures.h"
#include "FakeXcode.h"
#include "TaskOutcome.h"
#include "TestEnvironment.h"

#include "destinations/RunDestinationManager.h"
#include "platform/AppSettings.h"

#include <QtTest>

#include <algorithm>

using Tool = FakeXcode::Tool;

namespace {

const QString category = QStringLiteral("RunDestinationManager");

using DeviceFixtures::device;
using DeviceFixtures::devicectlJson;
using DeviceFixtures::ids;
using DeviceFixtures::simctlJson;

QStringList keys(const QList<DeviceSection>& sections) {
    QStringList result;
    for (const DeviceSection& section : sections)
        result.append(section.key);
    return result;
}

void fetch(RunDestinationManager& manager, const FakeXcode& xcode) {
    const TaskOutcome<void> outcome = waitForOutcome(manager.fetchDevices(xcode.url()));
    QVERIFY(!outcome.failed());
}

std::optional<QString> storedId() {
    const QVariant value =
        AppSettings::standard()->value(RunDestinationManager::selectedDeviceIdKey.toString());
    return value.isValid() ? std::optional<QString>(value.toString()) : std::nullopt;
}

} // namespace

class tst_RunDestinationManager : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listingsRunAtTheSameTime();
    void publishesMergedGroupedList();
    void groupDevices_data();
    void groupDevices();
    void restoresSelection_data();
    void restoresSelection();
    void refreshesSelectedDeviceFields();
    void simulatorFailureKeepsPreviousList();
    void deviceFailureShowsSimulatorsAlone_data();
    void deviceFailureShowsSimulatorsAlone();
    void selectDevicePersists();
};

void tst_RunDestinationManager::listingsRunAtTheSameTime() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(
        Tool::Simctl,
        {.standardOutput = simctlJson({{"iOS-17-2", {"S1|iPhone|Booted"}}}), .delaySeconds = 1});
    xcode.setScenario(Tool::Devicectl,
                      {.file = devicectlJson({"P1|Phone|booted"}), .delaySeconds = 1});
    RunDestinationManager manager;

    bool finished = false;
    QCoro::connect(manager.fetchDevices(xcode.url()), this, [&] { finished = true; });
    // Both tools are running before either listing has come back: one after the other, the
    // second would start only once the first had been parsed. (Wall-clock time proves nothing
    // on a loaded machine; the stand-in tools are shell scripts.)
    QTRY_VERIFY(xcode.invocations(Tool::Simctl).size() == 1 &&
                xcode.invocations(Tool::Devicectl).size() == 1);
    const QStringList early = env.messages(category);
    QVERIFY(!early.contains(u"Parsed 1 simulator devices"_qs));
    QVERIFY(!early.contains(u"Parsed 1 physical devices"_qs));
    QVERIFY(manager.isLoading());

    QTRY_VERIFY_WITH_TIMEOUT(finished, 10000);
    QCOMPARE(ids(manager.devices()), (QStringList{"S1", "P1"}));
}

void tst_RunDestinationManager::publishesMergedGroupedList() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(Tool::Simctl, {.standardOutput = simctlJson({
                                         {"iOS-17-2", {"I1|iPhone 15|Shutdown", "I2|Zeta|Booted"}},
                                         {"watchOS-10-2", {"W1|Watch|Shutdown"}},
                                     })});
    xcode.setScenario(Tool::Devicectl,
                      {.file = devicectlJson({"P1|My iPhone|booted", "P2|Old iPad|shutdown"})});
    RunDestinationManager manager;

    fetch(manager, xcode);
    // Simulators first, physical devices after them, each in the order their tool gave.
    QCOMPARE(ids(manager.devices()), (QStringList{"I1", "I2", "W1", "P1", "P2"}));
    QCOMPARE(keys(manager.groupedSections()), (QStringList{"iOS Devices", "iOS", "watchOS"}));
    QCOMPARE(ids(manager.groupedSections()[1].devices), (QStringList{"I2", "I1"}));
    QVERIFY(!manager.error());

    QStringList lines = env.messages(category);
    QCOMPARE(lines.mid(0, 4), (QStringList{"Fetching run destinations", "Fetching simulators",
                                           "Fetching physical devices",
                                           "Started simulator and device fetch tasks"}));
    // The two listings finish in either order.
    QStringList parsed = lines.mid(4, 2);
    parsed.sort();
    QCOMPARE(parsed, (QStringList{"Parsed 2 physical devices", "Parsed 3 simulator devices"}));
    QCOMPARE(lines.mid(6),
             (QStringList{"Simulator fetch complete", "Updated devices list with 5 items"}));
}

void tst_RunDestinationManager::groupDevices_data() {
    QTest::addColumn<QList<Device>>("devices");
    QTest::addColumn<QStringList>("expected"); // "key: id id ..."

    using S = DeviceState;
    QTest::addRow("booted first, then by name, stable")
        << QList<Device>{device("a", "Beta", S::shutdown, "iOS"),
                         device("b", "Alpha", S::unknown, "iOS"),
                         device("c", "Zeta", S::booted, "iOS"),
                         device("d", "Beta", S::shutdown, "iOS"),
                         device("e", "Gamma", S::booted, "iOS")}
        << QStringList{"iOS: e c b a d"};
    QTest::addRow("names by character code")
        << QList<Device>{device("a", "iPhone", S::shutdown, "iOS"),
                         device("b", "Zed", S::shutdown, "iOS"),
                         device("c", "apple", S::shutdown, "iOS")}
        << QStringList{"iOS: b c a"};
    QTest::addRow("device sections before simulator runtimes")
        << QList<Device>{device("w", "W", S::shutdown, "watchOS"),
                         device("p", "P", S::booted, "iOS", DeviceSource::physical),
                         device("i", "I", S::shutdown, "iOS"),
                         device("x", "X", S::shutdown, "xrOS"),
                         device("t", "T", S::shutdown, "tvOS"),
                         device("q", "Q", S::shutdown, "watchOS", DeviceSource::physical)}
        << QStringList{"iOS Devices: p", "watchOS Devices: q", "iOS: i",
                       "tvOS: t",        "watchOS: w",         "xrOS: x"};
    QTest::addRow("runtime that reads like a device key")
        << QList<Device>{device("a", "A", S::shutdown, "Test DEVICES"),
                         device("b", "B", S::shutdown, "Alpha")}
        << QStringList{"Test DEVICES: a", "Alpha: b"};
}

void tst_RunDestinationManager::groupDevices() {
    QFETCH(QList<Device>, devices);
    QFETCH(QStringList, expected);
    QStringList actual;
    for (const DeviceSection& section : RunDestinationManager::groupDevices(devices))
        actual.append(section.key + QStringLiteral(": ") + ids(section.devices).join(u' '));
    QCOMPARE(actual, expected);
}

void tst_RunDestinationManager::restoresSelection_data() {
    QTest::addColumn<QString>("stored"); // empty: nothing stored
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("storedAfter");

    // Listing: S1 shut down, S2 booted, S3 booted (in that order), P1 a booted phone.
    QTest::addRow("nothing stored: first booted") << ""
                                                  << "S2"
                                                  << "S2";
    QTest::addRow("stored shut-down device kept") << "S1"
                                                  << "S1"
                                                  << "S1";
    QTest::addRow("stored device gone: first booted replaces it") << "GONE"
                                                                  << "S2"
                                                                  << "S2";
}

void tst_RunDestinationManager::restoresSelection() {
    QFETCH(QString, stored);
    QFETCH(QString, selected);
    QFETCH(QString, storedAfter);
    TestEnvironment env;
    if (!stored.isEmpty())
        AppSettings::standard()->setValue(RunDestinationManager::selectedDeviceIdKey.toString(),
                                          stored);
    FakeXcode xcode(env.path());
    xcode.setScenario(
        Tool::Simctl,
        {.standardOutput =
             simctlJson({{"iOS-17-2", {"S1|One|Shutdown", "S2|Two|Booted", "S3|Three|Booted"}}})});
    xcode.setScenario(Tool::Devicectl, {.file = devicectlJson({"P1|Phone|booted"})});
    RunDestinationManager manager;
    QCOMPARE(manager.selectedDeviceId().value_or(QString()), stored);

    fetch(manager, xcode);
    QVERIFY(manager.selectedDevice());
    QCOMPARE(manager.selectedDevice()->id, selected);
    QCOMPARE(storedId(), storedAfter);
}

void tst_RunDestinationManager::refreshesSelectedDeviceFields() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(Tool::Simctl,
                      {.standardOutput = simctlJson({{"iOS-17-2", {"S1|Old name|Booted"}}})});
    RunDestinationManager manager;
    fetch(manager, xcode);
    QCOMPARE(manager.selectedDevice()->name, u"Old name");

    // Renamed and shut down: the stored id keeps it selected, with the new fields.
    xcode.setScenario(Tool::Simctl,
                      {.standardOutput = simctlJson(
                           {{"iOS-17-2", {"S9|Other|Booted", "S1|New name|Shutdown"}}})});
    fetch(manager, xcode);
    QCOMPARE(manager.selectedDevice()->name, u"New name");
    QCOMPARE(manager.selectedDevice()->state, DeviceState::shutdown);

    // Nothing booted and the selected device gone: the selection stays as it was.
    xcode.setScenario(Tool::Simctl,
                      {.standardOutput = simctlJson({{"iOS-17-2", {"S7|Seven|Shutdown"}}})});
    fetch(manager, xcode);
    QCOMPARE(ids(manager.devices()), QStringList{"S7"});
    QCOMPARE(manager.selectedDevice()->name, u"New name");
    QCOMPARE(storedId(), u"S1"_qs);
}

void tst_RunDestinationManager::simulatorFailureKeepsPreviousList() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(Tool::Simctl,
                      {.standardOutput = simctlJson({{"iOS-17-2", {"S1|One|Booted"}}})});
    xcode.setScenario(Tool::Devicectl, {.file = devicectlJson({"P1|Phone|booted"})});
    RunDestinationManager manager;
    fetch(manager, xcode);
    const QList<Device> devices = manager.devices();
    const QList<DeviceSection> sections = manager.groupedSections();
    const std::optional<Device> selected = manager.selectedDevice();

    xcode.setScenario(Tool::Simctl,
                      {.standardError = "An error was encountered processing the command "
                                        "(domain=com.apple.CoreSimulator.SimError, code=405)\n",
                       .exitStatus = 1});
    fetch(manager, xcode);

    const QString message = QStringLiteral("An error was encountered processing the command "
                                           "(domain=com.apple.CoreSimulator.SimError, code=405)\n");
    QCOMPARE(manager.errorDescription(), message);
    QVERIFY(!manager.isLoading());
    QCOMPARE(manager.devices(), devices);
    QCOMPARE(manager.groupedSections(), sections);
    QCOMPARE(manager.selectedDevice(), selected);
    // The dropped device listing may still log after this line: look it up, not at the end.
    const QList<LogRecord> records = env.records();
    const auto failure = std::find_if(records.cbegin(), records.cend(), [&](const LogRecord& r) {
        return r.message == u"Error fetching devices: "_qs + message;
    });
    QVERIFY(failure != records.cend());
    QCOMPARE(failure->level, LogRecord::Level::Error);

    // The next successful fetch clears the error.
    xcode.setScenario(Tool::Simctl,
                      {.standardOutput = simctlJson({{"iOS-17-2", {"S1|One|Booted"}}})});
    fetch(manager, xcode);
    QVERIFY(!manager.error());
}

void tst_RunDestinationManager::deviceFailureShowsSimulatorsAlone_data() {
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("logged");
    QTest::addRow("device tool missing") << 0 << "devicectl failed: Could not start";
    QTest::addRow("document without hardwareProperties")
        << 1 << "devicectl failed: The data couldn’t be read because it is missing.";
}

void tst_RunDestinationManager::deviceFailureShowsSimulatorsAlone() {
    QFETCH(int, failure);
    QFETCH(QString, logged);
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(Tool::Simctl,
                      {.standardOutput = simctlJson({{"iOS-17-2", {"S1|One|Booted"}}})});
    if (failure == 0)
        xcode.removeTool(Tool::Devicectl);
    else
        xcode.setScenario(Tool::Devicectl,
                          {.file = QByteArray(R"({"result": {"devices": [{"identifier": "P1",
                                   "deviceProperties": {"name": "Phone"}}]}})")});
    RunDestinationManager manager;
    fetch(manager, xcode);

    QCOMPARE(ids(manager.devices()), QStringList{"S1"});
    QVERIFY(!manager.error());
    const QStringList lines = env.messages(category);
    const qsizetype complete = lines.indexOf(u"Simulator fetch complete"_qs);
    QVERIFY(complete >= 0);
    QVERIFY2(lines.value(complete + 1).startsWith(logged), qPrintable(lines.value(complete + 1)));
    QCOMPARE(lines.last(), u"Updated devices list with 1 items");
}

void tst_RunDestinationManager::selectDevicePersists() {
    TestEnvironment env;
    const Device phone =
        device("P1", "My iPhone", DeviceState::booted, "iOS", DeviceSource::physical);
    RunDestinationManager().selectDevice(phone);
    RunDestinationManager later;
    QCOMPARE(later.selectedDeviceId(), u"P1"_qs);
    QVERIFY(!later.selectedDevice()); // known again only once a fetch finds it
}

QTEST_GUILESS_MAIN(tst_RunDestinationManager)
#include "tst_RunDestinationManager.moc"
