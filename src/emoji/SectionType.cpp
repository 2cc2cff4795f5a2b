#include "emoji/SectionType.h"

namespace SectionTypes {

const QList<SectionType>& all() {
    static const QList<SectionType> types{
        SectionType::recent,  SectionType::smileys, SectionType::people,     SectionType::animals,
        SectionType::food,    SectionType::travel,  SectionType::activities, SectionType::objects,
        SectionType::symbols, SectionType::flags,
    };
    return types;
}

QString rawValue(SectionType type) {
    switch (type) {
    case SectionType::recent:
        return QStringLiteral("Recent");
    case SectionType::smileys:
        return QStringLiteral("Smileys & Emotion");
    case SectionType::people:
        return QStringLiteral("People & Body");
    case SectionType::animals:
        return QStringLiteral("Animals & Nature");
    case SectionType::food:
        return QStringLiteral("Food & Drink");
    case SectionType::travel:
        return QStringLiteral("Travel & Places");
    case SectionType::activities:
        return QStringLiteral("Activities");
    case SectionType::objects:
        return QStringLiteral("Objects");
    case SectionType::symbols:
        return QStringLiteral("Symbols");
    case SectionType::flags:
        return QStringLiteral("Flags");
    }
    return {};
}

std::optional<SectionType> fromRawValue(const QString& value) {
    for (SectionType type : all()) {
        if (rawValue(type) == value)
            return type;
    }
    return std::nullopt;
}

const QStringList& catalogueCategories() {
    static const QStringList names = [] {
        QStringList list;
        for (SectionType type : all()) {
            if (type != SectionType::recent)
                list.append(rawValue(type));
        }
        return list;
    }();
    return names;
}

} // namespace SectionTypes
