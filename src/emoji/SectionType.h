#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The emoji picker's sections: "Recent" followed by the nine catalogue categories. A section
// is named everywhere by its display name (the raw value).
enum class SectionType {
    Recent,
    Smileys,
    People,
    Animals,
    Food,
    Travel,
    Activities,
    Objects,
    Symbols,
    Flags,
};

namespace SectionTypes {

// Every section, in picker order.
[[nodiscard]] const QList<SectionType>& all();
// The display name ("Recent", "Smileys & Emotion", ...).
[[nodiscard]] QString rawValue(SectionType type);
// The section with exactly that display name (case-sensitive).
[[nodiscard]] std::optional<SectionType> fromRawValue(const QString& rawValue);
// The nine catalogue category names, in order ("Recent" left out).
[[nodiscard]] const QStringList& catalogueCategories();

} // namespace SectionTypes
