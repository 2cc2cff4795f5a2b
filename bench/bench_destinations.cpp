// Parsing big simulator listings, and what fetching destinations costs beyond running the tools:
// with tools that exit at once, and with the demo stand-ins (simulators, one iPhone, three Android
// devices through adb).
// Run: build/release/bench/bench_destinations 2>/dev/null
#include "destinations/RunDestinationManager.h"
#include "destinations/SimctlClient.h"
#include "platform/AppPaths.h"
#include "toolchain/AdbLocator.h"
#include "toolchain/CommandRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

// The deadline the clients give a listing.
const std::chrono::milliseconds listing = CommandRunner::listingDeadline();

QCoro::Task<> bareRuns(QUrl simctl, QUrl devicectl, QUrl adb, QString file) {
    auto first = CommandRunner::run(simctl, {"list", "devices", "--json"}, {}, true, true, listing);
    auto second = CommandRunner::run(devicectl, {"list", "devices", "--json-output", file}, {},
                                     true, true, listing);
    auto third = CommandRunner::run(adb, {"devices", "-l"}, {}, true, true, listing);
    co_await std::move(first);
    co_await std::move(second);
    co_await std::move(third);
    QFile::remove(file);
}

// The calls a fetch makes of the demo stand-ins, run bare: the three listings side by side,
// then adb's name and version calls (at most four at once, here four) once adb has listed.
QCoro::Task<> bareDemoRuns(QString bin, QString adb, QString file) {
    const QMap<QString, QString> developer{
        {QStringLiteral("DEVELOPER_DIR"), QFileInfo(bin + "/../..").canonicalFilePath()}};
    auto simctl = CommandRunner::run(QUrl::fromLocalFile(bin + "/simctl"),
                                     {"list", "devices", "--json"}, {}, true, true, listing);
    auto devicectl = CommandRunner::run(QUrl::fromLocalFile(bin + "/devicectl"),
                                        {"list", "devices", "--json-output", file}, developer, true,
                                        true, listing);
    const QUrl adbUrl = QUrl::fromLocalFile(adb);
    // Named lists: GCC 12 rejects a braced list of literals inside a co_await expression.
    const QStringList devices{"devices", "-l"};
    co_await CommandRunner::run(adbUrl, devices, {}, true, true, listing);
    const QString getprop = QStringLiteral("getprop");
    const QString release = QStringLiteral("ro.build.version.release");
    // One worker asks the emulator its name, then its version; another the phone its version.
    const auto describeEmulator = [](QUrl adb, QString getprop, QString release) -> QCoro::Task<> {
        const QStringList name{"-s", "emulator-5554", "emu", "avd", "name"};
        co_await CommandRunner::run(adb, name, {}, true, true, listing);
        const QStringList version{"-s", "emulator-5554", "shell", getprop, release};
        co_await CommandRunner::run(adb, version, {}, true, true, listing);
    };
    auto emulator = describeEmulator(adbUrl, getprop, release);
    auto phone = CommandRunner::run(adbUrl, {"-s", "R5CT1234567", "shell", getprop, release}, {},
                                    true, true, listing);
    co_await std::move(emulator);
    co_await std::move(phone);
    co_await std::move(simctl);
    co_await std::move(devicectl);
    QFile::remove(file);
}

// Median of `runs` fetches and of `runs` bare runs, interleaved so that machine load drifts hit
// both alike.
template <typename Fetch, typename Bare>
std::pair<double, double> sideBySide(int runs, Fetch&& fetch, Bare&& bare) {
    QList<double> bareTimes;
    QList<double> fetchTimes;
    for (int i = 0; i < runs; ++i) {
        bareTimes.append(measure(1, bare).median);
        fetchTimes.append(measure(1, fetch).median);
    }
    std::sort(bareTimes.begin(), bareTimes.end());
    std::sort(fetchTimes.begin(), fetchTimes.end());
    return {fetchTimes.at(runs / 2), bareTimes.at(runs / 2)};
}

