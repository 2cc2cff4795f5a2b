#include "destinations/DeviceCtlClient.h"
#include "destinations/DeviceCtlFormats.h"
#include "platform/JsonDecoding.h"

#include <QTest>

namespace {

QStringList describe(const QList<Device>& devices)
{
    QStringList lines;
    for (const Device& d : devices) {
        lines.append(QStringList{d.id, d.name, rawValue(d.state), d.runtime, d.runtimeVersion,
                                 rawValue(d.source)}
                         .join(QLatin1Char('|')));
    }
    return lines;
}

// Shaped like `devicectl list devices --json-output` of Xcode 15.3: one wired, booted iPhone
// with the full property set and one paired iPad that is not connected (no boot state).
const char* const deviceListing = R"tool({
  "info" : {
    "arguments" : [ "devicectl", "list", "devices", "--json-output", "\/tmp\/devicectl-devices.json" ],
    "commandType" : "devicectl.list.devices",
    "environment" : { "TERM" : "xterm-256color" },
    "jsonVersion" : 2,
    "outcome" : "success",
    "version" : "355.28"
  },
  "result" : {
    "devices" : [
      {
        "capabilities" : [
          { "featureIdentifier" : "com.apple.coredevice.feature.launchapplication", "name" : "Launch Application" },
          { "featureIdentifier" : "com.apple.coredevice.feature.listapps", "name" : "List Applications" }
        ],
        "connectionProperties" : {
          "authenticationType" : "manualPairing",
          "isMobileDeviceOnly" : false,
          "lastConnectionDate" : "2024-03-01T09:15:21.113Z",
          "pairingState" : "paired",
          "potentialHostnames" : [ "00008120-001A2B3C4D5E801E.coredevice.local", "5B4C3D2E-1F0A-4B9C-8D7E-6F5A4B3C2D1E.coredevice.local" ],
          "transportType" : "wired",
          "tunnelState" : "connected",
          "tunnelTransportProtocol" : "tcp"
        },
        "deviceProperties" : {
          "bootedFromSnapshot" : true,
          "bootedSnapshotName" : "com.apple.os.update-8A1B2C3D",
          "bootState" : "booted",
          "ddiServicesAvailable" : true,
          "developerModeStatus" : "enabled",
          "hasInternalOSBuild" : false,
          "name" : "Dev’s iPhone",
          "osBuildUpdate" : "21D61",
          "osVersionNumber" : "17.3.1",
          "rootFileSystemIsWritable" : false
        },
        "hardwareProperties" : {
          "cpuType" : { "name" : "arm64e", "subType" : 2, "type" : 16777228 },
          "deviceType" : "iPhone",
          "ecid" : 1234567890123,
          "hardwareModel" : "D73AP",
          "internalStorageCapacity" : 128000000000,
          "isProductionFused" : true,
          "marketingName" : "iPhone 14 Pro",
          "platform" : "iOS",
          "productType" : "iPhone15,2",
          "reality" : "physical",
          "serialNumber" : "F2LXQ0ABCD12",
          "supportedDeviceFamilies" : [ 1 ],
          "thinningProductType" : "iPhone15,2",
          "udid" : "00008120-001A2B3C4D5E801E"
        },
        "identifier" : "5B4C3D2E-1F0A-4B9C-8D7E-6F5A4B3C2D1E",
        "tags" : [ ],
        "visibilityClass" : "default"
      },
      {
        "capabilities" : [ ],
        "connectionProperties" : {
          "authenticationType" : "manualPairing",
          "isMobileDeviceOnly" : false,
          "pairingState" : "paired",
          "potentialHostnames" : [ ],
          "tunnelState" : "unavailable"
        },
        "deviceProperties" : {
          "name" : "Test iPad",
          "osVersionNumber" : "16.7.2"
        },
        "hardwareProperties" : {
          "deviceType" : "iPad",
          "marketingName" : "iPad (9th generation)",
          "platform" : "iOS",
          "productType" : "iPad12,1",
          "reality" : "physical"
        },
        "identifier" : "0E1D2C3B-4A59-4687-9796-A5B4C3D2E1F0",
        "tags" : [ ],
        "visibilityClass" : "default"
      }
    ]
  }
})tool";

