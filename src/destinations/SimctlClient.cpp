#include "destinations/SimctlClient.h"

#include "destinations/SimulatorApps.h"
#include "platform/JsonDecoding.h"
#include "toolchain/CommandError.h"
#include "toolchain/CommandRunner.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoro/QCoroFuture>

#include <optional>

namespace {

const QString runtimePrefix = QStringLiteral("com.apple.CoreSimulator.SimRuntime.");

QStringView trimSpacesAndTabs(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin);
}

SimctlClient::Runtime fromHyphenated(QStringView text) {
    const auto pieces = text.split(u'-', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return {QStringLiteral("iOS"), QString()};
    QString version;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        if (i > 1)
            version += QLatin1Char('.');
        version += pieces[i];
    }
    return {pieces.first().toString(), version};
}

// The JSON listing: {"devices": {"<runtime id>": [{"udid", "name", "state", "isAvailable"?}]}}.
// Any departure from that shape rejects the whole document.
std::optional<QList<Device>> parseJsonListing(const QString& output) {
    JsonDecoding json;
    const QJsonObject root = json.documentObject(output.toUtf8());
    const QJsonObject runtimes = json.requiredObject(root, QLatin1StringView("devices"));
    QList<Device> devices;
    for (auto it = runtimes.constBegin(); it != runtimes.constEnd() && !json.hasError(); ++it) {
        if (!it->isArray())
            return std::nullopt;
        const SimctlClient::Runtime runtime = SimctlClient::parseRuntime(it.key());
        const QJsonArray entries = it->toArray();
        for (qsizetype i = 0; i < entries.size() && !json.hasError(); ++i) {
            const QJsonObject entry = json.objectElement(entries[i]);
            Device device;
            device.id = json.requiredString(entry, QLatin1StringView("udid"));
            device.name = json.requiredString(entry, QLatin1StringView("name"));
            device.state =
                deviceStateFromRawValue(json.requiredString(entry, QLatin1StringView("state")));
            // Read only so that a mistyped value rejects the document; unavailable
            // simulators are listed all the same.
            (void)json.optionalBool(entry, QLatin1StringView("isAvailable"));
            device.runtime = runtime.platform;
            device.runtimeVersion = runtime.version;
            device.source = DeviceSource::Simulator;
            devices.append(std::move(device));
        }
    }
    if (json.hasError())
        return std::nullopt;
    return devices;
}

// The human-readable listing of `simctl list devices`:
//   == Devices ==
//   -- iOS 17.2 --
//       iPhone 15 (5A1B...-...) (Booted)
QList<Device> parseTextListing(const QString& output) {
    static const QRegularExpression deviceLine(
        QStringLiteral(R"(^(.+?)\s+\(([A-F0-9-]+)\)\s+\(([^)]+)\))"),
        // Matches \s the way the tool's own (ICU) expressions do: any Unicode space.
        QRegularExpression::UseUnicodePropertiesOption);

    QList<Device> devices;
    QString platform = QStringLiteral("iOS");
    QString version;
    for (QStringView rawLine : QStringView(output).split(u'\n')) {
        // With CRLF line ends the \r would hide a runtime header's closing "--".
        if (rawLine.endsWith(u'\r'))
            rawLine.chop(1);
        const QStringView line = trimSpacesAndTabs(rawLine);
        if (line.isEmpty())
            continue;
        if (line.startsWith(u"--") && line.endsWith(u"--")) {
            const QStringView inner =
                line.size() >= 4 ? line.sliced(2, line.size() - 4) : QStringView();
            const SimctlClient::Runtime runtime = SimctlClient::parseRuntime(inner);
            platform = runtime.platform;
            version = runtime.version;
            continue;
        }
        if (line.startsWith(u"=="))
            continue;
        if (line.contains(u"Unavailable:"))
            continue;
        if (!deviceLine.isValid())
            continue;
        const QRegularExpressionMatch match = deviceLine.match(line);
        if (!match.hasMatch())
            continue;
        Device device;
        device.name = trimSpacesAndTabs(match.capturedView(1)).toString();
        device.id = match.captured(2);
        device.state = deviceStateFromRawValue(trimSpacesAndTabs(match.capturedView(3)));
        device.runtime = platform;
        device.runtimeVersion = version;
        device.source = DeviceSource::Simulator;
        devices.append(std::move(device));
    }
    return devices;
}

} // namespace

SimctlClient::SimctlClient(QUrl xcodeURL)
    : m_xcodeURL(std::move(xcodeURL)) {}

QString SimctlClient::toolPath() const {
    return QDir::cleanPath(m_xcodeURL.toLocalFile() +
                           QStringLiteral("/Contents/Developer/usr/bin/simctl"));
}

QCoro::Task<QString> SimctlClient::listDevices() const {
    const QUrl tool = QUrl::fromLocalFile(toolPath());
    const QStringList arguments{QStringLiteral("list"), QStringLiteral("devices"),
                                QStringLiteral("--json")};
    // No DEVELOPER_DIR here: simctl runs with Kestrine's environment as it is.
    const CommandOutput result = co_await CommandRunner::run(tool, arguments, {}, true, true,
                                                             CommandRunner::listingDeadline());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(result.output);
    if (decoder.hasError())
        throw CommandError(QStringLiteral("Failed to decode simctl output"));
    co_return text;
}

