#include "destinations/AdbClient.h"

#include "toolchain/CommandError.h"
#include "toolchain/CommandRunner.h"

#include <QRegularExpression>
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

// `argument` as one word for a POSIX shell: in single quotes, a quote written as '\''.
QString shellQuoted(const QString& argument) {
    QString quoted = argument;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
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
    QStringList arguments{QStringLiteral("-s"), serial, QStringLiteral("shell")};
    for (const QString& word : command)
        arguments.append(shellQuoted(word));
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

QCoro::Task<FiringOutcome> AdbClient::openURL(QString url, QString serial, QString package,
                                              std::chrono::milliseconds deadline, bool cold) const {
    const AdbClient self = *this;
    QStringList command{QStringLiteral("am"),
                        QStringLiteral("start"),
                        QStringLiteral("-W"),
                        QStringLiteral("-a"),
                        QStringLiteral("android.intent.action.VIEW"),
                        QStringLiteral("-d"),
                        url};
    if (!package.isEmpty())
        command.append(package);
    QString output;
    try {
        output = co_await self.shell(serial, command, deadline);
    } catch (const CommandError& error) {
        throw CommandError(failureLine(error.message).value_or(error.message));
    }
    // The activity manager of older Android versions exits 0 even when nothing started.
    if (std::optional<QString> line = failureLine(output))
        throw CommandError(*line);
    (void)cold;
    co_return FiringOutcome{.handler = package};
}

QCoro::Task<> AdbClient::screenshot(QString serial, QString path) const {
    (void)serial;
    (void)path;
    throw CommandError(QStringLiteral("screenshots are not built yet"));
    co_return;
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
