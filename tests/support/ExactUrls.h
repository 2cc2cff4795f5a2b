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
};

inline QList<Row> rows() {
    const auto same = [](const char* name, const QString& text) { return Row{name, text, text}; };
    return {
        same("mixed case, escaped space, fragment",
             QStringLiteral("MyApp://Product/Item?q=a%20b#Frag")),
        same("lower-case escape", QStringLiteral("app://h/%7e")),
        same("escaped slash", QStringLiteral("app://h/a%2fb")),
        same("braces", QStringLiteral("app://h/{b}")),
        same("broken escape", QStringLiteral("app://h/%zz")),
        same("user, password, mixed-case host, port",
             QStringLiteral("Shop://Me:PW@Example.COM:8443/P?X=Y")),
        same("leading hyphen", QStringLiteral("shop:-rf")),
        same("shell characters", QStringLiteral("shop://x/$(touch%20pwned)`id`|;")),
        Row{"space", QStringLiteral("app://h/a b"), QStringLiteral("app://h/a%20b")},
        Row{"non-ASCII", QStringLiteral("app://h/\u00e9?s=\u00fc"),
            QStringLiteral("app://h/%C3%A9?s=%C3%BC")},
    };
}

// The rows as a test's data: columns "typed" and "exact".
inline void addRows() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("exact");
    for (const Row& row : rows())
        QTest::addRow("%s", row.name) << row.typed << row.exact;
}

} // namespace ExactUrls
