#pragma once

#include "destinations/Device.h"
#include "platform/FiringOutcome.h"
#include "toolchain/CommandRunner.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>

// Runs the simulator control tool of one Xcode installation
// (<xcode>/Contents/Developer/usr/bin/simctl) and turns its listing into destinations.
class SimctlClient {
public:
    explicit SimctlClient(QUrl xcodeURL);

    [[nodiscard]] const QUrl& xcodeURL() const { return m_xcodeURL; }
    [[nodiscard]] QString toolPath() const;

    // `simctl list devices --json`: the tool's standard output as text. Throws CommandError when
    // the tool fails or its output is not UTF-8, AppError when the tool cannot be started.
    // (Both operations read the client before their first suspension: a temporary client is
    // fine to await.)
    [[nodiscard]] QCoro::Task<QString> listDevices() const;

    // `simctl openurl <deviceId> <url>`, the URL text handed over as it is, within `deadline`,
    // and what the simulator did with it. First `simctl listapps <deviceId>` finds the app the URL
    // goes to (see SimulatorApps::plan); a custom scheme no app declares gives "no-handler"
    // naming `deviceName` and runs nothing more. Cold: `simctl terminate` stops that app first.
    // An unusable app listing only costs the handler's name. Throws like listDevices() when
    // openurl fails, except for the "no app for the URL" status (-10814): "no-handler".
    [[nodiscard]] QCoro::Task<FiringOutcome>
    openURL(QString url, QString deviceId, QString deviceName,
            std::chrono::milliseconds deadline = CommandRunner::firingDeadline(),
            bool cold = false) const;

    // The program and arguments openURL() runs to fire `url` (not the app listing before it, nor
    // the cold start's stop): the tool's path, "openurl", the simulator, the URL.
    [[nodiscard]] QStringList openURLCommand(const QString& url, const QString& deviceId) const;

    // `simctl io <deviceId> screenshot <path>`, within CommandRunner::listingDeadline(). Throws
    // like listDevices().
    [[nodiscard]] QCoro::Task<> screenshot(QString deviceId, QString path) const;

    // `simctl boot <deviceId>`, then `simctl bootstatus <deviceId> -b`, which returns once the
    // simulator has finished booting; each within CommandRunner::bootDeadline(). Throws like
    // listDevices().
    [[nodiscard]] QCoro::Task<> boot(QString deviceId) const;

    // Simulators of a listing: the JSON form first, the human-readable form when the text is not
    // a listing in JSON. Never fails; what does not fit is left out.
    [[nodiscard]] static QList<Device> parseSimulatorList(const QString& output);

    struct Runtime {
        QString platform;
        QString version;
        bool operator==(const Runtime&) const = default;
    };
    // "com.apple.CoreSimulator.SimRuntime.iOS-17-2", "iOS 17.2" and "iOS-17-2" all give
    // {"iOS", "17.2"}; an empty text gives {"iOS", ""}.
    [[nodiscard]] static Runtime parseRuntime(QStringView runtime);

private:
    QUrl m_xcodeURL;
};
