#include "DeviceFixtures.h"
#include "FakeXcode.h"
#include "TestEnvironment.h"
#include "ToolDocuments.h"

#include "destinations/DeviceCtlClient.h"
#include "platform/AppError.h"
#include "platform/JsonDecoding.h"
#include "platform/TaskOutcome.h"
#include "toolchain/CommandError.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using Tool = FakeXcode::Tool;

namespace {

// Shaped like `devicectl list devices --json-output` of Xcode 15.3, with a sample of the
// fields the parser skips: one wired, booted iPhone and one paired iPad that is not connected.
const char* const deviceListing = R"tool({
  "info" : { "commandType" : "devicectl.list.devices", "jsonVersion" : 2, "outcome" : "success" },
  "result" : {
    "devices" : [
      {
        "capabilities" : [ { "featureIdentifier" : "launchapplication", "name" : "Launch" } ],
        "connectionProperties" : { "pairingState" : "paired", "tunnelState" : "connected" },
        "deviceProperties" : {
          "bootedFromSnapshot" : true,
          "bootState" : "booted",
          "name" : "Dev’s iPhone",
          "osVersionNumber" : "17.3.1"
        },
        "hardwareProperties" : {
          "cpuType" : { "name" : "arm64e", "subType" : 2, "type" : 16777228 },
          "platform" : "iOS",
          "reality" : "physical"
        },
        "identifier" : "5B4C3D2E-1F0A-4B9C-8D7E-6F5A4B3C2D1E",
        "tags" : [ ]
      },
      {
        "connectionProperties" : { "pairingState" : "paired", "tunnelState" : "unavailable" },
        "deviceProperties" : { "name" : "Test iPad", "osVersionNumber" : "16.7.2" },
        "hardwareProperties" : { "deviceType" : "iPad", "platform" : "iOS", "reality" : "physical" },
        "identifier" : "0E1D2C3B-4A59-4687-9796-A5B4C3D2E1F0"
      }
    ]
  }
})tool";

QByteArray oneDevice(const char* deviceProperties,
                     const char* hardwareProperties = R"({"platform": "iOS"})") {
    return QByteArray(R"({"result": {"devices": [{"identifier": "ID1", "deviceProperties": )") +
           deviceProperties + R"(, "hardwareProperties": )" + hardwareProperties + "}]}}";
}

} // namespace

