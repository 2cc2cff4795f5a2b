#include "TestData.h"
#include "TestEnvironment.h"

#include "emoji/EmojiStore.h"
#include "emoji/SectionType.h"
#include "emoji/SharedState.h"
#include "platform/AppSettings.h"

#include <QFile>
#include <QTest>

namespace {

QString strings(const QList<Emoji>& emojis) {
    QStringList list;
    for (const Emoji& emoji : emojis)
        list.append(emoji.string);
    return list.join(u',');
}

} // namespace

class tst_EmojiStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void groupsCatalogue_data() {
        QTest::addColumn<QString>("grouped"); // "all/Smileys & Emotion/Flags"
        QTest::addRow("grouped-in-file-order") << "1,2,3/2/1,3";
        QTest::addRow("category-in-other-case") << "1,2//"; // in no list
        QTest::addRow("record-without-tags") << "//";       // empties everything
        QTest::addRow("not-json") << "//";
        QTest::addRow("missing") << "//";
    }

    void groupsCatalogue() {
        QFETCH(QString, grouped);
        TestEnvironment env;
        const QString sample = QString::fromLatin1(QTest::currentDataTag());
        const EmojiStore store(TestData::path("emoji/" + sample + ".json"));
        const auto& categories = store.emojisByCategory();
        QCOMPARE(strings(store.allEmojis()) + u'/' +
                     strings(categories.value("Smileys & Emotion")) + u'/' +
                     strings(categories.value("Flags")),
                 grouped);
        QStringList keys = categories.keys();
        QStringList expectedKeys =
            sample == u"missing" ? QStringList() : SectionTypes::catalogueCategories();
        keys.sort();
        expectedKeys.sort();
        QCOMPARE(keys, expectedKeys);
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
        QTest::addColumn<QString>("found");
        QTest::addRow("description, tag and alias, each once") << "rocket"
                                                               << "A,C";
        QTest::addRow("capitalised keyword finds the lower-case words") << "ROCKET"
                                                                        << "A,C";
        QTest::addRow("words stored in capitals are not found") << "launch"
                                                                << "C,D";
        QTest::addRow("empty keyword keeps records with any word") << ""
                                                                   << "A,B,C,D";
    }

    void search() {
        QFETCH(QString, keyword);
        QFETCH(QString, found);
        const EmojiStore store(TestData::path(QStringLiteral("emoji/search.json")));
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
        // The settings file stores a one-element string list exactly like a plain string. Qt
        // caches settings files per process, so the file is read back under another name.
        EmojiStore::recordRecentEmoji(QStringLiteral("🚀"));
        const QString copy = env.filePath(QStringLiteral("copy.conf"));
        QVERIFY(QFile::copy(AppSettings::applicationGroup()->fileName(), copy));
        QSettings fresh(copy, QSettings::IniFormat);
        QCOMPARE(UserDefaultCoding::Traits<QStringList>::decode(fresh.value("recent_emojis")),
                 std::optional<QStringList>(QStringList{"🚀"}));
    }
};

QTEST_GUILESS_MAIN(tst_EmojiStore)
#include "tst_EmojiStore.moc"
