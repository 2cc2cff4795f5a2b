#include "destinations/AdbClient.h"

#include "destinations/AmStartReport.h"
#include "platform/ShellQuoting.h"

#include "toolchain/CommandError.h"
#include "toolchain/CommandRunner.h"

#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace {

struct KnownState {
    QStringView word;
    QString text; // the secondary text of a destination in this state
};

// adb's states; "no permissions" is followed by adb's advice, up to the fields.
const QList<KnownState>& knownStates() {
    static const QList<KnownState> states{
        {u"device", QString()},
        {u"offline",
         QStringLiteral("offline: not responding; wait for it to start or reconnect it")},
        {u"unauthorized", QStringLiteral("unauthorized: allow USB debugging on the phone")},
        {u"no permissions",
         QStringLiteral("no permissions: this user may not open the phone; check its udev rules")},
        {u"recovery", QStringLiteral("recovery: restart the phone into Android")},
        {u"rescue", QStringLiteral("rescue: restart the phone into Android")},
        {u"sideload", QStringLiteral("sideload: finish the sideload and restart the phone")},
        {u"bootloader", QStringLiteral("bootloader: restart the phone into Android")},
        {u"authorizing", QStringLiteral("authorizing: accept this computer on the phone")},
        {u"connecting", QStringLiteral("connecting: adb is still connecting to it")},
        {u"host", QStringLiteral("host: not a device")},
        {u"unknown", QStringLiteral("unknown: adb cannot tell its state")},
    };
    return states;
}

// "model:Pixel_7", "transport_id:3": a lower-case key, a colon, no spaces.
bool isField(QStringView word) {
    const qsizetype colon = word.indexOf(u':');
    if (colon <= 0)
        return false;
    return std::all_of(word.begin(), word.begin() + colon,
                       [](QChar c) { return (c >= u'a' && c <= u'z') || c == u'_'; });
}

QString utf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes);
}

// The lines of a tool's text, CR of CRLF line ends removed.
QList<QStringView> lines(const QString& text) {
    QList<QStringView> result = QStringView(text).split(u'\n');
    for (QStringView& line : result) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return result;
}

QString firstLine(const QString& text) {
    return lines(text).value(0).trimmed().toString();
}

// The arguments of `adb -s <serial> shell <command>`, each word quoted for the device's shell.
QStringList shellArguments(const QString& serial, const QStringList& command) {
    QStringList arguments{QStringLiteral("-s"), serial, QStringLiteral("shell")};
    for (const QString& word : command)
        arguments.append(ShellQuoting::quoted(word));
    return arguments;
}

// The activity manager's command that opens `url`, in `package` when one is given.
QStringList startCommand(const QString& url, const QString& package) {
    QStringList command{QStringLiteral("start"), QStringLiteral("-W"),
                        QStringLiteral("-a"),    QStringLiteral("android.intent.action.VIEW"),
                        QStringLiteral("-d"),    url};
    if (!package.isEmpty())
        command.append(package);
    return command;
}

} // namespace

AdbClient::AdbClient(QString adbPath)
    : m_adbPath(std::move(adbPath)) {}

QCoro::Task<CommandOutput> AdbClient::run(QStringList arguments,
                                          std::chrono::milliseconds deadline) const {
    return CommandRunner::run(QUrl::fromLocalFile(m_adbPath), std::move(arguments), {}, true, true,
                              deadline);
}

QCoro::Task<QString> AdbClient::shell(QString serial, QStringList command,
                                      std::chrono::milliseconds deadline) const {
    const AdbClient self = *this;
    const QStringList arguments = shellArguments(serial, command);
    const CommandOutput result = co_await self.run(arguments, deadline);
    QString text = utf8(result.output);
    // Kept apart by a line end, so that an error line on standard error still begins a line.
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    co_return text + utf8(result.errorOutput);
}

QCoro::Task<QList<Device>> AdbClient::listDevices() const {
    const AdbClient self = *this;
    const QStringList arguments{QStringLiteral("devices"), QStringLiteral("-l")};
    const CommandOutput result = co_await self.run(arguments, CommandRunner::listingDeadline());
    const auto devices = std::make_shared<QList<Device>>(parseDeviceList(utf8(result.output)));
    const auto next = std::make_shared<qsizetype>(0);
    // A few workers share the entries, so that at most maxConcurrentCalls adb calls run at once.
    std::vector<QCoro::Task<>> workers;
    for (qsizetype i = 0; i < std::min(maxConcurrentCalls, devices->size()); ++i)
        workers.push_back(self.describeDevices(devices, next));
    for (QCoro::Task<>& worker : workers)
        co_await std::move(worker);
    co_return *devices;
}

