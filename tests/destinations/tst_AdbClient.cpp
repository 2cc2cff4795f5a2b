#include "DeviceFixtures.h"
#include "ExactUrls.h"
#include "FakeAdb.h"
#include "TestEnvironment.h"
#include "ToolFailures.h"

#include "destinations/AdbClient.h"
#include "destinations/AndroidComponent.h"
#include "platform/AppError.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpServer>
#include <QtTest>

using ToolFailures::message;

namespace {

const QString viewAction = QStringLiteral("android.intent.action.VIEW");

// The words the device's shell gives the command adb was asked to run there: the words after
// "shell" joined with spaces, as adb does, split by a POSIX shell on this machine in which `am`
// and `cmd` are functions that only print their names and arguments.
QStringList splitByDeviceShell(const QStringList& adbArguments, const QString& directory) {
    const QStringList words = adbArguments.mid(adbArguments.indexOf(QStringLiteral("shell")) + 1);
    QProcess shell;
    shell.setWorkingDirectory(directory);
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("am() { printf '%s\\0' am \"$@\"; }\n"
                                                      "cmd() { printf '%s\\0' cmd \"$@\"; }\n") +
                                           words.join(u' ')});
    if (!shell.waitForFinished(10000))
        return {QStringLiteral("(the shell did not finish)")};
    QStringList arguments;
    const QList<QByteArray> fields = shell.readAllStandardOutput().split('\0');
    for (qsizetype i = 0; i + 1 < fields.size(); ++i)
        arguments.append(QString::fromUtf8(fields[i]));
    return arguments;
}

// The commands the device ran, in order, their words apart by '|'.
QStringList deviceCommands(const FakeAdb& adb, const QString& directory) {
    QStringList commands;
    for (const FakeAdb::Invocation& call : adb.invocations())
        commands.append(splitByDeviceShell(call.arguments, directory).join(u'|'));
    return commands;
}

// "result | handler | launch | time | message | notes", the parts that are known, or
// "throws: <message>".
QString describe(const TaskOutcome<FiringOutcome>& fired) {
    if (fired.failed())
        return QStringLiteral("throws: ") + localizedDescription(fired.error);
    const FiringOutcome& outcome = *fired.value;
    QStringList parts{FiringOutcome::resultName(outcome.result), outcome.handler,
                      FiringOutcome::launchName(outcome.launch),
                      outcome.totalTimeMs
                          ? QString::number(*outcome.totalTimeMs) + QStringLiteral("ms")
                          : QString(),
                      outcome.message};
    parts += outcome.notes;
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" | "));
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QByteArray sample(const QString& name) {
    return TestData::read(QStringLiteral("destinations/") + name);
}

