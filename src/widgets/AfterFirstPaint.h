#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

// QObject that runs a piece of start-up work once a window's first picture is on screen, so that
// the work neither delays that picture nor competes with it for the processor: right after the
// window's first paint (and its flush) when the window is shown and not yet exposed; on the next
// turn of the event loop when it is not shown or already on screen; and after `fallback` at the
// latest, for a window that is shown but never painted (minimised, on a hidden desktop).
class AfterFirstPaint : public QObject {
public:
    static constexpr int fallbackMs = 1000;

    // Runs `work` once, as described above; nothing if `context` goes first.
    static void run(QWidget* window, QObject* context, std::function<void()> work,
                    int fallback = fallbackMs);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AfterFirstPaint(QWidget* window, QObject* context, std::function<void()> work);
    void check();
    void finish();

    QPointer<QWidget> m_window;
    std::function<void()> m_work;
    bool m_done = false;
};