namespace {

const QString category = QStringLiteral("DeviceCtlClient");

DeviceCtlClient client(const FakeXcode& xcode) {
    return DeviceCtlClient(xcode.url(), Logger(QStringLiteral("Kestrine"), category));
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
    void parsePhysicalDevices_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("expected");
        // Non-empty: the document must fail to decode, at this coding path.
        QTest::addColumn<QString>("failurePath");

        QTest::addRow("real listing") << QByteArray(deviceListing)
                                      << QStringList{"5B4C3D2E-1F0A-4B9C-8D7E-6F5A4B3C2D1E|Dev’s "
                                                     "iPhone|Booted|iOS|17.3.1|physical",
                                                     "0E1D2C3B-4A59-4687-9796-A5B4C3D2E1F0|Test "
                                                     "iPad|unknown|iOS|16.7.2|physical"}
                                      << QString();
        QTest::addRow("bootState shutdown lower case")
            << oneDevice(R"({"name": "P", "bootState": "shutdown", "osVersionNumber": "17.0"})")
            << QStringList{"ID1|P|Shutdown|iOS|17.0|physical"} << QString();
        QTest::addRow("bootState null counts as missing")
            << oneDevice(R"({"name": "P", "bootState": null})")
            << QStringList{"ID1|P|unknown|iOS||physical"} << QString();

        QTest::addRow("missing hardwareProperties")
            << QByteArray(R"({"result": {"devices": [
                   {"identifier": "OK", "deviceProperties": {"name": "A"}, "hardwareProperties": {"platform": "iOS"}},
                   {"identifier": "ID2", "deviceProperties": {"name": "B"}}]}})")
            << QStringList() << QStringLiteral("result.devices[1].hardwareProperties");
        QTest::addRow("name of wrong type")
            << oneDevice(R"({"name": 7})") << QStringList()
            << QStringLiteral("result.devices[0].deviceProperties.name");
        QTest::addRow("device entry not an object")
            << QByteArray(R"({"result": {"devices": ["ID1"]}})") << QStringList()
            << QStringLiteral("result.devices[0]");
        QTest::addRow("no result (error outcome)")
            << QByteArray(
                   R"({"error": {"code": 1, "domain": "com.apple.dt.CoreDeviceError"}, "info": {"outcome": "failed"}})")
            << QStringList() << QStringLiteral("result");
        QTest::addRow("truncated file")
            << QByteArray(deviceListing).left(500) << QStringList() << QStringLiteral("<document>");
    }

    void parsePhysicalDevices() {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, expected);
        QFETCH(QString, failurePath);

        const auto devices = DeviceCtlClient::parsePhysicalDevices(json);
        if (failurePath.isEmpty()) {
            QVERIFY(devices);
            QCOMPARE(DeviceFixtures::describe(*devices), expected);
            return;
        }
        QVERIFY2(!devices, "decoded a document that lacks a required value");
        const JsonDecodingError& error = devices.error();
        QCOMPARE(error.codingPath().isEmpty() ? QStringLiteral("<document>") : error.codingPath(),
                 failurePath);
        QVERIFY(error.errorDescription().startsWith(u"The data couldn’t be read"));
    }

    void listings_data() {
        QTest::addColumn<bool>("apps");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("errorOutput");
        QTest::addColumn<QStringList>("logLines");

        QTest::addRow("devices, chatty tool")
            << false << QByteArray("Devices:\nName  Hostname\n") << QByteArray("warning: slow\n")
            << QStringList{"devicectl stdout: Devices:\nName  Hostname\n",
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
        QVERIFY(!outcome.failed());
        QCOMPARE(*outcome.value, json);
        QCOMPARE(env.messages(category), logLines);

        const QStringList expected =
            apps ? QStringList{"device", "info", "apps", "--device", "DEV-1", "--json-output"}
                 : QStringList{"list", "devices", "--json-output"};
        checkCall(xcode, expected, apps ? u"devicectl-apps-"_qs : u"devicectl-devices-"_qs,
                  u".json"_qs);
    }

    void listingFailuresLeaveNoFile_data() {
        QTest::addColumn<FakeXcode::Scenario>("scenario");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("isToolError");

        QTest::addRow("tool fails after writing its file")
            << FakeXcode::Scenario{.standardError = "ERROR: The device is locked.\n",
                                   .file = QByteArray("{}"),
                                   .exitStatus = 1}
            << "ERROR: The device is locked.\n"
            << true;
        QTest::addRow("tool writes no file")
            << FakeXcode::Scenario{.standardOutput = "nothing to say\n"}
            << "couldn’t be opened because there is no such file." << false;
        QTest::addRow("file past 64 MiB")
            << FakeXcode::Scenario{.file = QByteArray(64 * 1024 * 1024 + 1, ' ')}
            << "couldn’t be read: it passed 64 MiB." << false;
    }

    void listingFailuresLeaveNoFile() {
        QFETCH(FakeXcode::Scenario, scenario);
        QFETCH(QString, message);
        QFETCH(bool, isToolError);
        TestEnvironment env;
        FakeXcode xcode(env.path());
        xcode.setScenario(Tool::Devicectl, scenario);

        for (bool apps : {false, true}) {
            const TaskOutcome<QByteArray> outcome =
                waitForOutcome(apps ? client(xcode).listApps(QStringLiteral("DEV-1"))
                                    : client(xcode).listDevices());
            QVERIFY(outcome.failed());
            if (isToolError) {
                QCOMPARE(outcome.errorAs<CommandError>()->message, message);
            } else {
                const auto error = outcome.errorAs<AppError>();
                QVERIFY(error.has_value());
                QVERIFY2(error->errorDescription().endsWith(message),
                         qPrintable(error->errorDescription()));
            }
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

        const TaskOutcome<QImage> outcome =
            waitForOutcome(client(xcode).fetchAppIcon(QStringLiteral("DEV-1"), bundleId));
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

        const TaskOutcome<QImage> local = waitForOutcome(client(xcode).fetchAppIcon(
            QStringLiteral("DEV-1"), QStringLiteral("com.example.shop")));
        QVERIFY(!local.value->isNull());
        QCOMPARE(local.value->pixelColor(90, 90), QColor(Qt::green));
        QCOMPARE(env.messages(category),
                 QStringList{"Got icon for com.example.shop from local installation"});
        QCOMPARE(xcode.invocations(Tool::Devicectl).size(), 0);

        // An entry whose icon cannot be found falls through to the device.
        QVERIFY(QFile::remove(icon));
        const TaskOutcome<QImage> device = waitForOutcome(client(xcode).fetchAppIcon(
            QStringLiteral("DEV-1"), QStringLiteral("com.example.shop")));
        QCOMPARE(device.value->pixelColor(5, 5), QColor(Qt::red));
        QCOMPARE(xcode.invocations(Tool::Devicectl).size(), 1);
    }
};

QTEST_MAIN(tst_DeviceCtlClient)
#include "tst_DeviceCtlClient.moc"
