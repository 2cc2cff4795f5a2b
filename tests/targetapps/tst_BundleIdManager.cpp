#include "DeviceFixtures.h"
#include "FakeAdb.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"
#include "ToolDocuments.h"

#include "destinations/RememberedSelection.h"
#include "targetapps/AppIconCache.h"
#include "targetapps/BundleIdManager.h"
#include "toolchain/AdbLocator.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <QCoro/QCoroTask>

namespace {

using Tool = FakeXcode::Tool;

const Device& iPhone = DeviceFixtures::phone;
const Device& iPad = DeviceFixtures::tablet;
const Device& simulator = DeviceFixtures::simulator;
const Device& emulator = DeviceFixtures::emulator;
const Device& androidPhone = DeviceFixtures::androidPhone;
// The demo adb's packages, sorted, after Any App (no package).
const QStringList androidApps{"", "com.example.chat", "com.example.news", "com.example.shop"};

QStringList ids(const QList<InstalledApp>& apps) {
    QStringList list;
    for (const InstalledApp& app : apps)
        list.append(app.bundleIdentifier());
    return list;
}

// Calls of devicectl whose arguments hold `text`: "info apps" lists, "appIcon" icons.
int calls(const FakeXcode& xcode, QLatin1String text) {
    int count = 0;
    for (const auto& call : xcode.invocations(Tool::Devicectl))
        count += call.arguments.join(u' ').contains(text);
    return count;
}

void setIcon(FakeXcode& xcode, const QString& bundleId, QColor color, double delay = 0) {
    xcode.setScenario(Tool::Devicectl, {.file = ToolDocuments::png(color), .delaySeconds = delay},
                      QStringLiteral("--app-bundle-id ") + bundleId + u' ');
}

// A manager pointed at the stand-in tools, which list `apps` on every device.
struct Fixture {
    explicit Fixture(const QStringList& apps = {}) {
        xcode.setApps(apps);
        manager.setXcodeURL(xcode.url());
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
    }
    void load(const Device& device) { QCoro::waitFor(manager.fetchApps(device)); }

    TestEnvironment env;
    FakeXcode xcode{env.path()};
    FakeAdb adb{env.path(), true};
    BundleIdManager manager;
};

} // namespace

