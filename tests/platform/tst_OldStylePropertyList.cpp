#include "TestData.h"

#include "platform/OldStylePropertyList.h"

#include <QtTest>

namespace {

// `depth` arrays around a string.
QByteArray nestedArrays(int depth) {
    return QByteArray(depth, '(') + "a" + QByteArray(depth, ')');
}

} // namespace

class tst_OldStylePropertyList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Samples under tests/data/platform/old-style; an invalid QVariant: not a property list.
    void parses_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QVariant>("expected");
        const auto sample = [](const char* name) {
            return TestData::read(QStringLiteral("platform/old-style/%1.txt").arg(name));
        };
        QTest::addRow("one-app")
            << sample("one-app")
            << QVariant(QVariantMap{{"com.example.shop", QVariantMap{{"CFBundleName", "Shop"},
                                                                     {"Path", "/Apps/Shop.app"}}}});
        QTest::addRow("escapes")
            << sample("escapes")
            << QVariant(QVariantMap{
                   {"quote", "say \"hi\"\\"},
                   {"lines", "one\ntwo\tthree"},
                   {"accent", QStringLiteral("Café ☃")},
                   {"octal", "AB0"},
                   {"single", "it's"},
                   {"empty", ""},
                   {"data", QByteArray("\x0f\xbd\x77\x8f")},
                   {"nested",
                    QVariantList{"a", QVariantList{"b", QVariantMap{{"c", "d"}}}, QByteArray()}}});
        for (const char* broken :
             {"missing-semicolon", "unclosed-array", "escape-at-end", "odd-hex-digits",
              "text-after-the-value", "open-comment", "missing-key", "empty"})
            QTest::addRow("%s", broken) << sample(broken) << QVariant();
        QTest::addRow("as deep as allowed")
            << nestedArrays(OldStylePropertyList::maximumDepth) << QVariant(true);
        QTest::addRow("one level deeper")
            << nestedArrays(OldStylePropertyList::maximumDepth + 1) << QVariant();
        QTest::addRow("far too deep") << nestedArrays(1'000'000) << QVariant();
    }
    void parses() {
        QFETCH(QByteArray, text);
        QFETCH(QVariant, expected);
        const std::optional<QVariant> parsed = OldStylePropertyList::parse(text);
        // A boolean only says that the text parses.
        if (expected.typeId() == QMetaType::Bool)
            QCOMPARE(parsed.has_value(), expected.toBool());
        else
            QCOMPARE(parsed.value_or(QVariant()), expected);
    }

    // The shape simctl prints: system and user apps keyed by bundle identifier, paths with
    // spaces, empty dictionaries and arrays, tags with a trailing comma.
    void readsListapps() {
        const std::optional<QVariant> parsed = OldStylePropertyList::parse(
            TestData::read(QStringLiteral("platform/old-style/listapps.txt")));
        QVERIFY(parsed);
        const QVariantMap apps = parsed->toMap();
        QCOMPARE(apps.keys(), (QStringList{"com.apple.mobilesafari", "com.example.shop"}));
        const QVariantMap safari = apps.value("com.apple.mobilesafari").toMap();
        QVERIFY(safari.value("Path").toString().contains(u"/iOS 17.2.simruntime/"));
        QCOMPARE(safari.value("GroupContainers").toMap().size(), 1);
        const QVariantMap shop = apps.value("com.example.shop").toMap();
        QCOMPARE(shop.value("CFBundleVersion"), QVariant("1"));
        QCOMPARE(shop.value("GroupContainers"), QVariant(QVariantMap()));
        QCOMPARE(shop.value("SBAppTags"), QVariant(QVariantList{"hidden", "tag two"}));
    }
};

QTEST_GUILESS_MAIN(tst_OldStylePropertyList)
#include "tst_OldStylePropertyList.moc"
