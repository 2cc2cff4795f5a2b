#include "DeviceFixtures.h"
#include "ExactUrls.h"
#include "FakeAdb.h"
#include "TestEnvironment.h"
#include "ToolFailures.h"

#include "destinations/AdbClient.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpServer>
#include <QtTest>

using ToolFailures::message;

namespace {

const QString viewAction = QStringLiteral("android.intent.action.VIEW");

// The arguments the device's shell gives `am` when it runs the command line adb received: the
// words after "shell" joined with spaces, as adb does. A POSIX shell on this machine splits that
// text, with `am` a function that only prints its arguments.
QStringList splitByDeviceShell(const QStringList& adbArguments, const QString& directory) {
    const QStringList words = adbArguments.mid(adbArguments.indexOf(QStringLiteral("shell")) + 1);
    QProcess shell;
    shell.setWorkingDirectory(directory);
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("am() { for a in \"$@\"; do printf '%s\\0' \"$a\"; done; }\n") +
                     words.join(u' ')});
    if (!shell.waitForFinished(10000))
        return {QStringLiteral("(the shell did not finish)")};
    QStringList arguments;
    const QList<QByteArray> fields = shell.readAllStandardOutput().split('\0');
    for (qsizetype i = 0; i + 1 < fields.size(); ++i)
        arguments.append(QString::fromUtf8(fields[i]));
    return arguments;
}

} // namespace

