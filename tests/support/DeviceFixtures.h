#pragma once

#include "destinations/Device.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <utility>

// Run destinations for tests: a few named devices, a builder, one line per device to compare
// lists with, and the listings the stand-in simctl and devicectl hand back.
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

inline QStringList ids(const QList<Device>& devices) {
    QStringList result;
    for (const Device& device : devices)
        result.append(device.id);
    return result;
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