QByteArray oneDevice(const char* deviceProperties,
                     const char* hardwareProperties = R"({"platform": "iOS"})")
{
    return QByteArray(R"({"result": {"devices": [{"identifier": "ID1", "deviceProperties": )") +
           deviceProperties + R"(, "hardwareProperties": )" + hardwareProperties + "}]}}";
}

// Shaped like `devicectl device info apps --json-output`.
const char* const appListing = R"tool({
  "info" : { "commandType" : "devicectl.device.info.apps", "jsonVersion" : 2, "outcome" : "success", "version" : "355.28" },
  "result" : {
    "apps" : [
      {
        "appClip" : false,
        "builtByDeveloper" : true,
        "bundleIdentifier" : "com.example.shop",
        "bundleVersion" : "412",
        "defaultApp" : false,
        "hidden" : false,
        "internalApp" : false,
        "name" : "Shop",
        "removable" : true,
        "url" : "file:\/\/\/private\/var\/containers\/Bundle\/Application\/4F1E2D3C-0000-4000-8000-000000000001\/Shop.app\/",
        "version" : "3.2.0"
      },
      {
        "appClip" : false,
        "builtByDeveloper" : false,
        "bundleIdentifier" : "com.example.widgets",
        "defaultApp" : false,
        "hidden" : false,
        "internalApp" : false,
        "removable" : true
      }
    ],
    "defaultAppsIncluded" : false,
    "deviceIdentifier" : "5B4C3D2E-1F0A-4B9C-8D7E-6F5A4B3C2D1E",
    "hiddenAppsIncluded" : false,
    "internalAppsIncluded" : false,
    "matchingBundleIdentifier" : null,
    "removableAppsIncluded" : true
  }
})tool";

} // namespace

class tst_DeviceCtlParsing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsePhysicalDevices_data();
    void parsePhysicalDevices();
    void decodesApps();
    void rejectsApps_data();
    void rejectsApps();
};

void tst_DeviceCtlParsing::parsePhysicalDevices_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("expected");
    // Non-empty: the document must fail to decode, at this coding path.
    QTest::addColumn<QString>("failurePath");

    QTest::addRow("real listing")
        << QByteArray(deviceListing)
        << QStringList{"5B4C3D2E-1F0A-4B9C-8D7E-6F5A4B3C2D1E|Dev’s "
                       "iPhone|Booted|iOS|17.3.1|physical",
                       "0E1D2C3B-4A59-4687-9796-A5B4C3D2E1F0|Test iPad|unknown|iOS|16.7.2|physical"}
        << QString();
    QTest::addRow("no devices") << QByteArray(R"({"result": {"devices": []}})") << QStringList()
                                << QString();
    QTest::addRow("bootState shutdown lower case")
        << oneDevice(R"({"name": "P", "bootState": "shutdown", "osVersionNumber": "17.0"})")
        << QStringList{"ID1|P|Shutdown|iOS|17.0|physical"} << QString();
    QTest::addRow("bootState in capitals")
        << oneDevice(R"({"name": "P", "bootState": "BOOTED"})")
        << QStringList{"ID1|P|Booted|iOS||physical"} << QString();
    QTest::addRow("bootState of another word")
        << oneDevice(R"({"name": "P", "bootState": "booting"})")
        << QStringList{"ID1|P|unknown|iOS||physical"} << QString();
    QTest::addRow("bootState null counts as missing")
        << oneDevice(R"({"name": "P", "bootState": null})")
        << QStringList{"ID1|P|unknown|iOS||physical"} << QString();
    QTest::addRow("hardware platform kept as reported")
        << oneDevice(R"({"name": "W", "bootState": "booted"})", R"({"platform": "watchOS"})")
        << QStringList{"ID1|W|Booted|watchOS||physical"} << QString();

    QTest::addRow("missing hardwareProperties")
        << QByteArray(R"({"result": {"devices": [
               {"identifier": "OK", "deviceProperties": {"name": "A"}, "hardwareProperties": {"platform": "iOS"}},
               {"identifier": "ID2", "deviceProperties": {"name": "B"}}]}})")
        << QStringList() << QStringLiteral("result.devices[1].hardwareProperties");
    QTest::addRow("missing platform")
        << oneDevice(R"({"name": "P"})", R"({"deviceType": "iPhone"})") << QStringList()
        << QStringLiteral("result.devices[0].hardwareProperties.platform");
    QTest::addRow("name of wrong type")
        << oneDevice(R"({"name": 7})") << QStringList()
        << QStringLiteral("result.devices[0].deviceProperties.name");
    QTest::addRow("osVersionNumber of wrong type")
        << oneDevice(R"({"name": "P", "osVersionNumber": 17.2})") << QStringList()
        << QStringLiteral("result.devices[0].deviceProperties.osVersionNumber");
    QTest::addRow("identifier null")
        << QByteArray(
               R"({"result": {"devices": [{"identifier": null, "deviceProperties": {"name": "A"}, "hardwareProperties": {"platform": "iOS"}}]}})")
        << QStringList() << QStringLiteral("result.devices[0].identifier");
    QTest::addRow("device entry not an object")
        << QByteArray(R"({"result": {"devices": ["ID1"]}})") << QStringList()
        << QStringLiteral("result.devices[0]");
    QTest::addRow("devices not an array") << QByteArray(R"({"result": {"devices": {}}})")
                                          << QStringList() << QStringLiteral("result.devices");
    QTest::addRow("no result (error outcome)")
        << QByteArray(
               R"({"error": {"code": 1, "domain": "com.apple.dt.CoreDeviceError"}, "info": {"outcome": "failed"}})")
        << QStringList() << QStringLiteral("result");
    QTest::addRow("truncated file")
        << QByteArray(deviceListing).left(500) << QStringList() << QStringLiteral("<document>");
    QTest::addRow("empty file") << QByteArray() << QStringList() << QStringLiteral("<document>");
}

