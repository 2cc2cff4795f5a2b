#include "FakeXcode.h"
#include "TaskOutcome.h"
#include "TestEnvironment.h"

#include "toolchain/CommandError.h"
#include "toolchain/CommandRunner.h"

#include <QFile>
#include <QtTest>

// The stand-in Xcode is what every tool test stands on; these check that it answers and
// records calls the way its header promises.
class tst_FakeXcode : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersNewestMatchingScenario_data();
    void answersNewestMatchingScenario();
    void writesFileAfterOutputOption_data();
    void writesFileAfterOutputOption();
    void logsArgumentsAndDeveloperDir();
};

namespace {

TaskOutcome<CommandOutput> call(const FakeXcode& xcode, FakeXcode::Tool tool,
                                const QStringList& arguments,
                                QMap<QString, QString> environment = {}) {
    return waitForOutcome(
        CommandRunner::run(xcode.toolURL(tool), arguments, std::move(environment), true, true));
}

} // namespace

void tst_FakeXcode::answersNewestMatchingScenario_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("error");

    QTest::addRow("general scenario")
        << QStringList{"list", "devices"} << QByteArray("any") << QString();
    QTest::addRow("specific scenario")
        << QStringList{"device", "info", "apps", "--device", "X"} << QByteArray() << "no apps\n";
    QTest::addRow("replaced scenario")
        << QStringList{"device", "process", "launch"} << QByteArray("second") << QString();
}

void tst_FakeXcode::answersNewestMatchingScenario() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, output);
    QFETCH(QString, error);
    TestEnvironment env;
    FakeXcode xcode(env.path());
    using Tool = FakeXcode::Tool;
    xcode.setScenario(Tool::Devicectl, {.standardOutput = "any"});
    xcode.setScenario(Tool::Devicectl, {.standardError = "no apps\n", .exitStatus = 1},
                      QStringLiteral("device info apps"));
    xcode.setScenario(Tool::Devicectl, {.standardOutput = "first"}, QStringLiteral("launch"));
    xcode.setScenario(Tool::Devicectl, {.standardOutput = "second"}, QStringLiteral("launch"));

    const TaskOutcome<CommandOutput> outcome = call(xcode, Tool::Devicectl, arguments);

    if (error.isEmpty()) {
        QVERIFY(!outcome.failed());
        QCOMPARE(outcome.value->output, output);
    } else {
        QCOMPARE(outcome.errorAs<CommandError>()->message, error);
    }
}

void tst_FakeXcode::writesFileAfterOutputOption_data() {
    QTest::addColumn<QString>("option");
    QTest::addRow("json output") << "--json-output";
    QTest::addRow("destination") << "--destination";
}

void tst_FakeXcode::writesFileAfterOutputOption() {
    QFETCH(QString, option);
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(FakeXcode::Tool::Devicectl, {.file = QByteArray("{\"result\": {}}")});
    const QString target = env.filePath(QStringLiteral("tmp/out file.json"));

    const auto outcome =
        call(xcode, FakeXcode::Tool::Devicectl, {QStringLiteral("x"), option, target});

    QVERIFY(!outcome.failed());
    QFile written(target);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("{\"result\": {}}"));
}

void tst_FakeXcode::logsArgumentsAndDeveloperDir() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    qunsetenv("DEVELOPER_DIR");
    const QStringList odd{QStringLiteral("openurl"), QStringLiteral("a b\nc"), QString(),
                          QStringLiteral("$(x);'\"")};

    QVERIFY(!call(xcode, FakeXcode::Tool::Simctl, odd).failed());
    QVERIFY(!call(xcode, FakeXcode::Tool::Devicectl, {QStringLiteral("list")},
                  {{QStringLiteral("DEVELOPER_DIR"), xcode.developerDirectory()}})
                 .failed());
    QVERIFY(!call(xcode, FakeXcode::Tool::Osascript, {QStringLiteral("-e"), QStringLiteral("x")})
                 .failed());

    const QList<FakeXcode::Invocation> simctl = xcode.invocations(FakeXcode::Tool::Simctl);
    QCOMPARE(simctl.size(), 1);
    QCOMPARE(simctl.at(0).arguments, odd);
    QCOMPARE(simctl.at(0).developerDir, std::nullopt);
    const QList<FakeXcode::Invocation> devicectl = xcode.invocations(FakeXcode::Tool::Devicectl);
    QCOMPARE(devicectl.size(), 1);
    QCOMPARE(devicectl.at(0).developerDir, xcode.developerDirectory());
    QCOMPARE(xcode.invocations(FakeXcode::Tool::Osascript).size(), 1);

    xcode.clearInvocations();
    QVERIFY(xcode.invocations(FakeXcode::Tool::Simctl).isEmpty());
}

QTEST_GUILESS_MAIN(tst_FakeXcode)
#include "tst_FakeXcode.moc"