bool runScript(const QString& script, const QString& path) {
    QProcess maker;
    maker.start(QStringLiteral("/bin/sh"), {QStringLiteral(KESTRINE_SOURCE_DIR) + script, path});
    return maker.waitForFinished(30000) && maker.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir scratch;
    qputenv(AppPaths::homeVariable, scratch.path().toUtf8());

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
    // An adb with no device; without one set, the machine's own would start a server.
    writeFile(bin + QStringLiteral("/adb"), "#!/bin/sh\necho 'List of devices attached'\n", true);
    AdbLocator::adbPathSetting().setValue(bin + QStringLiteral("/adb"));
    const QUrl xcode = QUrl::fromLocalFile(bundle);

    RunDestinationManager manager;
    const int runs = 40;
    QCoro::waitFor(manager.fetchDevices(xcode)); // warm up
    QCoro::waitFor(
        bareRuns(QUrl::fromLocalFile(bin + "/simctl"), QUrl::fromLocalFile(bin + "/devicectl"),
                 QUrl::fromLocalFile(bin + "/adb"), scratch.filePath(QStringLiteral("out.json"))));
    // Interleaved so that machine load drifts hit both alike.
    QList<double> bare;
    QList<double> fetch;
    for (int i = 0; i < runs; ++i) {
        bare.append(measure(1, [&] {
                        QCoro::waitFor(bareRuns(QUrl::fromLocalFile(bin + "/simctl"),
                                                QUrl::fromLocalFile(bin + "/devicectl"),
                                                QUrl::fromLocalFile(bin + "/adb"),
                                                scratch.filePath(QStringLiteral("out.json"))));
                    }).median);
        fetch.append(measure(1, [&] { QCoro::waitFor(manager.fetchDevices(xcode)); }).median);
    }
    std::sort(bare.begin(), bare.end());
    std::sort(fetch.begin(), fetch.end());
    const double bareMedian = bare.at(runs / 2);
    const double fetchMedian = fetch.at(runs / 2);
    std::printf("fetchDevices with tools that exit at once (%lld destinations): median %.2f ms; "
                "the three tool runs alone: median %.2f ms; overhead %.2f ms (target <= 5 ms)\n",
                qlonglong(manager.devices().size()), fetchMedian, bareMedian,
                fetchMedian - bareMedian);

    // The demo stand-ins: their simulators and iPhone, an emulator, a phone and a phone that has
    // not allowed USB debugging.
    const QString demoXcode = scratch.filePath(QStringLiteral("Demo/Xcode.app"));
    const QString demoSdk = scratch.filePath(QStringLiteral("Demo/sdk"));
    if (!runScript(QStringLiteral("/tools/make-demo-xcode.sh"), demoXcode) ||
        !runScript(QStringLiteral("/tools/make-demo-android-sdk.sh"), demoSdk)) {
        std::fprintf(stderr, "cannot make the demo tools\n");
        return 1;
    }
    const QString demoBin = demoXcode + QStringLiteral("/Contents/Developer/usr/bin");
    const QString demoAdb = demoSdk + QStringLiteral("/platform-tools/adb");
    AdbLocator::adbPathSetting().setValue(demoAdb);
    const QUrl demoUrl = QUrl::fromLocalFile(demoXcode);
    RunDestinationManager demo;
    QCoro::waitFor(demo.fetchDevices(demoUrl)); // warm up
    const auto [demoFetch, demoBare] = sideBySide(
        runs, [&] { QCoro::waitFor(demo.fetchDevices(demoUrl)); },
        [&] {
            QCoro::waitFor(
                bareDemoRuns(demoBin, demoAdb, scratch.filePath(QStringLiteral("demo.json"))));
        });
    qsizetype android = 0;
    for (const Device& device : demo.devices())
        android += isAndroid(device);
    std::printf("fetchDevices with the demo stand-ins (%lld destinations, %lld of them Android): "
                "median %.2f ms; the same tool runs alone: median %.2f ms; overhead %.2f ms "
                "(target <= 5 ms)\n",
                qlonglong(demo.devices().size()), qlonglong(android), demoFetch, demoBare,
                demoFetch - demoBare);
    return parsed > 0 ? 0 : 1;
}
