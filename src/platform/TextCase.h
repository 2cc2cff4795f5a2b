#pragma once

#include <QString>

namespace TextCase {

// The first letter of every whitespace-delimited word in title case, the rest in lower case:
// "my APP links" -> "My App Links", "user's cart" -> "User's Cart" (words are delimited by
// spaces, tabs and line breaks only). A letter outside the BMP counts as one letter.
[[nodiscard]] QString capitalized(const QString& text);

} // namespace TextCase
