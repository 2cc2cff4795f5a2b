#include "emoji/SectionType.h"

namespace SectionTypes {

const QList<SectionType>& all() {
    static const QList<SectionType> types{
        SectionType::Recent,  SectionType::Smileys, SectionType::People,     SectionType::Animals,
        SectionType::Food,    SectionType::Travel,  SectionType::Activities, SectionType::Objects,
        SectionType::Symbols, SectionType::Flags,
    };
    return types;
}

QString rawValue(SectionType type) {
    switch (type) {
    case SectionType::Recent:
        return QStringLiteral("Recent");
    case SectionType::Smileys:
        return QStringLiteral("Smileys & Emotion");
    case SectionType::People:
        return QStringLiteral("People & Body");
    case SectionType::Animals:
        return QStringLiteral("Animals & Nature");
    case SectionType::Food:
        return QStringLiteral("Food & Drink");
    case SectionType::Travel:
        return QStringLiteral("Travel & Places");
    case SectionType::Activities:
        return QStringLiteral("Activities");
    case SectionType::Objects:
        return QStringLiteral("Objects");
    case SectionType::Symbols:
        return QStringLiteral("Symbols");
    case SectionType::Flags:
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
            if (type != SectionType::Recent)
                list.append(rawValue(type));
        }
        return list;
    }();
    return names;
}

} // namespace SectionTypes
