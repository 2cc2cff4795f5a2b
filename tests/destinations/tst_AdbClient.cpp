#include "DeviceFixtures.h"
#include "ExactUrls.h"
#include "FakeAdb.h"
#include "TestEnvironment.h"

#include "destinations/AdbClient.h"
#include "platform/TaskOutcome.h"
#include "toolchain/CommandError.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpServer>
#include <QtTest>

namespace {

using DeviceFixtures::describe;

const QString viewAction = QStringLiteral("android.intent.action.VIEW");

// "serial|name|state|Android||source[|state text]", as describe() puts a parsed entry.
QString entry(const char* serialAndName, const char* state, const char* source,
              const char* text = "") {
    const QStringList parts = QString::fromUtf8(serialAndName).split(u'|');
    QString line = parts[0] + u'|' + parts[1] + u'|' + QString::fromUtf8(state) +
                   QStringLiteral("|Android||") + QString::fromUtf8(source);
    if (*text)
        line += u'|' + QString::fromUtf8(text);
    return line;
}

QString phone(const char* serialAndName, const char* text = "") {
    return entry(serialAndName, *text ? "Unavailable" : "Booted", "androidDevice", text);
}

QString emulator(const char* serialAndName) {
    return entry(serialAndName, "Booted", "androidEmulator");
}

// The arguments the device's shell gives `am` when it runs the command line adb received: the
// words after "shell" joined with spaces, as adb does. A POSIX shell on this machine splits that
// text, with `am` a function that only prints its arguments.
QStringList splitByDeviceShell(const QStringList& adbArguments, const QString& directory) {
    const QStringList words = adbArguments.mid(adbArguments.indexOf(QStringLiteral("shell")) + 1);
    const QString script =
        QStringLiteral("am() { for a in \"$@\"; do printf '%s\\0' \"$a\"; done; }\n") +
        words.join(u' ');
    QProcess shell;
    shell.setWorkingDirectory(directory);
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    if (!shell.waitForFinished(10000))
        return {QStringLiteral("(the shell did not finish)")};
    QStringList arguments;
    const QList<QByteArray> fields = shell.readAllStandardOutput().split('\0');
    for (qsizetype i = 0; i + 1 < fields.size(); ++i)
        arguments.append(QString::fromUtf8(fields[i]));
    return arguments;
}

// A TCP port nobody listens on right now.
quint16 freePort() {
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

} // namespace

class tst_AdbClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsesDeviceList_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("expected");

