#include "emoji/ui/EmojiPickerViewModifier.h"

#include "emoji/EmojiStore.h"
#include "emoji/SharedState.h"
#include "emoji/ui/EmojiPicker.h"
#include "emoji/ui/SearchBar.h"
#include "widgets/Popover.h"
#include "widgets/SearchField.h"

#include <QLayout>

EmojiPickerViewModifier::EmojiPickerViewModifier(QWidget* anchor, Binding<bool> isPresented,
                                                 Binding<std::optional<Emoji>> selectedEmoji,
                                                 bool dismissAfterSelection)
    : QObject(anchor)
    , m_anchor(anchor)
    , m_isPresented(std::move(isPresented))
    , m_selectedEmoji(std::move(selectedEmoji))
    , m_dismissAfterSelection(dismissAfterSelection) {}

EmojiPickerViewModifier::~EmojiPickerViewModifier() {
    // Destroying an open popover hides it; its `dismissed` must not write the flag any more.
    if (m_popover) {
        m_popover->disconnect(this);
        delete m_popover;
    }
}

void EmojiPickerViewModifier::refresh() {
    const bool shown = m_popover && m_popover->isVisible();
    if (m_isPresented.get() && !shown)
        present();
    else if (!m_isPresented.get() && shown)
        m_popover->close();
}

void EmojiPickerViewModifier::present() {
    if (!m_anchor)
        return;
    if (m_popover) {
        m_popover->disconnect(this);
        m_popover->deleteLater();
    }
    auto* popover = new Popover(m_anchor);
    popover->setObjectName(QStringLiteral("emojiPopover"));
    popover->setAttribute(Qt::WA_DeleteOnClose);
    connect(popover, &Popover::dismissed, this, &EmojiPickerViewModifier::popoverDismissed);
    m_popover = popover;

    m_picker = new EmojiPicker(
        new SharedState(), EmojiStore::shared(),
        [this](const Emoji& emoji) {
            m_selectedEmoji.set(emoji);
            if (m_dismissAfterSelection) {
                m_isPresented.set(false);
                refresh();
            }
        },
        true);
    // The popover's size includes its frame and margins.
    const QMargins chrome = popover->contentsMargins() + popover->layout()->contentsMargins();
    m_picker->setFixedSize(QSize(popoverWidth, popoverHeight).shrunkBy(chrome));
    popover->setContent(m_picker);
    popover->open();
    if (m_picker->searchBar())
        m_picker->searchBar()->field()->setFocus();
}

void EmojiPickerViewModifier::popoverDismissed() {
    // Closed by a choice, by Escape or by a click elsewhere: the flag follows.
    if (m_isPresented.get())
        m_isPresented.set(false);
    Q_EMIT dismissed();
}
