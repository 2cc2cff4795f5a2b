#pragma once

#include "emoji/Emoji.h"
#include "emoji/EmojiPicker.h"
#include "widgets/Binding.h"

#include <QFrame>
#include <QObject>
#include <QPointer>

#include <optional>

// Attaches the emoji picker to a widget as a popover below it. The popover is shown while
// `isPresented` reads true (call refresh() after changing it); each showing starts a fresh
// picker. A chosen emoji is written to `selectedEmoji`, and the popover closes afterwards when
// `dismissAfterSelection` is set. Closing it by clicking elsewhere writes false back.
class EmojiPickerViewModifier : public QObject {
    Q_OBJECT
public:
    EmojiPickerViewModifier(QWidget* anchor, Binding<bool> isPresented,
                            Binding<std::optional<Emoji>> selectedEmoji,
                            bool dismissAfterSelection);
    ~EmojiPickerViewModifier() override;

    // Shows or hides the popover to match `isPresented`.
    void refresh();

    [[nodiscard]] QFrame* popover() const { return qobject_cast<QFrame*>(m_popover.data()); }
    [[nodiscard]] EmojiPicker* picker() const { return m_picker; }

    static constexpr int popoverWidth = 320;
    static constexpr int popoverHeight = 500;
    static constexpr int popoverMinimumHeight = 400;

Q_SIGNALS:
    // The popover was closed, whichever way.
    void dismissed();

private:
    void present();
    void dismiss();
    void place();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPointer<QWidget> m_anchor;
    Binding<bool> m_isPresented;
    Binding<std::optional<Emoji>> m_selectedEmoji;
    bool m_dismissAfterSelection;
    // Held as a QWidget: the popover still sends events while ~QWidget runs, when it is no
    // longer a QFrame, and reading a QPointer<QFrame> then is undefined behaviour.
    QPointer<QWidget> m_popover;
    QPointer<EmojiPicker> m_picker;
};
