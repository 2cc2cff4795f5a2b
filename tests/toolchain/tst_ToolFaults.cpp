// Stand-in tools that misbehave the way real ones now and then do: hang, die by a signal, print
// garbage or megabytes, exit 0 without writing the file they were asked for. Each fault goes
// through the object that meets it in the app, while a timer on the GUI thread ticks. A faulty
// tool waits until the timer has turned three times after the tool started, so a GUI thread
// that blocked on the tool would never see it finish.
#include "FakeXcode.h"
#include "TestEnvironment.h"

#include "app/KestrineApp.h"
#include "destinations/RunDestinationManager.h"
#include "execution/DeeplinkExecuter.h"
#include "platform/AppError.h"
#include "store/PersistentContainer.h"
#include "targetapps/BundleIdManager.h"
#include "targetapps/InstalledApp.h"
#include "toolchain/XcodeBookmarkManager.h"

#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <QCoro/QCoroTask>

#include <algorithm>
#include <csignal>
#include <memory>

using Tool = FakeXcode::Tool;

enum class Driver { destinations, apps, iconPass, fireAtSimulator, fireAtDevice };
Q_DECLARE_METATYPE(Driver)
Q_DECLARE_METATYPE(FakeXcode::Tool)

namespace {

const Device simulator{QStringLiteral("S1"),  QStringLiteral("iPhone 15"), DeviceState::booted,
                       QStringLiteral("iOS"), QStringLiteral("17.2"),      DeviceSource::simulator};
const Device phone{QStringLiteral("P1"),  QStringLiteral("My iPhone"), DeviceState::booted,
                   QStringLiteral("iOS"), QStringLiteral("17.4"),      DeviceSource::physical};

// Shared by every stand-in: $out is the file the tool was asked to write, gate holds it back
// until the GUI thread has turned, hang parks it (its pid in $pidfile) until it is killed.
const QString preamble = QStringLiteral(R"(#!/bin/sh
dir='%1'
data="$dir/payload"
pidfile="$dir/%2.pid"
out=; previous=
for argument in "$@"; do
    case "$previous" in --json-output|--destination) out=$argument ;; esac
    previous=$argument
done
gate() { : > "$dir/started"; while [ ! -e "$dir/go" ]; do sleep 0.01; done; }
hang() { echo $$ > "$pidfile.part" && mv "$pidfile.part" "$pidfile"; exec sleep 30; }
)");

const QString healthySimctl = QStringLiteral(R"(
[ "$1" = list ] && printf '%s' '{"devices": {"com.apple.CoreSimulator.SimRuntime.iOS-17-2": [{"udid": "S1", "name": "iPhone 15", "state": "Booted"}]}}'
exit 0
)");
const QString healthyDevicectl = QStringLiteral(R"(
case "$*" in
*"list devices"*) printf '%s' '{"result": {"devices": [{"identifier": "P1", "deviceProperties": {"name": "My iPhone", "bootState": "booted"}, "hardwareProperties": {"platform": "iOS"}}]}}' > "$out" ;;
*"info apps"*) printf '%s' '{"result": {"apps": [{"name": "Shop", "bundleIdentifier": "com.example.shop"}, {"name": "News", "bundleIdentifier": "com.example.news"}]}}' > "$out" ;;
esac
exit 0
)");

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(14);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QByteArray repeatedText(const QByteArray& line, qsizetype size) {
    return line.repeated(size / line.size());
}

QByteArray manySimulators(int count) {
    QByteArray json = R"({"devices": {"com.apple.CoreSimulator.SimRuntime.iOS-17-2": [)";
    for (int i = 0; i < count; ++i) {
        json += QByteArray(i ? "," : "") + R"({"udid": "SIM-)" + QByteArray::number(i) +
                R"(", "name": "iPhone )" + QByteArray::number(i) +
                R"(", "state": "Shutdown", "isAvailable": true, "deviceTypeIdentifier": )"
                R"("com.apple.CoreSimulator.SimDeviceType.iPhone-15-Pro-Max-with-a-long-name"})";
    }
    return json + "]}}";
}

