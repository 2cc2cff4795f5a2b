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
    void showsDecodedComponents_data();
    void showsDecodedComponents();
    void writesOneComponent_data();
    void writesOneComponent();
    void readsParameterRows_data();
    void readsParameterRows();
    void editsParameterRows_data();
    void editsParameterRows();
    void otherComponentsSurviveAnEdit_data();
    void otherComponentsSurviveAnEdit();
    void writingWhatAFieldShowsChangesNothing_data();
    void writingWhatAFieldShowsChangesNothing();
};

void tst_DeeplinkUrlEditing::showsDecodedComponents_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("fields"); // url|host|scheme|port|user|password|path

    const auto add = [](const char* name, const QString& url, const QString& fields) {
        QTest::addRow("%s", name) << url << fields;
    };
    add("new deeplink", example, example + u"|basepath|scheme||||/path"_qs);
    add("no URL", "", "||||||");
    add("every component", "https://me:pw@example.com:8443/a/b?x=1#top",
        "https://me:pw@example.com:8443/a/b?x=1#top|example.com|https|8443|me|pw|/a/b");
    add("decoded user, password, path", "app://a%20b%40c:p%3Aw%20d@h/caf%C3%A9%20au%20lait/100%25",
        "app://a b%40c:p%3Aw d@h/café au lait/100%25|h|app||a b@c|p:w d|/café au lait/100%");
    add("relative reference", "path/only", "path/only||||||path/only");
    add("password without user", "s://:pw@h", "s://:pw@h|h|s|||pw|");
}

void tst_DeeplinkUrlEditing::showsDecodedComponents() {
    QFETCH(QString, url);
    QFETCH(QString, fields);

    const QUrl value = parsed(url);
    QStringList shown;
    for (Field field : {Field::url, Field::host, Field::scheme, Field::port, Field::user,
                        Field::password, Field::path})
        shown << fieldText(value, field);
    QCOMPARE(shown.join(u'|'), fields);
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
    add("host on a URL without one", "scheme:/path", Field::host, "h", "scheme://h/path");
    add("host with a space is not kept", ex, Field::host, "bad host", ex);

    add("port 8080", ex, Field::port, "8080", port8080);
    add("port 80a removes the port", port8080, Field::port, "80a", ex);
    add("negative port is not stored", port8080, Field::port, "-1", port8080);
    add("overflowing port is no integer", port8080, Field::port, "99999999999999999999", ex);

    add("scheme starting with a digit is not stored", ex, Field::scheme, "1app", ex);
    add("clearing the last component leaves no URL", "x:", Field::scheme, "", "");

    add("user with delimiters", ex, Field::user, "a b:@%#/é",
        "scheme://a%20b%3A%40%25%23%2F%C3%A9@basepath/path?query=value");
    add("clearing user keeps password", "s://me:pw@h/p", Field::user, "", "s://:pw@h/p");
    add("path with reserved characters", ex, Field::path, "/a b/?#%é",
        "scheme://basepath/a%20b/%3F%23%25%C3%A9?query=value");
    add("relative path under a host is not kept", ex, Field::path, "path", ex);
    add("double slash without authority is not kept", "s:/p", Field::path, "//x", "s:/p");

    add("whole URL as shown, with spaces and accents", ex, Field::url, "app://x/a b/é?q=c d",
        "app://x/a%20b/%C3%A9?q=c%20d");
    add("unparsable URL changes nothing", ex, Field::url, "http://[::1", ex);
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

    QTest::addRow("no query") << "s://h/p" << QStringList{};
    QTest::addRow("empty names are not shown") << "s://h?=x&a=1&&=" << QStringList{"a=1"};
    QTest::addRow("flag and empty value") << "s://h?flag&e=" << QStringList{"flag", "e="};
    QTest::addRow("decoded") << "s://h?n%20m=%26%3D%23%25%C3%A9&p=1%2B2&q=x+y"
                             << QStringList{"n m=&=#%é", "p=1+2", "q=x+y"};
    QTest::addRow("second = belongs to the value") << "s://h?a=b=c" << QStringList{"a=b=c"};
    QTest::addRow("fragment is not part of the query") << "s://h?a=1#b=2" << QStringList{"a=1"};
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
    add("plus without query", "s://h/p", "plus", 0, "", "s://h/p?key1=value");
    add("plus on no URL", "", "plus", 0, "", "?key1=value");
    add("minus on one parameter leaves an empty query", ex, "minus", 0, "",
        "scheme://basepath/path?");
    add("rename", "s://h?a=1&b=2", "name", 2, "bee", "s://h?a=1&bee=2");
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

void tst_DeeplinkUrlEditing::otherComponentsSurviveAnEdit_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("edit");

    for (const QString& url : {tricky, QStringLiteral("app:/%20%C3%A9%26%3D%23%25+?%20=%20")}) {
        const QString name = url == tricky ? QStringLiteral("tricky") : QStringLiteral("no host");
        for (const char* edit : {"host", "port", "scheme", "plus", "value of last row"})
            QTest::addRow("%s, %s", qPrintable(name), edit) << url << QString::fromLatin1(edit);
    }
}

