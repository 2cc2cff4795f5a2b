#include "DeviceFixtures.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"
#include "ToolDocuments.h"

#include "targetapps/AppIconCache.h"
#include "targetapps/BundleIdManager.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <QCoro/QCoroTask>

namespace {

using Tool = FakeXcode::Tool;

const Device& iPhone = DeviceFixtures::phone;
const Device& iPad = DeviceFixtures::tablet;
const Device& simulator = DeviceFixtures::simulator;

QStringList ids(const QList<InstalledApp>& apps) {
    QStringList list;
    for (const InstalledApp& app : apps)
        list.append(app.bundleIdentifier());
    return list;
}

int appsCalls(const FakeXcode& xcode) {
    int count = 0;
    for (const auto& call : xcode.invocations(Tool::Devicectl))
        count += call.arguments.join(u' ').contains(QLatin1String("info apps"));
    return count;
}

int iconCalls(const FakeXcode& xcode) {
    int count = 0;
    for (const auto& call : xcode.invocations(Tool::Devicectl))
        count += call.arguments.contains(QLatin1String("appIcon"));
    return count;
}

void setApps(FakeXcode& xcode, const QStringList& apps, const QString& device = {}) {
    xcode.setScenario(Tool::Devicectl, {.file = ToolDocuments::apps(apps)},
                      QStringLiteral("device info apps --device ") + device);
}

void setIcon(FakeXcode& xcode, const QString& bundleId, QColor color, double delay = 0) {
    xcode.setScenario(Tool::Devicectl, {.file = ToolDocuments::png(color), .delaySeconds = delay},
                      QStringLiteral("--app-bundle-id ") + bundleId + u' ');
}

void load(BundleIdManager& manager, const Device& device) {
    QCoro::waitFor(manager.fetchApps(device));
}

} // namespace

class tst_BundleIdManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadsASortedListAndSelectsTheFirstApp();
    void restoresTheStoredSelection_data();
    void restoresTheStoredSelection();
    void simulatorClearsTheListButKeepsTheStoredChoice();
    void loadedDeviceIsNotFetchedAgain();
    void withoutXcodeNothingHappens();
    void failedFetchKeepsTheListAndSetsError();
    void iconPassCountsAndTriggersForTheSelectedAppOnly();
    void cachedIconsComeBeforeAnyDeviceRequest();
    void slowAnswerOfAnEarlierDeviceIsDropped();
};

void tst_BundleIdManager::loadsASortedListAndSelectsTheFirstApp() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    setApps(xcode, {"beta=com.b", "Alpha=com.A", "alpha=com.a"});
    BundleIdManager manager;
    manager.setXcodeURL(xcode.url());

    auto task = manager.fetchApps(iPhone);
    QVERIFY(manager.isLoading());
    QCoro::waitFor(std::move(task));

    QCOMPARE(ids(manager.apps()), (QStringList{"com.A", "com.a", "com.b"}));
    QVERIFY(!manager.isLoading());
    QCOMPARE(manager.selectedApp()->bundleIdentifier(), QStringLiteral("com.A"));
    QCOMPARE(BundleIdManager::storedBundleId(), std::optional<QString>("com.A"));
    const QStringList lines = env.messages(QStringLiteral("BundleIdManager"));
    QCOMPARE(lines.mid(0, 2),
             (QStringList{"Fetching apps for device Test iPhone", "Loaded 3 apps"}));
}

void tst_BundleIdManager::restoresTheStoredSelection_data() {
    QTest::addColumn<QString>("stored"); // null: nothing stored
    QTest::addColumn<QStringList>("apps");
    QTest::addColumn<QString>("selected"); // null: no selection
    QTest::addColumn<QString>("storedAfter");
    QTest::addRow("stored app listed") << "com.b" << QStringList{"A=com.a", "B=com.b"} << "com.b"
                                       << "com.b";
    QTest::addRow("stored app absent") << "com.gone" << QStringList{"A=com.a", "B=com.b"} << "com.a"
                                       << "com.a";
    QTest::addRow("empty list") << "com.b" << QStringList{} << QString() << "com.b";
}

