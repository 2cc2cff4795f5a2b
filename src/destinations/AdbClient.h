#pragma once

#include "destinations/AndroidComponent.h"
#include "destinations/Device.h"
#include "platform/FiringOutcome.h"
#include "toolchain/CommandRunner.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <chrono>
#include <memory>
#include <optional>

// Runs the Android Debug Bridge (`adb`, by absolute path) for Android emulators and devices.
// Listings get CommandRunner::listingDeadline(), a URL the deadline it is opened with.
// adb finds its server through ANDROID_ADB_SERVER_PORT in Kestrine's environment, which every
// call inherits as it is. `adb shell` joins its arguments with spaces and the device's shell
// splits them again, so each argument of a device command is quoted for a POSIX shell first.
//
// Every operation copies the client before its first suspension, so a temporary client may be
// awaited safely.
class AdbClient {
public:
    explicit AdbClient(QString adbPath);

    // At most this many name and version calls run at once while listing.
    static constexpr qsizetype maxConcurrentCalls = 4;

    // `adb devices -l`, then for each usable entry its Android version
    // (`shell getprop ro.build.version.release`) and, for an emulator, its name (`emu avd name`).
    // A failing name or version call leaves the listing's name and no version. Throws
    // CommandError when the listing fails, AppError when adb cannot be started.
    [[nodiscard]] QCoro::Task<QList<Device>> listDevices() const;

    // `adb -s <serial> shell am start -W -a android.intent.action.VIEW -d <url> [<package>]`,
    // no package letting Android pick the handler, and what Android did with it (see
    // AmStartReport). An activity of the device's browser makes it "browser"; which app that
    // is, is asked once per device (`cmd package resolve-activity` for a plain web URL).
    // Cold: `am force-stop` first, of `package`, else of the app that resolve-activity names for
    // the URL; when no app is known the outcome says so and the URL is fired anyway.
    // An unresolved intent is a no-handler outcome. Throws CommandError with the error line of
    // the output (see failureLine()), else adb's whole message when it exits non-zero.
    [[nodiscard]] QCoro::Task<FiringOutcome>
    openURL(QString url, QString serial, QString package = {},
            std::chrono::milliseconds deadline = CommandRunner::firingDeadline(),
            bool cold = false) const;

    // The program and arguments openURL() runs to fire `url` (not the cold start's stop): adb's
    // path, then the shell command, whose words are already quoted once for the device's shell.
    [[nodiscard]] QStringList openURLCommand(const QString& url, const QString& serial,
                                             const QString& package = {}) const;

    // `adb -s <serial> exec-out screencap -p`, the PNG written to `path` (replaced whole, or left
    // as it was). Throws like listDevices(), CommandError when what came back is no PNG, and
    // AppError when the file cannot be written.
    [[nodiscard]] QCoro::Task<> screenshot(QString serial, QString path) const;

    // `adb -s <serial> shell pm list packages -3`: the third-party packages, sorted. Throws
    // like listDevices().
    [[nodiscard]] QCoro::Task<QStringList> listPackages(QString serial) const;

    // The entries of an `adb devices -l` listing, named after their model (else their serial),
    // without a version. adb's own notes ("* daemon ..."), its header and lines in no known
    // state are skipped. Never fails.
    [[nodiscard]] static QList<Device> parseDeviceList(const QString& output);

    // The line of a command's output that says it failed: the first beginning "Error:" (the
    // activity manager's), else the first of adb's own ("error: ...", "adb: ..."). Nothing when
    // the output holds neither.
    [[nodiscard]] static std::optional<QString> failureLine(const QString& output);

    // The names of `pm list packages` lines ("package:<name>"), sorted, each once.
    [[nodiscard]] static QStringList parsePackages(const QString& output);

private:
    // adb with `arguments`, both streams captured.
    [[nodiscard]] QCoro::Task<CommandOutput> run(QStringList arguments,
                                                 std::chrono::milliseconds deadline) const;
    // `adb -s <serial> shell <command>`, each word quoted; standard output and error as one text.
    [[nodiscard]] QCoro::Task<QString> shell(QString serial, QStringList command,
                                             std::chrono::milliseconds deadline) const;
    // `adb -s <serial> shell am <command>`, its output; throws like openURL().
    [[nodiscard]] QCoro::Task<QString> am(QString serial, QStringList command,
                                          std::chrono::milliseconds deadline) const;
    // The activity that `cmd package resolve-activity --brief <intent>` names (see
    // AndroidComponent::resolvedBy()). Throws like listDevices().
    [[nodiscard]] QCoro::Task<std::optional<AndroidComponent>>
    resolveActivity(QString serial, QStringList intent) const;
    // The package of `serial`'s browser, asked once per device (see browserPackages()); nothing
    // when the device names none.
    [[nodiscard]] QCoro::Task<std::optional<QString>> browserPackage(QString serial) const;
    // Fills in names and versions of `devices`, taking entries from `next` on until none is left.
    [[nodiscard]] QCoro::Task<> describeDevices(std::shared_ptr<QList<Device>> devices,
                                                std::shared_ptr<qsizetype> next) const;

    QString m_adbPath;
};
