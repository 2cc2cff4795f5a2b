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
    case SectionType::recent:
        return QStringLiteral("clock");
    case SectionType::smileys:
        return QStringLiteral("smiley");
    case SectionType::people:
        return QStringLiteral("person.3");
    case SectionType::animals:
        return QStringLiteral("tortoise");
    case SectionType::food:
        return QStringLiteral("heart");
    case SectionType::travel:
        return QStringLiteral("car");
    case SectionType::activities:
        return QStringLiteral("gamecontroller");
    case SectionType::objects:
        return QStringLiteral("lightbulb");
    case SectionType::symbols:
        return QStringLiteral("hexagon");
    case SectionType::flags:
        return QStringLiteral("flag");
    }
    return QStringLiteral("questionmark");
}
