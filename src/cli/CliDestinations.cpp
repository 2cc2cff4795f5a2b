#include "cli/CliDestinations.h"

#include "cli/CliOutput.h"
#include "destinations/AdbClient.h"
#include "destinations/DeviceCtlClient.h"
#include "destinations/RememberedSelection.h"
#include "destinations/RunDestinationManager.h"
#include "destinations/SimctlClient.h"
#include "platform/AppError.h"
#include "platform/Logger.h"
#include "platform/StandardOutput.h"
#include "platform/TaskOutcome.h"
#include "toolchain/AdbLocator.h"
#include "toolchain/XcodeBookmarkManager.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

std::optional<CliDestinations> CliDestinations::locate(const std::optional<QString>& xcode,
                                                       const std::optional<QString>& adb) {
    CliDestinations tools;
    if (xcode) {
        if (!QFileInfo(*xcode).isDir()) {
            CliOutput::error(QStringLiteral("no Xcode at %1").arg(*xcode));
            return std::nullopt;
        }
        tools.m_xcodeURL = QUrl::fromLocalFile(QFileInfo(*xcode).absoluteFilePath());
    } else if (const XcodeBookmarkManager::State state = XcodeBookmarkManager().state();
               state.kind == XcodeBookmarkManager::StateKind::Available) {
        tools.m_xcodeURL = state.url;
    }
    if (adb) {
        if (!AdbLocator::isProgram(*adb)) {
            CliOutput::error(QStringLiteral("no adb at %1").arg(*adb));
            return std::nullopt;
        }
        tools.m_adbPath = QFileInfo(*adb).absoluteFilePath();
    } else {
        tools.m_adbPath = AdbLocator::locate();
    }
    if (tools.m_xcodeURL.isEmpty() && !tools.m_adbPath) {
        CliOutput::error(QStringLiteral("no Xcode and no adb: choose an Xcode in Kestrine or "
                                        "pass --xcode PATH, install adb or pass --adb PATH"));
        return std::nullopt;
    }
    return tools;
}

CliDestinations CliDestinations::toolsFor(const std::optional<QString>& wanted) const {
    CliDestinations tools = *this;
    if (!wanted)
        return tools;
    // A UUID (a simulator, or devicectl's identifier of a phone), or an iPhone's UDID.
    static const QRegularExpression apple(
        QStringLiteral("^([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-"
                       "[0-9A-Fa-f]{12}|[0-9A-Fa-f]{8}-[0-9A-Fa-f]{16})$"));
    // An emulator's console port, a phone over the network ("host:port"), or one that adb found
    // through mDNS.
    static const QRegularExpression android(
        QStringLiteral(R"(^(emulator-[0-9]+|[^\s:]+:[0-9]+|\S+\._adb(-tls-connect)?\._tcp\.?)$)"));
    if (apple.match(*wanted).hasMatch())
        tools.m_adbPath.reset();
    else if (android.match(*wanted).hasMatch())
        tools.m_xcodeURL.clear();
    return tools;
}

QList<CliDestinations::Tool> CliDestinations::tools() const {
    QList<Tool> tools;
    if (!m_xcodeURL.isEmpty())
        tools += {Tool::Simctl, Tool::Devicectl};
    if (m_adbPath)
        tools.append(Tool::Adb);
    return tools;
}

bool CliDestinations::ask(Tool tool, QList<Device>* devices) const {
    try {
        switch (tool) {
        case Tool::Simctl:
            *devices += SimctlClient::parseSimulatorList(
                waitForResult(SimctlClient(m_xcodeURL).listDevices()));
            break;
        case Tool::Devicectl: {
            const DeviceCtlClient client(
                m_xcodeURL, Logger(QStringLiteral("Kestrine"), QStringLiteral("DeviceCtlClient")));
            const Result<QList<Device>, JsonDecodingError> parsed =
                DeviceCtlClient::parsePhysicalDevices(waitForResult(client.listDevices()));
            if (!parsed)
                throw parsed.error();
            *devices += *parsed;
            break;
        }
        case Tool::Adb:
            *devices += waitForResult(AdbClient(*m_adbPath).listDevices());
            break;
        }
        return true;
    } catch (...) {
        // As the app's destination picker says it, escaped for the terminal.
        const QString name = tool == Tool::Simctl      ? QStringLiteral("simctl")
                             : tool == Tool::Devicectl ? QStringLiteral("devicectl")
                                                       : QStringLiteral("adb");
        const SourceFailure failure = sourceFailure(name, std::current_exception());
        CliOutput::error(failure.tool + QStringLiteral(": ") +
                         StandardOutput::escaped(failure.reason));
        return false;
    }
}

QList<Device> CliDestinations::ordered(const QList<Device>& devices) {
    QList<Device> ordered;
    for (const DeviceSection& section : RunDestinationManager::groupDevices(devices))
        ordered += section.devices;
    return ordered;
}

QList<Device> CliDestinations::list(bool* complete, bool* anyAnswered) const {
    *complete = true;
    bool answered = false;
    QList<Device> devices;
    for (const Tool tool : tools()) {
        if (ask(tool, &devices))
            answered = true;
        else
            *complete = false;
    }
    if (anyAnswered)
        *anyAnswered = answered;
    return ordered(devices);
}

