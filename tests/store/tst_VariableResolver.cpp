#include "store/Placeholder.h"
#include "store/UrlText.h"
#include "store/VariableResolver.h"
#include "store/VariableSettings.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// "name=value" per variable; a leading "!" marks it raw.
QList<Variable> variables(const QStringList& definitions) {
    QList<Variable> list;
    for (QString definition : definitions) {
        const bool raw = definition.startsWith(u'!');
        if (raw)
            definition.remove(0, 1);
        const qsizetype equals = definition.indexOf(u'=');
        list.append({definition.first(equals), definition.sliced(equals + 1), raw});
    }
    return list;
}

} // namespace

class tst_VariableResolver : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resolves_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("url");     // empty: no URL
        QTest::addColumn<QString>("problem"); // part of the sentence

        const QString none;
        QTest::addRow("no placeholders, odd text kept")
            << "myapp://x/%zz?a={{&b={{-c}}" << QStringList() << "myapp://x/%zz?a={{&b={{-c}}"
            << none;
        QTest::addRow("not names") << "myapp://x/{{1a}}/{{a+b}}/{{-x}}/{{a" << QStringList{"a=1"}
                                   << "myapp://x/{{1a}}/{{a+b}}/{{-x}}/{{a" << none;
        QTest::addRow("brace before a placeholder")
            << "myapp://x/{{{a}}}" << QStringList{"a=1"} << "myapp://x/{1}" << none;
        QTest::addRow("text around kept byte for byte")
            << "myapp://x/%zz/{{a}}?q=%2B+" << QStringList{"a=b"} << "myapp://x/%zz/b?q=%2B+"
            << none;
        QTest::addRow("scheme") << "{{scheme}}://shop/1" << QStringList{"scheme=appname-dev"}
                                << "appname-dev://shop/1" << none;
        QTest::addRow("scheme suffix")
            << "appname{{suffix}}://shop" << QStringList{"suffix="} << "appname://shop" << none;
        QTest::addRow("scheme refused") << "{{scheme}}://shop" << QStringList{"scheme=my app"}
                                        << none << "{{scheme}} holds \u201cmy app\u201d";
        QTest::addRow("empty scheme is no URL")
            << "{{scheme}}://shop" << QStringList{"scheme="} << none << "is no URL";
        QTest::addRow("host") << "https://{{host}}/p" << QStringList{"host=staging.example.com"}
                              << "https://staging.example.com/p" << none;
        QTest::addRow("host beyond ASCII") << "https://{{host}}/" << QStringList{"host=bücher.de"}
                                           << "https://b%C3%BCcher.de/" << none;
        QTest::addRow("host refused")
            << "https://{{host}}/p" << QStringList{"host=a.b/c"} << none << "URL\u2019s host";
        QTest::addRow("port") << "https://h:{{port}}/" << QStringList{"port=8080"}
                              << "https://h:8080/" << none;
        QTest::addRow("port refused")
            << "https://h:{{port}}/" << QStringList{"port=80a"} << none << "URL\u2019s port";
        QTest::addRow("port out of range")
            << "https://h:{{port}}/" << QStringList{"port=70000"} << none << "is no URL";
        QTest::addRow("user and password")
            << "https://{{user}}:{{pw}}@h/" << QStringList{"user=a@b", "pw=p:w/"}
            << "https://a%40b:p%3Aw%2F@h/" << none;
        QTest::addRow("path") << "myapp://p/{{id}}/x" << QStringList{"id=a/b?c#d%e f&g=h+"}
                              << "myapp://p/a%2Fb%3Fc%23d%25e%20f&g=h+/x" << none;
        QTest::addRow("query value") << "myapp://s?q={{q}}&x=1" << QStringList{"q=a&b=c#d+e%f g/?"}
                                     << "myapp://s?q=a%26b%3Dc%23d%2Be%25f%20g/?&x=1" << none;
        QTest::addRow("query name")
            << "myapp://s?{{k}}=1" << QStringList{"k=a=b"} << "myapp://s?a%3Db=1" << none;
        QTest::addRow("fragment") << "myapp://s#{{f}}" << QStringList{"f=a#b c?/"}
                                  << "myapp://s#a%23b%20c?/" << none;
        QTest::addRow("beyond ASCII") << "myapp://s?q={{q}}" << QStringList{"q=café 😀"}
                                      << "myapp://s?q=caf%C3%A9%20%F0%9F%98%80" << none;
        QTest::addRow("raw") << "myapp://p/{{rest}}" << QStringList{"!rest=a/b?c=1&d#e f"}
                             << "myapp://p/a/b?c=1&d#e%20f" << none;
        QTest::addRow("raw host with port")
            << "https://{{origin}}/x" << QStringList{"!origin=h.example:8443"}
            << "https://h.example:8443/x" << none;
        QTest::addRow("raw leaving no URL")
            << "{{s}}://x" << QStringList{"!s=1bad"} << none << "is no URL";
        QTest::addRow("value holding a placeholder is not filled again")
            << "myapp://s?q={{a}}" << QStringList{"a={{b}}", "b=2"} << "myapp://s?q={{b}}" << none;
        QTest::addRow("placeholder in text that is no URL")
            << "{{a}}/x" << QStringList{"a=s:"} << none << "A URL needs a scheme";
        QTest::addRow("one missing")
            << "myapp://s/{{a}}/{{a}}" << QStringList() << none << "No value for {{a}}.";
        QTest::addRow("several missing, each once")
            << "{{a}}://{{b}}/{{a}}?{{c}}" << QStringList{"c=1"} << none
            << "No values for {{a}}, {{b}}.";
    }
    void resolves() {
        QFETCH(QString, text);
        QFETCH(QStringList, values);
        QFETCH(QString, url);
        QFETCH(QString, problem);
        VariableSources sources;
        sources.add(variables(values));
        const VariableResolver::Resolution resolution = VariableResolver::resolve(text, sources);
        QCOMPARE(resolution.url, url);
        QCOMPARE(resolution.ok(), url.size() > 0);
        if (!problem.isEmpty())
            QVERIFY2(resolution.problem.contains(problem), qPrintable(resolution.problem));
        // A URL field takes every text with placeholders that can become a URL.
        if (!url.isEmpty())
            QVERIFY2(UrlText::parse(text).hasValue(), qPrintable(UrlText::problem(text)));
    }

    // The first source naming a variable wins, even with an empty value.
    void firstSourceWins() {
        VariableSources sources;
        sources.add(variables({"a=cli"}));
        sources.add(variables({"a=env", "b=", "c=env"}));
        sources.add(variables({"b=global", "c=global", "d=global"}));
        const auto resolution =
            VariableResolver::resolve(QStringLiteral("s://h/{{a}}{{b}}{{c}}{{d}}"), sources);
        QCOMPARE(resolution.url, QStringLiteral("s://h/clienvglobal"));
        QCOMPARE(Placeholder::names(u"{{b}}{{a}}{{b}}"), (QStringList{"b", "a"}));
    }

    // A shorter list leaves no old entries behind; typed values come first and replace their
    // old ones.
    void settingsKeepVariables() {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        VariableSettings::setGlobals(settings, variables({"a=1", "!b=x&y", "c="}));
        VariableSettings::setGlobals(settings, variables({"!b=x&y"}));
        QCOMPARE(VariableSettings::globals(settings), variables({"!b=x&y"}));
        VariableSettings::rememberValues(settings, variables({"id=1", "q=a"}));
        VariableSettings::rememberValues(settings, variables({"q=b"}));
        QCOMPARE(VariableSettings::lastValues(settings), variables({"q=b", "id=1"}));
    }

    // The scheme and port take a placeholder only as a whole variable; a literal brace is not one.
    void urlFieldRules_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("url");
        QTest::addRow("scheme placeholder") << "{{s}}://h" << true;
        QTest::addRow("scheme around a placeholder") << "a{{s}}-b://h" << true;
        QTest::addRow("digit before a placeholder") << "1{{s}}://h" << false;
        QTest::addRow("lone brace in the scheme") << "{s}://h" << false;
        QTest::addRow("port placeholder") << "s://h:8{{p}}/" << true;
        QTest::addRow("port letters") << "s://h:8{p}/" << false;
        QTest::addRow("port past int") << "s://h:99999999999/" << false;
        QTest::addRow("port digits beside a placeholder") << "s://h:{{p}}123456/" << true;
    }
    void urlFieldRules() {
        QFETCH(QString, text);
        QFETCH(bool, url);
        QCOMPARE(UrlText::parse(text).hasValue(), url);
        QVERIFY(!UrlText::parse(text, UrlText::Placeholders::Literal).hasValue());
    }
};

QTEST_APPLESS_MAIN(tst_VariableResolver)
#include "tst_VariableResolver.moc"
