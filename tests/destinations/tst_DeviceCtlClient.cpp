#include "DeviceFixtures.h"
#include "FakeXcode.h"
#include "FiringOutcomes.h"
#include "TestEnvironment.h"
#include "ToolDocuments.h"
#include "ToolFailures.h"

#include "destinations/DeviceCtlAppIcons.h"
#include "destinations/DeviceCtlClient.h"
#include "platform/AppError.h"
#include "platform/JsonDecoding.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using Tool = FakeXcode::Tool;

namespace {

const QString category = QStringLiteral("DeviceCtlClient");

DeviceCtlClient client(const FakeXcode& xcode) {
    return DeviceCtlClient(xcode.url(), Logger(QStringLiteral("Kestrine"), category));
}

TaskOutcome<QImage> fetchIcon(const FakeXcode& xcode, const QString& bundleId) {
    return waitForOutcome(
        DeviceCtlAppIcons(client(xcode)).fetch(QStringLiteral("DEV-1"), bundleId));
}

// Files left behind in the tools' temporary directory.
QStringList leftovers() {
    return QDir(QDir::tempPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// The one devicectl call: its arguments, and a fresh file in the temporary directory
// ("<name><uuid><suffix>") as the last of them.
void checkCall(const FakeXcode& xcode, const QStringList& expected, const QString& name,
               const QString& suffix) {
    const auto calls = xcode.invocations(Tool::Devicectl);
    QCOMPARE(calls.size(), 1);
    QStringList arguments = calls[0].arguments;
    const QString file = arguments.takeLast();
    QCOMPARE(arguments, expected);
    QCOMPARE(QFileInfo(file).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    const QString uuid =
        QStringLiteral("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    QVERIFY2(QRegularExpression(u'^' + QRegularExpression::escape(name) + uuid +
                                QRegularExpression::escape(suffix) + u'$')
                 .match(QFileInfo(file).fileName())
                 .hasMatch(),
             qPrintable(file));
    QCOMPARE(calls[0].developerDir, xcode.developerDirectory());
    QCOMPARE(leftovers(), QStringList());
}

} // namespace

class tst_DeviceCtlClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsePhysicalDevices_data() { DeviceFixtures::addListings(QStringLiteral("devicectl")); }
    void parsePhysicalDevices() {
        QFETCH(QByteArray, output);
        QFETCH(QStringList, expected);
        const auto devices = DeviceCtlClient::parsePhysicalDevices(output);
        if (devices) {
            QCOMPARE(DeviceFixtures::describe(*devices), expected);
            return;
        }
        const QString path = devices.error().codingPath();
        QCOMPARE(QStringList{"error at " + (path.isEmpty() ? QStringLiteral("<document>") : path)},
                 expected);
        QVERIFY(devices.error().errorDescription().startsWith(u"The data couldn’t be read"));
    }

    void listings_data() {
        QTest::addColumn<bool>("apps");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("errorOutput");
        QTest::addColumn<QStringList>("logLines");
        QTest::addRow("devices, chatty tool")
            << false << QByteArray("Devices:\nName\n") << QByteArray("warning: slow\n")
            << QStringList{"devicectl stdout: Devices:\nName\n",
                           "devicectl stderr: warning: slow\n"};
        QTest::addRow("apps, output not UTF-8") << true << QByteArray("\xff\xfe") << QByteArray()
                                                << QStringList{"devicectl apps stdout: "};
    }
    void listings() {
        QFETCH(bool, apps);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, errorOutput);
        QFETCH(QStringList, logLines);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        const QByteArray json = R"({"result": {"devices": [], "apps": []}})";
        xcode.setScenario(Tool::Devicectl,
                          {.standardOutput = output, .standardError = errorOutput, .file = json});

        const TaskOutcome<QByteArray> outcome = waitForOutcome(
            apps ? client(xcode).listApps(QStringLiteral("DEV-1")) : client(xcode).listDevices());
        QCOMPARE(outcome.value.value_or(QByteArray()), json);
        QCOMPARE(env.messages(category), logLines);
        checkCall(xcode,
                  apps ? QStringList{"device", "info", "apps", "--device", "DEV-1", "--json-output"}
                       : QStringList{"list", "devices", "--json-output"},
                  apps ? "devicectl-apps-" : "devicectl-devices-", ".json");
    }

