#pragma once

#include <QObject>

// A one-second clock on the GUI thread that can be connected (ticking) and disconnected.
// Connecting restarts it: the first tick comes one second later.
class RunClock : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void connectClock() = 0;
    virtual void disconnectClock() = 0;
    [[nodiscard]] virtual bool isConnected() const = 0;

Q_SIGNALS:
    void ticked();
};