class tst_BundleIdManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadsASortedListAndRestoresTheStoredChoice_data() {
        QTest::addColumn<QString>("stored");      // null: nothing stored
        QTest::addColumn<QStringList>("apps");    // as the device lists them
        QTest::addColumn<QStringList>("sorted");  // by name, case-insensitively, stable
        QTest::addColumn<QString>("selected");    // null: no selection
        QTest::addColumn<QString>("storedAfter"); // null: nothing stored
        const QStringList two{"B=com.b", "A=com.a"};
        QTest::addRow("nothing stored: the first app")
            << QString() << QStringList{"beta=com.b", "Alpha=com.A", "alpha=com.a"}
            << QStringList{"com.A", "com.a", "com.b"} << "com.A"
            << "com.A";
        QTest::addRow("stored app listed")
            << "com.b" << two << QStringList{"com.a", "com.b"} << "com.b"
            << "com.b";
        QTest::addRow("stored app absent")
            << "com.gone" << two << QStringList{"com.a", "com.b"} << "com.a"
            << "com.a";
        QTest::addRow("empty list")
            << "com.b" << QStringList{} << QStringList{} << QString() << "com.b";
    }
    void loadsASortedListAndRestoresTheStoredChoice() {
        QFETCH(QString, stored);
        QFETCH(QStringList, apps);
        QFETCH(QStringList, sorted);
        QFETCH(QString, selected);
        QFETCH(QString, storedAfter);
        Fixture f(apps);
        if (!stored.isNull())
            RememberedSelection::setBundleId(stored);
        auto task = f.manager.fetchApps(iPhone);
        QVERIFY(f.manager.isLoading());
        QCoro::waitFor(std::move(task));
        QVERIFY(!f.manager.isLoading());
        QCOMPARE(ids(f.manager.apps()), sorted);
        QCOMPARE(f.manager.selectedApp() ? f.manager.selectedApp()->bundleIdentifier() : QString(),
                 selected);
        QCOMPARE(RememberedSelection::bundleId().value_or(QString()), storedAfter);
    }

    void simulatorClearsTheListButKeepsTheStoredChoice() {
        Fixture f({"A=com.a", "B=com.b"});
        f.load(iPhone);
        f.manager.selectApp(f.manager.apps().at(1));

        f.load(simulator);
        QVERIFY(f.manager.apps().isEmpty());
        QVERIFY(!f.manager.selectedApp());
        QVERIFY(!f.manager.loadedDeviceId());
        QCOMPARE(RememberedSelection::bundleId(), std::optional<QString>("com.b"));

        f.load(iPhone);
        QCOMPARE(f.manager.selectedApp()->bundleIdentifier(), QStringLiteral("com.b"));
    }

    void loadedDeviceIsNotFetchedAgain() {
        Fixture f({"A=com.a"});
        f.load(iPhone);
        QCOMPARE(calls(f.xcode, QLatin1String("info apps")), 1);

        f.env.clearLog();
        f.load(iPhone);
        QCOMPARE(calls(f.xcode, QLatin1String("info apps")), 1);
        QCOMPARE(f.env.messages(QStringLiteral("BundleIdManager")),
                 QStringList{"Apps already loaded for device DEV-1"});

        f.manager.setLoadedDeviceId(std::nullopt); // what Refresh does
        f.load(iPhone);
        QCOMPARE(calls(f.xcode, QLatin1String("info apps")), 2);
        // An empty list counts as not loaded.
        f.xcode.setApps({});
        f.manager.setLoadedDeviceId(std::nullopt);
        f.load(iPhone);
        f.load(iPhone);
        QCOMPARE(calls(f.xcode, QLatin1String("info apps")), 4);
    }

    void withoutXcodeNothingHappens() {
        TestEnvironment env;
        BundleIdManager manager;
        QCoro::waitFor(manager.fetchApps(iPhone));
        QCOMPARE(env.messages(QStringLiteral("BundleIdManager")),
                 QStringList{"Xcode URL not configured"});
        QCOMPARE(env.records().constLast().level, LogRecord::Level::Error);
        QVERIFY(!manager.isLoading());
    }

    void failedFetchKeepsTheListAndSetsError() {
        Fixture f({"A=com.a", "B=com.b"});
        f.load(iPhone);

        f.xcode.setScenario(Tool::Devicectl,
                            {.standardError = "ERROR: Connection reset by peer\n", .exitStatus = 1},
                            QStringLiteral("device info apps"));
        f.manager.setLoadedDeviceId(std::nullopt);
        f.load(iPhone);
        QVERIFY(f.manager.error());
        QVERIFY(f.manager.errorDescription().contains(QLatin1String("Connection reset by peer")));
        QCOMPARE(ids(f.manager.apps()), (QStringList{"com.a", "com.b"}));
        QCOMPARE(f.manager.selectedApp()->bundleIdentifier(), QStringLiteral("com.a"));
        QVERIFY(!f.manager.loadedDeviceId());
        QVERIFY(f.env.messages(QStringLiteral("BundleIdManager"))
                    .contains("Error fetching apps: " + f.manager.errorDescription()));

        // The next load clears the error as soon as it starts, before its outcome is known.
        f.xcode.setApps({"C=com.c"}, {}, 0.2);
        auto task = f.manager.fetchApps(iPhone);
        QVERIFY(!f.manager.error());
        QVERIFY(f.manager.isLoading());
        QCoro::waitFor(std::move(task));
        QCOMPARE(ids(f.manager.apps()), QStringList{"com.c"});
    }

    void iconPassCountsAndTriggersForTheSelectedAppOnly() {
        Fixture f({"A=com.a", "B=com.b", "C=com.c"});
        setIcon(f.xcode, QStringLiteral("com.b"), Qt::red);
        setIcon(f.xcode, QStringLiteral("com.c"), Qt::blue);
        QSignalSpy finished(&f.manager, &BundleIdManager::iconFetchFinished);
        f.load(iPhone); // selects A, whose icon cannot be had
        QTRY_COMPARE(finished.count(), 1);

        QVERIFY(f.manager.apps().at(0).icon().isNull());
        QCOMPARE(f.manager.apps().at(1).icon().pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(f.manager.apps().at(2).icon().pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(f.manager.iconUpdateTrigger(), 0);
        const QStringList lines = f.env.messages(QStringLiteral("BundleIdManager"));
        QVERIFY(lines.contains("Starting icon fetch for 3 apps"));
        QVERIFY(lines.contains("Could not fetch icon for com.a"));
        QVERIFY(lines.contains("Fetched and cached icon for B"));
        QCOMPARE(lines.constLast(), QStringLiteral("Completed icon fetch: 2 succeeded, 1 failed"));

        // Choosing B and reloading: B's icon arrives twice (cache, then device), each one counts.
        f.manager.selectApp(f.manager.apps().at(1));
        f.manager.setLoadedDeviceId(std::nullopt);
        f.load(iPhone);
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(f.manager.iconUpdateTrigger(), 2);
        QCOMPARE(f.manager.selectedApp()->icon().pixelColor(0, 0), QColor(Qt::red));
    }

    void iconsAreKeptAtTheLargestDrawnSize_data() {
        QTest::addColumn<bool>("onDisk"); // else from the device
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("kept");
        QTest::addRow("from the device") << false << 1024 << InstalledApp::largestIconSize;
        QTest::addRow("from an earlier run's cache file")
            << true << 1024 << InstalledApp::largestIconSize;
        QTest::addRow("small ones stay as they are") << false << 12 << 12;
    }
    void iconsAreKeptAtTheLargestDrawnSize() {
        QFETCH(bool, onDisk);
        QFETCH(int, pixels);
        QFETCH(int, kept);
        Fixture f({"A=com.a"});
        const QByteArray png = ToolDocuments::png(Qt::red, pixels);
        if (onDisk) {
            QFile file(f.manager.iconCache().directory() + QStringLiteral("/com.a.png"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(png);
        } else {
            f.xcode.setScenario(Tool::Devicectl, {.file = png}, QStringLiteral("--app-bundle-id"));
        }
        QList<int> deviceRequestsAtEachIcon;
        connect(&f.manager, &BundleIdManager::appIconChanged, this,
                [&] { deviceRequestsAtEachIcon.append(calls(f.xcode, QLatin1String("appIcon"))); });
        QSignalSpy finished(&f.manager, &BundleIdManager::iconFetchFinished);
        f.load(iPhone);
        QTRY_COMPARE(finished.count(), 1);
        // A cached icon comes before any device request, and stays when the device has none.
        QCOMPARE(deviceRequestsAtEachIcon.value(0, -1), onDisk ? 0 : 1);
        QCOMPARE(calls(f.xcode, QLatin1String("appIcon")), 1);
        // Without a screen the device pixel ratio is 1.
        QCOMPARE(f.manager.apps().at(0).icon().size(), QSize(kept, kept));
        QCOMPARE(f.manager.selectedApp()->icon().size(), QSize(kept, kept));
        QCOMPARE(QCoro::waitFor(f.manager.iconCache().icon(QStringLiteral("com.a"))).size(),
                 QSize(kept, kept));
    }

    void androidAnyAppFirstAndAChoicePerSerial() {
        Fixture f({"Shop=com.example.shop"});
        f.load(emulator);
        QCOMPARE(ids(f.manager.apps()), androidApps);
        QCOMPARE(f.manager.apps().constFirst().name(), QStringLiteral("Any App"));
        QCOMPARE(f.manager.selectedAppFor(emulator.id), f.manager.apps().constFirst());
        QCOMPARE(f.adb.invocations().constLast().arguments.join(u' '),
                 QStringLiteral("-s emulator-5554 shell pm list packages -3"));
        f.manager.selectApp(f.manager.apps().at(2));
        // The phone keeps its own choice (Any App), and the iOS choice is apart from both.
        f.load(androidPhone);
        QCOMPARE(f.manager.selectedApp()->bundleIdentifier(), QString());
        f.load(iPhone);
        QCOMPARE(f.manager.selectedApp()->bundleIdentifier(), QStringLiteral("com.example.shop"));
        f.load(emulator);
        QCOMPARE(f.manager.selectedApp()->bundleIdentifier(), QStringLiteral("com.example.news"));
        // Remembered across launches, per serial.
        BundleIdManager later;
        QCoro::waitFor(later.fetchApps(emulator));
        QCOMPARE(later.selectedApp()->bundleIdentifier(), QStringLiteral("com.example.news"));
        QCOMPARE(RememberedSelection::package(androidPhone.id), std::nullopt);
    }

    void slowAnswerOfAnEarlierDeviceIsDropped_data() {
        QTest::addColumn<bool>("iPadLoaded"); // before the slow load of the iPhone begins
        QTest::addColumn<Device>("next");     // chosen while the iPhone's list is on its way
        QTest::addColumn<QStringList>("apps");
        QTest::addColumn<QString>("loadedDevice"); // null: none
        QTest::addRow("another device") << false << iPad << QStringList{"com.new"} << "DEV-2";
        QTest::addRow("a simulator") << false << simulator << QStringList{} << QString();
        QTest::addRow("back to the device loaded before")
            << true << iPad << QStringList{"com.new"} << "DEV-2";
        QTest::addRow("an Android emulator") << false << emulator << androidApps << "emulator-5554";
    }
    void slowAnswerOfAnEarlierDeviceIsDropped() {
        QFETCH(bool, iPadLoaded);
        QFETCH(Device, next);
        QFETCH(QStringList, apps);
        QFETCH(QString, loadedDevice);
        Fixture f;
        f.xcode.setApps({"Old=com.old"}, QStringLiteral("DEV-1"), 0.5);
        f.xcode.setApps({"New=com.new"}, QStringLiteral("DEV-2"));
        if (iPadLoaded)
            f.load(iPad);

        auto slow = f.manager.fetchApps(iPhone);
        f.load(next);
        QVERIFY(!f.manager.isLoading());
        QCoro::waitFor(std::move(slow));
        QCOMPARE(ids(f.manager.apps()), apps);
        QCOMPARE(f.manager.loadedDeviceId().value_or(QString()), loadedDevice);
        QCOMPARE(f.manager.selectedApp() ? f.manager.selectedApp()->bundleIdentifier() : QString(),
                 apps.value(0));
        QVERIFY(!f.manager.isLoading());
    }
};

QTEST_GUILESS_MAIN(tst_BundleIdManager)
#include "tst_BundleIdManager.moc"
