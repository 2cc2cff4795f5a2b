#include "DeviceFixtures.h"

#include "destinations/DeviceCtlClient.h"
#include "platform/JsonDecoding.h"

#include <QTest>

namespace {

using DeviceFixtures::describe;

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

class tst_DeviceCtlParsing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parsePhysicalDevices_data();
    void parsePhysicalDevices();
};

void tst_DeviceCtlParsing::parsePhysicalDevices_data() {
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

void tst_DeviceCtlParsing::parsePhysicalDevices() {
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

QTEST_GUILESS_MAIN(tst_DeviceCtlParsing)
#include "tst_DeviceCtlParsing.moc"