void tst_BundleIdManager::restoresTheStoredSelection() {
    QFETCH(QString, stored);
    QFETCH(QStringList, apps);
    QFETCH(QString, selected);
    QFETCH(QString, storedAfter);
    TestEnvironment env;
    FakeXcode xcode(env.path());
    setApps(xcode, apps);
    if (!stored.isNull())
        BundleIdManager::setStoredBundleId(stored);
    BundleIdManager manager;
    manager.setXcodeURL(xcode.url());
    load(manager, iPhone);
    QCOMPARE(manager.selectedApp() ? manager.selectedApp()->bundleIdentifier() : QString(),
             selected);
    QCOMPARE(BundleIdManager::storedBundleId(), std::optional<QString>(storedAfter));
}

void tst_BundleIdManager::simulatorClearsTheListButKeepsTheStoredChoice() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    setApps(xcode, {"A=com.a", "B=com.b"});
    BundleIdManager manager;
    manager.setXcodeURL(xcode.url());
    load(manager, iPhone);
    manager.selectApp(manager.apps().at(1));

    load(manager, simulator);
    QVERIFY(manager.apps().isEmpty());
    QVERIFY(!manager.selectedApp());
    QVERIFY(!manager.loadedDeviceId());
    QCOMPARE(BundleIdManager::storedBundleId(), std::optional<QString>("com.b"));
    QVERIFY(env.messages(QStringLiteral("BundleIdManager"))
                .contains(QStringLiteral("Skipping app fetch for non-physical device")));

    load(manager, iPhone);
    QCOMPARE(manager.selectedApp()->bundleIdentifier(), QStringLiteral("com.b"));
}

void tst_BundleIdManager::loadedDeviceIsNotFetchedAgain() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    setApps(xcode, {"A=com.a"});
    BundleIdManager manager;
    manager.setXcodeURL(xcode.url());
    load(manager, iPhone);
    QCOMPARE(appsCalls(xcode), 1);

    env.clearLog();
    load(manager, iPhone);
    QCOMPARE(appsCalls(xcode), 1);
    QCOMPARE(env.messages(QStringLiteral("BundleIdManager")),
             QStringList{"Apps already loaded for device DEV-1"});

    manager.setLoadedDeviceId(std::nullopt); // what Refresh does
    load(manager, iPhone);
    QCOMPARE(appsCalls(xcode), 2);
    // An empty list counts as not loaded.
    setApps(xcode, {});
    manager.setLoadedDeviceId(std::nullopt);
    load(manager, iPhone);
    load(manager, iPhone);
    QCOMPARE(appsCalls(xcode), 4);
}

void tst_BundleIdManager::withoutXcodeNothingHappens() {
    TestEnvironment env;
    BundleIdManager manager;
    load(manager, iPhone);
    QCOMPARE(env.messages(QStringLiteral("BundleIdManager")),
             QStringList{"Xcode URL not configured"});
    QCOMPARE(env.records().constLast().level, LogRecord::Level::Error);
    QVERIFY(!manager.isLoading());
}

void tst_BundleIdManager::failedFetchKeepsTheListAndSetsError() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    setApps(xcode, {"A=com.a", "B=com.b"});
    BundleIdManager manager;
    manager.setXcodeURL(xcode.url());
    load(manager, iPhone);

    xcode.setScenario(Tool::Devicectl,
                      {.standardError = "ERROR: Connection reset by peer\n", .exitStatus = 1},
                      QStringLiteral("device info apps"));
    manager.setLoadedDeviceId(std::nullopt);
    load(manager, iPhone);
    QVERIFY(manager.error());
    QVERIFY(manager.errorDescription().contains(QLatin1String("Connection reset by peer")));
    QCOMPARE(ids(manager.apps()), (QStringList{"com.a", "com.b"}));
    QCOMPARE(manager.selectedApp()->bundleIdentifier(), QStringLiteral("com.a"));
    QVERIFY(!manager.loadedDeviceId());
    QVERIFY(env.messages(QStringLiteral("BundleIdManager"))
                .contains("Error fetching apps: " + manager.errorDescription()));

    // The next load clears the error as soon as it starts, before its outcome is known.
    xcode.setScenario(Tool::Devicectl,
                      {.file = ToolDocuments::apps({"C=com.c"}), .delaySeconds = 0.2},
                      QStringLiteral("device info apps"));
    auto task = manager.fetchApps(iPhone);
    QVERIFY(!manager.error());
    QVERIFY(manager.isLoading());
    QCoro::waitFor(std::move(task));
    QCOMPARE(ids(manager.apps()), QStringList{"com.c"});
}

