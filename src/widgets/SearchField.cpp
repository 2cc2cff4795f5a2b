#include "widgets/SearchField.h"

#include "platform/SymbolImage.h"

#include <QAction>

SearchField::SearchField(Binding<QString> text, QWidget* parent)
    : QLineEdit(parent)
    , m_text(std::move(text)) {
    addSymbolAndClearButton(this, QStringLiteral("magnifyingglass"), tr("Search"));
    // textEdited covers typing, deleting, pasting and the clear button, but not our own
    // setText(), so a refresh never echoes back into the binding.
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& value) { m_text.set(value); });
    refresh();
}

void SearchField::addSymbolAndClearButton(QLineEdit* field, const QString& symbol,
                                          const QString& symbolText) {
    field->addAction(SymbolImage::icon(symbol), QLineEdit::LeadingPosition)->setText(symbolText);
    field->setClearButtonEnabled(true);
    // Qt's own name for the clear button's action; it has no accessor.
    if (auto* clear = field->findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction")))
        clear->setText(tr("Clear"));
}

void SearchField::refresh() {
    const QString value = m_text.get();
    if (text() != value)
        setText(value);
}
