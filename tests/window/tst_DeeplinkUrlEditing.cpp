#include "store/DeeplinkUrlEditing.h"
#include "store/UrlText.h"

#include <QTest>

using namespace DeeplinkUrlEditing;

namespace {

// One component of `url` as written.
QString written(const QString& url, UrlText::Part part) {
    return UrlText::parse(url)->part(part).toString();
}

// "name=value" per row, "name" for a row without a value.
QStringList described(const QList<QueryItem>& rows) {
    QStringList out;
    for (const QueryItem& row : rows) {
        out << (row.store.value ? row.store.name + u'=' + *row.store.value : row.store.name);
        if (row.id != out.size())
            out.last() += QStringLiteral(" (id %1)").arg(row.id);
    }
    return out;
}

const QString example = QStringLiteral("scheme://basepath/path?query=value");
// Every character that tends to get lost or doubled on the way through an encoder.
const QString tricky =
    QStringLiteral("app://us%20er%26%3D%23%25+%C3%A9:p%40ss%20%26%3D%23%25+%C3%A9"
                   "@host/a%20b/%26%3D%23%25+%2B%C3%A9"
                   "?q=a%20b&amp=%26%3D%23%25+%2B%C3%A9&flag&e=#frag%20x");

} // namespace

class tst_DeeplinkUrlEditing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsDecodedComponentsAndKeepsTheirBytes_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("fields"); // url|host|scheme|port|user|password|path
        QTest::addColumn<bool>("editable");  // every component edit below gives another URL

        const auto add = [](const char* name, const QString& url, const QString& fields,
                            bool editable = false) {
            QTest::addRow("%s", name) << url << fields << editable;
        };
        add("new deeplink", example, example + "|basepath|scheme||||/path");
        add("no URL", "", "||||||");
        add("every component", "https://me:pw@example.com:8443/a/b?x=1#top",
            "https://me:pw@example.com:8443/a/b?x=1#top|example.com|https|8443|me|pw|/a/b");
        add("decoded user, password, path",
            "app://a%20b%40c:p%3Aw%20d@h/caf%C3%A9%20au%20lait/100%25",
            "app://a%20b%40c:p%3Aw%20d@h/caf%C3%A9%20au%20lait/100%25|h|app||a b@c|p:w d"
            "|/café au lait/100%");
        add("password without user", "s://:pw@h", "s://:pw@h|h|s|||pw|");
        add("IPv6 host and port", "http://[::1]:8080/", "http://[::1]:8080/|::1|http|8080|||/");
        add("tricky", tricky, tricky + "|host|app||us er&=#%+é|p@ss &=#%+é|/a b/&=#%++é", true);
        add("no host", "app:/%20%C3%A9%26%3D%23%25+?%20=%20",
            "app:/%20%C3%A9%26%3D%23%25+?%20=%20||app||||/ é&=#%+", true);
        add("case and escapes as written", "MyApp://Us%65r@Product:82/%7e/a%2fb/{b}/%zz?Q=%7e#Frag",
            "MyApp://Us%65r@Product:82/%7e/a%2fb/{b}/%zz?Q=%7e#Frag|Product|MyApp|82|User||"
            "/~/a/b/{b}/%zz",
            true);
        const QString variables =
            QStringLiteral("{{scheme}}://{{user}}:{{pw}}@{{host}}:{{port}}/a/{{path}}?{{k}}={{v}}"
                           "&id=x{{id}}#{{f}}");
        add("placeholders in every component", variables,
            variables + "|{{host}}|{{scheme}}|{{port}}|{{user}}|{{pw}}|/a/{{path}}", true);
        add("placeholders beside text", "my{{env}}://api.{{env}}.example.com:8{{p}}/x?id=n{{id}}",
            "my{{env}}://api.{{env}}.example.com:8{{p}}/x?id=n{{id}}|api.{{env}}.example.com"
            "|my{{env}}|8{{p}}|||/x",
            true);
    }
    void showsDecodedComponentsAndKeepsTheirBytes() {
        QFETCH(QString, url);
        QFETCH(QString, fields);
        QFETCH(bool, editable);

        const QString& value = url;
        const QList<Field> all{Field::Url,  Field::Host,     Field::Scheme, Field::Port,
                               Field::User, Field::Password, Field::Path};
        QStringList shown;
        for (Field field : all)
            shown << fieldText(value, field);
        QCOMPARE(shown.join(u'|'), fields);

        // The URL field shows the stored text, which reads back as the very same bytes.
        QCOMPARE(withFieldText(value, Field::Url, fieldText(value, Field::Url)), url);
        // A component may come back spelled differently ("%26" as "&" in a user name) but must
        // read the same everywhere.
        for (Field field : all) {
            const QString after = withFieldText(value, field, fieldText(value, field));
            for (Field other : all) {
                if (other != Field::Url)
                    QCOMPARE(fieldText(after, other), fieldText(value, other));
            }
            QCOMPARE(queryItems(after), queryItems(value));
        }
        if (!editable)
            return;

        // Editing one component keeps the others byte for byte, not only decoded alike.
        const QStringList edits{withFieldText(value, Field::Host, QStringLiteral("other")),
                                withFieldText(value, Field::Port, QStringLiteral("81")),
                                withFieldText(value, Field::Scheme, QStringLiteral("other")),
                                withAddedRow(value),
                                withRowValue(value, rows(value).size(), QStringLiteral("v"))};
        for (qsizetype i = 0; i < edits.size(); ++i) {
            const QString& after = edits[i];
            QVERIFY(after != value);
            for (const UrlText::Part part : {UrlText::Part::User, UrlText::Part::Password,
                                             UrlText::Part::Path, UrlText::Part::Fragment})
                QCOMPARE(written(after, part), written(value, part));
            const QStringList beforeItems = written(value, UrlText::Part::Query).split(u'&');
            const QStringList afterItems = written(after, UrlText::Part::Query).split(u'&');
            // Row edits keep the rows before the edited or added one; the others the whole query.
            if (i < 3)
                QCOMPARE(afterItems, beforeItems);
            QVERIFY(afterItems.size() >= beforeItems.size());
            for (qsizetype r = 0; r + 1 < beforeItems.size(); ++r)
                QCOMPARE(afterItems[r], beforeItems[r]);
        }
    }

    void editsOneComponentOrRow_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("edit"); // a component, "name id", "value id", plus, minus
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected"); // empty: no URL

        const auto add = [](const char* name, const QString& url, const char* edit,
                            const QString& typed, const QString& expected) {
            QTest::addRow("%s", name) << url << QString::fromLatin1(edit) << typed << expected;
        };
        const QString ex = example;
        const QString port8080 = QStringLiteral("scheme://basepath:8080/path?query=value");

        add("clearing host", ex, "host", "", "scheme:/path?query=value");
        add("host with a space is not kept", ex, "host", "bad host", ex);

        add("port 80a removes the port", port8080, "port", "80a", ex);
        add("negative port is not stored", port8080, "port", "-1", port8080);
        add("overflowing port is no integer", port8080, "port", "99999999999999999999", ex);

        add("clearing the last component leaves no URL", "x:", "scheme", "", "");

        add("clearing user keeps password", "s://me:pw@h/p", "user", "", "s://:pw@h/p");

        add("whole URL with spaces and accents", ex, "url", "app://x/a b/é?q=c d",
            "app://x/a%20b/%C3%A9?q=c%20d");
        add("whole URL without a scheme is not kept", ex, "url", "path/only", ex);
        add("whole URL with a bad port is not kept", ex, "url", "s://h:8x/", ex);
        add("whole URL with a bad scheme is not kept", ex, "url", "1a://h", ex);
        add("whole URL with an unclosed host bracket is not kept", ex, "url", "s://[::1/", ex);

        // One span rewritten; every other byte stays, case and escapes included.
        const QString exact = QStringLiteral("MyApp://Product/Item?q=a%20b#Frag");
        add("host of an exact URL", exact, "host", "Other", "MyApp://Other/Item?q=a%20b#Frag");
        add("port added", exact, "port", "81", "MyApp://Product:81/Item?q=a%20b#Frag");
        add("user added", exact, "user", "Me", "MyApp://Me@Product/Item?q=a%20b#Frag");
        add("password alone", exact, "password", "p w", "MyApp://:p%20w@Product/Item?q=a%20b#Frag");
        add("scheme", exact, "scheme", "Other", "Other://Product/Item?q=a%20b#Frag");
        add("path", "app://H/%7e?x=%zz#F", "path", "/a b%", "app://H/a%20b%25?x=%zz#F");
        add("IPv6 host", exact, "host", "::1", "MyApp://[::1]/Item?q=a%20b#Frag");
        add("clearing the scheme leaves no URL, so it is kept", exact, "scheme", "", exact);
        add("empty URL text leaves no URL", ex, "url", "", "");

        // Parameter rows, by their ids.
        add("plus", ex, "plus", "", "scheme://basepath/path?query=value&key2=value");
        add("plus on no URL: a query alone is no URL", "", "plus", "", "");
        add("minus on one parameter leaves an empty query", ex, "minus", "",
            "scheme://basepath/path?");
        add("clearing a name drops the parameter", "s://h?a=1&b=2", "name 1", "", "s://h?b=2");
        add("clearing a value keeps the name without =", "s://h?a=1&b=2", "value 1", "",
            "s://h?a&b=2");
        add("empty name dropped at the next row edit", "s://h?=x&a=1", "value 1", "2", "s://h?a=2");
        add("empty value with = is written as the name alone", "s://h?e=&a=1", "value 2", "2",
            "s://h?e&a=2");
        add("delimiters in a typed value", "s://h?a=1", "value 1", "x&y=z#w%v+u é",
            "s://h?a=x%26y%3Dz%23w%25v%2Bu%20%C3%A9");
        add("untouched rows keep plus and encoded plus apart", "s://h?p=1+2&q=1%2B2&r=x", "value 3",
            "y", "s://h?p=1+2&q=1%2B2&r=y");
        add("no such row", "s://h?a=1", "name 2", "x", "s://h?a=1");
        add("value of an exact URL", "App://H/{b}?a=1&b=%7e#F", "value 1", "2",
            "App://H/{b}?a=2&b=%7e#F");
        add("plus on an exact URL", "App://H/%zz?a=%zz#F", "plus", "",
            "App://H/%zz?a=%zz&key2=value#F");

        // A placeholder is text in every field: written as typed, never encoded.
        add("whole URL with placeholders", ex, "url", "{{scheme}}://{{host}}:{{port}}/x y",
            "{{scheme}}://{{host}}:{{port}}/x%20y");
        add("scheme variable", exact, "scheme", "{{scheme}}",
            "{{scheme}}://Product/Item?q=a%20b#Frag");
        add("host variable", ex, "host", "{{env}}.example.com",
            "scheme://{{env}}.example.com/path?query=value");
        add("host variable beside a space is not kept", ex, "host", "{{env}} x", ex);
        add("port variable", ex, "port", "{{port}}", "scheme://basepath:{{port}}/path?query=value");
        add("port variable beside a letter is not kept", port8080, "port", "{{p}}x", port8080);
        add("user variable", exact, "user", "{{user}} x",
            "MyApp://{{user}}%20x@Product/Item?q=a%20b#Frag");
        add("password variable", exact, "password", "{{pw}}",
            "MyApp://:{{pw}}@Product/Item?q=a%20b#Frag");
        add("path variable", "app://H/%7e?x=%zz#F", "path", "/{{id}}/a b",
            "app://H/{{id}}/a%20b?x=%zz#F");
        add("braces that are no placeholder are encoded", "app://h/", "path", "/{{{a}}}{{ b}}",
            "app://h/%7B{{a}}%7D%7B%7B%20b%7D%7D");
        add("last brace typed completes a placeholder", "app://h/%7B%7Bid%7D", "path", "/{{id}}",
            "app://h/{{id}}");
        add("first brace typed completes a placeholder", "app://h/x%7Bid%7D%7D", "path", "/x{{id}}",
            "app://h/x{{id}}");
        add("query name variable", "s://h?a=1", "name 1", "{{k}}", "s://h?{{k}}=1");
        add("query value variables", "s://h?a=1", "value 1", "{{v}}&{{w}} ",
            "s://h?a={{v}}%26{{w}}%20");
        add("plus beside variables", "{{s}}://{{h}}?{{k}}={{v}}", "plus", "",
            "{{s}}://{{h}}?{{k}}={{v}}&key2=value");
    }

    void editsOneComponentOrRow() {
        QFETCH(QString, url);
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        const QHash<QString, Field> fields{{"url", Field::Url},       {"host", Field::Host},
                                           {"scheme", Field::Scheme}, {"port", Field::Port},
                                           {"user", Field::User},     {"password", Field::Password},
                                           {"path", Field::Path}};
        const QString verb = edit.section(u' ', 0, 0);
        const qint64 id = edit.section(u' ', 1).toLongLong();
        QString after;
        if (verb == u"name") {
            after = withRowName(url, id, typed);
        } else if (verb == u"value") {
            after = withRowValue(url, id, typed);
        } else if (verb == u"plus") {
            qint64 newId = -1;
            after = withAddedRow(url, &newId);
            QCOMPARE(newId, DeeplinkUrlEditing::rows(after).size());
        } else if (verb == u"minus") {
            after = withLastRowRemoved(url);
        } else {
            QVERIFY(fields.contains(verb));
            after = withFieldText(url, fields.value(verb), typed);
        }
        QCOMPARE(after, expected);
    }

    void readsParameterRows_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("rows");

        QTest::addRow("empty names are not shown") << "s://h?=x&a=1&&=" << QStringList{"a=1"};
        QTest::addRow("flag and empty value") << "s://h?flag&e=" << QStringList{"flag", "e="};
        QTest::addRow("decoded") << "s://h?n%20m=%26%3D%23%25%C3%A9&p=1%2B2&q=x+y"
                                 << QStringList{"n m=&=#%é", "p=1+2", "q=x+y"};
        QTest::addRow("placeholders")
            << "s://h?{{k}}={{v}}&id=x{{id}}" << QStringList{"{{k}}={{v}}", "id=x{{id}}"};
    }
    void readsParameterRows() {
        QFETCH(QString, url);
        QFETCH(QStringList, rows);

        QCOMPARE(described(DeeplinkUrlEditing::rows(url)), rows);
    }
};

QTEST_GUILESS_MAIN(tst_DeeplinkUrlEditing)
#include "tst_DeeplinkUrlEditing.moc"
