#include "emoji/EmojiPickerViewModifier.h"

#include "emoji/EmojiPicker.h"
#include "emoji/EmojiStore.h"
#include "emoji/SearchBar.h"
#include "emoji/SharedState.h"
#include "widgets/SearchField.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

EmojiPickerViewModifier::EmojiPickerViewModifier(QWidget* anchor, Binding<bool> isPresented,
                                                 Binding<std::optional<Emoji>> selectedEmoji,
                                                 bool dismissAfterSelection)
    : QObject(anchor)
    , m_anchor(anchor)
    , m_isPresented(std::move(isPresented))
    , m_selectedEmoji(std::move(selectedEmoji))
    , m_dismissAfterSelection(dismissAfterSelection) {}

EmojiPickerViewModifier::~EmojiPickerViewModifier() {
    if (m_popover) {
        m_popover->removeEventFilter(this);
        delete m_popover;
    }
}

void EmojiPickerViewModifier::refresh() {
    const bool shown = m_popover && m_popover->isVisible();
    if (m_isPresented.get() && !shown)
        present();
    else if (!m_isPresented.get() && shown)
        dismiss();
}

void EmojiPickerViewModifier::present() {
    if (!m_anchor)
        return;
    if (m_popover)
        m_popover->deleteLater();
    auto* frame = new QFrame(m_anchor, Qt::Popup);
    frame->setFrameShape(QFrame::StyledPanel);
    m_popover = frame;
    m_popover->setAttribute(Qt::WA_DeleteOnClose);
    m_popover->setMinimumSize(popoverWidth, popoverMinimumHeight);
    m_popover->resize(popoverWidth, popoverHeight);
    m_popover->installEventFilter(this);

    m_picker = new EmojiPicker(
        new SharedState(), EmojiStore::shared(),
        [this](const Emoji& emoji) {
            m_selectedEmoji.set(emoji);
            if (m_dismissAfterSelection) {
                m_isPresented.set(false);
                refresh();
            }
        },
        true, m_popover);
    auto* layout = new QVBoxLayout(m_popover);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_picker);

    place();
    m_popover->show();
    if (m_picker->searchBar())
        m_picker->searchBar()->field()->setFocus();
}

void EmojiPickerViewModifier::dismiss() {
    if (m_popover)
        m_popover->close();
}

void EmojiPickerViewModifier::place() {
    // Below the anchor, centred on it; above it when the screen ends first.
    const QRect anchor(m_anchor->mapToGlobal(QPoint(0, 0)), m_anchor->size());
    QPoint position(anchor.center().x() - popoverWidth / 2, anchor.bottom() + 4);
    if (const QScreen* screen = m_anchor->screen()) {
        const QRect available = screen->availableGeometry();
        if (position.y() + popoverHeight > available.bottom())
            position.setY(std::max(available.top(), anchor.top() - 4 - popoverHeight));
        position.setX(std::clamp(position.x(), available.left(),
                                 std::max(available.left(), available.right() - popoverWidth)));
    }
    m_popover->move(position);
}

bool EmojiPickerViewModifier::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_popover && event->type() == QEvent::MouseButtonPress && m_anchor) {
        // Where the platform replays the press that closes a popup to what lies under it,
        // on the anchor that would toggle the popover straight back open.
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint onAnchor = m_anchor->mapFromGlobal(press->globalPosition().toPoint());
        m_popover->setAttribute(Qt::WA_NoMouseReplay,
                                !m_popover->rect().contains(press->position().toPoint()) &&
                                    m_anchor->rect().contains(onAnchor));
    }
    if (watched == m_popover && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Unhandled by the search field (it ignores Escape), so it ends the popover.
        dismiss();
        return true;
    }
    if (watched == m_popover && event->type() == QEvent::Hide) {
        // Closed by a choice, by Escape or by a click elsewhere: the flag follows.
        if (m_isPresented.get())
            m_isPresented.set(false);
        Q_EMIT dismissed();
    }
    return QObject::eventFilter(watched, event);
}
