#include "TestEnvironment.h"

#include "emoji/EmojiStore.h"
#include "emoji/SectionType.h"
#include "emoji/SharedState.h"
#include "platform/AppSettings.h"

#include <QFile>
#include <QTest>

namespace {

QStringList strings(const QList<Emoji>& emojis) {
    QStringList list;
    for (const Emoji& emoji : emojis)
        list.append(emoji.string);
    return list;
}

const QByteArray searchCatalogue = R"([
  {"string": "A", "description": "rocket ship", "tags": ["space"], "aliases": ["rocket"]},
  {"string": "B", "description": "Rocket", "tags": ["LAUNCH"]},
  {"string": "C", "tags": ["launch", "rocket"]},
  {"string": "D", "description": "dog", "tags": [], "aliases": ["launch_pad"]},
  {"string": "E", "category": "rocket", "tags": []},
  {"string": "rocket", "tags": []}
])";

} // namespace

class tst_EmojiStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void groupsCatalogue_data() {
        QTest::addColumn<QByteArray>("json"); // null: no file
        QTest::addColumn<QStringList>("all");
        QTest::addColumn<QStringList>("smileys");
        QTest::addColumn<QStringList>("flags");
        const QStringList none;
        QTest::addRow("grouped in file order")
            << QByteArray(R"([{"string":"1","category":"Flags","tags":[]},
                              {"string":"2","category":"Smileys & Emotion","tags":["a"],"extra":1},
                              {"string":"3","category":"Flags","tags":[],"description":null}])")
            << QStringList{"1", "2", "3"} << QStringList{"2"} << QStringList{"1", "3"};
        QTest::addRow("category differing in case is in no list")
            << QByteArray(R"([{"string":"1","category":"smileys & emotion","tags":[]},
                              {"string":"2","tags":[]}])")
            << QStringList{"1", "2"} << none << none;
        QTest::addRow("record without tags empties everything")
            << QByteArray(R"([{"string":"1","category":"Flags","tags":[]},
                              {"string":"2","category":"Flags"}])")
            << none << none << none;
        QTest::addRow("not JSON") << QByteArray("[{") << none << none << none;
        QTest::addRow("missing file") << QByteArray() << none << none << none;
    }

    void groupsCatalogue() {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, all);
        QFETCH(QStringList, smileys);
        QFETCH(QStringList, flags);
        TestEnvironment env;
        const EmojiStore store(json.isNull() ? env.filePath(QStringLiteral("absent.json"))
                                             : env.writeFile(QStringLiteral("emoji.json"), json));
        QCOMPARE(strings(store.allEmojis()), all);
        if (json.isNull()) {
            QVERIFY(store.emojisByCategory().isEmpty());
            return;
        }
        QStringList keys = store.emojisByCategory().keys();
        keys.sort();
        QStringList expectedKeys = SectionTypes::catalogueCategories();
        expectedKeys.sort();
        QCOMPARE(keys, expectedKeys);
        QCOMPARE(strings(store.emojisByCategory().value(QStringLiteral("Smileys & Emotion"))),
                 smileys);
        QCOMPARE(strings(store.emojisByCategory().value(QStringLiteral("Flags"))), flags);
    }

    void shippedCatalogueDecodes() {
        TestEnvironment env;
        const EmojiStore& store = EmojiStore::shared();
        QVERIFY(store.allEmojis().size() > 3000);
        for (const QString& category : SectionTypes::catalogueCategories())
            QVERIFY2(!store.emojisByCategory().value(category).isEmpty(), qPrintable(category));
        // The picker identifies items by their text, so no text may appear twice.
        QSet<QString> seen;
        for (const Emoji& emoji : store.allEmojis()) {
            QVERIFY2(!seen.contains(emoji.string), qPrintable(emoji.string));
            seen.insert(emoji.string);
        }
        // Lower-cased keywords so that typed words find flags and names with capitals.
        QVERIFY(strings(store.search(QStringLiteral("Japan"))).contains(QStringLiteral("🇯🇵")));
        QCOMPARE(store.emojiForString(QStringLiteral("😀"))->description,
                 std::optional<QString>(QStringLiteral("grinning face")));
    }

    void search_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("found");
        QTest::addRow("description, tag and alias, each once") << "rocket" << QStringList{"A", "C"};
        QTest::addRow("capitalised keyword finds the lower-case words")
            << "ROCKET" << QStringList{"A", "C"};
        QTest::addRow("words stored in capitals are not found")
            << "launch" << QStringList{"C", "D"};
        QTest::addRow("empty keyword keeps records with any word")
            << "" << QStringList{"A", "B", "C", "D"};
    }

    void search() {
        QFETCH(QString, keyword);
        QFETCH(QStringList, found);
        TestEnvironment env;
        const EmojiStore store(env.writeFile(QStringLiteral("emoji.json"), searchCatalogue));
        QCOMPARE(strings(store.search(keyword)), found);
    }

    void recentsReadOnlyStringLists_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("recents");
        QTest::addRow("absent") << QVariant() << QStringList{};
        QTest::addRow("string list") << QVariant(QStringList{"😀", "🚀"}) << QStringList{"😀", "🚀"};
        QTest::addRow("plain string") << QVariant(QStringLiteral("😀")) << QStringList{};
        QTest::addRow("list holding a number")
            << QVariant(QVariantList{QStringLiteral("😀"), 3}) << QStringList{};
    }

    void recentsReadOnlyStringLists() {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, recents);
        TestEnvironment env;
        if (stored.isValid())
            AppSettings::applicationGroup()->setValue(QStringLiteral("recent_emojis"), stored);
        QCOMPARE(EmojiStore::recentEmojis(), recents);
        QCOMPARE(SharedState(nullptr).currentCategory(), recents.isEmpty()
                                                             ? QStringLiteral("Smileys & Emotion")
                                                             : QStringLiteral("Recent"));
    }

    void recordsRecentsFirstAndCapped() {
        TestEnvironment env;
        for (int index = 0; index < 25; ++index)
            EmojiStore::recordRecentEmoji(QString::number(index));
        QStringList recents = EmojiStore::recentEmojis();
        QCOMPARE(recents.size(), 21);
        QCOMPARE(recents.first(), QStringLiteral("24"));
        QCOMPARE(recents.last(), QStringLiteral("4"));

        // Choosing one again moves it to the front instead of adding a copy.
        EmojiStore::recordRecentEmoji(QStringLiteral("10"));
        recents = EmojiStore::recentEmojis();
        QCOMPARE(recents.size(), 21);
        QCOMPARE(recents.mid(0, 3), (QStringList{"10", "24", "23"}));
    }

    void oneRecentSurvivesTheSettingsFile() {
        TestEnvironment env;
        // One entry must survive the round trip through the settings file, which stores a
        // one-element string list exactly like a plain string.
        // Qt caches settings files per process, so the file is read back under another name.
        EmojiStore::recordRecentEmoji(QStringLiteral("🚀"));
        const QString copy = env.filePath(QStringLiteral("copy.conf"));
        QVERIFY(QFile::copy(AppSettings::applicationGroup()->fileName(), copy));
        QSettings fresh(copy, QSettings::NativeFormat);
        QCOMPARE(UserDefaultCoding::Traits<QStringList>::decode(fresh.value("recent_emojis")),
                 std::optional<QStringList>(QStringList{"🚀"}));
    }
};

QTEST_GUILESS_MAIN(tst_EmojiStore)
#include "tst_EmojiStore.moc"