        QTest::addRow("header only, daemon starting")
            << QStringLiteral("* daemon not running; starting now at tcp:5037\n"
                              "* daemon started successfully\nList of devices attached\n\n")
            << QStringList();
        QTest::addRow("emulator and phone with fields, CRLF")
            << QStringLiteral("List of devices attached\r\n"
                              "emulator-5554          device product:sdk_gphone64_x86_64 "
                              "model:sdk_gphone64_x86_64 device:emu64xa transport_id:1\r\n"
                              "R5CT1234567            device usb:1-1 product:a54xnseea "
                              "model:SM_A546B device:a54x transport_id:2\r\n\r\n")
            << QStringList{emulator("emulator-5554|sdk gphone64 x86 64"),
                           phone("R5CT1234567|SM A546B")};
        QTest::addRow("without -l: tab, no fields, name is the serial")
            << QStringLiteral("List of devices attached\nemulator-5556\tdevice\n0123ABC\toffline\n")
            << QStringList{emulator("emulator-5556|emulator-5556"),
                           phone("0123ABC|0123ABC",
                                 "offline: not responding; wait for it to start or reconnect it")};
        QTest::addRow("wireless serials are devices")
            << QStringLiteral("adb-R5CT1234567-AbCdEf._adb-tls-connect._tcp device "
                              "product:a54x model:Galaxy_A54 device:a54x transport_id:4\n"
                              "192.168.1.20:5555       device product:p model:Pixel_8 device:d\n")
            << QStringList{phone("adb-R5CT1234567-AbCdEf._adb-tls-connect._tcp|Galaxy A54"),
                           phone("192.168.1.20:5555|Pixel 8")};
        QTest::addRow("no permissions, with adb's advice up to the fields")
            << QStringLiteral(
                   "0123456789ABCDEF       no permissions (user in plugdev group; are your "
                   "udev rules wrong?); see [http://developer.android.com/tools/"
                   "device.html] usb:1-1 transport_id:1\n")
            << QStringList{
                   phone("0123456789ABCDEF|0123456789ABCDEF",
                         "no permissions: this user may not open the phone; check its udev rules")};
        QTest::addRow("every other state")
            << QStringLiteral("A unauthorized usb:1-2 transport_id:3\nB recovery model:X\n"
                              "C sideload\nD bootloader\nE authorizing\nF connecting\n"
                              "emulator-5558 offline transport_id:9\n")
            << QStringList{phone("A|A", "unauthorized: allow USB debugging on the phone"),
                           phone("B|X", "recovery: restart the phone into Android"),
                           phone("C|C", "sideload: finish the sideload and restart the phone"),
                           phone("D|D", "bootloader: restart the phone into Android"),
                           phone("E|E", "authorizing: accept this computer on the phone"),
                           phone("F|F", "connecting: adb is still connecting to it"),
                           entry("emulator-5558|emulator-5558", "Unavailable", "androidEmulator",
                                 "offline: not responding; wait for it to start or reconnect it")};
        // Not device lines: a serial alone, a state adb does not have, "emulator-" without a
        // number.
        QTest::addRow("lines in no known state are skipped")
            << QStringLiteral("lonely\nadb server version (41) doesn't match this client (39)\n"
                              "X Device\nemulator-55x device\n")
            << QStringList{phone("emulator-55x|emulator-55x")};
    }

    void parsesDeviceList() {
        QFETCH(QString, output);
        QFETCH(QStringList, expected);
        QCOMPARE(describe(AdbClient::parseDeviceList(output)), expected);
    }

    void failureLine_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("expected"); // empty: success

        QTest::addRow("started") << QStringLiteral(
                                        "Starting: Intent { act=android.intent.action.VIEW "
                                        "dat=shop://x/... }\nStatus: ok\n"
                                        "LaunchState: COLD\nActivity: "
                                        "com.example.shop/.Main\nTotalTime: 412\nComplete\n")
                                 << QString();
        QTest::addRow("delivered to the running instance")
            << QStringLiteral(
                   "Starting: Intent { act=android.intent.action.VIEW dat=shop://x }\n"
                   "Warning: Activity not started, intent has been delivered to currently "
                   "running top-most instance.\nStatus: ok\nComplete\n")
            << QString();
        QTest::addRow("unresolved intent, CRLF")
            << QStringLiteral("Starting: Intent { act=android.intent.action.VIEW dat=nope:/x }\r\n"
                              "Error: Activity not started, unable to resolve Intent { "
                              "act=android.intent.action.VIEW dat=nope:/x flg=0x10000000 }\r\n")
            << QStringLiteral("Error: Activity not started, unable to resolve Intent { "
                              "act=android.intent.action.VIEW dat=nope:/x flg=0x10000000 }");
        QTest::addRow("error type line, then the error")
            << QStringLiteral("Error type 3\nError: Activity class {com.x/.Main} does not exist.\n")
            << QStringLiteral("Error: Activity class {com.x/.Main} does not exist.");
        QTest::addRow("am's error wins over adb's")
            << QStringLiteral("adb: warning\nError: Activity not started\n")
            << QStringLiteral("Error: Activity not started");
        QTest::addRow("device not found") << QStringLiteral("error: device 'X' not found\n")
                                          << QStringLiteral("error: device 'X' not found");
        QTest::addRow("unauthorized")
            << QStringLiteral(
                   "adb: device unauthorized.\nThis adb server's $ADB_VENDOR_KEYS is not "
                   "set\nTry 'adb kill-server' if that seems wrong.\n")
            << QStringLiteral("adb: device unauthorized.");
        QTest::addRow("error word inside a line")
            << QStringLiteral("Status: ok Error: no\n") << QString();
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
        const TaskOutcome<void> outcome =
            waitForOutcome(AdbClient(adb.adbPath())
                               .openURL(url, QStringLiteral("SERIAL"), QStringLiteral("com.x")));
        QVERIFY(!outcome.failed());
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
        QCOMPARE(
            describe(*outcome.value),
            (QStringList{"emulator-5554|Pixel 7 API 34|Booted|Android|14|androidEmulator",
                         "R5CT1234567|SM A546B|Booted|Android|13|androidDevice",
                         "0A1B2C3D4E5F6789|0A1B2C3D4E5F6789|Unavailable|Android||androidDevice|"
                         "unauthorized: allow USB debugging on the phone"}));
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

        QTest::addRow("started") << QStringLiteral("emulator-5554") << FakeAdb::Scenario{}
                                 << QString();
        QTest::addRow("not resolved, exit 0 as older Android does")
            << QStringLiteral("emulator-5554")
            << FakeAdb::Scenario{.standardOutput = "Starting: Intent { }",
                                 .standardError = "Error: Activity not started, unable to resolve "
                                                  "Intent { act=android.intent.action.VIEW }\n"}
            << QStringLiteral("Error: Activity not started, unable to resolve Intent { "
                              "act=android.intent.action.VIEW }");
        QTest::addRow("unauthorized phone")
            << QStringLiteral("0A1B2C3D4E5F6789") << FakeAdb::Scenario{}
            << QStringLiteral("adb: device unauthorized.");
        QTest::addRow("failure without an error line keeps adb's whole message")
            << QStringLiteral("emulator-5554")
            << FakeAdb::Scenario{.standardError =
                                     "Exception occurred while executing 'start':\n"
                                     "java.lang.SecurityException: Permission Denial\n",
                                 .exitStatus = 255}
            << QStringLiteral("Exception occurred while executing 'start':\n"
                              "java.lang.SecurityException: Permission Denial\n");
    }

    void firing() {
        QFETCH(QString, serial);
        QFETCH(FakeAdb::Scenario, scenario);
        QFETCH(QString, error);
        TestEnvironment env;
        FakeAdb adb(env.path(), true);
        if (scenario.standardOutput.size() + scenario.standardError.size() > 0)
            adb.setScenario(scenario, QStringLiteral("'am' 'start'"));

        const TaskOutcome<void> outcome = waitForOutcome(
            AdbClient(adb.adbPath()).openURL(QStringLiteral("shop://item/1"), serial));
        QCOMPARE(outcome.errorAs<CommandError>().value_or(CommandError(QString())).message, error);
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
        QVERIFY(!outcome.failed());
        QCOMPARE(*outcome.value,
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
        const quint16 port = freePort();
        QVERIFY(port != 0);
        qputenv("ANDROID_ADB_SERVER_PORT", QByteArray::number(port));
        const auto stopServer = [&] {
            QProcess kill;
            kill.start(adbPath, {QStringLiteral("kill-server")});
            kill.waitForFinished(30000);
        };
        // The server adb starts must not outlive the test, whatever fails below.
        const auto cleanup = qScopeGuard(stopServer);

        const TaskOutcome<QList<Device>> listing = waitForOutcome(AdbClient(adbPath).listDevices());
        QVERIFY(!listing.failed());
        QCOMPARE(listing.value->size(), 0);

        const TaskOutcome<void> firing = waitForOutcome(AdbClient(adbPath).openURL(
            QStringLiteral("shop://x/'a b'"), QStringLiteral("kestrine-missing")));
        QCOMPARE(firing.errorAs<CommandError>().value_or(CommandError(QString())).message,
                 QStringLiteral("error: device 'kestrine-missing' not found"));

        const auto portFree = [port] { return QTcpServer().listen(QHostAddress::LocalHost, port); };
        QVERIFY2(!portFree(), "adb's server is not on its port");
        stopServer();
        QTRY_VERIFY2(portFree(), "adb's server is still running");
    }
};

QTEST_GUILESS_MAIN(tst_AdbClient)
#include "tst_AdbClient.moc"