const QString chromeProbe = QStringLiteral("resolve-activity/chrome.txt");
const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\r\n\0\xff\n\r", 22);

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

    // Each sample as am's answer to a firing at the package com.example.shop, on a device whose
    // browser is Chrome.
    void readsAmStart_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("expected"); // a row not listed throws its ToolFailures message
        const QString product = QStringLiteral("com.example.shop/.ProductActivity");
        const QHash<QString, QString> outcomes{
            {"started.txt", "opened | com.example.shop/.Main | cold | 412ms"},
            {"android14-cold-product.txt", "opened | " + product + " | cold | 512ms"},
            {"android14-warm.txt", "opened | " + product + " | warm | 231ms"},
            {"android14-hot.txt",
             "opened | com.example.shop/com.example.shop.ui.ProductActivity | hot | 88ms"},
            {"android9-this-time.txt", "opened | " + product + " | 389ms"},
            {"android5-this-time-only-crlf.txt", "opened | " + product + " | 301ms"},
            {"android14-timeout.txt",
             "opened | " + product +
                 " | cold | 10012ms | Android did not report the launch as finished (status: "
                 "timeout)"},
            {"brought-to-front.txt", "opened | com.example.shop/.MainActivity | 12ms | Warning: "
                                     "Activity not started, its current task has been brought "
                                     "to the front"},
            {"error-word-inside-a-line.txt",
             "opened | com.example.shop | Android did not report the "
             "launch as finished (status: ok Error: no)"},
            {"android14-delivered-to-top.txt", "delivered | " + product + " | 7ms"},
            {"delivered-to-the-running-instance.txt", "delivered | com.example.shop"},
            {"android14-system-chooser.txt", "chooser"},
            {"android14-intentresolver-chooser.txt", "chooser"},
            {"android14-app-named-chooser.txt", "opened | com.example.shop/.ChooserActivity | "
                                                "hot | 64ms"},
            {"android14-browser.txt", "browser | com.android.chrome/"
                                      "org.chromium.chrome.browser.ChromeTabbedActivity | cold | "
                                      "1187ms"},
            {"unresolved-intent-crlf.txt",
             "no-handler | " + ToolFailures::am(QStringLiteral("unresolved-intent-crlf.txt"))},
        };
        for (const QString& name : TestData::files(QStringLiteral("destinations/am"))) {
            QTest::addRow("%s", qPrintable(name))
                << sample(QStringLiteral("am/") + name)
                << outcomes.value(name, QStringLiteral("throws: ") + ToolFailures::am(name));
        }
    }
    void readsAmStart() {
        QFETCH(QByteArray, output);
        QFETCH(QString, expected);
        TestEnvironment env;
        FakeAdb adb(env.path());
        adb.setScenario({.standardOutput = output}, QStringLiteral("shell am start"));
        adb.setScenario({.standardOutput = sample(chromeProbe)},
                        QStringLiteral(" -c android.intent.category.BROWSABLE"));
        QCOMPARE(
            describe(waitForOutcome(
                AdbClient(adb.adbPath()).openURL("shop://item/1", "SERIAL", "com.example.shop"))),
            expected);
    }

    void readsResolveActivity_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("expected"); // not listed: no app known
        const QHash<QString, QString> components{
            {"chrome.txt", "com.android.chrome/com.google.android.apps.chrome.IntentDispatcher"},
            {"app-crlf-blank-line.txt", "com.example.shop/.ProductActivity"},
        };
        for (const QString& name : TestData::files(QStringLiteral("destinations/resolve-activity")))
            QTest::addRow("%s", qPrintable(name))
                << sample(QStringLiteral("resolve-activity/") + name) << components.value(name);
    }
    void readsResolveActivity() {
        QFETCH(QByteArray, output);
        QFETCH(QString, expected);
        const std::optional<AndroidComponent> component =
            AndroidComponent::resolvedBy(QString::fromUtf8(output));
        QCOMPARE(component ? component->text() : QString(), expected);
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
                 (QStringList{"am", "start", "-W", "-a", viewAction, "-d", url, "com.x"}));
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
        QCOMPARE(calls, (QStringList{"-s R5CT1234567 shell getprop ro.build.version.release",
                                     "-s emulator-5554 emu avd name",
                                     "-s emulator-5554 shell getprop ro.build.version.release",
                                     "devices -l"}));
    }

    void firing_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<FakeAdb::Scenario>("scenario"); // nothing set: the demo's answer
        QTest::addColumn<QString>("expected");

        QTest::addRow("started") << "emulator-5554" << FakeAdb::Scenario{}
                                 << "opened | com.example.shop/.MainActivity | cold | 412ms";
        QTest::addRow("not started, exit 0 as older Android does")
            << "emulator-5554"
            << FakeAdb::Scenario{.standardOutput = "Starting: Intent { }",
                                 .standardError = "Error: Activity not started\n"}
            << "throws: Error: Activity not started";
        const QString unresolved = QStringLiteral(
            "Error: Activity not started, unable to resolve Intent { dat=nope:/x flg=0x10000000 }");
        QTest::addRow("unresolved, exit 255 as Android 14 does")
            << "emulator-5554"
            << FakeAdb::Scenario{.standardOutput = "Starting: Intent { dat=nope:/x }\n",
                                 .standardError = unresolved.toUtf8() + '\n',
                                 .exitStatus = 255}
            << "no-handler | " + unresolved;
        QTest::addRow("unauthorized phone")
            << "0A1B2C3D4E5F6789" << FakeAdb::Scenario{} << "throws: adb: device unauthorized.";
        const QByteArray exception = "Exception occurred while executing 'start':\n"
                                     "java.lang.SecurityException: Permission Denial\n";
        QTest::addRow("failure without an error line keeps adb's whole message")
            << "emulator-5554" << FakeAdb::Scenario{.standardError = exception, .exitStatus = 255}
            << "throws: " + QString::fromUtf8(exception);
    }
    void firing() {
        QFETCH(QString, serial);
        QFETCH(FakeAdb::Scenario, scenario);
        QFETCH(QString, expected);
        TestEnvironment env;
        FakeAdb adb(env.path(), true);
        if (scenario.standardOutput.size() + scenario.standardError.size() > 0)
            adb.setScenario(scenario, QStringLiteral("shell am start"));

        QCOMPARE(describe(waitForOutcome(
                     AdbClient(adb.adbPath()).openURL(QStringLiteral("shop://item/1"), serial))),
                 expected);
        const auto calls = adb.invocations();
        QCOMPARE(calls.value(0).arguments, (QStringList{"-s", serial, "shell", "am", "start", "-W",
                                                        "-a", viewAction, "-d", "shop://item/1"}));
        QCOMPARE(deviceCommands(adb, env.path()).filter(QStringLiteral("am|start")).size(), 1);
    }

    // Once per device and adb, kept from the first answer on; a failed probe is asked again.
    void asksForTheBrowserOncePerDevice() {
        TestEnvironment env;
        FakeAdb adb(env.path());
        FakeAdb otherAdb(env.path());
        for (FakeAdb* each : {&adb, &otherAdb}) {
            each->setScenario(
                {.standardOutput = sample(QStringLiteral("am/android14-browser.txt"))},
                QStringLiteral("shell am start"));
            each->setScenario({.standardOutput = sample(chromeProbe)},
                              QStringLiteral("resolve-activity"));
        }
        adb.setScenario({.standardError = "error: closed\n", .exitStatus = 1},
                        QStringLiteral("FLAKY shell cmd"));
        QStringList results;
        const auto fire = [&results](const FakeAdb& at, const QString& serial) {
            const auto fired =
                waitForOutcome(AdbClient(at.adbPath()).openURL("https://shop.example/p", serial));
            results.append(serial + u' ' + describe(fired).section(u' ', 0, 0));
        };
        for (const char* serial : {"PHONE", "PHONE", "TABLET", "FLAKY", "PHONE", "FLAKY"})
            fire(adb, QString::fromLatin1(serial));
        fire(otherAdb, QStringLiteral("PHONE"));
        QCOMPARE(results,
                 (QStringList{"PHONE browser", "PHONE browser", "TABLET browser", "FLAKY opened",
                              "PHONE browser", "FLAKY opened", "PHONE browser"}));

        QMap<QString, int> probes;
        for (const FakeAdb::Invocation& call : adb.invocations() + otherAdb.invocations()) {
            if (call.arguments.contains(u"resolve-activity"))
                ++probes[call.arguments.value(1)];
        }
        QCOMPARE(probes, (QMap<QString, int>{{"PHONE", 2}, {"TABLET", 1}, {"FLAKY", 2}}));
        QCOMPARE(deviceCommands(otherAdb, env.path()).value(1),
                 "cmd|package|resolve-activity|--brief|-a|" + viewAction +
                     "|-c|android.intent.category.BROWSABLE|-d|http://example.com");
    }

    void coldStart_data() {
        QTest::addColumn<QString>("package");
        QTest::addColumn<QString>("setup"); // resolve-activity's answer, or which call fails
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("expected");

        const QString url = QStringLiteral("shop://item/1?q='a b'&c=$(touch pwned)");
        const QString resolve =
            "cmd|package|resolve-activity|--brief|-a|" + viewAction + "|-d|" + url;
        const QString start = "am|start|-W|-a|" + viewAction + "|-d|" + url;
        const QString stop = QStringLiteral("am|force-stop|com.example.shop");
        const QString nothing = "opened | Nothing to stop: no app is known to open " + url;
        QTest::addRow("the chosen app, never resolved")
            << "com.example.shop"
            << "app-crlf-blank-line.txt" << QStringList{stop, start + "|com.example.shop"}
            << "opened | com.example.shop";
        QTest::addRow("the app the URL resolves to")
            << ""
            << "app-crlf-blank-line.txt" << QStringList{resolve, stop, start} << "opened";
        QTest::addRow("Android's chooser: nothing to stop")
            << ""
            << "system-chooser.txt" << QStringList{resolve, start} << nothing;
        QTest::addRow("no activity: nothing to stop")
            << ""
            << "no-activity-found.txt" << QStringList{resolve, start} << nothing;
        QTest::addRow("resolve-activity fails: nothing to stop")
            << ""
            << "resolve fails" << QStringList{resolve, start} << nothing;
        QTest::addRow("stopping fails: not fired warm")
            << "com.example.shop"
            << "stop fails" << QStringList{stop} << "throws: error: device offline";
    }
    void coldStart() {
        QFETCH(QString, package);
        QFETCH(QString, setup);
        QFETCH(QStringList, commands);
        QFETCH(QString, expected);
        TestEnvironment env;
        FakeAdb adb(env.path());
        const FakeAdb::Scenario failure{.standardError = "error: device offline\n",
                                        .exitStatus = 1};
        if (setup == u"stop fails")
            adb.setScenario(failure, QStringLiteral("force-stop"));
        else if (setup == u"resolve fails")
            adb.setScenario(failure, QStringLiteral("resolve-activity"));
        else
            adb.setScenario({.standardOutput = sample(QStringLiteral("resolve-activity/") + setup)},
                            QStringLiteral("resolve-activity"));
        const QString url = QStringLiteral("shop://item/1?q='a b'&c=$(touch pwned)");

        QCOMPARE(describe(waitForOutcome(
                     AdbClient(adb.adbPath())
                         .openURL(url, "SERIAL", package, CommandRunner::firingDeadline(), true))),
                 expected);
        QCOMPARE(deviceCommands(adb, env.path()), commands);
        QVERIFY(!QFile::exists(env.filePath(QStringLiteral("pwned"))));
    }

    void screenshot_data() {
        QTest::addColumn<FakeAdb::Scenario>("answer");
        QTest::addColumn<QString>("path");  // in the test's directory
        QTest::addColumn<QString>("error"); // its start; empty: the picture is written

        QTest::addRow("PNG with CR, LF and NUL bytes")
            << FakeAdb::Scenario{.standardOutput = png} << "shot.png"
            << "";
        QTest::addRow("adb fails")
            << FakeAdb::Scenario{.standardError = "error: device offline\n", .exitStatus = 1}
            << "shot.png"
            << "error: device offline";
        QTest::addRow("text instead of a picture")
            << FakeAdb::Scenario{.standardOutput = "/system/bin/sh: screencap: not found\n"}
            << "shot.png"
            << "screencap gave no PNG picture: /system/bin/sh: screencap: not found";
        QTest::addRow("nothing") << FakeAdb::Scenario{} << "shot.png"
                                 << "screencap gave no picture";
        QTest::addRow("folder missing")
            << FakeAdb::Scenario{.standardOutput = png} << "missing/shot.png"
            << "Cannot write ";
    }
    void screenshot() {
        QFETCH(FakeAdb::Scenario, answer);
        QFETCH(QString, path);
        QFETCH(QString, error);
        TestEnvironment env;
        FakeAdb adb(env.path());
        adb.setScenario(answer, QStringLiteral("screencap"));
        const QString shot = env.filePath(QStringLiteral("shot.png"));
        StandInTools::writeFile(shot, "earlier");

        const TaskOutcome<void> outcome =
            waitForOutcome(AdbClient(adb.adbPath()).screenshot("SERIAL", env.filePath(path)));
        const QString message = outcome.failed() ? localizedDescription(outcome.error) : QString();
        QCOMPARE(message.left(error.size()), error);
        QCOMPARE(message.isEmpty(), error.isEmpty());
        QCOMPARE(contents(shot), error.isEmpty() ? png : QByteArray("earlier"));
        QCOMPARE(adb.invocations().value(0).arguments,
                 (QStringList{"-s", "SERIAL", "exec-out", "screencap", "-p"}));
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
        adb.setScenario({.hang = true}, QStringLiteral("shell getprop"));

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
