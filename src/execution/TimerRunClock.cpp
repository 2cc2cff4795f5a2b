#include "execution/TimerRunClock.h"

TimerRunClock::TimerRunClock(QObject* parent)
    : RunClock(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &RunClock::ticked);
}

void TimerRunClock::connectClock() {
    m_timer.start();
}

void TimerRunClock::disconnectClock() {
    m_timer.stop();
}

#include "moc_TimerRunClock.cpp"
