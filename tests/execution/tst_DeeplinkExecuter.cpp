#include "DeviceFixtures.h"
#include "ExactUrls.h"
#include "FakeAdb.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"
#include "ToolFailures.h"

#include "destinations/RememberedSelection.h"
#include "destinations/RunDestinationManager.h"
#include "execution/DeeplinkExecuter.h"
#include "platform/AppError.h"
#include "platform/ShellQuoting.h"
#include "platform/TaskOutcome.h"
#include "targetapps/BundleIdManager.h"
#include "targetapps/ui/BundleIdSelectorToolbarContent.h"
#include "toolchain/AdbLocator.h"
#include "widgets/MainWindowActivator.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QWidget>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

using Tool = FakeXcode::Tool;
using DeviceFixtures::phone;
using DeviceFixtures::simulator;
using DeviceFixtures::tablet;

namespace {

const QString kestrineScript = QStringLiteral("tell application \"Kestrine\" to activate");
const QString simulatorScript = QStringLiteral("tell application \"Simulator\" to activate");

// What the completion saw, and how often it was called.
struct Outcome {
    int calls = 0;
    QString message; // of a failure
    bool failed = false;
};

// An executer wired to fresh managers and to the stand-in interpreter.
struct Rig {
    explicit Rig(bool withDestination = true) {
        if (withDestination)
            destinations->configure(xcode.url());
        executer.setRunDestinationManager(destinations.get());
        executer.setTargetAppFor(
            [apps = apps.get()](const Device& device) { return apps->targetAppFor(device); });
        executer.setInterpreterPath(xcode.toolPath(Tool::Osascript));
    }

    Outcome fire(const QString& url) {
        auto outcome = std::make_shared<Outcome>();
        const TaskOutcome<void> task =
            waitForOutcome(executer.execute(url, [outcome](const FiringOutcome& fired) {
                ++outcome->calls;
                outcome->message = fired.message;
                outcome->failed = fired.isFailure();
            }));
        if (task.failed())
            qWarning("execute threw");
        return *outcome;
    }

    // Loads `device`'s list of `listed` apps ("name=bundle id") and waits out its icon pass.
    void loadApps(const Device& device, const QStringList& listed) {
        xcode.setApps(listed);
        apps->setXcodeURL(xcode.url());
        apps->setLoadedDeviceId(std::nullopt);
        QSignalSpy iconsDone(apps.get(), &BundleIdManager::iconFetchFinished);
        QCoro::waitFor(apps->fetchApps(device));
        QTRY_COMPARE(iconsDone.count(), 1);
    }

    TestEnvironment env;
    FakeXcode xcode{env.path()};
    std::unique_ptr<RunDestinationManager> destinations = std::make_unique<RunDestinationManager>();
    std::unique_ptr<BundleIdManager> apps = std::make_unique<BundleIdManager>();
    DeeplinkExecuter executer;
};

// What `work` writes to standard output (file descriptor 1).
template <typename Work> QString standardOutputOf(Work work) {
    QTemporaryFile file;
    if (!file.open())
        qFatal("no temporary file");
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(file.handle(), STDOUT_FILENO);
    work();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    file.seek(0);
    return QString::fromUtf8(file.readAll());
}

} // namespace

class tst_DeeplinkExecuter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firesThenReports_data() {
        QTest::addColumn<QString>("setup"); // the device selected, or what is missing
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("calls");   // the tools run, in order
        QTest::addColumn<QString>("description"); // of the failure; empty on success
        QTest::addColumn<QString>("printed");     // the line on standard output for a failure

        const QString activateKestrine = "osascript -e " + kestrineScript;
        // The tools get the stored text as it is.
        for (const auto& [name, typed, text, pathTyped] : ExactUrls::rows()) {
            QTest::addRow("simulator: open, Kestrine, Simulator; %s", name)
                << "simulator" << text
                << QStringList{"simctl listapps " + simulator.id,
                               "simctl openurl " + simulator.id + u' ' + text, activateKestrine,
                               "osascript -e " + simulatorScript}
                << ""
                << "";
            QTest::addRow("physical: launch, Kestrine, never Simulator; %s", name)
                << "phone" << text
                << QStringList{"devicectl device process launch --device " + phone.id +
                                   " --payload-url " + text +
                                   " com.example.shop --json-output FILE",
                               activateKestrine}
                << ""
                << "";
        }

