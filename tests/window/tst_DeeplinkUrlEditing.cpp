#include "store/DeeplinkUrlEditing.h"

#include <QTest>

using namespace DeeplinkUrlEditing;

Q_DECLARE_METATYPE(DeeplinkUrlEditing::Field)

namespace {

QUrl parsed(const QString& text) {
    return text.isEmpty() ? QUrl() : QUrl::fromEncoded(text.toUtf8(), QUrl::StrictMode);
}

QString stored(const QUrl& url) {
    return url.isEmpty() ? QString() : QString::fromUtf8(url.toEncoded(QUrl::FullyEncoded));
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
    void showsDecodedComponentsAndKeepsTheirBytes_data();
    void showsDecodedComponentsAndKeepsTheirBytes();
    void writesOneComponent_data();
    void writesOneComponent();
    void readsParameterRows_data();
    void readsParameterRows();
    void editsParameterRows_data();
    void editsParameterRows();
};

void tst_DeeplinkUrlEditing::showsDecodedComponentsAndKeepsTheirBytes_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("fields"); // url|host|scheme|port|user|password|path
    QTest::addColumn<bool>("editable");  // every component edit below gives another URL

    const auto add = [](const char* name, const QString& url, const QString& fields,
                        bool editable = false) {
        QTest::addRow("%s", name) << url << fields << editable;
    };
    add("new deeplink", example, example + u"|basepath|scheme||||/path"_qs);
    add("no URL", "", "||||||");
    add("every component", "https://me:pw@example.com:8443/a/b?x=1#top",
        "https://me:pw@example.com:8443/a/b?x=1#top|example.com|https|8443|me|pw|/a/b");
    add("decoded user, password, path", "app://a%20b%40c:p%3Aw%20d@h/caf%C3%A9%20au%20lait/100%25",
        "app://a b%40c:p%3Aw d@h/café au lait/100%25|h|app||a b@c|p:w d|/café au lait/100%");
    add("relative reference", "path/only", "path/only||||||path/only");
    add("password without user", "s://:pw@h", "s://:pw@h|h|s|||pw|");
    add("IPv6 host and port", "http://[::1]:8080/", "http://[::1]:8080/|::1|http|8080|||/");
    add("tricky", tricky,
        "app://us er%26%3D%23%25+é:p%40ss %26%3D%23%25+é@host/a b/%26%3D%23%25+%2Bé"
        "?q=a b&amp=%26%3D%23%25+%2Bé&flag&e=#frag x|host|app||us er&=#%+é|p@ss &=#%+é"
        "|/a b/&=#%++é",
        true);
    add("no host", "app:/%20%C3%A9%26%3D%23%25+?%20=%20",
        "app:/ é%26%3D%23%25+? = ||app||||/ é&=#%+", true);
}

void tst_DeeplinkUrlEditing::showsDecodedComponentsAndKeepsTheirBytes() {
    QFETCH(QString, url);
    QFETCH(QString, fields);
    QFETCH(bool, editable);

    const QUrl value = parsed(url);
    const QList<Field> all{Field::url,  Field::host,     Field::scheme, Field::port,
                           Field::user, Field::password, Field::path};
    QStringList shown;
    for (Field field : all)
        shown << fieldText(value, field);
    QCOMPARE(shown.join(u'|'), fields);

    // The URL field shows a decoded form that has to parse back to the very same bytes.
    QCOMPARE(stored(withFieldText(value, Field::url, fieldText(value, Field::url))), url);
    // A component may come back spelled differently ("%26" as "&" in a user name) but must
    // read the same everywhere.
    for (Field field : all) {
        const QUrl written = withFieldText(value, field, fieldText(value, field));
        for (Field other : all) {
            if (other != Field::url)
                QCOMPARE(fieldText(written, other), fieldText(value, other));
        }
        QCOMPARE(queryItems(written), queryItems(value));
    }
    if (!editable)
        return;

    // Editing one component keeps the others byte for byte, not only decoded alike.
    const QList<QUrl> edits{withFieldText(value, Field::host, QStringLiteral("other")),
                            withFieldText(value, Field::port, QStringLiteral("81")),
                            withFieldText(value, Field::scheme, QStringLiteral("other")),
                            withAddedRow(value),
                            withRowValue(value, rows(value).size(), QStringLiteral("v"))};
    for (qsizetype i = 0; i < edits.size(); ++i) {
        const QUrl& after = edits[i];
        QVERIFY(after != value);
        QCOMPARE(after.userName(QUrl::FullyEncoded), value.userName(QUrl::FullyEncoded));
        QCOMPARE(after.password(QUrl::FullyEncoded), value.password(QUrl::FullyEncoded));
        QCOMPARE(after.path(QUrl::FullyEncoded), value.path(QUrl::FullyEncoded));
        QCOMPARE(after.fragment(QUrl::FullyEncoded), value.fragment(QUrl::FullyEncoded));
        const QStringList beforeItems = value.query(QUrl::FullyEncoded).split(u'&');
        const QStringList afterItems = after.query(QUrl::FullyEncoded).split(u'&');
        // Row edits keep the rows before the edited or added one; the others the whole query.
        if (i < 3)
            QCOMPARE(afterItems, beforeItems);
        QVERIFY(afterItems.size() >= beforeItems.size());
        for (qsizetype r = 0; r + 1 < beforeItems.size(); ++r)
            QCOMPARE(afterItems[r], beforeItems[r]);
    }
}