    void listingFailuresLeaveNoFile_data() {
        QTest::addColumn<FakeXcode::Scenario>("scenario");
        QTest::addColumn<QString>("message"); // of the tool's CommandError, else an AppError's end
        QTest::addRow("tool fails after writing its file")
            << FakeXcode::Scenario{.standardError = "ERROR: The device is locked.\n",
                                   .file = QByteArray("{}"),
                                   .exitStatus = 1}
            << "ERROR: The device is locked.\n";
        QTest::addRow("tool writes no file")
            << FakeXcode::Scenario{.standardOutput = "nothing to say\n"}
            << "couldn’t be opened because there is no such file.";
        QTest::addRow("file past 64 MiB")
            << FakeXcode::Scenario{.file = QByteArray(64 * 1024 * 1024 + 1, ' ')}
            << "couldn’t be read: it passed 64 MiB.";
    }
    void listingFailuresLeaveNoFile() {
        QFETCH(FakeXcode::Scenario, scenario);
        QFETCH(QString, message);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        xcode.setScenario(Tool::Devicectl, scenario);
        for (bool apps : {false, true}) {
            const TaskOutcome<QByteArray> outcome =
                waitForOutcome(apps ? client(xcode).listApps(QStringLiteral("DEV-1"))
                                    : client(xcode).listDevices());
            const auto error = outcome.errorAs<AppError>();
            QVERIFY2(ToolFailures::message(outcome) == message ||
                         (error && error->errorDescription().endsWith(message)),
                     qPrintable(localizedDescription(outcome.error)));
            QCOMPARE(leftovers(), QStringList());
        }
    }

    void concurrentListingsUseTheirOwnFiles() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        xcode.setScenario(Tool::Devicectl, {.file = QByteArray("{}"), .delaySeconds = 0.3});

