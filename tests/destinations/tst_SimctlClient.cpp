#include "DeviceFixtures.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "destinations/SimctlClient.h"
#include "platform/TaskOutcome.h"
#include "toolchain/CommandError.h"

#include <QtTest>

using Tool = FakeXcode::Tool;

namespace {

using DeviceFixtures::describe;

// "udid|name|state|platform|version" of a simulator, as describe() puts it.
QString sim(const char* fields) {
    return QString::fromUtf8(fields) + QStringLiteral("|simulator");
}

// Shaped like `simctl list devices` (no --json) of the same machine.
const char* const textListing = R"tool(== Devices ==
-- iOS 17.2 --
    iPhone 15 (6F3A9C1E-2B7D-4E0A-9C55-0D1E2F3A4B5C) (Booted) 
    iPad Pro (11-inch) (4th generation) (0C2E7A44-91B3-4F6D-8E21-7A6B5C4D3E2F) (Shutdown) 
-- tvOS 17.2 --
    Apple TV 4K (3rd generation) (A1B2C3D4-0000-4000-8000-111122223333) (Shutdown) 
-- watchOS 10.2 --
	Apple Watch Series 9 (45mm) (B7E1D2C3-4444-4555-8666-777788889999) (Booted) 
-- visionOS 1.0 --
    Apple Vision Pro (C0FFEE00-1234-4321-8765-ABCDEF012345) (Shutdown) 
-- Unavailable: com.apple.CoreSimulator.SimRuntime.iOS-16-0 --
    iPhone 14 (DEADBEEF-0000-4000-8000-000000000016) (Shutdown) (unavailable, runtime profile not found using "System" match policy)
== Device Pairs ==
)tool";

} // namespace

