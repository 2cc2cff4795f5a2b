#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoro/QCoroTask>

#include <chrono>
#include <exception>
#include <functional>
#include <optional>

#include "destinations/RunDestinationManager.h"
#include "platform/FiringOutcome.h"
#include "toolchain/CommandRunner.h"

// Fires one deeplink at the selected destination: `simctl openurl` on a simulator, a launch of
// the selected target app with the URL as payload on a physical device (only an app from that
// device's list counts as selected), `am start` through adb on an Android destination with the
// package chosen for it (none: Any App). A destination that cannot be used is refused, firing
// nothing. Then brings Kestrine
// (and for a simulator the Simulator app) to the front. Keeps the destination manager weakly
// and asks a function for the app; the shell sets both before every request. Requests may
// overlap; nothing queues them.
class DeeplinkExecuter : public QObject {
    Q_OBJECT
public:
    // Called exactly once with what the firing did; a failure's outcome carries its message.
    using Completion = std::function<void(const FiringOutcome& outcome)>;

    // Codes of the AppError the executer raises itself (domain: the app's bundle identifier).
    enum ErrorCode { NoDestination = 1, NoTargetApp = 2, NoAdb = 3, UnusableDestination = 4 };

    // Where the AppleScript interpreter lives when the system has one.
    static constexpr QStringView defaultInterpreterPath = u"/usr/bin/osascript";

    explicit DeeplinkExecuter(QObject* parent = nullptr);

    void setRunDestinationManager(RunDestinationManager* manager) {
        m_runDestinationManager = manager;
    }
    [[nodiscard]] RunDestinationManager* runDestinationManager() const {
        return m_runDestinationManager;
    }
    // The app chosen for a device (the shell answers with BundleIdManager::targetAppFor), ""
    // for none. A function rather than the manager: kestrine-cli, which names its targets
    // itself, then links no app lists with their icons (and no Qt Gui).
    using TargetAppFor = std::function<QString(const Device& device)>;
    void setTargetAppFor(TargetAppFor targetAppFor) { m_targetAppFor = std::move(targetAppFor); }

    // The interpreter used for the activations while it exists; without it Kestrine activates
    // its own window in-process and has no Simulator to activate.
    void setInterpreterPath(const QString& path) { m_interpreterPath = path; }
    [[nodiscard]] const QString& interpreterPath() const { return m_interpreterPath; }

    // How execute() fires: cold, and with a screenshot written into `screenshotDirectory`
    // ("": none) as "<index>-<title>.png", the index one past the highest there.
    struct Options {
        bool cold = false;
        QString screenshotDirectory{};
    };
    void setOptions(Options options) { m_options = std::move(options); }
    [[nodiscard]] const Options& options() const { return m_options; }

    // Fires `url`, the stored text, as it is, with the options; reports the outcome through
    // `completion` and never throws. `title` names the screenshot. Safe to await after the
    // executer or the managers are gone.
    QCoro::Task<> execute(QString url, Completion completion, QString title = {});

    // How long a screenshot waits after a firing, for the app to draw its screen.
    static constexpr std::chrono::milliseconds defaultSettle{2000};

    // Where one URL goes, every choice already made. Initialised so that GCC accepts designated
    // initialisers that leave members out.
    struct Target {
        Device device{};
        QUrl xcodeURL{};                  // serves iOS destinations; empty: no Xcode
        std::optional<QString> adbPath{}; // serves Android destinations
        QString app{}; // bundle identifier (an iOS device needs one) or package ("": Any App)
        std::chrono::milliseconds deadline = CommandRunner::firingDeadline(); // for the tool
        // Stop the app that will take the URL first, so that the URL starts it from nothing.
        bool cold = false;
        // Where to write a screenshot `settle` after a firing that reached an app; "": none.
        QString screenshotPath{};
        std::chrono::milliseconds settle = defaultSettle;
    };
    // Hands `url` to the tool that serves `target`, without bringing any window forward, and
    // says what it did (no-handler included). Throws the tool's failure or the executer's own
    // AppError for a missing tool or app.
    static QCoro::Task<FiringOutcome> openURL(QString url, Target target);

    // The program and arguments openURL() runs to fire `url` at `target`: the firing alone, not
    // the simulator's app listing, a cold start's separate stop step or the screenshot. Runs
    // nothing; throws the AppError openURL() would for a missing tool or app.
    [[nodiscard]] static QStringList commandLine(const QString& url, const Target& target);
    // The same for the destination and app execute() would fire at now, with the options;
    // throws the AppError execute() would report instead of firing.
    [[nodiscard]] QStringList commandLine(const QString& url) const;

    // "<index>-<title>.png" with the title reduced to letters, digits, '-', '_' and '.', at
    // most 80 of them: a title may hold slashes, dots at its start or nothing at all.
    [[nodiscard]] static QString screenshotFileName(int index, const QString& title);

private:
    QPointer<RunDestinationManager> m_runDestinationManager;
    TargetAppFor m_targetAppFor;
    QString m_interpreterPath = defaultInterpreterPath.toString();
    Options m_options;
    // The last screenshot index handed out: firings that overlap get their own files although
    // none is written yet.
    int m_lastScreenshotIndex = 0;
};
