#pragma once

#include <QList>
#include <QString>
#include <QTest>

// URLs that must come through every path exactly as the user wrote them: what is typed or
// read from a file, and the text then stored, shown, exported and handed to the tools. Only
// characters that cannot stand in a URL at all get percent-encoded; case, escapes already
// there and odd but harmless characters stay.
namespace ExactUrls {

struct Row {
    const char* name;
    QString typed;
    QString exact;
    QString pathTyped; // `exact` once "Y" is typed at the end of the Path field
};

inline QList<Row> rows() {
    const auto same = [](const char* name, const QString& text, const QString& pathTyped) {
        return Row{name, text, text, pathTyped};
    };
    return {
        same("mixed case, escaped space, fragment",
             QStringLiteral("MyApp://Product/Item?q=a%20b#Frag"),
             QStringLiteral("MyApp://Product/ItemY?q=a%20b#Frag")),
        same("lower-case escape", QStringLiteral("app://h/%7e"), QStringLiteral("app://h/%7eY")),
        same("escaped slash", QStringLiteral("app://h/a%2fb"), QStringLiteral("app://h/a%2fbY")),
        same("braces", QStringLiteral("app://h/{b}"), QStringLiteral("app://h/{b}Y")),
        same("broken escape", QStringLiteral("app://h/%zz"), QStringLiteral("app://h/%zzY")),
        same("escapes and braces before a last segment", QStringLiteral("app://h/a%2fb/{b}/%zz/x"),
             QStringLiteral("app://h/a%2fb/{b}/%zz/xY")),
        same("user, password, mixed-case host, port",
             QStringLiteral("Shop://Me:PW@Example.COM:8443/P?X=Y"),
             QStringLiteral("Shop://Me:PW@Example.COM:8443/PY?X=Y")),
        same("leading hyphen", QStringLiteral("shop:-rf"), QStringLiteral("shop:-rfY")),
        same("shell characters", QStringLiteral("shop://x/$(touch%20pwned)`id`|;"),
             QStringLiteral("shop://x/$(touch%20pwned)`id`|;Y")),
        Row{"space", QStringLiteral("app://h/a b"), QStringLiteral("app://h/a%20b"),
            QStringLiteral("app://h/a%20bY")},
        Row{"non-ASCII", QStringLiteral("app://h/\u00e9?s=\u00fc"),
            QStringLiteral("app://h/%C3%A9?s=%C3%BC"), QStringLiteral("app://h/%C3%A9Y?s=%C3%BC")},
    };
}

// The rows as a test's data: columns "typed", "exact" and "pathTyped".
inline void addRows() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("exact");
    QTest::addColumn<QString>("pathTyped");
    for (const Row& row : rows())
        QTest::addRow("%s", row.name) << row.typed << row.exact << row.pathTyped;
}

} // namespace ExactUrls
