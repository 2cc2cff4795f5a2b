#include "platform/StopSignalNotifier.h"

#include "platform/AppIdentity.h"
#include "platform/Logger.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array stopSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe the handler writes to: [0] read by the notifier, [1] written by the handler.
int pipeEnds[2] = {-1, -1};

void writeSignalNumber(int signalNumber) {
    // Only async-signal-safe calls here; errno belongs to the code this interrupted.
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    (void)::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls elsewhere carry on instead of failing with EINTR.
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : stopSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

StopSignalNotifier::StopSignalNotifier(QObject* parent)
    : QObject(parent) {
    if (::pipe(pipeEnds) != 0) {
        Logger(QString::fromLatin1(AppIdentity::bundleIdentifier), QStringLiteral("lifecycle"))
            .error(u"Cannot watch stop signals: %{public}s", qt_error_string(errno));
        return;
    }
    // Children never inherit the pipe, and neither end ever blocks: a full pipe drops a
    // repeated signal instead of hanging the handler.
    for (const int end : pipeEnds) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    }
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignalNotifier::readPipe);
    setHandler(writeSignalNumber);
}

StopSignalNotifier::~StopSignalNotifier() {
    if (!m_notifier)
        return;
    setHandler(SIG_DFL);
    delete m_notifier;
    for (int& end : pipeEnds) {
        ::close(end);
        end = -1;
    }
}

void StopSignalNotifier::readPipe() {
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1)
        Q_EMIT received(byte);
}

#include "moc_StopSignalNotifier.cpp"
