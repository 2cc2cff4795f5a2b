#include "widgets/SearchField.h"

#include "platform/SymbolImage.h"

#include <QAction>

SearchField::SearchField(Binding<QString> text, QWidget* parent)
    : QLineEdit(parent)
    , m_text(std::move(text)) {
    addAction(SymbolImage::icon(QStringLiteral("magnifyingglass")), QLineEdit::LeadingPosition)
        ->setText(tr("Search"));
    setClearButtonEnabled(true);
    // Both icons are buttons to assistive technology; without text they read nothing.
    if (auto* clear = findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction")))
        clear->setText(tr("Clear"));
    // textEdited covers typing, deleting, pasting and the clear button, but not our own
    // setText(), so a refresh never echoes back into the binding.
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& value) { m_text.set(value); });
    refresh();
}

void SearchField::refresh() {
    const QString value = m_text.get();
    if (text() != value)
        setText(value);
}
