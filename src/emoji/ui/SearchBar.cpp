#include "emoji/ui/SearchBar.h"

#include "emoji/SharedState.h"
#include "emoji/ui/SectionHeader.h"
#include "widgets/SearchField.h"

#include <QHBoxLayout>

SearchBar::SearchBar(SharedState* sharedState, QWidget* parent)
    : QWidget(parent) {
    m_field = new SearchField(
        Binding<QString>::property(sharedState, &SharedState::keyword, &SharedState::setKeyword),
        this);
    m_field->refreshOn(sharedState, &SharedState::keywordChanged);
    m_field->setPlaceholderText(tr("Search emojis"));
    m_field->setAccessibleName(m_field->placeholderText());
    m_field->setFrame(false);
    m_field->setFont(SectionHeader::title3Font(font()));
    // The field blends into the bar, like a plain text field.
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_field->setPalette(palette);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->addWidget(m_field);
    setFixedHeight(44);
}
