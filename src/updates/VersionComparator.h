#pragma once

#include <QStringView>

#include <compare>

// Free functions (no class) that order version strings the way people read them: dotted numbers
// compared as numbers (1.10 is newer than 1.9), trailing zero parts ignored (1.0 equals 1.0.0), and
// a pre-release suffix older than the release it leads to (1.2b3 is older than 1.2, newer than
// 1.1). Anything that is not an ASCII digit or a separator (. - _ + space) is text.
namespace VersionComparator {

[[nodiscard]] std::weak_ordering compare(QStringView lhs, QStringView rhs);

} // namespace VersionComparator