QString describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return localizedDescription(e);
    } catch (...) {
    }
    return QStringLiteral("?");
}

// The objects under test, wired to a FakeXcode whose tools are replaced by the scripts above.
struct Rig {
    explicit Rig(const TestEnvironment& env)
        : xcode(env.path())
        , directory(env.path()) {
        setTool(Tool::Simctl, healthySimctl);
        setTool(Tool::Devicectl, healthyDevicectl);
        setTool(Tool::Osascript, QStringLiteral("exit 0\n"));
        destinations->configure(xcode.url());
        apps->setXcodeURL(xcode.url());
        executer->setRunDestinationManager(destinations.get());
        executer->setBundleIdManager(apps.get());
        executer->setInterpreterPath(xcode.toolPath(Tool::Osascript));

        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, &ticker, [this] {
            ++ticks;
            if (QFile::exists(directory + QStringLiteral("/started")) && ++ticksWhileRunning == 3)
                (void)QFile(directory + QStringLiteral("/go")).open(QIODevice::WriteOnly);
        });
        ticker.start();
    }

    ~Rig() {
        // Never leave a parked tool behind, whatever failed; let its waiter finish.
        for (Tool tool : {Tool::Simctl, Tool::Devicectl, Tool::Osascript}) {
            if (const qint64 id = pid(tool); id > 0)
                ::kill(pid_t(id), SIGKILL);
        }
        (void)QTest::qWaitFor([this] { return done; }, 5000);
    }

    void setTool(Tool tool, const QString& body) {
        QFile script(xcode.toolPath(tool));
        QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(preamble.arg(directory, FakeXcode::toolName(tool)).toUtf8() + body.toUtf8());
    }

    void setPayload(const QByteArray& bytes) {
        QFile file(directory + QStringLiteral("/payload"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    [[nodiscard]] qint64 pid(Tool tool) const {
        QFile file(directory + u'/' + FakeXcode::toolName(tool) + QStringLiteral(".pid"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    }

    void start(Driver driver) {
        const auto finished = [this] { done = true; };
        switch (driver) {
        case Driver::destinations:
            QCoro::connect(destinations->fetchDevices(xcode.url()), &context, finished);
            return;
        case Driver::apps:
            QCoro::connect(apps->fetchApps(phone), &context, finished);
            return;
        case Driver::iconPass:
            QObject::connect(apps.get(), &BundleIdManager::iconFetchFinished, &context, finished);
            QCoro::connect(apps->fetchApps(phone), &context, [] {});
            return;
        case Driver::fireAtSimulator:
        case Driver::fireAtDevice:
            destinations->selectDevice(driver == Driver::fireAtSimulator ? simulator : phone);
            apps->selectApp(
                InstalledApp(QStringLiteral("Shop"), QStringLiteral("com.example.shop")));
            QCoro::connect(executer->execute(QUrl(QStringLiteral("shop://item/42")),
                                             [this](std::exception_ptr error, bool failed) {
                                                 fired = failed ? QStringLiteral("failed: ") +
                                                                      describe(error)
                                                                : QStringLiteral("succeeded");
                                             }),
                           &context, finished);
            return;
        }
    }

    // Still waiting for the tool, as far as the user can tell.
    [[nodiscard]] bool waiting(Driver driver) const {
        switch (driver) {
        case Driver::destinations:
            return destinations->isLoading();
        case Driver::apps:
            return apps->isLoading();
        case Driver::iconPass: // the list is there; only the icons are still to come
            return apps->apps().size() == 2 && !apps->isLoading();
        case Driver::fireAtSimulator:
        case Driver::fireAtDevice:
            return fired.isEmpty();
        }
        return false;
    }

    // How the operation ended, in a line.
    [[nodiscard]] QString summary(Driver driver, const TestEnvironment& env) const {
        switch (driver) {
        case Driver::destinations: {
            const QString error =
                destinations->error() ? destinations->errorDescription() : QStringLiteral("none");
            QString line = QStringLiteral("%1 devices, error: %2, loading: %3")
                               .arg(destinations->devices().size())
                               .arg(error, destinations->isLoading() ? "yes" : "no");
            for (const QString& message : env.messages(QStringLiteral("RunDestinationManager"))) {
                if (message.startsWith(u"devicectl failed: "))
                    line += QStringLiteral(", ") + message;
            }
            return line;
        }
        case Driver::iconPass: {
            const QStringList messages = env.messages(QStringLiteral("BundleIdManager"));
            const auto completed =
                std::find_if(messages.cbegin(), messages.cend(), [](const QString& message) {
                    return message.startsWith(u"Completed icon fetch");
                });
            return QStringLiteral("%1 apps, %2")
                .arg(apps->apps().size())
                .arg(completed == messages.cend() ? QStringLiteral("icons pending") : *completed);
        }
        case Driver::apps:
            return QStringLiteral("%1 apps, error: %2, loading: %3")
                .arg(apps->apps().size())
                .arg(apps->error() ? apps->errorDescription() : QStringLiteral("none"),
                     apps->isLoading() ? "yes" : "no");
        case Driver::fireAtSimulator:
        case Driver::fireAtDevice:
            return fired;
        }
        return {};
    }

    FakeXcode xcode;
    QString directory;
    std::unique_ptr<RunDestinationManager> destinations = std::make_unique<RunDestinationManager>();
    std::unique_ptr<BundleIdManager> apps = std::make_unique<BundleIdManager>();
    std::unique_ptr<DeeplinkExecuter> executer = std::make_unique<DeeplinkExecuter>();
    QObject context;
    QTimer ticker;
    int ticks = 0;
    int ticksWhileRunning = 0;
    bool done = false;
    QString fired;
};

} // namespace

class tst_ToolFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void faultEndsAsItShould_data();
    void faultEndsAsItShould();
    void hangingToolWaitsUntilEnded_data();
    void hangingToolWaitsUntilEnded();
    void refreshAfterAHangingListingShowsTheNewList();
    void hugeToolMessageKeepsTheAlertOnScreen();
};

void tst_ToolFaults::faultEndsAsItShould_data() {
    QTest::addColumn<Driver>("driver");
    QTest::addColumn<Tool>("tool");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("expected"); // the start of the summary

    const qsizetype megabytes4 = 4 * 1024 * 1024;
    const QByteArray garbage = randomBytes(megabytes4);
    const QByteArray prose = repeatedText("no simulators on this line (none at all)\n", megabytes4);

    QTest::addRow("simctl dies by a signal mid-listing")
        << Driver::destinations << Tool::Simctl
        << "gate; printf '{\"devices\": {'; printf 'lost connection' >&2; kill -KILL $$"
        << QByteArray() << "0 devices, error: lost connection, loading: no";
    QTest::addRow("simctl prints 4 MB of binary garbage")
        << Driver::destinations << Tool::Simctl << R"(gate; cat "$data")" << garbage
        << "0 devices, error: Failed to decode simctl output, loading: no";
    QTest::addRow("simctl lists 20000 simulators")
        << Driver::destinations << Tool::Simctl << R"(gate; cat "$data")" << manySimulators(20000)
        << "20001 devices, error: none, loading: no";
    QTest::addRow("devicectl dies by a signal")
        << Driver::destinations << Tool::Devicectl << "gate; kill -KILL $$" << QByteArray()
        << "1 devices, error: none, loading: no, devicectl failed: Unknown error";
    QTest::addRow("devicectl exits 0 before writing its file")
        << Driver::destinations << Tool::Devicectl << "gate; exit 0" << QByteArray()
        << "1 devices, error: none, loading: no, devicectl failed: The file “devicectl-devices-";
    QTest::addRow("devicectl writes 4 MB of garbage as its document")
        << Driver::destinations << Tool::Devicectl << R"(gate; cat "$data" > "$out")" << garbage
        << "1 devices, error: none, loading: no, devicectl failed: ";

    QTest::addRow("apps: devicectl dies by a signal")
        << Driver::apps << Tool::Devicectl << "gate; printf 'Device is locked' >&2; kill -KILL $$"
        << QByteArray() << "0 apps, error: Device is locked, loading: no";
    // Undecodable apps are an empty list, not an error.
    QTest::addRow("apps: 4 MB of garbage as the document")
        << Driver::apps << Tool::Devicectl << R"(gate; cat "$data" > "$out")" << garbage
        << "0 apps, error: none, loading: no";
    QTest::addRow("apps: 4 MB of chatter besides a good document")
        << Driver::apps << Tool::Devicectl
        << R"(gate; cat "$data"; cat "$data" >&2; printf '%s' '{"result": {"apps": [{"name": "Shop", "bundleIdentifier": "com.example.shop"}]}}' > "$out")"
        << prose << "1 apps, error: none, loading: no";

    QTest::addRow("openurl dies by a signal")
        << Driver::fireAtSimulator << Tool::Simctl << "gate; kill -KILL $$" << QByteArray()
        << "failed: Unknown error";
    QTest::addRow("launch fails with 4 MB of text")
        << Driver::fireAtDevice << Tool::Devicectl << R"(gate; cat "$data" >&2; exit 1)" << prose
        << "failed: no simulators on this line (none at all)\nno simulators";
    QTest::addRow("launch exits 0 with garbage")
        << Driver::fireAtDevice << Tool::Devicectl << R"(gate; cat "$data"; cat "$data" >&2)"
        << garbage << "succeeded";
}

void tst_ToolFaults::faultEndsAsItShould() {
    QFETCH(Driver, driver);
    QFETCH(Tool, tool);
    QFETCH(QString, body);
    QFETCH(QByteArray, payload);
    QFETCH(QString, expected);

    TestEnvironment env;
    Rig rig(env);
    rig.setTool(tool, body + u'\n');
    rig.setPayload(payload);

    rig.start(driver);
    QTRY_VERIFY_WITH_TIMEOUT(rig.done, 20000);
    QVERIFY(rig.ticksWhileRunning >= 3);
    const QString summary = rig.summary(driver, env);
    QCOMPARE(summary.left(expected.size()), expected);
}

void tst_ToolFaults::hangingToolWaitsUntilEnded_data() {
    QTest::addColumn<Driver>("driver");
    QTest::addColumn<Tool>("tool");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("deleteOwners");
    QTest::addColumn<QString>("expected"); // after the tool was killed

    const QString hang = QStringLiteral("hang");
    QTest::addRow("simctl list") << Driver::destinations << Tool::Simctl << hang << false
                                 << "0 devices, error: Unknown error, loading: no";
    QTest::addRow("devicectl list, manager deleted meanwhile")
        << Driver::destinations << Tool::Devicectl << hang << true << QString();
    QTest::addRow("devicectl apps") << Driver::apps << Tool::Devicectl << hang << false
                                    << "0 apps, error: Unknown error, loading: no";
    // One icon request hangs: the list is shown meanwhile, the pass ends when it does.
    QTest::addRow("devicectl icon of one app")
        << Driver::iconPass << Tool::Devicectl
        << "case \"$*\" in *appIcon*com.example.news*) hang ;; esac\n" + healthyDevicectl << false
        << "2 apps, Completed icon fetch: 0 succeeded, 2 failed";
    QTest::addRow("simctl openurl")
        << Driver::fireAtSimulator << Tool::Simctl << hang << false << "failed: Unknown error";
    QTest::addRow("devicectl launch, executer and managers deleted meanwhile")
        << Driver::fireAtDevice << Tool::Devicectl << hang << true << "failed: Unknown error";
}

void tst_ToolFaults::hangingToolWaitsUntilEnded() {
    QFETCH(Driver, driver);
    QFETCH(Tool, tool);
    QFETCH(QString, body);
    QFETCH(bool, deleteOwners);
    QFETCH(QString, expected);

    TestEnvironment env;
    Rig rig(env);
    rig.setTool(tool, body + u'\n');

    rig.start(driver);
    QTRY_VERIFY(rig.pid(tool) > 0);
    // Nothing gives up on a hanging tool by itself; the window keeps turning meanwhile.
    const int ticksAtHang = rig.ticks;
    QTRY_VERIFY(rig.ticks >= ticksAtHang + 10);
    QVERIFY(!rig.done);
    QVERIFY(rig.waiting(driver));

    if (deleteOwners) {
        rig.executer.reset();
        rig.apps.reset();
        rig.destinations.reset();
    }
    QCOMPARE(::kill(pid_t(rig.pid(tool)), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(rig.done, 10000);
    if (!expected.isEmpty())
        QCOMPARE(rig.summary(driver, env), expected);
}

void tst_ToolFaults::refreshAfterAHangingListingShowsTheNewList() {
    TestEnvironment env;
    Rig rig(env);
    rig.setTool(Tool::Simctl, QStringLiteral("hang\n"));
    rig.start(Driver::destinations);
    QTRY_VERIFY(rig.pid(Tool::Simctl) > 0);

    // The user presses Refresh; simctl answers this time.
    rig.setTool(Tool::Simctl, healthySimctl);
    bool refreshed = false;
    QCoro::connect(rig.destinations->fetchDevices(rig.xcode.url()), &rig.context,
                   [&] { refreshed = true; });
    QTRY_VERIFY(refreshed);
    QCOMPARE(rig.summary(Driver::destinations, env), "2 devices, error: none, loading: no");

    // The stuck listing ends late and, as the last to finish, reports its failure.
    QCOMPARE(::kill(pid_t(rig.pid(Tool::Simctl)), SIGKILL), 0);
    QTRY_VERIFY(rig.done);
    QCOMPARE(rig.summary(Driver::destinations, env),
             "2 devices, error: Unknown error, loading: no");
}

void tst_ToolFaults::hugeToolMessageKeepsTheAlertOnScreen() {
    TestEnvironment env;
    FakeXcode xcode(env.path());
    xcode.setScenario(
        Tool::Simctl,
        {.standardOutput = R"({"devices": {"com.apple.CoreSimulator.SimRuntime.iOS-17-2": [
                           {"udid": "S1", "name": "iPhone 15", "state": "Booted"}]}})"},
        QStringLiteral("list devices"));
    const QByteArray message = repeatedText("openurl: the simulator said no, at length\n", 4 << 20);
    xcode.setScenario(Tool::Simctl, {.standardError = message, .exitStatus = 1},
                      QStringLiteral("openurl"));
    XcodeBookmarkManager().saveBookmark(xcode.url());
    PersistentContainer container(env.filePath(QStringLiteral("Kestrine.sqlite")));
    QVERIFY(!container.loadPersistentStores());
    KestrineApp app(container);
    app.deeplinkExecuter().setInterpreterPath(xcode.toolPath(Tool::Osascript));
    app.show();
    QTRY_VERIFY_WITH_TIMEOUT(app.deviceManager().selectedDevice().has_value(), 20000);

    app.openUrl(QUrl(QStringLiteral("shop://item/42")));
    QTRY_VERIFY_WITH_TIMEOUT(app.error().has_value(), 20000);
    QCOMPARE(app.error()->value.size(), message.size());
    auto* alert = app.window()->findChild<QMessageBox*>();
    QVERIFY(alert);
    QTRY_VERIFY(alert->isVisible());
    // The alert shows the beginning of the tool's text and stays within the screen.
    QVERIFY2(alert->informativeText().size() <= 1000,
             qPrintable(QString::number(alert->informativeText().size())));
    QVERIFY(alert->informativeText().startsWith(u"openurl: the simulator said no, at length\n"));
    QVERIFY(alert->informativeText().endsWith(u'…'));
    QVERIFY(alert->frameGeometry().height() <= alert->screen()->availableGeometry().height());
}

QTEST_MAIN(tst_ToolFaults)
#include "tst_ToolFaults.moc"
