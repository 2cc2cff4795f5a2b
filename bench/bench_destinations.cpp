// Parsing big simulator listings, and what fetching destinations costs beyond running the tools.
// Run: build/release/bench/bench_destinations 2>/dev/null
#include "destinations/RunDestinationManager.h"
#include "destinations/SimctlClient.h"
#include "platform/AppSettings.h"
#include "toolchain/CommandRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>

#include <QCoro/QCoroTask>

#include <algorithm>
#include <cstdio>

namespace {

const char* const runtimes[] = {"iOS-17-0",     "iOS-17-2",    "iOS-17-4",     "iOS-18-0",
                                "tvOS-17-2",    "tvOS-18-0",   "watchOS-10-2", "watchOS-11-0",
                                "visionOS-1-0", "visionOS-2-0"};

QString udid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// A listing shaped like `simctl list devices --json`, with the keys real output carries.
QByteArray jsonListing(int devices) {
    QByteArray json = "{\n  \"devices\" : {\n";
    const int perRuntime = devices / int(std::size(runtimes));
    for (size_t r = 0; r < std::size(runtimes); ++r) {
        json += "    \"com.apple.CoreSimulator.SimRuntime." + QByteArray(runtimes[r]) + "\" : [\n";
        for (int i = 0; i < perRuntime; ++i) {
            const QByteArray id = udid().toLatin1();
            json += "      {\n"
                    "        \"lastBootedAt\" : \"2024-03-02T10:41:07Z\",\n"
                    "        \"dataPath\" : "
                    "\"\\/Users\\/dev\\/Library\\/Developer\\/CoreSimulator\\/Devices\\/" +
                    id +
                    "\\/data\",\n"
                    "        \"dataPathSize\" : 2148237312,\n"
                    "        \"logPath\" : \"\\/Users\\/dev\\/Library\\/Logs\\/CoreSimulator\\/" +
                    id +
                    "\",\n"
                    "        \"udid\" : \"" +
                    id +
                    "\",\n"
                    "        \"isAvailable\" : true,\n"
                    "        \"logPathSize\" : 1224704,\n"
                    "        \"deviceTypeIdentifier\" : "
                    "\"com.apple.CoreSimulator.SimDeviceType.iPhone-15-Pro-Max\",\n"
                    "        \"state\" : \"" +
                    (i % 7 == 0 ? "Booted" : "Shutdown") +
                    "\",\n"
                    "        \"name\" : \"iPhone 15 Pro Max " +
                    QByteArray::number(i) + "\"\n      }" + (i + 1 < perRuntime ? ",\n" : "\n");
        }
        json += r + 1 < std::size(runtimes) ? "    ],\n" : "    ]\n";
    }
    return json + "  }\n}\n";
}

QByteArray textListing(int lines) {
    QByteArray text = "== Devices ==\n";
    int written = 1;
    for (size_t r = 0; written < lines; r = (r + 1) % std::size(runtimes)) {
        text += "-- " + QByteArray(runtimes[r]).replace('-', ' ') + " --\n";
        ++written;
        for (int i = 0; i < 50 && written < lines; ++i, ++written) {
            text += "    iPhone 15 Pro (" + udid().toLatin1() + ") (" +
                    (i % 7 == 0 ? "Booted" : "Shutdown") + ") \n";
        }
    }
    return text;
}

struct Figures {
    double median = 0;
    double min = 0;
};

template <typename F> Figures measure(int runs, F&& run) {
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times.at(times.size() / 2), times.first()};
}

bool writeFile(const QString& path, const QByteArray& bytes, bool executable = false) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return true;
}

