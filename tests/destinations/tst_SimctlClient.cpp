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
    void listingFailures_data();
    void listingFailures();
    void openFailureCarriesToolMessage();
};

void tst_SimctlClient::listsWithJsonArgumentsAndNoDeveloperDir()
{
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

void tst_SimctlClient::listingFailures_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("errorOutput");
    QTest::addColumn<int>("exitStatus");
    QTest::addColumn<QString>("message");

    QTest::addRow("tool fails with its message")
        << QByteArray("partial") << QByteArray("CoreSimulatorService connection became invalid\n")
        << 1 << "CoreSimulatorService connection became invalid\n";
    QTest::addRow("output not UTF-8") << QByteArray("{\"devices\": {\"\xff\xfe\"}}") << QByteArray()
                                      << 0 << "Failed to decode simctl output";
}

void tst_SimctlClient::listingFailures()
{
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, errorOutput);
    QFETCH(int, exitStatus);
    QFETCH(QString, message);
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(
        Tool::Simctl,
        {.standardOutput = output, .standardError = errorOutput, .exitStatus = exitStatus});

    const TaskOutcome<QString> outcome = waitForOutcome(SimctlClient(xcode.url()).listDevices());
    QVERIFY(outcome.failed());
    QCOMPARE(outcome.errorAs<CommandError>().value_or(CommandError(u"not a CommandError"_qs)),
             CommandError(message));
}

void tst_SimctlClient::openFailureCarriesToolMessage()
{
    TestEnvironment env;
    FakeXcode xcode(env.path());
    // Standard output is not captured for openurl, so only the error text can be the message.
    xcode.setScenario(
        Tool::Simctl,
        {.standardError = "Unable to lookup in current state: Shutdown\n", .exitStatus = 149});
    const TaskOutcome<void> outcome = waitForOutcome(
        SimctlClient(xcode.url()).openURL(QUrl(u"a://b"_qs), QStringLiteral("UDID-1")));
    QCOMPARE(outcome.errorAs<CommandError>()->message,
             u"Unable to lookup in current state: Shutdown\n");
}

QTEST_GUILESS_MAIN(tst_SimctlClient)
#include "tst_SimctlClient.moc"
