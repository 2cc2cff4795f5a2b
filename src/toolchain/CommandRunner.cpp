#include "toolchain/CommandRunner.h"

#include "platform/AppError.h"
#include "toolchain/CommandError.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringDecoder>

#include <coroutine>

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

} // namespace

namespace CommandRunner {

QString failureMessage(const QByteArray& output, const QByteArray& errorOutput) {
    if (QString text = strictUtf8(errorOutput); !text.isEmpty())
        return text;
    if (QString text = strictUtf8(output); !text.isEmpty())
        return text;
    return QStringLiteral("Unknown error");
}

QCoro::Task<CommandOutput> run(QUrl executableURL, QStringList arguments,
                               QMap<QString, QString> environment, bool captureOutput,
                               bool captureError) {
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
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
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
            process.kill();
        }
    };
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process, collect);
    QObject::connect(&process, &QProcess::readyReadStandardError, &process, collect);
    process.start(QIODevice::ReadOnly);
    co_await ProcessEnd(process);

    if (process.error() == QProcess::FailedToStart) {
        throw AppError(launchErrorDomain.toString(), QProcess::FailedToStart,
                       QStringLiteral("Could not start “%1”: %2")
                           .arg(QFileInfo(program).fileName(), process.errorString()));
    }

    collect();
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
