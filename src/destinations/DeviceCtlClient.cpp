#include "destinations/DeviceCtlClient.h"

#include "destinations/DeviceCtlFormats.h"
#include "platform/AppError.h"
#include "platform/TextCase.h"
#include "toolchain/CommandRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QUuid>

#include <cmath>

namespace {

QString newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString utf8OrEmpty(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

// A file the tool is asked to write; removed when this goes out of scope, also when the run
// throws or the awaiting task is dropped.
class TemporaryFile {
public:
    explicit TemporaryFile(const QString& name)
        : m_path(QDir(QDir::tempPath()).filePath(name)) {}
    ~TemporaryFile() { QFile::remove(m_path); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    [[nodiscard]] const QString& path() const { return m_path; }

private:
    QString m_path;
};

// What reading a file the tool should have written throws.
[[noreturn]] void throwReadError(const QFile& file) {
    const QString name = QFileInfo(file.fileName()).fileName();
    const QString text =
        file.error() == QFileDevice::OpenError && !QFileInfo::exists(file.fileName())
            ? QStringLiteral("The file “%1” couldn’t be opened because there is no such file.")
                  .arg(name)
            : QStringLiteral("The file “%1” couldn’t be read: %2").arg(name, file.errorString());
    throw AppError(QStringLiteral("Kestrine.FileRead"), int(file.error()), text);
}

} // namespace

DeviceCtlClient::DeviceCtlClient(QUrl xcodeURL, Logger logger)
    : m_xcodeURL(std::move(xcodeURL))
    , m_logger(std::move(logger)) {}

QString DeviceCtlClient::toolPath() const {
    return QDir::cleanPath(m_xcodeURL.toLocalFile() +
                           QStringLiteral("/Contents/Developer/usr/bin/devicectl"));
}

QString DeviceCtlClient::developerDirectory() const {
    return QDir::cleanPath(m_xcodeURL.toLocalFile() + QStringLiteral("/Contents/Developer"));
}

QString DeviceCtlClient::iconFileName(const QString& bundleId, const QString& uuid) {
    QString safe = bundleId;
    for (QChar& c : safe) {
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'_';
    }
    return QStringLiteral("app-icon-") + safe + QLatin1Char('-') + uuid + QStringLiteral(".png");
}

QCoro::Task<CommandOutput> DeviceCtlClient::run(QStringList arguments,
                                                std::chrono::milliseconds deadline) const {
    // Only devicectl gets DEVELOPER_DIR: it picks its frameworks from the chosen Xcode.
    return CommandRunner::run(QUrl::fromLocalFile(toolPath()), std::move(arguments),
                              {{QStringLiteral("DEVELOPER_DIR"), developerDirectory()}}, true, true,
                              deadline);
}

QCoro::Task<QByteArray> DeviceCtlClient::listing(QString filePrefix, QStringList arguments,
                                                 QString what) const {
    const DeviceCtlClient self = *this;
    const TemporaryFile file(filePrefix + newUuid() + QStringLiteral(".json"));
    arguments << QStringLiteral("--json-output") << file.path();

    const CommandOutput result = co_await self.run(arguments, CommandRunner::listingDeadline());
    if (!result.output.isEmpty())
        self.m_logger.info(QStringLiteral("devicectl %1stdout: %{public}s").arg(what),
                           utf8OrEmpty(result.output));
    if (!result.errorOutput.isEmpty())
        self.m_logger.info(QStringLiteral("devicectl %1stderr: %{public}s").arg(what),
                           utf8OrEmpty(result.errorOutput));

    QFile json(file.path());
    if (!json.open(QIODevice::ReadOnly))
        throwReadError(json);
    // Checked before reading, and the read bounded too, for a file still growing.
    QByteArray bytes;
    if (json.size() <= CommandRunner::outputLimit)
        bytes = json.read(CommandRunner::outputLimit + 1);
    if (json.size() > CommandRunner::outputLimit || bytes.size() > CommandRunner::outputLimit) {
        throw AppError(QStringLiteral("Kestrine.FileRead"), int(QFileDevice::ReadError),
                       QStringLiteral("The file “%1” couldn’t be read: it passed 64 MiB.")
                           .arg(QFileInfo(json.fileName()).fileName()));
    }
    if (json.error() != QFileDevice::NoError)
        throwReadError(json);
    co_return bytes;
}

QCoro::Task<QByteArray> DeviceCtlClient::listDevices() const {
    return listing(QStringLiteral("devicectl-devices-"),
                   {QStringLiteral("list"), QStringLiteral("devices")}, QString());
}

QCoro::Task<QByteArray> DeviceCtlClient::listApps(QString deviceId) const {
    return listing(QStringLiteral("devicectl-apps-"),
                   {QStringLiteral("device"), QStringLiteral("info"), QStringLiteral("apps"),
                    QStringLiteral("--device"), deviceId},
                   QStringLiteral("apps "));
}

QCoro::Task<QByteArray> DeviceCtlClient::appIcon(QString deviceId, QString bundleId) const {
    const DeviceCtlClient self = *this;
    const TemporaryFile file(iconFileName(bundleId, newUuid()));
    // Belt and braces: whatever the identifier, the tool writes directly into the temporary
    // directory.
    if (QFileInfo(file.path()).absolutePath() != QFileInfo(QDir::tempPath()).absoluteFilePath())
        co_return QByteArray();
    const QStringList arguments{QStringLiteral("device"),
                                QStringLiteral("info"),
                                QStringLiteral("appIcon"),
                                QStringLiteral("--device"),
                                deviceId,
                                QStringLiteral("--app-bundle-id"),
                                bundleId,
                                QStringLiteral("--allow-placeholder"),
                                QStringLiteral("false"),
                                QStringLiteral("--width"),
                                QStringLiteral("180"),
                                QStringLiteral("--height"),
                                QStringLiteral("180"),
                                QStringLiteral("--scale"),
                                QStringLiteral("3"),
                                QStringLiteral("--destination"),
                                file.path()};
    co_await self.run(arguments, CommandRunner::listingDeadline());

    QFile icon(file.path());
    if (!QFileInfo(icon).isFile() || !icon.open(QIODevice::ReadOnly) ||
        icon.size() > CommandRunner::outputLimit)
        co_return QByteArray();
    co_return icon.read(CommandRunner::outputLimit);
}

QStringList DeviceCtlClient::launchArguments(const QString& deviceId, const QString& bundleId,
                                             const QString& payloadURL, bool cold) {
    QStringList arguments{QStringLiteral("device"),
                          QStringLiteral("process"),
                          QStringLiteral("launch"),
                          QStringLiteral("--device"),
                          deviceId,
                          QStringLiteral("--payload-url"),
                          payloadURL};
    if (cold)
        arguments << QStringLiteral("--terminate-existing");
    arguments << bundleId;
    return arguments;
}

QStringList DeviceCtlClient::launchCommand(const QString& deviceId, const QString& bundleId,
                                           const QString& payloadURL, bool cold) const {
    // env sets DEVELOPER_DIR as run() does, whatever the path holds; a shell assignment would
    // stop being one once the path needs quotes.
    return QStringList{QStringLiteral("env"),
                       QStringLiteral("DEVELOPER_DIR=") + developerDirectory(), toolPath()} +
           launchArguments(deviceId, bundleId, payloadURL, cold);
}

QCoro::Task<FiringOutcome> DeviceCtlClient::launchApp(QString deviceId, QString bundleId,
                                                      QString payloadURL,
                                                      std::chrono::milliseconds deadline,
                                                      bool cold) const {
    const DeviceCtlClient self = *this;
    const TemporaryFile file(QStringLiteral("devicectl-launch-") + newUuid() +
                             QStringLiteral(".json"));
    const QStringList arguments = launchArguments(deviceId, bundleId, payloadURL, cold) +
                                  QStringList{QStringLiteral("--json-output"), file.path()};
    co_await self.run(arguments, deadline);

    FiringOutcome outcome{.handler = bundleId};
    if (cold)
        outcome.launch = FiringOutcome::Launch::Cold;
    QFile json(file.path());
    // The document only adds the process identifier: a launch without one still happened.
    if (json.open(QIODevice::ReadOnly) && json.size() <= CommandRunner::outputLimit)
        outcome.processId = parseLaunchedProcess(json.read(CommandRunner::outputLimit));
    co_return outcome;
}

std::optional<qint64> DeviceCtlClient::parseLaunchedProcess(const QByteArray& json) {
    const QJsonValue id = QJsonDocument::fromJson(json)
                              .object()
                              .value(QLatin1StringView("result"))
                              .toObject()
                              .value(QLatin1StringView("process"))
                              .toObject()
                              .value(QLatin1StringView("processIdentifier"));
    const double number = id.toDouble(-1);
    if (!id.isDouble() || number <= 0 || number != std::floor(number) || number > 2147483647.0)
        return std::nullopt;
    return qint64(number);
}

Result<QList<Device>, JsonDecodingError>
DeviceCtlClient::parsePhysicalDevices(const QByteArray& json) {
    const Result<DeviceCtlResponse, JsonDecodingError> decoded = DeviceCtlResponse::decode(json);
    if (!decoded)
        return ResultError(decoded.error());
    const DeviceCtlResponse& response = *decoded;
    QList<Device> devices;
    devices.reserve(response.result.devices.size());
    for (const DeviceCtlDevice& entry : response.result.devices) {
        Device device;
        device.id = entry.identifier;
        device.name = entry.deviceProperties.name;
        device.state =
            entry.deviceProperties.bootState
                ? deviceStateFromRawValue(TextCase::capitalized(*entry.deviceProperties.bootState))
                : DeviceState::Unknown;
        device.runtime = entry.hardwareProperties.platform;
        device.runtimeVersion = entry.deviceProperties.osVersionNumber.value_or(QString());
        device.source = DeviceSource::Physical;
        devices.append(std::move(device));
    }
    return devices;
}
