#pragma once

#include <QByteArrayView>
#include <QVariant>

#include <optional>

// Reader of the old-style (OpenStep) property list text that NSDictionary's description and
// `simctl listapps` print: dictionaries `{ key = value; }`, arrays `( a, b )`, quoted and
// unquoted strings, `<hex data>` and C comments. libplist does not read this form.
class OldStylePropertyList {
public:
    // Deeper nesting than any tool prints: guards the recursion against crafted input.
    static constexpr int maximumDepth = 64;

    // The one value `text` (UTF-8) holds, comments and white space around it allowed: a QString,
    // a QVariantMap, a QVariantList or a QByteArray (hex data). Nothing when the text is not
    // exactly one such value or nests deeper than maximumDepth. A key repeated in a dictionary
    // keeps its last value.
    [[nodiscard]] static std::optional<QVariant> parse(QByteArrayView text);
};