QCoro::Task<> bareRuns(QUrl simctl, QUrl devicectl, QString file) {
    auto first = CommandRunner::run(simctl, {"list", "devices", "--json"}, {}, true, true);
    auto second =
        CommandRunner::run(devicectl, {"list", "devices", "--json-output", file}, {}, true, true);
    co_await std::move(first);
    co_await std::move(second);
    QFile::remove(file);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir scratch;
    AppSettings::redirectTo(scratch.filePath(QStringLiteral("settings")));

    const QString json = QString::fromUtf8(jsonListing(2000));
    const QString text = QString::fromUtf8(textListing(2000));
    qsizetype parsed = 0;
    const Figures jsonParse =
        measure(40, [&] { parsed += SimctlClient::parseSimulatorList(json).size(); });
    const Figures textParse =
        measure(40, [&] { parsed += SimctlClient::parseSimulatorList(text).size(); });
    std::printf("parseSimulatorList, JSON %.2f MB, %lld devices: median %.2f ms, min %.2f ms "
                "(target <= 10 ms)\n",
                json.toUtf8().size() / 1e6,
                qlonglong(SimctlClient::parseSimulatorList(json).size()), jsonParse.median,
                jsonParse.min);
    std::printf("parseSimulatorList, text %lld lines, %lld devices: median %.2f ms, min %.2f ms "
                "(target <= 10 ms)\n",
                qlonglong(text.count(u'\n')),
                qlonglong(SimctlClient::parseSimulatorList(text).size()), textParse.median,
                textParse.min);

    // A bundle whose tools answer at once: simctl prints a small listing, devicectl copies a
    // device document to its output file.
    const QString bundle = scratch.filePath(QStringLiteral("Xcode.app"));
    const QString bin = bundle + QStringLiteral("/Contents/Developer/usr/bin");
    QDir().mkpath(bin);
    const QString simctlOutput = scratch.filePath(QStringLiteral("simctl.json"));
    const QString devicectlOutput = scratch.filePath(QStringLiteral("devicectl.json"));
    writeFile(simctlOutput, jsonListing(30));
    writeFile(devicectlOutput,
              R"({"result": {"devices": [{"identifier": "P1", "deviceProperties": {"name": "Phone",
              "bootState": "booted", "osVersionNumber": "17.4"}, "hardwareProperties":
              {"platform": "iOS"}}]}})");
    writeFile(bin + QStringLiteral("/simctl"),
              "#!/bin/sh\nexec cat '" + simctlOutput.toUtf8() + "'\n", true);
    writeFile(bin + QStringLiteral("/devicectl"),
              "#!/bin/sh\nexec cp '" + devicectlOutput.toUtf8() + "' \"$4\"\n", true);
    const QUrl xcode = QUrl::fromLocalFile(bundle);

    RunDestinationManager manager;
    const int runs = 40;
    QCoro::waitFor(manager.fetchDevices(xcode)); // warm up
    QCoro::waitFor(bareRuns(QUrl::fromLocalFile(bin + "/simctl"),
                            QUrl::fromLocalFile(bin + "/devicectl"),
                            scratch.filePath(QStringLiteral("out.json"))));
    // Interleaved so that machine load drifts hit both alike.
    QList<double> bare;
    QList<double> fetch;
    for (int i = 0; i < runs; ++i) {
        bare.append(measure(1, [&] {
                        QCoro::waitFor(bareRuns(QUrl::fromLocalFile(bin + "/simctl"),
                                                QUrl::fromLocalFile(bin + "/devicectl"),
                                                scratch.filePath(QStringLiteral("out.json"))));
                    }).median);
        fetch.append(measure(1, [&] { QCoro::waitFor(manager.fetchDevices(xcode)); }).median);
    }
    std::sort(bare.begin(), bare.end());
    std::sort(fetch.begin(), fetch.end());
    const double bareMedian = bare.at(runs / 2);
    const double fetchMedian = fetch.at(runs / 2);
    std::printf("fetchDevices with tools that exit at once (%lld destinations): median %.2f ms; "
                "the two tool runs alone: median %.2f ms; overhead %.2f ms (target <= 5 ms)\n",
                qlonglong(manager.devices().size()), fetchMedian, bareMedian,
                fetchMedian - bareMedian);
    return parsed > 0 ? 0 : 1;
}
