#pragma once

#include "execution/RunClock.h"

#include <QTimer>

// The real clock: a precise repeating one-second timer on the GUI thread's event loop. It
// keeps ticking while menus are open or the window is resized, and its ticks do not drift:
// each is due one second after the previous one was due, not after it was handled.
class TimerRunClock : public RunClock {
    Q_OBJECT
public:
    explicit TimerRunClock(QObject* parent = nullptr);

    void connectClock() override;
    void disconnectClock() override;
    [[nodiscard]] bool isConnected() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};
