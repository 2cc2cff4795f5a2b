#pragma once

#include <QFrame>
#include <QPointer>

class QVBoxLayout;

// A pop-up panel (a QFrame window) anchored below a control, or above it when the screen ends
// below. It closes when the user clicks outside it or presses Escape, or when close() is called;
// `dismissed` tells the owner either way. A click on the anchor itself only closes it (it is not
// replayed to the anchor, which would reopen it).
class Popover : public QFrame {
    Q_OBJECT
public:
    explicit Popover(QWidget* anchor);

    // Replaces the content (the previous one is deleted) and resizes to the new one's size.
    void setContent(QWidget* content);
    [[nodiscard]] QWidget* content() const { return m_content; }

    // Shows the panel centred below the anchor (above it when there is no room below), kept
    // inside the anchor's screen.
    void open();
    // Moves an open panel to follow a change of its content's size.
    void reposition();

Q_SIGNALS:
    void dismissed();

protected:
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QWidget> m_anchor;
    QPointer<QWidget> m_content;
    QVBoxLayout* m_layout = nullptr;
};