        const QString noDevice = QStringLiteral("No device selected or Xcode not configured");
        const QString noApp =
            QStringLiteral("No app selected. Please select a target app for the physical device.");
        const auto appError = [](int code, const QString& text) {
            return QStringLiteral("Error Domain=app.kestrine.Kestrine Code=%1 \"%2\"")
                .arg(code)
                .arg(text);
        };
        const QString url = QStringLiteral("shop://item/42");
        QTest::addRow("destination manager gone")
            << "no manager" << url << QStringList() << noDevice << appError(1, noDevice);
        QTest::addRow("no destination selected")
            << "no selection" << url << QStringList() << noDevice << appError(1, noDevice);
        QTest::addRow("physical, no app selected")
            << "no app" << url << QStringList() << noApp << appError(2, noApp);
        // The chosen app came from a list that is not this device's (yet): still none chosen.
        QTest::addRow("physical, app chosen from another device's list")
            << "another device's app" << url << QStringList() << noApp << appError(2, noApp);
        QTest::addRow("physical, app chosen before the device's list came back without it")
            << "app no longer listed" << url << QStringList() << noApp << appError(2, noApp);
        const QString gone = phone.name + " cannot be used: " + DeviceFixtures::notConnected;
        QTest::addRow("destination not connected: nothing fired")
            << "not connected" << url << QStringList() << gone << appError(4, gone);
        // The URL was delivered; the Simulator is not activated after the failure. The printed
        // line is one line, whatever line breaks the tool's message had.
        const QString denied = QStringLiteral(
            "36:66: execution error: Not authorized to send Apple events to Kestrine. (-1743)\n");
        QTest::addRow("activation refused")
            << "activation refused" << url
            << QStringList{"simctl listapps " + simulator.id,
                           "simctl openurl " + simulator.id + u' ' + url, activateKestrine}
            << denied << denied.trimmed();
    }
    void firesThenReports() {
        QFETCH(QString, setup);
        QFETCH(QString, text);
        QFETCH(QStringList, calls);
        QFETCH(QString, description);
        QFETCH(QString, printed);
        Rig rig;
        FakeXcode& xcode = rig.xcode;
        if (setup == u"activation refused")
            xcode.setScenario(Tool::Osascript,
                              {.standardError = description.toUtf8(), .exitStatus = 1});
        const bool physical = !QStringList{"simulator", "activation refused"}.contains(setup);
        if (setup == u"no manager")
            rig.destinations.reset();
        else if (setup != u"no selection")
            rig.destinations->selectDevice(physical ? phone : simulator);
        const QStringList listed{QStringLiteral("Shop=com.example.shop")};
        if (setup == u"not connected") {
            rig.loadApps(phone, listed);
            Device unplugged = phone;
            unplugged.state = DeviceState::Unavailable;
            unplugged.stateText = DeviceFixtures::notConnected;
            rig.destinations->selectDevice(unplugged);
        }
        if (setup == u"phone" || setup == u"app no longer listed")
            rig.loadApps(phone, listed);
        if (setup == u"app no longer listed")
            rig.loadApps(phone, {});
        if (setup == u"another device's app")
            rig.loadApps(tablet, listed);
        const qsizetype callsBefore = xcode.calls().size();

        Outcome outcome;
        const QString output = standardOutputOf([&] { outcome = rig.fire(text); });
        QCOMPARE(output, printed.isEmpty() ? QString() : printed + u'\n');

        QCOMPARE(outcome.calls, 1);
        QCOMPARE(outcome.message, description);
        QCOMPARE(outcome.failed, !description.isEmpty());
        QStringList called = xcode.calls().mid(callsBefore);
        // The launch's document goes to a temporary file of a new name each time.
        called.replaceInStrings(QRegularExpression(QStringLiteral("--json-output \\S+$")),
                                QStringLiteral("--json-output FILE"));
        QCOMPARE(called, calls);
        QCOMPARE(rig.env.messages(QStringLiteral("command")),
                 description.isEmpty() ? QStringList()
                                       : QStringList{"Failed to open url cause: " + description});
        QVERIFY(!QFile::exists(QDir::current().filePath(QStringLiteral("pwned"))));
    }

    void firesAtAndroid_data() {
        QTest::addColumn<QString>("list");      // the serial's app list: loaded, none, hangs, fails
        QTest::addColumn<QString>("package");   // chosen in it, or remembered from before
        QTest::addColumn<QByteArray>("answer"); // am's output; empty: the demo's success
        QTest::addColumn<QString>("description"); // of the failure; empty on success

        QTest::addRow("no list loaded: no package") << "none"
                                                    << "" << QByteArray() << "";
        QTest::addRow("Any App: no package") << "loaded"
                                             << "" << QByteArray() << "";
        QTest::addRow("chosen package last") << "loaded"
                                             << "com.example.shop" << QByteArray() << "";
        // As kestrine-cli does, whatever the list is doing.
        QTest::addRow("list loading: the remembered package")
            << "hangs"
            << "com.example.news" << QByteArray() << "";
        QTest::addRow("list failed: the remembered package")
            << "fails"
            << "com.example.news" << QByteArray() << "";
        const QString unresolved = QStringLiteral("unresolved-intent-crlf.txt");
        QTest::addRow("Error: line is the alert")
            << "loaded"
            << "" << TestData::read(QStringLiteral("destinations/am/") + unresolved)
            << ToolFailures::am(unresolved);
    }
    void firesAtAndroid() {
        QFETCH(QString, list);
        QFETCH(QString, package);
        QFETCH(QByteArray, answer);
        QFETCH(QString, description);
        Rig rig(false); // no Xcode: Android needs none
        FakeAdb adb(rig.env.path(), true);
        AdbLocator::adbPathSetting().setValue(adb.adbPath());
        if (!answer.isEmpty())
            adb.setScenario({.standardOutput = answer}, QStringLiteral("shell am start"));
        const Device& emulator = DeviceFixtures::emulator;
        rig.destinations->selectDevice(emulator);
        if (list == u"hangs" || list == u"fails") {
            RememberedSelection::setPackage(emulator.id, package);
            adb.setScenario(
                {.standardError = "Error: pm died\n", .exitStatus = 1, .hang = list == u"hangs"},
                QStringLiteral("shell pm list"));
        }
        std::optional<QCoro::Task<>> listing;
        if (list != u"none")
            listing = rig.apps->fetchApps(emulator);
        if (list == u"loaded") {
            QCoro::waitFor(std::move(*listing));
            const QList<InstalledApp> listed = rig.apps->apps();
            const auto chosen = std::find_if(listed.cbegin(), listed.cend(), [&](const auto& app) {
                return app.bundleIdentifier() == package;
            });
            QVERIFY(chosen != listed.cend());
            rig.apps->selectApp(*chosen);
        } else if (list == u"fails") {
            QCoro::waitFor(std::move(*listing));
            QVERIFY(rig.apps->error());
        } else if (list == u"hangs") {
            QTRY_VERIFY(!adb.hangingProcesses().isEmpty());
        }
        // The app picker's button names the package that is fired at.
        if (list != u"none")
            QCOMPARE(BundleIdSelectorToolbarContent::titleFor(*rig.apps, emulator.id),
                     package.isEmpty() ? QStringLiteral("Any App") : package);
        const qsizetype callsBefore = adb.invocations().size();

        Outcome outcome;
        const QString url = QStringLiteral("shop://item/42");
        const QString output = standardOutputOf([&] { outcome = rig.fire(url); });
        QStringList expected{"-s", "emulator-5554", "shell"};
        for (const QString& word : QStringList{"am", "start", "-W", "-a",
                                               "android.intent.action.VIEW", "-d", url, package})
            if (!word.isEmpty())
                expected.append(word);
        // Fired once; what may follow is the browser probe.
        const auto calls = adb.invocations().mid(callsBefore);
        QCOMPARE(calls.value(0).arguments, expected);
        QCOMPARE(std::count_if(calls.cbegin(), calls.cend(),
                               [](const auto& call) { return call.arguments.contains(u"am"); }),
                 1);
        QCOMPARE(outcome.calls, 1);
        QCOMPARE(outcome.failed, !description.isEmpty());
        QCOMPARE(outcome.message, description);
        QCOMPARE(output, description.isEmpty() ? QString() : description + u'\n');
        adb.endHangs();
        if (list == u"hangs")
            QCoro::waitFor(std::move(*listing));
    }

    // Copy Command's text, run by a shell as a terminal would, makes the firing's call exactly;
    // without a usable destination it is refused with Execute's own message.
    void copiedCommandRunsAsExecuteDoes_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("cold");
        QTest::addColumn<QString>("url");
        for (const ExactUrls::Row& row : ExactUrls::rows())
            QTest::addRow("simulator: %s", row.name) << "simulator" << false << row.exact;
        const QString awkward = QStringLiteral("shop://x/'a' \"b\"?c=1&d=$(id);e=`id` \\f!*");
        QTest::addRow("simulator, cold: only the openurl") << "simulator" << true << awkward;
        QTest::addRow("phone") << "phone" << false << awkward;
        QTest::addRow("phone, cold") << "phone" << true << awkward;
        QTest::addRow("no destination") << "no selection" << false << awkward;
        QTest::addRow("phone without an app") << "no app" << false << awkward;
    }
    void copiedCommandRunsAsExecuteDoes() {
        QFETCH(QString, setup);
        QFETCH(bool, cold);
        QFETCH(QString, url);
        Rig rig;
        const bool simulated = setup == u"simulator";
        if (setup != u"no selection")
            rig.destinations->selectDevice(simulated ? simulator : phone);
        if (setup == u"phone")
            rig.loadApps(phone, {QStringLiteral("Shop=com.example.shop")});
        rig.executer.setOptions({.cold = cold});
        const Tool tool = simulated ? Tool::Simctl : Tool::Devicectl;
        // The firing's own call: not the app listing, nor the launch's temporary document.
        const auto firings = [&](qsizetype from) {
            QList<FakeXcode::Invocation> calls = rig.xcode.invocations(tool).mid(from);
            calls.removeIf([](const auto& call) {
                return call.arguments.value(0) == u"listapps" ||
                       call.arguments.value(0) == u"terminate";
            });
            for (FakeXcode::Invocation& call : calls) {
                if (call.arguments.value(call.arguments.size() - 2) == u"--json-output")
                    call.arguments.resize(call.arguments.size() - 2);
            }
            return calls;
        };

        QString refusal;
        qsizetype before = rig.xcode.invocations(tool).size();
        try {
            const QString pasted = ShellQuoting::joined(rig.executer.commandLine(url));
            QCOMPARE(QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), pasted}),
                     0);
        } catch (const AppError& error) {
            refusal = error.errorDescription();
        }
        const QList<FakeXcode::Invocation> pasted = firings(before);
        before = rig.xcode.invocations(tool).size();
        const Outcome outcome = rig.fire(url);
        QCOMPARE(refusal, outcome.message);
        const QList<FakeXcode::Invocation> fired = firings(before);
        QCOMPARE(pasted.size(), refusal.isEmpty() ? 1 : 0);
        QCOMPARE(fired.size(), pasted.size());
        for (qsizetype i = 0; i < fired.size(); ++i) {
            QCOMPARE(pasted[i].arguments, fired[i].arguments);
            QCOMPARE(pasted[i].developerDir, fired[i].developerDir);
        }
    }

    void screenshotFileNames_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Product 42"
                               << "3-Product-42.png";
        QTest::newRow("a way out of the directory") << "../../etc/passwd"
                                                    << "3-etc-passwd.png";
        QTest::newRow("hidden file, option") << ".-rf"
                                             << "3-rf.png";
        QTest::newRow("accents kept as letters, emoji dropped") << "Café 🛒"
                                                                << "3-Cafe.png";
        QTest::newRow("nothing usable") << "🛒 / 🛍"
                                        << "3-deeplink.png";
        QTest::newRow("long") << QString(200, u'a') << "3-" + QString(80, u'a') + ".png";
    }

    void screenshotFileNames() {
        QFETCH(QString, title);
        QFETCH(QString, name);
        QCOMPARE(DeeplinkExecuter::screenshotFileName(3, title), name);
    }

    void requestsRunSideBySide() {
        Rig rig;
        FakeXcode& xcode = rig.xcode;
        xcode.setScenario(Tool::Simctl, {.delaySeconds = 1.0});
        // The failing one waits too, so all three are surely running before any answers.
        xcode.setScenario(
            Tool::Simctl,
            {.standardError = "Invalid device: X\n", .exitStatus = 1, .delaySeconds = 1.0},
            QStringLiteral("/fail"));
        rig.destinations->selectDevice(simulator);

        QList<int> calls(3, 0);
        QList<bool> failed(3, false);
        std::vector<QCoro::Task<>> tasks;
        for (int i = 0; i < 3; ++i) {
            const QString url(i == 1 ? QStringLiteral("shop://fail")
                                     : QStringLiteral("shop://ok/%1").arg(i));
            tasks.push_back(
                rig.executer.execute(url, [&calls, &failed, i](const FiringOutcome& outcome) {
                    ++calls[i];
                    failed[i] = outcome.isFailure();
                }));
        }
        // All three tools are running before any of them has answered.
        QTRY_COMPARE(xcode.invocations(Tool::Simctl).size(), 3);
        QCOMPARE(calls, (QList<int>{0, 0, 0}));
        for (QCoro::Task<>& task : tasks)
            QVERIFY(!waitForOutcome(std::move(task)).failed());
        QCOMPARE(calls, (QList<int>{1, 1, 1}));
        QCOMPARE(failed, (QList<bool>{false, true, false}));
    }

    void withoutInterpreterActivatesOwnWindow() {
        Rig rig;
        rig.executer.setInterpreterPath(rig.env.filePath(QStringLiteral("no-such-osascript")));
        rig.destinations->selectDevice(simulator);
        MainWindowActivator::install();
        QMainWindow window;
        window.setWindowTitle(QStringLiteral("Kestrine"));
        window.show();
        QWidget other; // another application's window, as far as this test goes
        other.show();
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);

        const Outcome outcome = rig.fire(QStringLiteral("shop://item/42"));
        QVERIFY(!outcome.failed);
        QCOMPARE(rig.xcode.invocations(Tool::Simctl).size(), 2); // listapps, openurl
        QCOMPARE(rig.xcode.invocations(Tool::Osascript).size(), 0);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
    }
};

QTEST_MAIN(tst_DeeplinkExecuter)
#include "tst_DeeplinkExecuter.moc"
