#include "window/ui/PlaceholderLineEdit.h"

#include "store/Placeholder.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QTextCharFormat>

PlaceholderLineEdit::PlaceholderLineEdit(QWidget* parent)
    : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_composing)
            highlight();
    });
}

void PlaceholderLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (m_composing) { // our own formats
        QLineEdit::inputMethodEvent(event);
        return;
    }
    m_composing = true;
    QLineEdit::inputMethodEvent(event);
    m_composing = false;
    if (event->preeditString().isEmpty())
        highlight();
}

void PlaceholderLineEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        highlight();
}

void PlaceholderLineEdit::highlight() {
    // The highlight colour, faint enough for the text over it to read in light and dark palettes.
    QColor tint = palette().color(QPalette::Active, QPalette::Highlight);
    tint.setAlphaF(0.28f);
    QTextCharFormat format;
    format.setBackground(tint);
    // Format positions count from the cursor; an event without text leaves text, cursor,
    // selection and undo alone.
    const int cursor = cursorPosition();
    QList<QInputMethodEvent::Attribute> formats;
    for (const Placeholder& placeholder : Placeholder::find(text()))
        formats.append({QInputMethodEvent::TextFormat, int(placeholder.start) - cursor,
                        int(placeholder.size), format});
    QInputMethodEvent event(QString(), formats);
    m_composing = true;
    QCoreApplication::sendEvent(this, &event);
    m_composing = false;
}
