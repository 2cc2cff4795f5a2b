#pragma once

#include "widgets/Binding.h"

#include <QLineEdit>

// QLineEdit of a search field, bound two-way to a text: every edit (each typed or deleted
// character, the clear button) reaches the binding at once, and refresh() takes over a text written
// to the binding from elsewhere. Drawn with a magnifier and a clear button; no placeholder unless
// the owner sets one.
class SearchField : public QLineEdit {
    Q_OBJECT
public:
    explicit SearchField(Binding<QString> text, QWidget* parent = nullptr);

    // Gives `field` a leading `symbol` and a clear button, each with a text (`symbolText`,
    // "Clear"): assistive technology reads them as buttons, and without text they read nothing.
    static void addSymbolAndClearButton(QLineEdit* field, const QString& symbol,
                                        const QString& symbolText);

    // Re-reads the binding; the field is only rewritten when its text differs, so the cursor
    // and undo history survive refreshes caused by the field's own edits.
    void refresh();

    // Calls refresh() whenever `sender` emits `signal` (typically the owner's change signal).
    template <typename Sender, typename Signal>
    void refreshOn(const Sender* sender, Signal signal) {
        connect(sender, signal, this, &SearchField::refresh);
    }

private:
    Binding<QString> m_text;
};
