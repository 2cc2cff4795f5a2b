#pragma once

#include "TestData.h"

#include "destinations/Device.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTest>

#include <utility>

// Run destinations for tests: a few named devices, a builder, one line per device to compare
// lists with, what the parsers make of each sample listing, and the listings the stand-in simctl
// and devicectl hand back.
namespace DeviceFixtures {

inline Device device(const QString& id, const QString& name,
                     DeviceState state = DeviceState::Shutdown,
                     const QString& runtime = QStringLiteral("iOS"),
                     DeviceSource source = DeviceSource::Simulator,
                     const QString& runtimeVersion = {}) {
    return Device{id, name, state, runtime, runtimeVersion, source, {}};
}

inline const Device phone =
    device(QStringLiteral("DEV-1"), QStringLiteral("Test iPhone"), DeviceState::Booted,
           QStringLiteral("iOS"), DeviceSource::Physical, QStringLiteral("17.2"));
inline const Device tablet =
    device(QStringLiteral("DEV-2"), QStringLiteral("Test iPad"), DeviceState::Booted,
           QStringLiteral("iOS"), DeviceSource::Physical, QStringLiteral("17.1"));
inline const Device simulator =
    device(QStringLiteral("SIM-1"), QStringLiteral("iPhone 15"), DeviceState::Booted,
           QStringLiteral("iOS"), DeviceSource::Simulator, QStringLiteral("17.2"));
// The demo adb's emulator and authorised phone.
inline const Device emulator =
    device(QStringLiteral("emulator-5554"), QStringLiteral("Pixel 7"), DeviceState::Booted,
           QStringLiteral("Android"), DeviceSource::AndroidEmulator);
inline const Device androidPhone =
    device(QStringLiteral("R5CT1234567"), QStringLiteral("SM A546B"), DeviceState::Booted,
           QStringLiteral("Android"), DeviceSource::AndroidDevice);

// "id|name|state|runtime|version|source" per device, "|stateText" after it when there is one.
inline QStringList describe(const QList<Device>& devices) {
    QStringList lines;
    for (const Device& d : devices) {
        QStringList fields{d.id,      d.name,           rawValue(d.state),
                           d.runtime, d.runtimeVersion, rawValue(d.source)};
        if (!d.stateText.isEmpty())
            fields.append(d.stateText);
        lines.append(fields.join(QLatin1Char('|')));
    }
    return lines;
}

// The devices describe() puts as `lines`; fields left out keep device()'s defaults.
inline QList<Device> fromRows(const QStringList& lines) {
    QList<Device> devices;
    for (const QString& line : lines) {
        const QStringList f = line.split(u'|');
        devices.append(device(
            f[0], f[1], deviceStateFromRawValue(f[2]), f[3],
            deviceSourceFromRawValue(f.value(5)).value_or(DeviceSource::Simulator), f.value(4)));
    }
    return devices;
}

inline QStringList ids(const QList<Device>& devices) {
    QStringList result;
    for (const Device& device : devices)
        result.append(device.id);
    return result;
}

// Field `index` of each of describe()'s `lines` (0: id, 1: name, ...).
inline QStringList column(const QStringList& lines, int index) {
    QStringList result;
    for (const QString& line : lines)
        result.append(line.section(u'|', index, index));
    return result;
}

inline const QString offline =
    QStringLiteral("offline: not responding; wait for it to start or reconnect it");
inline const QString unauthorized =
    QStringLiteral("unauthorized: allow USB debugging on the phone");
// A remembered destination the listing lacks.
inline const QString notConnected =
    QStringLiteral("not connected: connect it again or choose another destination");

// The demo adb's machine as AdbClient lists it (make-demo-android-sdk.sh).
inline const QStringList demoAndroid{
    "emulator-5554|Pixel 7 API 34|Booted|Android|14|androidEmulator",
    "R5CT1234567|SM A546B|Booted|Android|13|androidDevice",
    "0A1B2C3D4E5F6789|0A1B2C3D4E5F6789|Unavailable|Android||androidDevice|" + unauthorized};

// describe() of what the parser makes of each sample listing under tests/data/destinations/, or
// "error at <coding path>" for a document that does not decode.
inline QStringList parsedRows(const QString& sample) {
    static const QHash<QString, QStringList> rows{
        {"adb/header-only-daemon-starting.txt", {}},
        {"adb/emulator-and-phone.txt",
         {"emulator-5554|sdk gphone64 x86 64|Booted|Android||androidEmulator",
          "R5CT1234567|SM A546B|Booted|Android||androidDevice"}},
        {"adb/without-l-named-by-serial.txt",
         {"emulator-5556|emulator-5556|Booted|Android||androidEmulator",
          "0123ABC|0123ABC|Unavailable|Android||androidDevice|" + offline}},
        {"adb/wireless-serials.txt",
         {"adb-R5CT1234567-AbCdEf._adb-tls-connect._tcp|Galaxy A54|Booted|Android||androidDevice",
          "192.168.1.20:5555|Pixel 8|Booted|Android||androidDevice"}},
        {"adb/no-permissions-with-advice.txt",
         {"0123456789ABCDEF|0123456789ABCDEF|Unavailable|Android||androidDevice|no permissions: "
          "this user may not open the phone; check its udev rules"}},
        {"adb/every-other-state.txt",
         {"A|A|Unavailable|Android||androidDevice|" + unauthorized,
          "B|X|Unavailable|Android||androidDevice|recovery: restart the phone into Android",
          "C|C|Unavailable|Android||androidDevice|sideload: finish the sideload and restart the "
          "phone",
          "D|D|Unavailable|Android||androidDevice|bootloader: restart the phone into Android",
          "E|E|Unavailable|Android||androidDevice|authorizing: accept this computer on the phone",
          "F|F|Unavailable|Android||androidDevice|connecting: adb is still connecting to it",
          "emulator-5558|emulator-5558|Unavailable|Android||androidEmulator|" + offline}},
        // A serial alone, a state adb does not have, "emulator-" without a number.
        {"adb/lines-in-no-known-state.txt",
         {"emulator-55x|emulator-55x|Booted|Android||androidDevice"}},
        {"simctl/not-a-listing.txt", {}},
        // Runtimes in the JSON object's key order; states other than the raw values are unknown.
        {"simctl/json-listing.json",
         {"U3|iPhone 14|Shutdown|iOS|16.0|simulator", "U1|iPhone 15|Booted|iOS|17.2|simulator",
          "U2|iPad Pro (11-inch)|unknown|iOS|17.2|simulator",
          "U4|Apple Watch|unknown|watchOS|10.2|simulator"}},
        {"simctl/json-isAvailable-absent-or-null.json",
         {"U1|A|Booted|iOS|17.2|simulator", "U2|B|Booted|iOS|17.2|simulator"}},
        // A JSON document of another shape is not a listing; the text rules find nothing in it.
        {"simctl/json-device-without-udid.json", {}},
        // The "-- Unavailable: ... --" line is a header like any other.
        {"simctl/text-listing.txt",
         {"6F3A9C1E-2B7D-4E0A-9C55-0D1E2F3A4B5C|iPhone 15|Booted|iOS|17.2|simulator",
          "0C2E7A44-91B3-4F6D-8E21-7A6B5C4D3E2F|iPad Pro (11-inch) (4th "
          "generation)|Shutdown|iOS|17.2|simulator",
          "A1B2C3D4-0000-4000-8000-111122223333|Apple TV 4K (3rd "
          "generation)|Shutdown|tvOS|17.2|simulator",
          "B7E1D2C3-4444-4555-8666-777788889999|Apple Watch Series 9 "
          "(45mm)|Booted|watchOS|10.2|simulator",
          "C0FFEE00-1234-4321-8765-ABCDEF012345|Apple Vision Pro|Shutdown|visionOS|1.0|simulator",
          "DEADBEEF-0000-4000-8000-000000000016|iPhone 14|Shutdown|iOS|16.0|simulator"}},
        {"simctl/text-lines-before-any-header.txt",
         {"ABCDEF01-2345|My Phone|Booted|iOS||simulator"}},
        {"simctl/text-lower-case-udid.txt",
         {"6F3A9C1E-2B7E|iPhone 15 Pro|Shutdown|iOS|17.2|simulator"}},
        {"simctl/text-other-states.txt",
         {"AAAA|A|unknown|iOS|17.2|simulator", "BBBB|B|Booted|iOS|17.2|simulator",
          "CCCC|C|unknown|iOS|17.2|simulator"}},
        {"simctl/text-unavailable-and-notes.txt", {"CCCC|Z|Shutdown|iOS|17.2|simulator"}},
        {"simctl/text-short-headers.txt", {"AA|A|Booted|iOS||simulator"}},
        {"devicectl/xcode-15-3-listing.json",
         {"5B4C3D2E-1F0A-4B9C-8D7E-6F5A4B3C2D1E|Dev’s iPhone|Booted|iOS|17.3.1|physical",
          "0E1D2C3B-4A59-4687-9796-A5B4C3D2E1F0|Test iPad|unknown|iOS|16.7.2|physical"}},
        {"devicectl/bootState-shutdown-lower-case.json", {"ID1|P|Shutdown|iOS|17.0|physical"}},
        {"devicectl/bootState-null.json", {"ID1|P|unknown|iOS||physical"}},
        {"devicectl/missing-hardwareProperties.json",
         {"error at result.devices[1].hardwareProperties"}},
        {"devicectl/name-of-wrong-type.json", {"error at result.devices[0].deviceProperties.name"}},
        {"devicectl/device-entry-not-an-object.json", {"error at result.devices[0]"}},
        {"devicectl/no-result-error-outcome.json", {"error at result"}},
        {"devicectl/truncated.json", {"error at <document>"}},
    };
    if (!rows.contains(sample))
        qFatal("DeviceFixtures: no rows for the sample %s", qPrintable(sample));
    return rows.value(sample);
}

// The samples under tests/data/destinations/<tool>/ as a test's data, columns "output" and
// "expected": each as written and again with CRLF line ends, which every tool may print.
inline void addListings(const QString& tool) {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("expected");
    for (const QString& name : TestData::files(QStringLiteral("destinations/") + tool)) {
        const QString sample = tool + u'/' + name;
        const QByteArray output = TestData::read(QStringLiteral("destinations/") + sample);
        QTest::addRow("%s", qPrintable(name)) << output << parsedRows(sample);
        QTest::addRow("%s, CRLF", qPrintable(name))
            << QByteArray(output).replace("\n", "\r\n") << parsedRows(sample);
    }
}

// `simctl list devices --json`: runtime ("iOS-17-2") -> simulators as "udid|name|state".
inline QByteArray simctlJson(const QList<std::pair<QString, QStringList>>& runtimes) {
    QJsonObject devices;
    for (const auto& [runtime, sims] : runtimes) {
        QJsonArray list;
        for (const QString& sim : sims) {
            const QStringList f = sim.split(u'|');
            list.append(QJsonObject{{QStringLiteral("udid"), f[0]},
                                    {QStringLiteral("name"), f[1]},
                                    {QStringLiteral("state"), f[2]},
                                    {QStringLiteral("isAvailable"), true}});
        }
        devices.insert(QStringLiteral("com.apple.CoreSimulator.SimRuntime.") + runtime, list);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("devices"), devices}}).toJson();
}

// `devicectl list devices --json-output` of iOS devices given as "identifier|name|bootState".
inline QByteArray devicectlJson(const QStringList& phones,
                                const QString& osVersion = QStringLiteral("17.4")) {
    QJsonArray list;
    for (const QString& phone : phones) {
        const QStringList f = phone.split(u'|');
        const QJsonObject properties{{QStringLiteral("name"), f[1]},
                                     {QStringLiteral("bootState"), f[2]},
                                     {QStringLiteral("osVersionNumber"), osVersion}};
        list.append(
            QJsonObject{{QStringLiteral("identifier"), f[0]},
                        {QStringLiteral("deviceProperties"), properties},
                        {QStringLiteral("hardwareProperties"),
                         QJsonObject{{QStringLiteral("platform"), QStringLiteral("iOS")}}}});
    }
    const QJsonObject result{{QStringLiteral("devices"), list}};
    return QJsonDocument(QJsonObject{{QStringLiteral("result"), result}}).toJson();
}

} // namespace DeviceFixtures