class tst_SimctlClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesListing_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("expected");

        QTest::addRow("not a listing at all")
            << QStringLiteral("simctl: error: unrecognized subcommand 'lsit'\n") << QStringList();
        // Runtimes come out in the JSON object's key order. Fields the parser does not read, a
        // state other than the raw values, an unavailable simulator and an empty runtime.
        QTest::addRow("json listing") << QStringLiteral(R"tool({"devices": {
                  "com.apple.CoreSimulator.SimRuntime.iOS-17-2": [
                    {"udid": "U1", "name": "iPhone 15", "state": "Booted", "isAvailable": true,
                     "dataPathSize": 2148237312, "lastBootedAt": "2024-03-02T10:41:07Z"},
                    {"udid": "U2", "name": "iPad Pro (11-inch)", "state": "Shutting Down"}],
                  "com.apple.CoreSimulator.SimRuntime.iOS-16-0": [
                    {"udid": "U3", "name": "iPhone 14", "state": "Shutdown", "isAvailable": false,
                     "availabilityError": "runtime profile not found"}],
                  "com.apple.CoreSimulator.SimRuntime.watchOS-10-2": [
                    {"udid": "U4", "name": "Apple Watch", "state": "booted"}],
                  "com.apple.CoreSimulator.SimRuntime.iOS-17-0": []}})tool")
                                      << QStringList{sim("U3|iPhone 14|Shutdown|iOS|16.0"),
                                                     sim("U1|iPhone 15|Booted|iOS|17.2"),
                                                     sim("U2|iPad Pro (11-inch)|unknown|iOS|17.2"),
                                                     sim("U4|Apple Watch|unknown|watchOS|10.2")};
        QTest::addRow("isAvailable absent or null")
            << QStringLiteral(R"({"devices": {"com.apple.CoreSimulator.SimRuntime.iOS-17-2": [
                  {"udid": "U1", "name": "A", "state": "Booted"},
                  {"udid": "U2", "name": "B", "state": "Booted", "isAvailable": null}]}})")
            << QStringList{sim("U1|A|Booted|iOS|17.2"), sim("U2|B|Booted|iOS|17.2")};
        // A JSON document of another shape is not a listing; the text rules find nothing in it.
        QTest::addRow("json device without udid rejects the document")
            << QStringLiteral(R"({"devices": {"com.apple.CoreSimulator.SimRuntime.iOS-17-2": [
                  {"udid": "U1", "name": "A", "state": "Booted"},
                  {"name": "B", "state": "Booted"}]}})")
            << QStringList();

        const QStringList textListingDevices{
            sim("6F3A9C1E-2B7D-4E0A-9C55-0D1E2F3A4B5C|iPhone 15|Booted|iOS|17.2"),
            sim("0C2E7A44-91B3-4F6D-8E21-7A6B5C4D3E2F|iPad Pro (11-inch) (4th "
                "generation)|Shutdown|iOS|17.2"),
            sim("A1B2C3D4-0000-4000-8000-111122223333|Apple TV 4K (3rd "
                "generation)|Shutdown|tvOS|17.2"),
            sim("B7E1D2C3-4444-4555-8666-777788889999|Apple Watch Series 9 "
                "(45mm)|Booted|watchOS|10.2"),
            sim("C0FFEE00-1234-4321-8765-ABCDEF012345|Apple Vision Pro|Shutdown|visionOS|1.0"),
            // The "-- Unavailable: ... --" line is a header like any other.
            sim("DEADBEEF-0000-4000-8000-000000000016|iPhone 14|Shutdown|iOS|16.0"),
        };
        QTest::addRow("text listing of many runtimes")
            << QString::fromUtf8(textListing) << textListingDevices;
        QTest::addRow("text listing with CRLF line ends")
            << QString::fromUtf8(textListing).replace(QLatin1Char('\n'), QStringLiteral("\r\n"))
            << textListingDevices;
        QTest::addRow("text lines before any header")
            << QStringLiteral("  My Phone (ABCDEF01-2345) (Booted)\n")
            << QStringList{sim("ABCDEF01-2345|My Phone|Booted|iOS|")};
        QTest::addRow("text lower-case udid skipped")
            << QStringLiteral("-- iOS 17.2 --\n    iPhone 15 (6f3a9c1e-2b7d) (Booted)\n"
                              "    iPhone 15 Pro (6F3A9C1E-2B7E) (Shutdown)\n")
            << QStringList{sim("6F3A9C1E-2B7E|iPhone 15 Pro|Shutdown|iOS|17.2")};
        QTest::addRow("text state other than the raw values")
            << QStringLiteral("-- iOS 17.2 --\n    A (AAAA) (Creating)\n    B (BBBB) ( Booted )\n"
                              "    C (CCCC) (booted)\n")
            << QStringList{sim("AAAA|A|unknown|iOS|17.2"), sim("BBBB|B|Booted|iOS|17.2"),
                           sim("CCCC|C|unknown|iOS|17.2")};
        QTest::addRow("text lines naming Unavailable: and notes are skipped")
            << QStringLiteral(
                   "-- iOS 17.2 --\n    Unavailable: X (AAAA) (Shutdown)\n"
                   "    No devices for this runtime.\n    Y (BBBB)\n    Z (CCCC) (Shutdown)\n")
            << QStringList{sim("CCCC|Z|Shutdown|iOS|17.2")};
        QTest::addRow("text short headers")
            << QStringLiteral("-- tvOS 17 --\n----\n  A (AA) (Booted)\n")
            << QStringList{sim("AA|A|Booted|iOS|")};
    }

    void parsesListing() {
        QFETCH(QString, output);
        QFETCH(QStringList, expected);
        QCOMPARE(describe(SimctlClient::parseSimulatorList(output)), expected);
    }

    void parseRuntime_data() {
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("version");

        const auto add = [](const char* name, const char* runtime, const char* platform,
                            const char* version) {
            QTest::addRow("%s", name) << QString(runtime) << QString(platform) << QString(version);
        };
        add("identifier without platform", "com.apple.CoreSimulator.SimRuntime.", "iOS", "");
        add("identifier with doubled hyphen", "  com.apple.CoreSimulator.SimRuntime.tvOS--17-2\t",
            "tvOS", "17.2");
        add("text after Unavailable:", "Unavailable: com.apple.CoreSimulator.SimRuntime.iOS-16-0",
            "iOS", "16.0");
        add("several spaces", "iOS  17.2   beta", "iOS", "17.2 beta");
        add("hyphenated", "iOS-17-2", "iOS", "17.2");
        add("single word", "xrOS", "xrOS", "");
    }

    void parseRuntime() {
        QFETCH(QString, runtime);
        QFETCH(QString, platform);
        QFETCH(QString, version);
        const SimctlClient::Runtime parsed = SimctlClient::parseRuntime(runtime);
        QCOMPARE(parsed.platform, platform);
        QCOMPARE(parsed.version, version);
    }

    void listsWithJsonArgumentsAndNoDeveloperDir() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        const QByteArray listing = R"({"devices": {}})"
                                   "\n";
        xcode.setScenario(Tool::Simctl, {.standardOutput = listing, .standardError = "warning\n"});

        const TaskOutcome<QString> outcome =
            waitForOutcome(SimctlClient(xcode.url()).listDevices());
        QVERIFY(!outcome.failed());
        QCOMPARE(*outcome.value, QString::fromUtf8(listing));
        const auto calls = xcode.invocations(Tool::Simctl);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].arguments, (QStringList{"list", "devices", "--json"}));
        QCOMPARE(calls[0].developerDir, std::nullopt);
    }

    void listingNotInUtf8Fails() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        xcode.setScenario(Tool::Simctl, {.standardOutput = "{\"devices\": {\"\xff\xfe\"}}"});

        const TaskOutcome<QString> outcome =
            waitForOutcome(SimctlClient(xcode.url()).listDevices());
        QCOMPARE(outcome.errorAs<CommandError>().value_or(CommandError(u"not a CommandError"_qs)),
                 CommandError(u"Failed to decode simctl output"_qs));
    }

    void openFailureCarriesToolMessage() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        // Standard output is not captured for openurl, so only the error text can be the message.
        xcode.setScenario(
            Tool::Simctl,
            {.standardError = "Unable to lookup in current state: Shutdown\n", .exitStatus = 149});
        const TaskOutcome<void> outcome = waitForOutcome(
            SimctlClient(xcode.url()).openURL(u"a://b"_qs, QStringLiteral("UDID-1")));
        QCOMPARE(outcome.errorAs<CommandError>()->message,
                 u"Unable to lookup in current state: Shutdown\n");
    }
};

QTEST_GUILESS_MAIN(tst_SimctlClient)
#include "tst_SimctlClient.moc"