void tst_BundleIdManager::iconPassCountsAndTriggersForTheSelectedAppOnly() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    setApps(xcode, {"A=com.a", "B=com.b", "C=com.c"});
    setIcon(xcode, QStringLiteral("com.b"), Qt::red);
    setIcon(xcode, QStringLiteral("com.c"), Qt::blue);
    BundleIdManager manager;
    manager.setXcodeURL(xcode.url());
    QSignalSpy finished(&manager, &BundleIdManager::iconFetchFinished);
    load(manager, iPhone); // selects A, whose icon cannot be had
    QTRY_COMPARE(finished.count(), 1);

    QVERIFY(manager.apps().at(0).icon().isNull());
    QCOMPARE(manager.apps().at(1).icon().pixelColor(0, 0), QColor(Qt::red));
    QCOMPARE(manager.apps().at(2).icon().pixelColor(0, 0), QColor(Qt::blue));
    QCOMPARE(manager.iconUpdateTrigger(), 0);
    const QStringList lines = env.messages(QStringLiteral("BundleIdManager"));
    QVERIFY(lines.contains("Starting icon fetch for 3 apps"));
    QVERIFY(lines.contains("Could not fetch icon for com.a"));
    QVERIFY(lines.contains("Fetched and cached icon for B"));
    QCOMPARE(lines.constLast(), QStringLiteral("Completed icon fetch: 2 succeeded, 1 failed"));

    // Choosing B and reloading: B's icon arrives twice (cache, then device), each one counts.
    manager.selectApp(manager.apps().at(1));
    manager.setLoadedDeviceId(std::nullopt);
    load(manager, iPhone);
    QTRY_COMPARE(finished.count(), 2);
    QCOMPARE(manager.iconUpdateTrigger(), 2);
    QCOMPARE(manager.selectedApp()->icon().pixelColor(0, 0), QColor(Qt::red));
}

void tst_BundleIdManager::cachedIconsComeBeforeAnyDeviceRequest() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    setApps(xcode, {"A=com.a", "B=com.b"});
    {
        AppIconCache earlierRun;
        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(Qt::green);
        QCoro::waitFor(earlierRun.store(image, QStringLiteral("com.b")));
    }
    BundleIdManager manager;
    manager.setXcodeURL(xcode.url());
    QList<int> deviceRequestsAtEachIcon;
    connect(&manager, &BundleIdManager::appIconChanged, this,
            [&] { deviceRequestsAtEachIcon.append(iconCalls(xcode)); });
    QSignalSpy finished(&manager, &BundleIdManager::iconFetchFinished);
    load(manager, iPhone);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(deviceRequestsAtEachIcon.value(0, -1), 0);
    // The device had no icon for B; the cached one stays.
    QCOMPARE(manager.apps().at(1).icon().pixelColor(0, 0), QColor(Qt::green));
    QCOMPARE(iconCalls(xcode), 2);
}

void tst_BundleIdManager::slowAnswerOfAnEarlierDeviceIsDropped() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(Tool::Devicectl,
                      {.file = ToolDocuments::apps({"Old=com.old"}), .delaySeconds = 0.5},
                      QStringLiteral("device info apps --device DEV-1"));
    setApps(xcode, {"New=com.new"}, QStringLiteral("DEV-2"));
    BundleIdManager manager;
    manager.setXcodeURL(xcode.url());

    auto slow = manager.fetchApps(iPhone);
    load(manager, iPad);
    QCoro::waitFor(std::move(slow));
    QCOMPARE(ids(manager.apps()), QStringList{"com.new"});
    QCOMPARE(manager.loadedDeviceId(), std::optional<QString>("DEV-2"));
    QVERIFY(!manager.isLoading());

    // Moving to a simulator while a load runs: the list stays empty and loading ends.
    manager.setLoadedDeviceId(std::nullopt);
    slow = manager.fetchApps(iPhone);
    load(manager, simulator);
    QVERIFY(!manager.isLoading());
    QCoro::waitFor(std::move(slow));
    QVERIFY(manager.apps().isEmpty());
    QVERIFY(!manager.isLoading());
}

QTEST_GUILESS_MAIN(tst_BundleIdManager)
#include "tst_BundleIdManager.moc"