class tst_AdbClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesDeviceList_data() { DeviceFixtures::addListings(QStringLiteral("adb")); }
    void parsesDeviceList() {
        QFETCH(QByteArray, output);
        QFETCH(QStringList, expected);
        QCOMPARE(DeviceFixtures::describe(AdbClient::parseDeviceList(QString::fromUtf8(output))),
                 expected);
    }

    void failureLine_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("expected"); // empty: success
        for (const QString& name : TestData::files(QStringLiteral("destinations/am"))) {
            QTest::addRow("%s", qPrintable(name))
                << QString::fromUtf8(TestData::read(QStringLiteral("destinations/am/") + name))
                << ToolFailures::am(name);
        }
    }
    void failureLine() {
        QFETCH(QString, output);
        QFETCH(QString, expected);
        QCOMPARE(AdbClient::failureLine(output).value_or(QString()), expected);
    }

    void urlReachesAmWhole_data() {
        QTest::addColumn<QString>("url");
        for (const ExactUrls::Row& row : ExactUrls::rows())
            QTest::addRow("%s", row.name) << row.exact;
        QTest::addRow("single quotes") << QStringLiteral("shop://x/'a'?q=''");
        QTest::addRow("double quotes") << QStringLiteral("shop://x/\"a\"");
        QTest::addRow("semicolon, ampersands, pipe")
            << QStringLiteral("shop://x?a=1&b=2;touch pwned&&id||id|cat");
        QTest::addRow("substitutions")
            << QStringLiteral("shop://x/$(touch pwned)/`touch pwned`/${HOME}");
        QTest::addRow("spaces and a newline") << QStringLiteral("shop://x/a  b\nc d");
        QTest::addRow("quote escape lookalike") << QStringLiteral("shop://x/'\\''");
    }
    void urlReachesAmWhole() {
        QFETCH(QString, url);
        TestEnvironment env;
        FakeAdb adb(env.path());
        QVERIFY(!waitForOutcome(AdbClient(adb.adbPath()).openURL(url, "SERIAL", "com.x")).failed());
        const auto calls = adb.invocations();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].arguments.mid(0, 3), (QStringList{"-s", "SERIAL", "shell"}));
        QCOMPARE(splitByDeviceShell(calls[0].arguments, env.path()),
                 (QStringList{"start", "-W", "-a", viewAction, "-d", url, "com.x"}));
        QVERIFY(!QFile::exists(env.filePath(QStringLiteral("pwned"))));
    }

    void listsDemoMachine() {
        TestEnvironment env; // puts the port variable back
        FakeAdb adb(env.path(), true);
        qputenv("ANDROID_ADB_SERVER_PORT", "5099");

        const TaskOutcome<QList<Device>> outcome =
            waitForOutcome(AdbClient(adb.adbPath()).listDevices());
        QVERIFY(!outcome.failed());
        QCOMPARE(DeviceFixtures::describe(*outcome.value), DeviceFixtures::demoAndroid);
        QStringList calls;
        for (const FakeAdb::Invocation& call : adb.invocations()) {
            QCOMPARE(call.variable, QStringLiteral("5099"));
            calls.append(call.arguments.join(u' '));
        }
        calls.sort();
        // Nothing is asked of the unauthorized phone.
        QCOMPARE(calls, (QStringList{"-s R5CT1234567 shell 'getprop' 'ro.build.version.release'",
                                     "-s emulator-5554 emu avd name",
                                     "-s emulator-5554 shell 'getprop' 'ro.build.version.release'",
                                     "devices -l"}));
    }

    void firing_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<FakeAdb::Scenario>("scenario"); // nothing set: the demo's answer
        QTest::addColumn<QString>("error");              // empty: success

        QTest::addRow("started") << "emulator-5554" << FakeAdb::Scenario{} << QString();
        QTest::addRow("not resolved, exit 0 as older Android does")
            << "emulator-5554"
            << FakeAdb::Scenario{.standardOutput = "Starting: Intent { }",
                                 .standardError = "Error: Activity not started\n"}
            << "Error: Activity not started";
        QTest::addRow("unauthorized phone")
            << "0A1B2C3D4E5F6789" << FakeAdb::Scenario{} << "adb: device unauthorized.";
        const QByteArray exception = "Exception occurred while executing 'start':\n"
                                     "java.lang.SecurityException: Permission Denial\n";
        QTest::addRow("failure without an error line keeps adb's whole message")
            << "emulator-5554" << FakeAdb::Scenario{.standardError = exception, .exitStatus = 255}
            << QString::fromUtf8(exception);
    }
    void firing() {
        QFETCH(QString, serial);
        QFETCH(FakeAdb::Scenario, scenario);
        QFETCH(QString, error);
        TestEnvironment env;
        FakeAdb adb(env.path(), true);
        if (scenario.standardOutput.size() + scenario.standardError.size() > 0)
            adb.setScenario(scenario, QStringLiteral("'am' 'start'"));

        QCOMPARE(message(waitForOutcome(
                     AdbClient(adb.adbPath()).openURL(QStringLiteral("shop://item/1"), serial))),
                 error);
        const auto calls = adb.invocations();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].arguments,
                 (QStringList{"-s", serial, "shell", "'am'", "'start'", "'-W'", "'-a'",
                              u'\'' + viewAction + u'\'', "'-d'", "'shop://item/1'"}));
    }

    void listsPackagesSorted() {
        TestEnvironment env;
        FakeAdb adb(env.path(), true);
        const TaskOutcome<QStringList> outcome =
            waitForOutcome(AdbClient(adb.adbPath()).listPackages(QStringLiteral("R5CT1234567")));
        QCOMPARE(outcome.value.value_or(QStringList()),
                 (QStringList{"com.example.chat", "com.example.news", "com.example.shop"}));
        QCOMPARE(AdbClient::parsePackages(
                     QStringLiteral("package:b\r\n\npackage:\nnoise\npackage:a\npackage:b\n")),
                 (QStringList{"a", "b"}));
    }

    void runsAtMostFourCallsAtOnce() {
        TestEnvironment env;
        FakeAdb adb(env.path());
        QByteArray listing = "List of devices attached\n";
        for (int i = 1; i <= 6; ++i)
            listing += "PHONE" + QByteArray::number(i) + " device model:M\n";
        adb.setScenario({.standardOutput = listing}, QStringLiteral("devices -l"));
        adb.setScenario({.hang = true}, QStringLiteral("'getprop'"));

        // Shared: should a check below fail, the listing still ends later, when the calls are
        // killed.
        const auto finished = std::make_shared<bool>(false);
        QCoro::connect(AdbClient(adb.adbPath()).listDevices(), this,
                       [finished](const QList<Device>&) { *finished = true; });
        QTRY_COMPARE(adb.hangingProcesses().size(), 4);
        // A fifth call would have started beside the first four.
        QCOMPARE(adb.invocations().size(), 1 + 4);
        adb.endHangs();
        QTRY_COMPARE(adb.hangingProcesses().size(), 2);
        adb.endHangs();
        QTRY_VERIFY(*finished);
        QCOMPARE(adb.invocations().size(), 1 + 6);
    }

    void realAdbOnItsOwnServer() {
        const QString adbPath = QStandardPaths::findExecutable(QStringLiteral("adb"));
        if (adbPath.isEmpty())
            QSKIP("adb is not installed (Debian package adb)");
        TestEnvironment env;
        QTcpServer probe; // a port nobody listens on right now
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        qputenv("ANDROID_ADB_SERVER_PORT", QByteArray::number(port));
        const auto stopServer = [&] {
            QProcess kill;
            kill.start(adbPath, {QStringLiteral("kill-server")});
            kill.waitForFinished(30000);
        };
        // The server adb starts must not outlive the test, whatever fails below.
        const auto cleanup = qScopeGuard(stopServer);

        const TaskOutcome<QList<Device>> listing = waitForOutcome(AdbClient(adbPath).listDevices());
        QCOMPARE(listing.value.value_or(QList<Device>{Device()}).size(), 0);
        QCOMPARE(message(waitForOutcome(
                     AdbClient(adbPath).openURL("shop://x/'a b'", "kestrine-missing"))),
                 QStringLiteral("error: device 'kestrine-missing' not found"));

        const auto portFree = [port] { return QTcpServer().listen(QHostAddress::LocalHost, port); };
        QVERIFY2(!portFree(), "adb's server is not on its port");
        stopServer();
        QTRY_VERIFY2(portFree(), "adb's server is still running");
    }
};

QTEST_GUILESS_MAIN(tst_AdbClient)
#include "tst_AdbClient.moc"
