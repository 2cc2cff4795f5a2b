#pragma once

#include <QList>
#include <QString>

// The field of a deeplink that a deeplink search looks in.
enum class DeeplinkScope { Title, Url };

namespace DeeplinkScopes {

// Every scope, in the order the scope row lists them.
[[nodiscard]] inline QList<DeeplinkScope> allCases() {
    return {DeeplinkScope::Title, DeeplinkScope::Url};
}

[[nodiscard]] inline QString rawValue(DeeplinkScope scope) {
    return scope == DeeplinkScope::Title ? QStringLiteral("title") : QStringLiteral("url");
}

// The scope row's label: the raw value capitalised ("Title", "Url").
[[nodiscard]] inline QString label(DeeplinkScope scope) {
    const QString raw = rawValue(scope);
    return raw.left(1).toUpper() + raw.mid(1);
}

// The symbol beside the label.
[[nodiscard]] inline QString symbolName(DeeplinkScope scope) {
    return scope == DeeplinkScope::Title ? QStringLiteral("textformat") : QStringLiteral("link");
}

} // namespace DeeplinkScopes
