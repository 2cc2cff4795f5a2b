#pragma once

#include "emoji/Emoji.h"
#include "emoji/ui/EmojiPicker.h"
#include "widgets/Binding.h"

#include <QObject>
#include <QPointer>

#include <optional>

// QObject that attaches the emoji picker to a widget in a Popover below it (above it where the
// screen ends first). The popover is shown while `isPresented` reads true (call refresh() after
// changing it); each showing starts a fresh picker. A chosen emoji is written to
// `selectedEmoji`, and the popover closes afterwards when `dismissAfterSelection` is set.
// Closing it by Escape or by clicking elsewhere writes false back.
class EmojiPickerViewModifier : public QObject {
    Q_OBJECT
public:
    EmojiPickerViewModifier(QWidget* anchor, Binding<bool> isPresented,
                            Binding<std::optional<Emoji>> selectedEmoji,
                            bool dismissAfterSelection);
    ~EmojiPickerViewModifier() override;

    // Shows or hides the popover to match `isPresented`.
    void refresh();

    static constexpr int popoverWidth = 320;
    static constexpr int popoverHeight = 500;

Q_SIGNALS:
    // The popover was closed, whichever way.
    void dismissed();

private:
    void present();
    void popoverDismissed();

    QPointer<QWidget> m_anchor;
    Binding<bool> m_isPresented;
    Binding<std::optional<Emoji>> m_selectedEmoji;
    bool m_dismissAfterSelection;
    // Held as a QWidget: a popover being destroyed is no longer a Popover.
    QPointer<QWidget> m_popover;
    QPointer<EmojiPicker> m_picker;
};
