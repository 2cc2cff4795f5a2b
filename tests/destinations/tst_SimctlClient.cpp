#include "DeviceFixtures.h"
#include "FakeXcode.h"
#include "FiringOutcomes.h"
#include "TestEnvironment.h"
#include "ToolFailures.h"

#include "destinations/SimctlClient.h"

#include <QtTest>

using Tool = FakeXcode::Tool;

using ToolFailures::message;

namespace {

QByteArray sample(const char* name) {
    return TestData::read(QStringLiteral("destinations/simctl-commands/%1.txt").arg(name));
}

} // namespace

class tst_SimctlClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesListing_data() { DeviceFixtures::addListings(QStringLiteral("simctl")); }
    void parsesListing() {
        QFETCH(QByteArray, output);
        QFETCH(QStringList, expected);
        QCOMPARE(
            DeviceFixtures::describe(SimctlClient::parseSimulatorList(QString::fromUtf8(output))),
            expected);
    }

    void parseRuntime_data() {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("version");
        QTest::addRow("identifier without platform") << "com.apple.CoreSimulator.SimRuntime."
                                                     << "iOS"
                                                     << "";
        QTest::addRow("identifier with doubled hyphen")
            << "  com.apple.CoreSimulator.SimRuntime.tvOS--17-2\t"
            << "tvOS"
            << "17.2";
        QTest::addRow("text after Unavailable:")
            << "Unavailable: com.apple.CoreSimulator.SimRuntime.iOS-16-0"
            << "iOS"
            << "16.0";
        QTest::addRow("several spaces") << "iOS  17.2   beta"
                                        << "iOS"
                                        << "17.2 beta";
        QTest::addRow("hyphenated") << "iOS-17-2"
                                    << "iOS"
                                    << "17.2";
        QTest::addRow("single word") << "xrOS"
                                     << "xrOS"
                                     << "";
    }
    void parseRuntime() {
        QFETCH(QString, runtime);
        QFETCH(QString, platform);
        QFETCH(QString, version);
        const SimctlClient::Runtime parsed = SimctlClient::parseRuntime(runtime);
        QCOMPARE(parsed.platform, platform);
        QCOMPARE(parsed.version, version);
    }

    // Listing with JSON arguments and no DEVELOPER_DIR; a listing not in UTF-8 and a failing
    // openurl, whose standard output is not captured, so only its error text is the message.
    void runsTheTool() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        const QByteArray listing = "{\"devices\": {}}\n";
        xcode.setScenario(Tool::Simctl, {.standardOutput = listing, .standardError = "warning\n"});
        QCOMPARE(waitForOutcome(SimctlClient(xcode.url()).listDevices()).value.value_or(QString()),
                 QString::fromUtf8(listing));
        const auto calls = xcode.invocations(Tool::Simctl);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].arguments, (QStringList{"list", "devices", "--json"}));
        QCOMPARE(calls[0].developerDir, std::nullopt);

        xcode.setScenario(Tool::Simctl, {.standardOutput = "{\"devices\": {\"\xff\xfe\"}}"});
        QCOMPARE(message(waitForOutcome(SimctlClient(xcode.url()).listDevices())),
                 QStringLiteral("Failed to decode simctl output"));

        const QByteArray shutdown = "Unable to lookup in current state: Shutdown\n";
        xcode.setScenario(Tool::Simctl, {.standardError = shutdown, .exitStatus = 149});
        QCOMPARE(message(waitForOutcome(
                     SimctlClient(xcode.url()).openURL("a://b", "UDID-1", "iPhone 15"))),
                 QString::fromUtf8(shutdown));
    }

    // Which installed app a URL goes to, found before firing; cold stops it first, and a
    // failing terminate (the app was not running) does not stop the firing.
    void firesAtTheAppThatOpensIt_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("cold");
        QTest::addColumn<bool>("listingFails");
        QTest::addColumn<QByteArray>("openFailure"); // openurl's error text; empty: it succeeds
        QTest::addColumn<QStringList>("calls");      // after `simctl listapps SIM-1`
        QTest::addColumn<QStringList>("outcome");    // FiringOutcomes::describe()

        const QString open = QStringLiteral("simctl openurl SIM-1 ");
        const QString stop = QStringLiteral("simctl terminate SIM-1 ");
        const QString shop = QStringLiteral("shop://item/42");
        const QString universal =
            QStringLiteral("Universal Links decide on the device whether Shop or Safari opens it");
        QTest::addRow("custom scheme: the app declaring it")
            << shop << false << false << QByteArray() << QStringList{open + shop}
            << QStringList{"opened|com.example.shop|Shop|||"};
        QTest::addRow("scheme in another case")
            << "NEWS://today" << false << false << QByteArray()
            << QStringList{open + "NEWS://today"} << QStringList{"opened|com.example.news|News|||"};
        QTest::addRow("cold: the app stopped first")
            << shop << true << false << QByteArray()
            << QStringList{stop + "com.example.shop", open + shop}
            << QStringList{"opened|com.example.shop|Shop|cold||"};
        QTest::addRow("no app declares the scheme: nothing runs")
            << "Maps://x" << true << false << QByteArray() << QStringList()
            << QStringList{"no-handler|||||No installed app on iPhone 15 opens Maps: URLs"};
        QTest::addRow("https: Safari, stopped for a cold start")
            << "https://other.example/p" << true << false << QByteArray()
            << QStringList{stop + "com.apple.mobilesafari", open + "https://other.example/p"}
            << QStringList{"opened|com.apple.mobilesafari|Safari|cold||"};
        QTest::addRow("https: host claimed, developer mode")
            << "https://Shop.example/p/1" << false << false << QByteArray()
            << QStringList{open + "https://Shop.example/p/1"}
            << QStringList{"opened|||||", universal};
        QTest::addRow("http: subdomain claimed by a wildcard; cold stops the claiming app")
            << "http://m.shop.example/p" << true << false << QByteArray()
            << QStringList{stop + "com.example.shop", open + "http://m.shop.example/p"}
            << QStringList{"opened|||||", universal};
        QTest::addRow("https: host only ending like a claimed one")
            << "https://notshop.example/" << false << false << QByteArray()
            << QStringList{open + "https://notshop.example/"}
            << QStringList{"opened|com.apple.mobilesafari|Safari|||"};
        QTest::addRow("listing fails: fired, no app known to stop")
            << shop << true << true << QByteArray() << QStringList{open + shop}
            << QStringList{"opened|||||",
                           "Which app opened it is unknown: the apps of iPhone 15 could not be "
                           "listed: Invalid device: SIM-1",
                           "Nothing to stop: no app is known to open it, so it was fired as is"};
        QTest::addRow("no app for the URL after all (-10814)")
            << shop << false << false << sample("no-app-10814") << QStringList{open + shop}
            << QStringList{"no-handler|||||" +
                           QString::fromUtf8(sample("no-app-10814")).simplified()};
    }
    void firesAtTheAppThatOpensIt() {
        QFETCH(QString, url);
        QFETCH(bool, cold);
        QFETCH(bool, listingFails);
        QFETCH(QByteArray, openFailure);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, outcome);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        xcode.setInstalledApps({{"com.example.shop",
                                 "Shop",
                                 {"shop"},
                                 {"applinks:shop.example?mode=developer",
                                  "webcredentials:other.example", "applinks:*.shop.example"}},
                                {"com.example.news", "News", {"News"}}});
        if (listingFails)
            xcode.setScenario(Tool::Simctl,
                              {.standardError = "Invalid device: SIM-1\n", .exitStatus = 1},
                              QStringLiteral("listapps "));
        xcode.setScenario(Tool::Simctl,
                          {.standardError = sample("terminate-not-running"), .exitStatus = 164},
                          QStringLiteral("terminate "));
        if (!openFailure.isEmpty())
            xcode.setScenario(Tool::Simctl, {.standardError = openFailure, .exitStatus = 1},
                              QStringLiteral("openurl "));

        const TaskOutcome<FiringOutcome> fired = waitForOutcome(
            SimctlClient(xcode.url())
                .openURL(url, "SIM-1", "iPhone 15", CommandRunner::firingDeadline(), cold));
        QVERIFY(!fired.failed());
        QCOMPARE(FiringOutcomes::describe(*fired.value), outcome);
        QCOMPARE(xcode.calls(), QStringList{"simctl listapps SIM-1"} + calls);
    }

    // An app reinstalled with other URL types is read again, however soon.
    void reinstalledAppIsReadAgain() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        const SimctlClient simctl(xcode.url());
        const auto fire = [&] {
            return waitForOutcome(simctl.openURL("news://today", "SIM-1", "iPhone 15"))
                .value->result;
        };
        xcode.setInstalledApps({{"com.example.news", "News", {"shop"}}});
        QCOMPARE(fire(), FiringOutcome::Result::NoHandler);
        xcode.setInstalledApps({{"com.example.news", "News", {"news"}}});
        QCOMPARE(fire(), FiringOutcome::Result::Opened);
    }

    void screenshotWritesThePicture() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        const QString path = env.filePath(QStringLiteral("1-Shop.png"));
        QVERIFY(!waitForOutcome(SimctlClient(xcode.url()).screenshot("SIM-1", path)).failed());
        QCOMPARE(xcode.calls(), QStringList{"simctl io SIM-1 screenshot " + path});
        QFile picture(path);
        QVERIFY(picture.open(QIODevice::ReadOnly));
        QCOMPARE(picture.readAll(), FakeXcode::screenshotPng());

        xcode.setScenario(Tool::Simctl, {.standardError = "Invalid device: X\n", .exitStatus = 1});
        QCOMPARE(message(waitForOutcome(SimctlClient(xcode.url()).screenshot("X", path))),
                 QStringLiteral("Invalid device: X\n"));
    }
};

QTEST_GUILESS_MAIN(tst_SimctlClient)
#include "tst_SimctlClient.moc"