std::optional<Device> CliDestinations::find(const std::optional<QString>& wanted,
                                            bool* ambiguous) const {
    // The id to look for: the one given (it wins over any name), else the app's selection.
    const std::optional<QString> id = wanted ? wanted : RememberedSelection::destinationId();
    QList<Device> devices;
    const auto listed = [&devices](const auto& matches) {
        return std::any_of(devices.cbegin(), devices.cend(), matches);
    };
    for (const Tool tool : tools()) {
        // An id names one destination (simulators and iPhones have UUIDs or UDIDs, adb has
        // serials), so once listed no other tool can change the choice. A name needs every
        // tool: the same name elsewhere makes it ambiguous, and an id elsewhere wins over it.
        if (id && listed([&id](const Device& device) { return device.id == *id; }))
            break;
        if (!id) {
            if (listed([](const Device& device) {
                    return device.source == DeviceSource::Simulator &&
                           device.state == DeviceState::Booted;
                }))
                break;
            // Unselected, an iPhone is never the one: only a simulator or an Android destination
            // is taken.
            if (tool == Tool::Devicectl)
                continue;
        }
        ask(tool, &devices);
    }
    return choose(ordered(devices), wanted, ambiguous);
}

std::optional<Device> CliDestinations::choose(const QList<Device>& devices,
                                              const std::optional<QString>& wanted,
                                              bool* ambiguous) {
    *ambiguous = false;
    const auto usable = [](const Device& device) -> std::optional<Device> {
        if (isUsable(device))
            return device;
        // An unauthorized phone's name is its serial until it answers.
        const QString named = device.name == device.id
                                  ? device.id
                                  : QStringLiteral("%1 (%2)").arg(device.name, device.id);
        CliOutput::error(
            QStringLiteral("%1 cannot be used: %2")
                .arg(StandardOutput::escaped(named),
                     StandardOutput::escaped(device.stateText.isEmpty() ? rawValue(device.state)
                                                                        : device.stateText)));
        return std::nullopt;
    };
    if (wanted) {
        for (const Device& device : devices) {
            if (device.id == *wanted)
                return usable(device);
        }
        QList<Device> named;
        for (const Device& device : devices) {
            if (device.name == *wanted)
                named.append(device);
        }
        if (named.size() == 1)
            return usable(named.first());
        if (named.isEmpty()) {
            CliOutput::error(QStringLiteral("no destination named or with the id \"%1\"; "
                                            "'kestrine-cli destinations' lists them")
                                 .arg(StandardOutput::escaped(*wanted)));
            return std::nullopt;
        }
        QString list;
        for (const Device& device : std::as_const(named))
            list += QStringLiteral("\n  ") + CliOutput::row({device.id, kind(device)});
        list.chop(1);
        CliOutput::error(
            QStringLiteral("several destinations are named \"%1\"; give one of their ids:%2")
                .arg(StandardOutput::escaped(*wanted), list));
        *ambiguous = true;
        return std::nullopt;
    }

    if (const std::optional<QString> selected = RememberedSelection::destinationId()) {
        for (const Device& device : devices) {
            if (device.id == *selected)
                return usable(device);
        }
    }
    for (const Device& device : devices) {
        if (device.source == DeviceSource::Simulator && device.state == DeviceState::Booted)
            return device;
    }
    for (const Device& device : devices) {
        if (isAndroid(device) && isUsable(device))
            return device;
    }
    CliOutput::error(QStringLiteral("no destination to fire at: none is selected in Kestrine, no "
                                    "simulator is booted and no Android destination is usable; "
                                    "pass --destination"));
    return std::nullopt;
}

bool CliDestinations::readyToFire(const Device& device, bool boot) const {
    if (device.source != DeviceSource::Simulator || device.state != DeviceState::Shutdown)
        return true;
    if (!boot) {
        CliOutput::error(
            QStringLiteral("%1 is shut down: boot it or pass --boot").arg(device.name));
        return false;
    }
    CliOutput::write(stderr, QStringLiteral("Booting %1 \u2026\n").arg(device.name));
    try {
        waitForResult(SimctlClient(m_xcodeURL).boot(device.id));
        return true;
    } catch (...) {
        CliOutput::error(
            QStringLiteral("%1 did not boot: %2")
                .arg(device.name, localizedDescription(std::current_exception()).simplified()));
        return false;
    }
}

DeeplinkExecuter::Target CliDestinations::target(const Device& device,
                                                 const std::optional<QString>& app) const {
    DeeplinkExecuter::Target target{.device = device,
                                    .xcodeURL = m_xcodeURL,
                                    .adbPath = m_adbPath,
                                    .app = app.value_or(QString())};
    if (!app) {
        if (isAndroid(device))
            target.app = RememberedSelection::package(device.id).value_or(QString());
        else if (device.source == DeviceSource::Physical)
            target.app = RememberedSelection::bundleId().value_or(QString());
    }
    return target;
}

QString CliDestinations::kind(const Device& device) {
    switch (device.source) {
    case DeviceSource::Simulator:
        return QStringLiteral("iOS Simulator");
    case DeviceSource::Physical:
        return QStringLiteral("iOS Device");
    case DeviceSource::AndroidEmulator:
        return QStringLiteral("Android Emulator");
    case DeviceSource::AndroidDevice:
        return QStringLiteral("Android Device");
    }
    return {};
}