void tst_DeviceCtlParsing::parsePhysicalDevices()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, expected);
    QFETCH(QString, failurePath);

    if (failurePath.isEmpty()) {
        QCOMPARE(describe(DeviceCtlClient::parsePhysicalDevices(json)), expected);
        return;
    }
    try {
        (void)DeviceCtlClient::parsePhysicalDevices(json);
        QFAIL("decoded a document that lacks a required value");
    } catch (const JsonDecodingError& error) {
        QCOMPARE(error.codingPath().isEmpty() ? QStringLiteral("<document>") : error.codingPath(),
                 failurePath);
        QVERIFY(error.errorDescription().startsWith(u"The data couldn’t be read"));
    }
}

void tst_DeviceCtlParsing::decodesApps()
{
    const DeviceCtlAppsResponse response = DeviceCtlAppsResponse::decode(appListing);
    QCOMPARE(response.result.apps.size(), 2);
    const DeviceCtlApp& shop = response.result.apps[0];
    QCOMPARE(shop.bundleIdentifier, u"com.example.shop");
    QCOMPARE(shop.name, QStringLiteral("Shop"));
    QCOMPARE(shop.version, QStringLiteral("3.2.0"));
    QCOMPARE(shop.bundleVersion, QStringLiteral("412"));
    QVERIFY(shop.url && shop.url->endsWith(u"/Shop.app/"));
    const DeviceCtlApp& widgets = response.result.apps[1];
    QCOMPARE(widgets.bundleIdentifier, u"com.example.widgets");
    QVERIFY(!widgets.name && !widgets.version && !widgets.bundleVersion && !widgets.url);
}

void tst_DeviceCtlParsing::rejectsApps_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("failurePath");

    QTest::addRow("app without bundleIdentifier")
        << QByteArray(R"({"result": {"apps": [{"bundleIdentifier": "a"}, {"name": "No id"}]}})")
        << QStringLiteral("result.apps[1].bundleIdentifier");
    QTest::addRow("version of wrong type")
        << QByteArray(R"({"result": {"apps": [{"bundleIdentifier": "a", "version": 3}]}})")
        << QStringLiteral("result.apps[0].version");
    QTest::addRow("apps missing") << QByteArray(R"({"result": {"deviceIdentifier": "X"}})")
                                  << QStringLiteral("result.apps");
    QTest::addRow("top level array") << QByteArray("[]") << QString();
}

void tst_DeviceCtlParsing::rejectsApps()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, failurePath);
    try {
        (void)DeviceCtlAppsResponse::decode(json);
        QFAIL("decoded a document that lacks a required value");
    } catch (const JsonDecodingError& error) {
        QCOMPARE(error.codingPath(), failurePath);
    }
}

QTEST_GUILESS_MAIN(tst_DeviceCtlParsing)
#include "tst_DeviceCtlParsing.moc"
