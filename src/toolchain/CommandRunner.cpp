#include "toolchain/CommandRunner.h"

#include "platform/AppError.h"
#include "toolchain/CommandError.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QStringDecoder>
#include <QTimer>

#include <cmath>
#include <coroutine>
#include <csignal>

#include <unistd.h>

namespace {

// Suspends until the process has exited or failed to start. The coroutine is resumed from a
// queued call, never inside QProcess's own signal, because resuming may destroy the process.
class ProcessEnd {
public:
    explicit ProcessEnd(QProcess& process)
        : m_process(process) {}

    [[nodiscard]] bool await_ready() const noexcept {
        return m_process.state() == QProcess::NotRunning;
    }

    void await_suspend(std::coroutine_handle<> awaiting) {
        m_awaiting = awaiting;
        QObject::connect(&m_process, &QProcess::finished, &m_process, [this] { resume(); });
        QObject::connect(&m_process, &QProcess::errorOccurred, &m_process,
                         [this](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart)
                                 resume();
                         });
    }

    void await_resume() const noexcept {}

private:
    void resume() {
        QObject::disconnect(&m_process, nullptr, &m_process, nullptr);
        QMetaObject::invokeMethod(
            &m_process, [awaiting = m_awaiting] { awaiting.resume(); }, Qt::QueuedConnection);
    }

    QProcess& m_process;
    std::coroutine_handle<> m_awaiting;
};

// Bytes that are not valid UTF-8 count as no text at all.
QString strictUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

QProcess::ProcessChannelMode channelMode(bool captureOutput, bool captureError) {
    if (captureOutput && captureError)
        return QProcess::SeparateChannels;
    if (captureOutput)
        return QProcess::ForwardedErrorChannel;
    if (captureError)
        return QProcess::ForwardedOutputChannel;
    return QProcess::ForwardedChannels;
}

// The process groups of the tools running now, each led by the tool.
struct RunningTools {
    QMutex mutex;
    QSet<qint64> groups;
};

RunningTools& runningTools() {
    static RunningTools tools;
    return tools;
}

// Kills the tool's whole group while the tool is still ours: once it has been reaped, its id
// may belong to someone else.
void killGroup(QProcess& process) {
    if (process.state() == QProcess::NotRunning || process.processId() <= 0)
        return;
    ::kill(-pid_t(process.processId()), SIGKILL);
}

// Registers the group of a tool just started while it runs; on the way out, with the awaiting
// task dropped too, nothing of it is left running.
class GroupGuard {
public:
    explicit GroupGuard(QProcess& process)
        : m_process(process)
        , m_group(process.processId()) {
        const QMutexLocker lock(&runningTools().mutex);
        if (m_group > 0)
            runningTools().groups.insert(m_group);
    }
    ~GroupGuard() {
        killGroup(m_process);
        const QMutexLocker lock(&runningTools().mutex);
        runningTools().groups.remove(m_group);
    }
    GroupGuard(const GroupGuard&) = delete;
    GroupGuard& operator=(const GroupGuard&) = delete;

private:
    QProcess& m_process;
    qint64 m_group;
};

std::chrono::milliseconds deadlineOr(std::chrono::seconds standard) {
    bool number = false;
    const double seconds = qEnvironmentVariable("KESTRINE_TOOL_TIMEOUT").toDouble(&number);
    if (number && std::isfinite(seconds) && seconds > 0 && seconds <= 86400)
        return std::chrono::milliseconds(std::llround(seconds * 1000));
    return standard;
}

} // namespace

namespace CommandRunner {

std::chrono::milliseconds listingDeadline() {
    return deadlineOr(std::chrono::seconds(20));
}

std::chrono::milliseconds firingDeadline() {
    return deadlineOr(std::chrono::seconds(60));
}

std::chrono::milliseconds bootDeadline() {
    return deadlineOr(std::chrono::seconds(120));
}

void killRunning() {
    const auto anyRunning = [] {
        const QMutexLocker lock(&runningTools().mutex);
        for (const qint64 group : std::as_const(runningTools().groups))
            ::kill(-pid_t(group), SIGKILL);
        return !runningTools().groups.isEmpty();
    };
    const QDeadlineTimer deadline(2000);
    while (anyRunning() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

QString failureMessage(const QByteArray& output, const QByteArray& errorOutput) {
    if (QString text = strictUtf8(errorOutput); !text.isEmpty())
        return text;
    if (QString text = strictUtf8(output); !text.isEmpty())
        return text;
    return QStringLiteral("Unknown error");
}

QCoro::Task<CommandOutput> run(QUrl executableURL, QStringList arguments,
                               QMap<QString, QString> environment, bool captureOutput,
                               bool captureError, std::chrono::milliseconds deadline) {
    const QString program = executableURL.isLocalFile() ? executableURL.toLocalFile() : QString();
    // QProcess would search PATH for a bare name; a tool must come from where it was asked for.
    if (program.isEmpty() || !QFileInfo(program).isAbsolute()) {
        throw AppError(launchErrorDomain.toString(), QProcess::FailedToStart,
                       QStringLiteral("Could not start “%1”: not an absolute file path")
                           .arg(executableURL.toDisplayString(QUrl::PreferLocalFile)));
    }

    QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
    for (auto entry = environment.cbegin(); entry != environment.cend(); ++entry)
        childEnvironment.insert(entry.key(), entry.value());

    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(childEnvironment);
    process.setProcessChannelMode(channelMode(captureOutput, captureError));
    // Kestrine's own input is not the tool's: adb would swallow the rest of a script's loop.
    process.setStandardInputFile(QProcess::nullDevice());
    // Leading a session of its own, the tool gets none of the terminal's signals and can be
    // ended with everything it started.
    process.setChildProcessModifier([] {
        if (::setsid() < 0)
            ::setpgid(0, 0);
    });
    // QProcess reads the pipes from the event loop as data arrives, so a chatty tool never
    // stalls on a full pipe, and everything is in its buffers by the time it reports finished.
    // Moving it into our buffers as it comes lets a tool that writes without end be stopped.
    CommandOutput result;
    bool overflowed = false;
    const auto collect = [&] {
        result.output += process.readAllStandardOutput();
        result.errorOutput += process.readAllStandardError();
        if (result.output.size() > outputLimit || result.errorOutput.size() > outputLimit) {
            overflowed = true;
            result = {};
            killGroup(process);
        }
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, collect);
    QObject::connect(&process, &QProcess::readyReadStandardError, &process, collect);
    bool timedOut = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &process, [&] {
        timedOut = true;
        killGroup(process);
    });
    process.start(QIODevice::ReadOnly);
    const GroupGuard group(process);
    timer.start(deadline);
    co_await ProcessEnd(process);
    timer.stop();

    if (process.error() == QProcess::FailedToStart) {
        throw AppError(launchErrorDomain.toString(), QProcess::FailedToStart,
                       QStringLiteral("Could not start “%1”: %2")
                           .arg(QFileInfo(program).fileName(), process.errorString()));
    }

    collect();
    if (timedOut && !overflowed) {
        throw CommandError(QStringLiteral("%1 did not answer within %2 s")
                               .arg(QFileInfo(program).fileName())
                               .arg(double(deadline.count()) / 1000));
    }
    if (overflowed) {
        throw CommandError(QStringLiteral("“%1” was stopped: its output passed %2 MiB")
                               .arg(QFileInfo(program).fileName())
                               .arg(outputLimit / (1024 * 1024)));
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        co_return result;
    throw CommandError(failureMessage(result.output, result.errorOutput));
}

} // namespace CommandRunner