        auto gather = [&]() -> QCoro::Task<QList<QByteArray>> {
            const DeviceCtlClient c = client(xcode);
            auto first = c.listApps(QStringLiteral("A"));
            auto second = c.listApps(QStringLiteral("B"));
            auto third = c.listDevices();
            // named: GCC 12 mishandles co_await inside a braced initializer list
            const QByteArray apps = co_await std::move(first);
            const QByteArray moreApps = co_await std::move(second);
            const QByteArray devices = co_await std::move(third);
            co_return QList<QByteArray>{apps, moreApps, devices};
        };
        const TaskOutcome<QList<QByteArray>> outcome = waitForOutcome(gather());
        QVERIFY(!outcome.failed());
        QSet<QString> files;
        for (const auto& call : xcode.invocations(Tool::Devicectl))
            files.insert(call.arguments.last());
        QCOMPARE(files.size(), 3);
        QCOMPARE(leftovers(), QStringList());
    }

    // The launch names the app; cold asks devicectl to stop a running instance; the process
    // identifier comes from the JSON document when it holds a usable one.
    void launches_data() {
        QTest::addColumn<bool>("cold");
        QTest::addColumn<std::optional<QByteArray>>("document");
        QTest::addColumn<QString>("outcome"); // FiringOutcomes::describe()
        const auto launched = [](const QByteArray& id) {
            return std::optional<QByteArray>(
                R"({"info": {"outcome": "success"}, "result": {"deviceIdentifier": "DEV-1",)"
                R"( "process": {"executableURL": {}, "processIdentifier": )" +
                id + "}}}");
        };
        QTest::addRow("warm, with the process")
            << false << launched("4242") << "opened|com.example.shop|||4242|";
        QTest::addRow("cold") << true << launched("4242") << "opened|com.example.shop||cold|4242|";
        QTest::addRow("no document")
            << false << std::optional<QByteArray>() << "opened|com.example.shop||||";
        QTest::addRow("not JSON") << false << std::optional<QByteArray>("Launched.")
                                  << "opened|com.example.shop||||";
        QTest::addRow("identifier as text")
            << false << launched("\"4242\"") << "opened|com.example.shop||||";
        QTest::addRow("identifier not whole")
            << false << launched("42.5") << "opened|com.example.shop||||";
        QTest::addRow("identifier zero")
            << true << launched("0") << "opened|com.example.shop||cold||";
    }
    void launches() {
        QFETCH(bool, cold);
        QFETCH(std::optional<QByteArray>, document);
        QFETCH(QString, outcome);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        xcode.setScenario(Tool::Devicectl, {.file = document});

        const TaskOutcome<FiringOutcome> fired = waitForOutcome(client(xcode).launchApp(
            "DEV-1", "com.example.shop", "shop://item/42", CommandRunner::firingDeadline(), cold));
        QVERIFY(!fired.failed());
        QCOMPARE(FiringOutcomes::describe(*fired.value), QStringList{outcome});
        QStringList arguments{"device", "process",       "launch",        "--device",
                              "DEV-1",  "--payload-url", "shop://item/42"};
        if (cold)
            arguments.append("--terminate-existing");
        checkCall(xcode, arguments + QStringList{"com.example.shop", "--json-output"},
                  "devicectl-launch-", ".json");
    }

    void icons_data() {
        QTest::addColumn<FakeXcode::Scenario>("scenario");
        QTest::addColumn<QString>("bundleId");
        QTest::addColumn<QColor>("color"); // invalid: no icon
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<QString>("nameInFile");

        const FakeXcode::Scenario red{.file = ToolDocuments::png(Qt::red, 60)};
        const QString shop = QStringLiteral("com.example.shop");
        QTest::addRow("from the device")
            << red << shop << QColor(Qt::red)
            << "Fetched icon for com.example.shop from device using appIcon command" << shop;
        QTest::addRow("tool exits 0 without a file")
            << FakeXcode::Scenario{} << shop << QColor()
            << "Icon file not created for com.example.shop" << shop;
        QTest::addRow("tool fails")
            << FakeXcode::Scenario{.standardError = "ERROR: App not found\n",
                                   .file = ToolDocuments::png(Qt::blue, 60),
                                   .exitStatus = 1}
            << shop << QColor()
            << "Failed to fetch icon for com.example.shop: ERROR: App not found\n"
            << shop;
        // Bundle identifiers cannot take the icon file out of the temporary directory.
        QTest::addRow("parent directories")
            << red << "../../escaped/x" << QColor(Qt::red)
            << "Fetched icon for ../../escaped/x from device using appIcon command"
            << ".._.._escaped_x";
        QTest::addRow("backslashes and controls")
            << red << "a\\b\nc" << QColor(Qt::red)
            << "Fetched icon for a\\b\nc from device using appIcon command"
            << "a_b_c";
    }

    void icons() {
        QFETCH(FakeXcode::Scenario, scenario);
        QFETCH(QString, bundleId);
        QFETCH(QColor, color);
        QFETCH(QString, logLine);
        QFETCH(QString, nameInFile);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        xcode.setScenario(Tool::Devicectl, scenario);

        const TaskOutcome<QImage> outcome = fetchIcon(xcode, bundleId);
        QVERIFY(!outcome.failed());
        if (color.isValid()) {
            QCOMPARE(outcome.value->size(), QSize(60, 60));
            QCOMPARE(outcome.value->pixelColor(5, 5), color);
        } else {
            QVERIFY(outcome.value->isNull());
            QCOMPARE(env.records().last().level, LogRecord::Level::Debug);
        }
        QCOMPARE(env.messages(category), QStringList{logLine});
        checkCall(xcode,
                  {"device", "info", "appIcon", "--device", "DEV-1", "--app-bundle-id", bundleId,
                   "--allow-placeholder", "false", "--width", "180", "--height", "180", "--scale",
                   "3", "--destination"},
                  QStringLiteral("app-icon-") + nameInFile + u'-', QStringLiteral(".png"));
    }

    void iconOfLocalApplicationSkipsTool() {
        TestEnvironment env;
        FakeXcode xcode(env.path());
        xcode.setScenario(Tool::Devicectl, {.file = ToolDocuments::png(Qt::red, 60)});
        const QString applications =
            QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        QVERIFY(QDir().mkpath(applications));
        const QString icon =
            env.writeFile(QStringLiteral("shop.png"), ToolDocuments::png(Qt::green, 60));
        env.writeFile(
            QDir(env.path())
                .relativeFilePath(applications + QStringLiteral("/com.example.shop.desktop")),
            "[Desktop Entry]\nType=Application\nName=Shop\nIcon[de]=nothing\nIcon=" +
                icon.toUtf8() + "\nExec=shop\n");

        const TaskOutcome<QImage> local = fetchIcon(xcode, QStringLiteral("com.example.shop"));
        QVERIFY(!local.value->isNull());
        QCOMPARE(local.value->pixelColor(90, 90), QColor(Qt::green));
        QCOMPARE(env.messages(category),
                 QStringList{"Got icon for com.example.shop from local installation"});
        QCOMPARE(xcode.invocations(Tool::Devicectl).size(), 0);

        // An entry whose icon cannot be found falls through to the device.
        QVERIFY(QFile::remove(icon));
        const TaskOutcome<QImage> device = fetchIcon(xcode, QStringLiteral("com.example.shop"));
        QCOMPARE(device.value->pixelColor(5, 5), QColor(Qt::red));
        QCOMPARE(xcode.invocations(Tool::Devicectl).size(), 1);
    }
};

QTEST_MAIN(tst_DeviceCtlClient)
#include "tst_DeviceCtlClient.moc"
