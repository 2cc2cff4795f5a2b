#include "cli/CliStopSignals.h"

#include "cli/CliOutput.h"
#include "toolchain/CommandRunner.h"

#include <cstdlib>

namespace {
CliStopSignals* alive = nullptr;
}

CliStopSignals::CliStopSignals() {
    alive = this;
    connect(&m_notifier, &StopSignalNotifier::received, this, [this](int signalNumber) {
        if (m_first != 0) {
            CommandRunner::killRunning();
            CliOutput::write(stderr, QStringLiteral("Stopped at once\n"));
            std::_Exit(128 + m_first);
        }
        m_first = signalNumber;
        Q_EMIT received(signalNumber);
    });
}

CliStopSignals::~CliStopSignals() {
    alive = nullptr;
}

CliStopSignals* CliStopSignals::current() {
    return alive;
}

#include "moc_CliStopSignals.cpp"
