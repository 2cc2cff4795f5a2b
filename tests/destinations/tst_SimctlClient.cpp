#include "DeviceFixtures.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"
#include "ToolFailures.h"

#include "destinations/SimctlClient.h"

#include <QtTest>

using Tool = FakeXcode::Tool;

using ToolFailures::message;

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
        QCOMPARE(message(waitForOutcome(SimctlClient(xcode.url()).openURL("a://b", "UDID-1"))),
                 QString::fromUtf8(shutdown));
    }
};

QTEST_GUILESS_MAIN(tst_SimctlClient)
#include "tst_SimctlClient.moc"
