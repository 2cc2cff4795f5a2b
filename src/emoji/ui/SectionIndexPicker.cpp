#include "emoji/ui/SectionIndexPicker.h"

#include "emoji/SectionType.h"
#include "emoji/SharedState.h"
#include "platform/SymbolImage.h"

#include <QHBoxLayout>

SectionIndexPicker::SectionIndexPicker(SharedState* sharedState, QStringList sections,
                                       std::function<void()> selectionHandler, QWidget* parent)
    : QWidget(parent)
    , m_sections(std::move(sections)) {
    QList<QIcon> images;
    for (const QString& section : m_sections)
        images.append(SymbolImage::icon(symbolName(section)));
    m_control = new SegmentedControl<QString>(
        Binding<QString>::property(sharedState, &SharedState::currentCategory,
                                   &SharedState::setCurrentCategory),
        images, m_sections, std::move(selectionHandler), this);
    m_control->refreshOn(sharedState, &SharedState::currentCategoryChanged);
    m_control->setImageSize(QSize(18, 18));
    for (int index = 0; index < m_sections.size(); ++index)
        m_control->setSegmentToolTip(index, m_sections.at(index));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->addWidget(m_control);
}

QString SectionIndexPicker::symbolName(const QString& section) {
    const auto type = SectionTypes::fromRawValue(section);
    if (!type)
        return QStringLiteral("questionmark");
    switch (*type) {
    case SectionType::Recent:
        return QStringLiteral("clock");
    case SectionType::Smileys:
        return QStringLiteral("smiley");
    case SectionType::People:
        return QStringLiteral("person.3");
    case SectionType::Animals:
        return QStringLiteral("tortoise");
    case SectionType::Food:
        return QStringLiteral("heart");
    case SectionType::Travel:
        return QStringLiteral("car");
    case SectionType::Activities:
        return QStringLiteral("gamecontroller");
    case SectionType::Objects:
        return QStringLiteral("lightbulb");
    case SectionType::Symbols:
        return QStringLiteral("hexagon");
    case SectionType::Flags:
        return QStringLiteral("flag");
    }
    return QStringLiteral("questionmark");
}
