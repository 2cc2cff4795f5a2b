#pragma once

#include "destinations/Device.h"
#include "platform/FiringOutcome.h"
#include "platform/JsonDecoding.h"
#include "platform/Logger.h"
#include "toolchain/CommandRunner.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>

// Runs the device control tool of one Xcode installation
// (<xcode>/Contents/Developer/usr/bin/devicectl, with DEVELOPER_DIR set to Contents/Developer)
// for connected devices. Results the tool writes to a file go through a temporary file of a
// unique name in the user's temporary directory, removed again whatever happens. Listings and
// icons get CommandRunner::listingDeadline(), a launch the deadline it is given.
//
// Every operation copies the client before its first suspension, so a temporary client may be
// awaited safely.
class DeviceCtlClient {
public:
    DeviceCtlClient(QUrl xcodeURL, Logger logger);

    [[nodiscard]] const QUrl& xcodeURL() const { return m_xcodeURL; }
    [[nodiscard]] QString toolPath() const;
    [[nodiscard]] QString developerDirectory() const;
    [[nodiscard]] const Logger& logger() const { return m_logger; }

    // `devicectl list devices`: the bytes of the JSON document the tool wrote. Throws
    // CommandError when the tool fails, AppError when it cannot start or its file cannot be read
    // or is larger than CommandRunner::outputLimit.
    [[nodiscard]] QCoro::Task<QByteArray> listDevices() const;

    // `devicectl device info apps --device <deviceId>`: the bytes of the apps document; throws
    // like listDevices().
    [[nodiscard]] QCoro::Task<QByteArray> listApps(QString deviceId) const;

    // `devicectl device info appIcon --device <deviceId> --app-bundle-id <bundleId> …` (180 x
    // 180 at scale 3): the bytes of the image file the tool wrote, empty when it wrote none or
    // one larger than CommandRunner::outputLimit. Throws CommandError when the tool fails,
    // AppError when it cannot start.
    [[nodiscard]] QCoro::Task<QByteArray> appIcon(QString deviceId, QString bundleId) const;

    // `devicectl device process launch --device <deviceId> --payload-url <url> <bundleId>`, with
    // --terminate-existing when `cold` (an instance already running is stopped first). Throws
    // CommandError with the tool's message when the launch fails. The outcome names the app and
    // carries the process identifier of the tool's JSON document when it has one.
    [[nodiscard]] QCoro::Task<FiringOutcome>
    launchApp(QString deviceId, QString bundleId, QString payloadURL,
              std::chrono::milliseconds deadline = CommandRunner::firingDeadline(),
              bool cold = false) const;

    // The command line launchApp() runs, as `env DEVELOPER_DIR=… <devicectl> device process
    // launch …`, without the temporary file the tool writes its JSON document to.
    [[nodiscard]] QStringList launchCommand(const QString& deviceId, const QString& bundleId,
                                            const QString& payloadURL, bool cold = false) const;

    // result.process.processIdentifier of a launch's JSON document, when it is a positive whole
    // number.
    [[nodiscard]] static std::optional<qint64> parseLaunchedProcess(const QByteArray& json);

    // Devices of a `list devices` document, or why the document does not have the required
    // shape.
    static Result<QList<Device>, JsonDecodingError> parsePhysicalDevices(const QByteArray& json);

    // The name of the icon's temporary file. The bundle identifier comes from the device, so
    // characters that could lead out of the temporary directory are replaced.
    [[nodiscard]] static QString iconFileName(const QString& bundleId, const QString& uuid);

private:
    // `device process launch …` up to the bundle identifier.
    [[nodiscard]] static QStringList launchArguments(const QString& deviceId,
                                                     const QString& bundleId,
                                                     const QString& payloadURL, bool cold);
    [[nodiscard]] QCoro::Task<CommandOutput> run(QStringList arguments,
                                                 std::chrono::milliseconds deadline) const;
    [[nodiscard]] QCoro::Task<QByteArray> listing(QString filePrefix, QStringList arguments,
                                                  QString what) const;

    QUrl m_xcodeURL;
    Logger m_logger;
};
