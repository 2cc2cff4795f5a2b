#include "FakeXcode.h"
#include "TaskOutcome.h"
#include "TestEnvironment.h"

#include "destinations/SimctlClient.h"
#include "toolchain/CommandError.h"

#include <QtTest>

using Tool = FakeXcode::Tool;

class tst_SimctlClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listsWithJsonArgumentsAndNoDeveloperDir();
    void listingNotInUtf8Fails();
    void openFailureCarriesToolMessage();
};

void tst_SimctlClient::listsWithJsonArgumentsAndNoDeveloperDir() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    const QByteArray listing = R"({"devices": {}})"
                               "\n";
    xcode.setScenario(Tool::Simctl, {.standardOutput = listing, .standardError = "warning\n"});

    const TaskOutcome<QString> outcome = waitForOutcome(SimctlClient(xcode.url()).listDevices());
    QVERIFY(!outcome.failed());
    QCOMPARE(*outcome.value, QString::fromUtf8(listing));
    const auto calls = xcode.invocations(Tool::Simctl);
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].arguments, (QStringList{"list", "devices", "--json"}));
    QCOMPARE(calls[0].developerDir, std::nullopt);
}

void tst_SimctlClient::listingNotInUtf8Fails() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(Tool::Simctl, {.standardOutput = "{\"devices\": {\"\xff\xfe\"}}"});

    const TaskOutcome<QString> outcome = waitForOutcome(SimctlClient(xcode.url()).listDevices());
    QCOMPARE(outcome.errorAs<CommandError>().value_or(CommandError(u"not a CommandError"_qs)),
             CommandError(u"Failed to decode simctl output"_qs));
}

void tst_SimctlClient::openFailureCarriesToolMessage() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    // Standard output is not captured for openurl, so only the error text can be the message.
    xcode.setScenario(
        Tool::Simctl,
        {.standardError = "Unable to lookup in current state: Shutdown\n", .exitStatus = 149});
    const TaskOutcome<void> outcome =
        waitForOutcome(SimctlClient(xcode.url()).openURL(u"a://b"_qs, QStringLiteral("UDID-1")));
    QCOMPARE(outcome.errorAs<CommandError>()->message,
             u"Unable to lookup in current state: Shutdown\n");
}

QTEST_GUILESS_MAIN(tst_SimctlClient)
#include "tst_SimctlClient.moc"
