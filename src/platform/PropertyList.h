#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

// Free functions reading property lists (Info.plist and the like), XML or binary, into
// QVariantMaps.
namespace PropertyList {

// The top-level dictionary of the property list file at `path`, or nothing when the file is
// missing, not a regular file, unreadable, too large to be a plausible property list, not a
// property list, or not a dictionary at its top. Values become QVariants: strings QString, integers
// qint64 (unsigned ones quint64), reals double, booleans bool, data QByteArray, dates QDateTime,
// arrays QVariantList, dictionaries QVariantMap.
[[nodiscard]] std::optional<QVariantMap> readDictionary(const QString& path);

// The same for property list bytes already in memory.
[[nodiscard]] std::optional<QVariantMap> dictionaryFromData(const QByteArray& data);

} // namespace PropertyList
