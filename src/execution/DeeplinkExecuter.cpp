#include "execution/DeeplinkExecuter.h"

#include "destinations/AdbClient.h"
#include "destinations/DeviceCtlClient.h"
#include "destinations/SimctlClient.h"
#include "platform/AppError.h"
#include "platform/AppIdentity.h"
#include "platform/Logger.h"
#include "platform/StandardOutput.h"
#include "platform/WindowActivator.h"
#include "toolchain/AdbLocator.h"
#include "toolchain/CommandRunner.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <QCoro/QCoroTimer>

namespace {

const QString errorDomain = QString::fromLatin1(AppIdentity::bundleIdentifier);

const Logger& commandLog() {
    static const Logger logger(errorDomain, QStringLiteral("command"));
    return logger;
}

AppError noDestinationError() {
    return AppError(errorDomain, DeeplinkExecuter::NoDestination,
                    QStringLiteral("No device selected or Xcode not configured"));
}

AppError noAdbError() {
    return AppError(errorDomain, DeeplinkExecuter::NoAdb,
                    QStringLiteral("adb not found. Choose its location in Preferences."));
}

AppError noTargetAppError() {
    return AppError(
        errorDomain, DeeplinkExecuter::NoTargetApp,
        QStringLiteral("No app selected. Please select a target app for the physical device."));
}

// Unplugged, unauthorized or offline: the tools would fail, or (a phone gone) fire at nothing.
AppError unusableDestinationError(const Device& device) {
    return AppError(errorDomain, DeeplinkExecuter::UnusableDestination,
                    QStringLiteral("%1 cannot be used: %2").arg(device.name, device.stateText));
}

// One run of the AppleScript interpreter, or the in-process stand-in where there is none.
QCoro::Task<> activate(QString interpreterPath, QString application) {
    if (QFileInfo(interpreterPath).isFile()) {
        const QStringList arguments{
            QStringLiteral("-e"),
            QStringLiteral("tell application \"%1\" to activate").arg(application)};
        co_await CommandRunner::run(QUrl::fromLocalFile(interpreterPath), arguments, {}, false,
                                    true, CommandRunner::listingDeadline());
        co_return;
    }
    // No Simulator app exists off macOS; only Kestrine's own window can come forward.
    if (application == u"Kestrine")
        WindowActivator::activateKestrine();
}

// Where execute() fires: the selected destination, usable, and the app chosen for it.
DeeplinkExecuter::Target selectedTarget(const QPointer<RunDestinationManager>& destinations,
                                        const DeeplinkExecuter::TargetAppFor& app, bool cold) {
    if (!destinations)
        throw noDestinationError();
    const std::optional<Device> device = destinations->selectedDevice();
    if (!device)
        throw noDestinationError();
    if (!isUsable(*device))
        throw unusableDestinationError(*device);
    DeeplinkExecuter::Target target{.device = *device,
                                    .xcodeURL = destinations->xcodeURL(),
                                    .app = app ? app(*device) : QString()};
    if (isAndroid(*device))
        target.adbPath = AdbLocator::locate();
    target.cold = cold;
    return target;
}

// Refuses a target that lacks what firing at its device takes: adb, an Xcode, an iPhone's app.
void requireTools(const DeeplinkExecuter::Target& target) {
    if (isAndroid(target.device)) {
        if (!target.adbPath)
            throw noAdbError();
        return;
    }
    if (target.xcodeURL.isEmpty())
        throw noDestinationError();
    if (target.device.source == DeviceSource::Physical && target.app.isEmpty())
        throw noTargetAppError();
}

// The firing steps. Everything the executer knows is passed in: it may be gone once this
// suspends.
QCoro::Task<FiringOutcome> fire(QString url, QPointer<RunDestinationManager> destinations,
                                DeeplinkExecuter::TargetAppFor app, QString interpreterPath,
                                bool cold, QString screenshotPath) {
    DeeplinkExecuter::Target target = selectedTarget(destinations, app, cold);
    target.screenshotPath = std::move(screenshotPath);
    const bool simulator = target.device.source == DeviceSource::Simulator;
    FiringOutcome outcome = co_await DeeplinkExecuter::openURL(std::move(url), std::move(target));
    co_await activate(interpreterPath, QStringLiteral("Kestrine"));
    if (simulator)
        co_await activate(interpreterPath, QStringLiteral("Simulator"));
    co_return outcome;
}

// The tool's firing of `url`, cold when asked; throws its failure.
QCoro::Task<FiringOutcome> dispatch(QString url, DeeplinkExecuter::Target target) {
    requireTools(target);
    const Device& device = target.device;
    if (isAndroid(device)) {
        co_return co_await AdbClient(*target.adbPath)
            .openURL(url, device.id, target.app, target.deadline, target.cold);
    }
    if (device.source == DeviceSource::Simulator) {
        co_return co_await SimctlClient(target.xcodeURL)
            .openURL(url, device.id, device.name, target.deadline, target.cold);
    }
    co_return co_await DeviceCtlClient(
        target.xcodeURL, Logger(QStringLiteral("Kestrine"), QStringLiteral("DeviceCtlClient")))
        .launchApp(device.id, target.app, url, target.deadline, target.cold);
}

// Waits `settle` for the app to draw, then writes the device's screen to `path`.
QCoro::Task<> captureScreen(DeeplinkExecuter::Target target) {
    co_await QCoro::sleepFor(target.settle);
    const Device& device = target.device;
    if (isAndroid(device))
        co_await AdbClient(*target.adbPath).screenshot(device.id, target.screenshotPath);
    else
        co_await SimctlClient(target.xcodeURL).screenshot(device.id, target.screenshotPath);
}

// The error as one line for standard output, in the platform's style for its own errors.
QString describeForOutput(const std::exception_ptr& error) {
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const AppError& e) {
        text = QStringLiteral("Error Domain=%1 Code=%2 \"%3\"")
                   .arg(e.domain())
                   .arg(e.code())
                   .arg(e.errorDescription());
    } catch (const std::exception& e) {
        text = localizedDescription(e);
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    // Tool messages end in a newline and may span several lines; the output gets one line.
    return text.simplified();
}

} // namespace

