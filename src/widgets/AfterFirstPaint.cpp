#include "widgets/AfterFirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWindow>

AfterFirstPaint::AfterFirstPaint(QWidget* window, QObject* context, std::function<void()> work)
    : QObject(context)
    , m_window(window)
    , m_work(std::move(work)) {}

void AfterFirstPaint::run(QWidget* window, QObject* context, std::function<void()> work,
                          int fallback) {
    auto* waiter = new AfterFirstPaint(window, context, std::move(work));
    if (window)
        window->installEventFilter(waiter);
    // Whether the window is shown is known only once the caller has returned to the loop.
    QTimer::singleShot(0, waiter, &AfterFirstPaint::check);
    QTimer::singleShot(fallback, waiter, &AfterFirstPaint::finish);
}

void AfterFirstPaint::check() {
    const QWindow* handle = m_window ? m_window->windowHandle() : nullptr;
    const bool waitingForPaint =
        m_window && m_window->isVisible() && handle && !handle->isExposed();
    if (!waitingForPaint)
        finish();
}

bool AfterFirstPaint::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        // The paint is under way; the flush that puts it on screen follows it.
        QTimer::singleShot(0, this, &AfterFirstPaint::finish);
    }
    return false;
}

void AfterFirstPaint::finish() {
    if (m_done)
        return;
    m_done = true;
    if (m_window)
        m_window->removeEventFilter(this);
    deleteLater();
    m_work();
}