QCoro::Task<> AdbClient::describeDevices(std::shared_ptr<QList<Device>> devices,
                                         std::shared_ptr<qsizetype> next) const {
    const AdbClient self = *this;
    while (*next < devices->size()) {
        const qsizetype index = (*next)++;
        Device device = devices->at(index);
        if (!isUsable(device))
            continue;
        if (device.source == DeviceSource::AndroidEmulator) {
            try {
                const QStringList arguments{QStringLiteral("-s"), device.id, QStringLiteral("emu"),
                                            QStringLiteral("avd"), QStringLiteral("name")};
                const CommandOutput result =
                    co_await self.run(arguments, CommandRunner::listingDeadline());
                QString name = firstLine(utf8(result.output)).replace(u'_', u' ');
                // The console answers "OK" alone, or "KO: <reason>", when it has no name.
                if (!name.isEmpty() && name != u"OK" && !name.startsWith(u"KO:"))
                    device.name = name;
            } catch (const std::exception&) {
                // The model stays the name.
            }
        }
        try {
            const QStringList command{QStringLiteral("getprop"),
                                      QStringLiteral("ro.build.version.release")};
            device.runtimeVersion = firstLine(
                co_await self.shell(device.id, command, CommandRunner::listingDeadline()));
        } catch (const std::exception&) {
            // Listed without a version.
        }
        (*devices)[index] = std::move(device);
    }
}

QCoro::Task<QString> AdbClient::am(QString serial, QStringList command,
                                   std::chrono::milliseconds deadline) const {
    const AdbClient self = *this;
    command.prepend(QStringLiteral("am"));
    QString output;
    std::optional<QString> failure;
    try {
        output = co_await self.shell(serial, command, deadline);
    } catch (const CommandError& error) {
        failure = error.message;
    }
    // Newer Androids exit non-zero for an unresolved intent, older ones only print it; either
    // way it is an outcome, not an error.
    const QString text = failure.value_or(output);
    if (!AmStartReport::parse(text).unresolved.isEmpty())
        co_return text;
    if (failure)
        throw CommandError(failureLine(*failure).value_or(*failure));
    // The activity manager of older Android versions exits 0 even when nothing started.
    if (std::optional<QString> line = failureLine(output))
        throw CommandError(*line);
    co_return output;
}

QCoro::Task<std::optional<AndroidComponent>> AdbClient::resolveActivity(QString serial,
                                                                        QStringList intent) const {
    const AdbClient self = *this;
    intent.prepend(QStringLiteral("--brief"));
    intent.prepend(QStringLiteral("resolve-activity"));
    intent.prepend(QStringLiteral("package"));
    intent.prepend(QStringLiteral("cmd"));
    co_return AndroidComponent::resolvedBy(
        co_await self.shell(serial, intent, CommandRunner::listingDeadline()));
}

QCoro::Task<std::optional<QString>> AdbClient::browserPackage(QString serial) const {
    // By adb and serial, for the process's life, filled on the GUI thread only. A device's
    // browser changes only when its user installs or picks another one, and an answer gone
    // stale can only tell a browser's firing as opened (or the reverse), never lose one.
    static QHash<QString, std::optional<QString>> browserPackages;
    const AdbClient self = *this;
    const QString key = m_adbPath + u'\n' + serial;
    if (const auto known = browserPackages.constFind(key); known != browserPackages.cend())
        co_return *known;
    const QStringList intent{
        QStringLiteral("-a"), QStringLiteral("android.intent.action.VIEW"),
        QStringLiteral("-c"), QStringLiteral("android.intent.category.BROWSABLE"),
        QStringLiteral("-d"), QStringLiteral("http://example.com")};
    std::optional<QString> package;
    try {
        const std::optional<AndroidComponent> browser =
            co_await self.resolveActivity(serial, intent);
        if (browser)
            package = browser->package();
    } catch (const CommandError&) {
        // Not kept: the next firing asks again. Meanwhile no activity counts as the browser's.
        co_return std::nullopt;
    }
    browserPackages.insert(key, package);
    co_return package;
}

QCoro::Task<FiringOutcome> AdbClient::openURL(QString url, QString serial, QString package,
                                              std::chrono::milliseconds deadline, bool cold) const {
    const AdbClient self = *this;
    QStringList notes;
    if (cold) {
        QString stopped = package;
        if (stopped.isEmpty()) {
            const QStringList intent{QStringLiteral("-a"),
                                     QStringLiteral("android.intent.action.VIEW"),
                                     QStringLiteral("-d"), url};
            std::optional<AndroidComponent> handler;
            try {
                handler = co_await self.resolveActivity(serial, intent);
            } catch (const CommandError&) {
                // An Android without resolve-activity knows no app either; the note says so.
            }
            if (handler)
                stopped = handler->package();
        }
        if (stopped.isEmpty()) {
            notes.append(QStringLiteral("Nothing to stop: no app is known to open %1").arg(url));
        } else {
            const QStringList stop{QStringLiteral("force-stop"), stopped};
            co_await self.am(serial, stop, deadline);
        }
    }

    const QStringList command = startCommand(url, package);
    const QString output = co_await self.am(serial, command, deadline);
    FiringOutcome outcome = AmStartReport::parse(output).outcome(package);
    notes.append(outcome.notes);
    outcome.notes = notes;
    const std::optional<AndroidComponent> handler = AndroidComponent::parse(outcome.handler);
    if (outcome.result == FiringOutcome::Result::Opened && handler) {
        const std::optional<QString> browser = co_await self.browserPackage(serial);
        if (browser == handler->package())
            outcome.result = FiringOutcome::Result::Browser;
    }
    co_return outcome;
}