DeeplinkExecuter::DeeplinkExecuter(QObject* parent)
    : QObject(parent) {}

QCoro::Task<FiringOutcome> DeeplinkExecuter::openURL(QString url, Target target) {
    FiringOutcome outcome = co_await dispatch(url, target);
    if (target.screenshotPath.isEmpty() || outcome.isFailure())
        co_return outcome;
    if (target.device.source == DeviceSource::Physical) {
        outcome.notes.append(QStringLiteral("No screenshot: a physical iPhone cannot be captured"));
        co_return outcome;
    }
    try {
        co_await captureScreen(target);
        outcome.screenshot = target.screenshotPath;
    } catch (const std::exception& error) {
        // The firing happened; only its picture is missing.
        outcome.notes.append(QStringLiteral("No screenshot: ") +
                             localizedDescription(error).simplified());
    }
    co_return outcome;
}

QStringList DeeplinkExecuter::commandLine(const QString& url, const Target& target) {
    requireTools(target);
    const Device& device = target.device;
    if (isAndroid(device))
        return AdbClient(*target.adbPath).openURLCommand(url, device.id, target.app);
    if (device.source == DeviceSource::Simulator)
        return SimctlClient(target.xcodeURL).openURLCommand(url, device.id);
    return DeviceCtlClient(target.xcodeURL,
                           Logger(QStringLiteral("Kestrine"), QStringLiteral("DeviceCtlClient")))
        .launchCommand(device.id, target.app, url, target.cold);
}

QStringList DeeplinkExecuter::commandLine(const QString& url) const {
    return commandLine(url,
                       selectedTarget(m_runDestinationManager, m_targetAppFor, m_options.cold));
}

QString DeeplinkExecuter::screenshotFileName(int index, const QString& title) {
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]+"));
    QString name = title.normalized(QString::NormalizationForm_KD);
    name.replace(unsafe, QStringLiteral("-"));
    // No hidden files, no "..", no dash that a tool could read as an option.
    while (!name.isEmpty() && (name.front() == u'.' || name.front() == u'-'))
        name.remove(0, 1);
    name.truncate(80);
    while (name.endsWith(u'-') || name.endsWith(u'.'))
        name.chop(1);
    if (name.isEmpty())
        name = QStringLiteral("deeplink");
    return QStringLiteral("%1-%2.png").arg(index).arg(name);
}

QCoro::Task<> DeeplinkExecuter::execute(QString url, Completion completion, QString title) {
    QString screenshotPath;
    if (const QString directory = m_options.screenshotDirectory; !directory.isEmpty()) {
        QDir().mkpath(directory);
        static const QRegularExpression numbered(QStringLiteral("^(\\d+)-"));
        for (const QString& name : QDir(directory).entryList(QDir::Files)) {
            if (const QRegularExpressionMatch match = numbered.match(name); match.hasMatch())
                m_lastScreenshotIndex = std::max(m_lastScreenshotIndex, match.captured(1).toInt());
        }
        screenshotPath =
            QDir(directory).filePath(screenshotFileName(++m_lastScreenshotIndex, title));
    }
    FiringOutcome outcome;
    try {
        outcome = co_await fire(std::move(url), m_runDestinationManager, m_targetAppFor,
                                m_interpreterPath, m_options.cold, std::move(screenshotPath));
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        StandardOutput::printLine(describeForOutput(failure));
        outcome = FiringOutcome::failed(localizedDescription(failure));
    }
    if (outcome.isFailure()) {
        if (outcome.result == FiringOutcome::Result::NoHandler)
            StandardOutput::printLine(outcome.message);
        commandLog().error(u"Failed to open url cause: %{public}@", outcome.message);
    }
    completion(outcome);
}

#include "moc_DeeplinkExecuter.cpp"