void tst_DeeplinkUrlEditing::otherComponentsSurviveAnEdit() {
    QFETCH(QString, url);
    QFETCH(QString, edit);

    const QUrl before = parsed(url);
    QVERIFY(before.isValid());
    QUrl after;
    if (edit == u"host")
        after = withFieldText(before, Field::host, QStringLiteral("other"));
    else if (edit == u"port")
        after = withFieldText(before, Field::port, QStringLiteral("81"));
    else if (edit == u"scheme")
        after = withFieldText(before, Field::scheme, QStringLiteral("other"));
    else if (edit == u"plus")
        after = withAddedRow(before);
    else
        after = withRowValue(before, DeeplinkUrlEditing::rows(before).size(), QStringLiteral("v"));
    QVERIFY(after != before);

    // Byte for byte, not only decoded alike.
    QCOMPARE(after.userName(QUrl::FullyEncoded), before.userName(QUrl::FullyEncoded));
    QCOMPARE(after.password(QUrl::FullyEncoded), before.password(QUrl::FullyEncoded));
    QCOMPARE(after.path(QUrl::FullyEncoded), before.path(QUrl::FullyEncoded));
    QCOMPARE(after.fragment(QUrl::FullyEncoded), before.fragment(QUrl::FullyEncoded));
    if (edit == u"plus" || edit.startsWith(u"value")) {
        // The rows before the edited or added one keep their encoding.
        const QStringList beforeItems = before.query(QUrl::FullyEncoded).split(u'&');
        const QStringList afterItems = after.query(QUrl::FullyEncoded).split(u'&');
        QVERIFY(afterItems.size() >= beforeItems.size());
        for (qsizetype i = 0; i + 1 < beforeItems.size(); ++i)
            QCOMPARE(afterItems[i], beforeItems[i]);
    } else {
        QCOMPARE(after.query(QUrl::FullyEncoded), before.query(QUrl::FullyEncoded));
    }
}

void tst_DeeplinkUrlEditing::writingWhatAFieldShowsChangesNothing_data() {
    QTest::addColumn<QString>("url");

    QTest::addRow("tricky") << tricky;
    QTest::addRow("percent and accents in the path") << "app://h/100%25/caf%C3%A9%20x";
    QTest::addRow("no authority") << "scheme:/path?query=value";
    QTest::addRow("IPv6 host and port") << "http://[::1]:8080/";
}

void tst_DeeplinkUrlEditing::writingWhatAFieldShowsChangesNothing() {
    QFETCH(QString, url);

    const QUrl value = parsed(url);
    QVERIFY(value.isValid());
    // The URL field shows a decoded form that has to parse back to the very same bytes.
    QCOMPARE(stored(withFieldText(value, Field::url, fieldText(value, Field::url))), url);
    // A component may come back spelled differently ("%26" as "&" in a user name) but must
    // read the same everywhere.
    const QList<Field> fields{Field::url,  Field::host,     Field::scheme, Field::port,
                              Field::user, Field::password, Field::path};
    for (Field field : fields) {
        const QUrl written = withFieldText(value, field, fieldText(value, field));
        for (Field shown : fields) {
            if (shown != Field::url)
                QCOMPARE(fieldText(written, shown), fieldText(value, shown));
        }
        QCOMPARE(queryItems(written), queryItems(value));
    }
}

QTEST_GUILESS_MAIN(tst_DeeplinkUrlEditing)
#include "tst_DeeplinkUrlEditing.moc"
