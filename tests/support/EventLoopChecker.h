#pragma once

#include <QTimer>

#include <functional>

// A QTimer that proves the GUI thread kept running while a test awaited something: it ticks on
// that thread every 10 ms and counts the ticks at which `counting` holds (every tick without
// one). A thread that blocked on the awaited work counts none meanwhile.
class EventLoopChecker : public QTimer {
public:
    explicit EventLoopChecker(std::function<bool()> counting = {}) {
        connect(this, &QTimer::timeout, this, [this, counting = std::move(counting)] {
            if (!counting || counting())
                ++m_ticks;
        });
        start(10);
    }

    [[nodiscard]] int ticks() const { return m_ticks; }

private:
    int m_ticks = 0;
};
