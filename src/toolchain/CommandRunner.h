#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <QCoro/QCoroTask>

#include <chrono>

// What a finished tool wrote; a stream that was not captured gives an empty buffer.
struct CommandOutput {
    QByteArray output;
    QByteArray errorOutput;
};

// The one way Kestrine starts external tools.
namespace CommandRunner {

// The domain of the AppError thrown when a tool cannot be started at all.
inline constexpr QStringView launchErrorDomain = u"CommandRunner.launch";

// The most a tool may write on a captured stream, and devicectl into its JSON document.
inline constexpr qint64 outputLimit = 64 * 1024 * 1024;

// How long a tool may take: a listing or a probe, firing a deeplink (a cold start of a heavy
// app is slow), booting a simulator. KESTRINE_TOOL_TIMEOUT (seconds) replaces all three, for
// tests and for machines where tools are slow.
[[nodiscard]] std::chrono::milliseconds listingDeadline();
[[nodiscard]] std::chrono::milliseconds firingDeadline();
[[nodiscard]] std::chrono::milliseconds bootDeadline();

// Runs `executableURL` (an absolute file URL; no search path) with `arguments` passed verbatim
// (never through a shell), its environment being ours with `environment` laid over it, its
// standard input the null device, in a process group of its own (a Ctrl+C in the terminal
// reaches Kestrine alone). A captured stream is collected through a pipe while the tool runs;
// an uncaptured one is inherited from Kestrine. Suspends the caller until the tool exits,
// without blocking the thread (which needs a running event loop).
//
// Throws AppError (domain launchErrorDomain) when the tool cannot be started, and
// CommandError when it exits with any status but 0 or dies: the message is its standard error
// text, else its standard output text, else "Unknown error" (text that is not valid UTF-8
// counts as empty; nothing is trimmed). A tool still running after `deadline`, or that writes
// more than outputLimit on a captured stream, is killed with its whole process group and the
// run throws CommandError saying so ("adb did not answer within 20 s"). Never retries.
[[nodiscard]] QCoro::Task<CommandOutput> run(QUrl executableURL, QStringList arguments,
                                             QMap<QString, QString> environment, bool captureOutput,
                                             bool captureError, std::chrono::milliseconds deadline);

// Kills every tool still running, with its process group, for a process on its way out: in
// groups of their own they would outlive it. Then processes events (up to 2 s) until their
// calls have ended, so that nothing is left waiting for them.
void killRunning();

// The message rule of a failed run, on its own for the clients that need it.
[[nodiscard]] QString failureMessage(const QByteArray& output, const QByteArray& errorOutput);

} // namespace CommandRunner
