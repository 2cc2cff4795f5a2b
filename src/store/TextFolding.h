#pragma once

#include <QString>

namespace TextFolding {

// Case-folds `text` and strips its diacritics (NFD, combining marks removed), so that
// "contains" on two folded texts ignores case and diacritics.
[[nodiscard]] QString fold(const QString& text);

} // namespace TextFolding