QStringList AdbClient::openURLCommand(const QString& url, const QString& serial,
                                      const QString& package) const {
    return QStringList{m_adbPath} +
           shellArguments(serial, QStringList{QStringLiteral("am")} + startCommand(url, package));
}

QCoro::Task<> AdbClient::screenshot(QString serial, QString path) const {
    const AdbClient self = *this;
    const QStringList arguments{QStringLiteral("-s"), serial, QStringLiteral("exec-out"),
                                QStringLiteral("screencap"), QStringLiteral("-p")};
    const CommandOutput result = co_await self.run(arguments, CommandRunner::listingDeadline());
    // exec-out hands the bytes over as they are; `shell` would turn LF into CRLF on old devices.
    static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", 8);
    if (!result.output.startsWith(pngSignature)) {
        const QString said =
            firstLine(utf8(result.errorOutput.trimmed().isEmpty() ? result.output.trimmed()
                                                                  : result.errorOutput.trimmed()));
        throw CommandError(
            said.isEmpty()
                ? QStringLiteral("screencap gave no picture")
                : QStringLiteral("screencap gave no PNG picture: %1").arg(said.left(200)));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(result.output) != result.output.size() ||
        !file.commit()) {
        throw AppError(QStringLiteral("Kestrine.FileWrite"), int(file.error()),
                       QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    }
}

QCoro::Task<QStringList> AdbClient::listPackages(QString serial) const {
    const AdbClient self = *this;
    const QStringList command{QStringLiteral("pm"), QStringLiteral("list"),
                              QStringLiteral("packages"), QStringLiteral("-3")};
    co_return parsePackages(co_await self.shell(serial, command, CommandRunner::listingDeadline()));
}

QList<Device> AdbClient::parseDeviceList(const QString& output) {
    QList<Device> devices;
    for (const QStringView line : lines(output)) {
        // Serial and state are apart by a tab without -l, by padding spaces with it.
        const QStringList words =
            line.toString().replace(u'\t', u' ').split(u' ', Qt::SkipEmptyParts);
        // "* daemon not running; starting now at tcp:5037", "List of devices attached".
        if (words.size() < 2 || words[0].startsWith(u'*') || line.startsWith(u"List of devices"))
            continue;
        qsizetype fieldsBegin = 1;
        while (fieldsBegin < words.size() && !isField(words[fieldsBegin]))
            ++fieldsBegin;
        const QString state = words.sliced(1, fieldsBegin - 1).join(u' ');
        const auto known =
            std::find_if(knownStates().cbegin(), knownStates().cend(), [&](const KnownState& k) {
                return state == k.word || (k.word == u"no permissions" && state.startsWith(k.word));
            });
        if (known == knownStates().cend())
            continue;

        QString model;
        for (qsizetype i = fieldsBegin; i < words.size(); ++i) {
            if (words[i].startsWith(u"model:"))
                model = words[i].sliced(6).replace(u'_', u' ');
        }
        Device device;
        device.id = words[0];
        device.name = model.isEmpty() ? device.id : model;
        device.state = known->text.isEmpty() ? DeviceState::Booted : DeviceState::Unavailable;
        device.stateText = known->text;
        device.runtime = QStringLiteral("Android");
        static const QRegularExpression emulatorSerial(QStringLiteral("^emulator-[0-9]+$"));
        device.source = emulatorSerial.match(device.id).hasMatch() ? DeviceSource::AndroidEmulator
                                                                   : DeviceSource::AndroidDevice;
        devices.append(std::move(device));
    }
    return devices;
}

std::optional<QString> AdbClient::failureLine(const QString& output) {
    const QList<QStringView> all = lines(output);
    for (const QStringView line : all) {
        if (line.startsWith(u"Error:"))
            return line.trimmed().toString();
    }
    for (const QStringView line : all) {
        if (line.startsWith(u"error:") || line.startsWith(u"adb: "))
            return line.trimmed().toString();
    }
    return std::nullopt;
}

QStringList AdbClient::parsePackages(const QString& output) {
    QStringList packages;
    for (const QStringView line : lines(output)) {
        const QStringView trimmed = line.trimmed();
        if (trimmed.startsWith(u"package:") && trimmed.size() > 8)
            packages.append(trimmed.sliced(8).toString());
    }
    packages.sort();
    packages.removeDuplicates();
    return packages;
}