void tst_DeeplinkUrlEditing::writesOneComponent_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<Field>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected"); // empty: no URL

    const auto add = [](const char* name, const QString& url, Field field, const QString& typed,
                        const QString& expected) {
        QTest::addRow("%s", name) << url << field << typed << expected;
    };
    const QString ex = example;
    const QString port8080 = u"scheme://basepath:8080/path?query=value"_qs;

    add("clearing host", ex, Field::host, "", "scheme:/path?query=value");
    add("host with a space is not kept", ex, Field::host, "bad host", ex);

    add("port 80a removes the port", port8080, Field::port, "80a", ex);
    add("negative port is not stored", port8080, Field::port, "-1", port8080);
    add("overflowing port is no integer", port8080, Field::port, "99999999999999999999", ex);

    add("clearing the last component leaves no URL", "x:", Field::scheme, "", "");

    add("clearing user keeps password", "s://me:pw@h/p", Field::user, "", "s://:pw@h/p");

    add("whole URL as shown, with spaces and accents", ex, Field::url, "app://x/a b/é?q=c d",
        "app://x/a%20b/%C3%A9?q=c%20d");
    add("empty URL text leaves no URL", ex, Field::url, "", "");
}

void tst_DeeplinkUrlEditing::writesOneComponent() {
    QFETCH(QString, url);
    QFETCH(Field, field);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    QCOMPARE(stored(withFieldText(parsed(url), field, typed)), expected);
}

void tst_DeeplinkUrlEditing::readsParameterRows_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("rows");

    QTest::addRow("empty names are not shown") << "s://h?=x&a=1&&=" << QStringList{"a=1"};
    QTest::addRow("flag and empty value") << "s://h?flag&e=" << QStringList{"flag", "e="};
    QTest::addRow("decoded") << "s://h?n%20m=%26%3D%23%25%C3%A9&p=1%2B2&q=x+y"
                             << QStringList{"n m=&=#%é", "p=1+2", "q=x+y"};
}

void tst_DeeplinkUrlEditing::readsParameterRows() {
    QFETCH(QString, url);
    QFETCH(QStringList, rows);

    QCOMPARE(described(DeeplinkUrlEditing::rows(parsed(url))), rows);
}

void tst_DeeplinkUrlEditing::editsParameterRows_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("edit"); // name, value, plus, minus
    QTest::addColumn<qint64>("id");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    const auto add = [](const char* name, const QString& url, const QString& edit, qint64 id,
                        const QString& typed, const QString& expected) {
        QTest::addRow("%s", name) << url << edit << id << typed << expected;
    };
    const QString ex = example;

    add("plus", ex, "plus", 0, "", "scheme://basepath/path?query=value&key2=value");
    add("plus on no URL", "", "plus", 0, "", "?key1=value");
    add("minus on one parameter leaves an empty query", ex, "minus", 0, "",
        "scheme://basepath/path?");
    add("clearing a name drops the parameter", "s://h?a=1&b=2", "name", 1, "", "s://h?b=2");
    add("clearing a value keeps the name without =", "s://h?a=1&b=2", "value", 1, "",
        "s://h?a&b=2");
    add("empty name dropped at the next row edit", "s://h?=x&a=1", "value", 1, "2", "s://h?a=2");
    add("empty value with = is written as the name alone", "s://h?e=&a=1", "value", 2, "2",
        "s://h?e&a=2");
    add("delimiters in a typed value", "s://h?a=1", "value", 1, "x&y=z#w%v+u é",
        "s://h?a=x%26y%3Dz%23w%25v%2Bu%20%C3%A9");
    add("untouched rows keep plus and encoded plus apart", "s://h?p=1+2&q=1%2B2&r=x", "value", 3,
        "y", "s://h?p=1+2&q=1%2B2&r=y");
    add("no such row", "s://h?a=1", "name", 2, "x", "s://h?a=1");
}

void tst_DeeplinkUrlEditing::editsParameterRows() {
    QFETCH(QString, url);
    QFETCH(QString, edit);
    QFETCH(qint64, id);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    const QUrl before = parsed(url);
    QUrl after;
    if (edit == u"name") {
        after = withRowName(before, id, typed);
    } else if (edit == u"value") {
        after = withRowValue(before, id, typed);
    } else if (edit == u"plus") {
        qint64 newId = -1;
        after = withAddedRow(before, &newId);
        QCOMPARE(newId, DeeplinkUrlEditing::rows(after).size());
    } else {
        after = withLastRowRemoved(before);
    }
    QCOMPARE(stored(after), expected);
}

QTEST_GUILESS_MAIN(tst_DeeplinkUrlEditing)
#include "tst_DeeplinkUrlEditing.moc"
