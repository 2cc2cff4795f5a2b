#pragma once

#include <QObject>

class QSocketNotifier;

// A QObject that turns the signals asking the process to stop (SIGTERM, SIGINT, SIGHUP) into its
// `received` signal, delivered by the event loop of the thread that created it. The C handler
// only writes the signal's number to a pipe; whatever follows runs as ordinary Qt code. One at a
// time per process; destroying it restores the default handling.
class StopSignalNotifier : public QObject {
    Q_OBJECT
public:
    explicit StopSignalNotifier(QObject* parent = nullptr);
    ~StopSignalNotifier() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};
