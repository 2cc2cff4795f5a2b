#include "widgets/Popover.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

Popover::Popover(QWidget* anchor)
    : QFrame(anchor, Qt::Popup | Qt::FramelessWindowHint)
    , m_anchor(anchor) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(1, 1, 1, 1);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Popover::setContent(QWidget* content) {
    if (content == m_content)
        return;
    if (m_content) {
        m_layout->removeWidget(m_content);
        // Deleted later: the old content may be the sender of the signal that replaced it.
        m_content->hide();
        m_content->deleteLater();
    }
    m_content = content;
    if (content)
        m_layout->addWidget(content);
    reposition();
}

void Popover::open() {
    show();
    reposition();
    raise();
    activateWindow();
}

void Popover::reposition() {
    m_layout->activate();
    adjustSize();
    if (!m_anchor || !isVisible())
        return;
    constexpr int gap = 4;
    const QRect anchor(m_anchor->mapToGlobal(QPoint(0, 0)), m_anchor->size());
    const int centre = anchor.left() + anchor.width() / 2;
    QRect frame(QPoint(centre - width() / 2, anchor.bottom() + 1 + gap), size());
    if (const QScreen* screen = m_anchor->screen()) {
        const QRect available = screen->availableGeometry();
        if (frame.bottom() > available.bottom())
            frame.moveBottom(anchor.top() - 1 - gap);
        frame.moveTop(qBound(available.top(), frame.top(),
                             qMax(available.top(), available.bottom() + 1 - frame.height())));
        frame.moveLeft(qBound(available.left(), frame.left(),
                              qMax(available.left(), available.right() - frame.width())));
    }
    move(frame.topLeft());
}

void Popover::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    Q_EMIT dismissed();
}

void Popover::mousePressEvent(QMouseEvent* event) {
    // A pop-up sees the press that closes it. On the anchor, swallow it: the anchor toggles.
    if (!rect().contains(event->position().toPoint()) && m_anchor) {
        const QPoint local = m_anchor->mapFromGlobal(event->globalPosition().toPoint());
        setAttribute(Qt::WA_NoMouseReplay, m_anchor->rect().contains(local));
    }
    QFrame::mousePressEvent(event);
}

void Popover::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}
