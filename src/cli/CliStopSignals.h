#pragma once

#include "platform/StopSignalNotifier.h"

#include <QObject>

// How kestrine-cli takes SIGINT, SIGTERM and SIGHUP while a command runs tools. The tools run in
// process groups of their own, so a Ctrl+C in the terminal reaches this process alone: the first
// signal is noted (a run stops after the request in flight, which ends within its deadline); a
// second one kills the running tools and ends the process at once, with 128 + the first one's
// number. One at a time per process.
class CliStopSignals : public QObject {
    Q_OBJECT
public:
    CliStopSignals();
    ~CliStopSignals() override;

    // The one alive, or none.
    [[nodiscard]] static CliStopSignals* current();
    // The number of the first stop signal received, 0 while none came.
    [[nodiscard]] int first() const { return m_first; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    StopSignalNotifier m_notifier;
    int m_first = 0;
};