QCoro::Task<FiringOutcome> SimctlClient::openURL(QString url, QString deviceId, QString deviceName,
                                                 std::chrono::milliseconds deadline,
                                                 bool cold) const {
    const QUrl tool = QUrl::fromLocalFile(toolPath());

    std::optional<QList<SimulatorApps::App>> apps;
    QString listingFailure = QStringLiteral("its answer is not a list of apps");
    try {
        const QStringList listApps{QStringLiteral("listapps"), deviceId};
        const CommandOutput listing = co_await CommandRunner::run(tool, listApps, {}, true, true,
                                                                  CommandRunner::listingDeadline());
        // Named first: GCC 12 destroys the captures of a lambda written inside co_await twice.
        auto read = [bytes = listing.output] { return SimulatorApps::fromListing(bytes); };
        apps = co_await QtConcurrent::run(std::move(read));
    } catch (const std::exception& error) {
        listingFailure = localizedDescription(error).simplified();
    }

    SimulatorApps::Plan plan;
    if (apps) {
        plan = SimulatorApps::plan(*apps, url, deviceName);
    } else {
        plan.outcome.notes.append(
            QStringLiteral("Which app opened it is unknown: the apps of %1 could not be listed: %2")
                .arg(deviceName, listingFailure));
    }
    if (!plan.fire)
        co_return plan.outcome;

    FiringOutcome outcome = plan.outcome;
    if (cold && plan.stopFirst.isEmpty()) {
        outcome.notes.append(
            QStringLiteral("Nothing to stop: no app is known to open it, so it was fired as is"));
    } else if (cold) {
        for (const QString& bundleId : plan.stopFirst) {
            const QStringList terminate{QStringLiteral("terminate"), deviceId, bundleId};
            try {
                co_await CommandRunner::run(tool, terminate, {}, true, true,
                                            CommandRunner::listingDeadline());
            } catch (const std::exception&) {
                // simctl fails to terminate an app that is not running: stopped all the same.
            }
        }
        if (!outcome.handler.isEmpty())
            outcome.launch = FiringOutcome::Launch::Cold;
    }

    std::optional<CommandError> failure;
    try {
        const QStringList command = openURLCommand(url, deviceId);
        co_await CommandRunner::run(tool, command.sliced(1), {}, false, true, deadline);
    } catch (const CommandError& error) {
        failure = error;
    }
    if (!failure)
        co_return outcome;
    // LaunchServices' kLSApplicationNotFoundErr: no app on the simulator opens the URL.
    if (!failure->message.contains(QStringLiteral("-10814")))
        throw *failure;
    co_return FiringOutcome{.result = FiringOutcome::Result::NoHandler,
                            .message = failure->message.simplified()};
}

QStringList SimctlClient::openURLCommand(const QString& url, const QString& deviceId) const {
    return {toolPath(), QStringLiteral("openurl"), deviceId, url};
}

QCoro::Task<> SimctlClient::screenshot(QString deviceId, QString path) const {
    const QUrl tool = QUrl::fromLocalFile(toolPath());
    const QStringList arguments{QStringLiteral("io"), deviceId, QStringLiteral("screenshot"), path};
    co_await CommandRunner::run(tool, arguments, {}, true, true, CommandRunner::listingDeadline());
}

QCoro::Task<> SimctlClient::boot(QString deviceId) const {
    const QUrl tool = QUrl::fromLocalFile(toolPath());
    // Named lists: GCC cannot take a braced list of literals in a co_await's arguments.
    const QStringList boot{QStringLiteral("boot"), deviceId};
    const QStringList status{QStringLiteral("bootstatus"), deviceId, QStringLiteral("-b")};
    // bootstatus reports its progress on standard output: only its failure is of interest.
    co_await CommandRunner::run(tool, boot, {}, true, true, CommandRunner::bootDeadline());
    co_await CommandRunner::run(tool, status, {}, true, true, CommandRunner::bootDeadline());
}

QList<Device> SimctlClient::parseSimulatorList(const QString& output) {
    if (std::optional<QList<Device>> devices = parseJsonListing(output))
        return *std::move(devices);
    return parseTextListing(output);
}

SimctlClient::Runtime SimctlClient::parseRuntime(QStringView runtime) {
    const QStringView text = trimSpacesAndTabs(runtime);
    if (const qsizetype at = text.indexOf(runtimePrefix); at >= 0)
        return fromHyphenated(text.sliced(at + runtimePrefix.size()));

    const auto pieces = text.split(u' ', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return {QStringLiteral("iOS"), QString()};
    QString version;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        if (i > 1)
            version += QLatin1Char(' ');
        version += pieces[i];
    }
    if (version.isEmpty() && pieces.first().contains(u'-'))
        return fromHyphenated(pieces.first());
    return {pieces.first().toString(), version};
}
