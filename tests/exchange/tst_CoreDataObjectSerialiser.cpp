#include "TestEnvironment.h"

#include "exchange/CoreDataObjectSerialiser.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"

#include <QSet>
#include <QTest>

namespace {

using Pair = std::pair<QString, QString>;

QSet<Pair> contents(const DeeplinkCollection& collection) {
    QSet<Pair> pairs;
    for (const Deeplink* deeplink : collection.deeplinks())
        pairs.insert({deeplink->title(), deeplink->urlString()});
    return pairs;
}

const QColor fixedColor(59, 130, 247);

} // namespace

class tst_CoreDataObjectSerialiser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Stored -> file -> stored, including a deeplink without URL and one without title.
    void roundTripKeepsTitlesAndUrls() {
        TestEnvironment env;
        ManagedObjectContext source;
        DeeplinkCollection* collection = source.insertCollection();
        collection->setName(QStringLiteral("Café & Co"));
        const QStringList urls = {
            QStringLiteral("myapp://shop/caf%C3%A9?q=a%26b&x=100%25"),
            QStringLiteral("myapp://path/with/slashes?next=/a/b"),
            QStringLiteral("myapp://café/ü?name=Zoë"),
            QStringLiteral("https://example.com/a%5Cb?c=%22d%22"),
            QStringLiteral("not a url"),
            QStringLiteral("myapp://untitled"),
        };
        const QStringList titles = {
            QStringLiteral("Ünïcødé 🚀"),       QStringLiteral("a & b / c"),
            QStringLiteral("100% \"quoted\""), QStringLiteral("back\\slash\nnewline"),
            QStringLiteral("No URL"),          QString()};
        for (qsizetype i = 0; i < urls.size(); ++i) {
            Deeplink* deeplink = source.insertDeeplink();
            deeplink->setTitle(titles.at(i));
            deeplink->setUrl(Deeplink::urlFromText(urls.at(i)));
            collection->addDeeplink(deeplink);
        }

        const QByteArray file = CoreDataObjectSerialiser::record(*collection).encoded();
        // Absent values are absent members, not null or empty strings.
        QVERIFY(!file.contains("null") && !file.contains(": \"\""));
        ManagedObjectContext target;
        const QList<DeeplinkCollection*> imported =
            CoreDataObjectSerialiser::collections({file}, target, [] { return fixedColor; });
        QCOMPARE(imported.size(), 1);
        QCOMPARE(contents(*imported.front()), contents(*collection));
        QCOMPARE(imported.front()->name(), QStringLiteral("Café & Co"));
        QVERIFY(imported.front()->uid() != collection->uid());
    }

    void importSetsWhatTheFileCannotCarry() {
        TestEnvironment env;
        ManagedObjectContext context;
        const QDateTime moment = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);
        const QList<SerialisingDeeplinkRecordCollection> records =
            CoreDataObjectSerialiser::decode({"{}", R"({"title": "my app links", "deeplinks": [
                {"title": "first", "url": "myapp:home"},
                {"title": "Broken", "url": "not a url"},
                {"url": ""},
                {"title": "last"}]})"});
        const QList<DeeplinkCollection*> collections =
            CoreDataObjectSerialiser::insert(records, context, moment, [] { return fixedColor; });
        QCOMPARE(collections.size(), 2);

        DeeplinkCollection* empty = collections.at(0);
        QVERIFY(empty->name().isNull());
        QVERIFY(!empty->uid().isNull());
        QCOMPARE(empty->colorB(), fixedColor.blueF());

        DeeplinkCollection* links = collections.at(1);
        QCOMPARE(links->name(), QStringLiteral("My App Links"));
        QVERIFY(links->uid() != empty->uid());
        QCOMPARE(links->deeplinksCount(), 4);
        // Deeplinks are created in record order, each stamped with the moment of import.
        QList<Deeplink*> deeplinks = links->deeplinks();
        std::sort(deeplinks.begin(), deeplinks.end(),
                  [](Deeplink* a, Deeplink* b) { return a->serial() < b->serial(); });
        QCOMPARE(deeplinks.at(0)->title(), QStringLiteral("first"));
        QCOMPARE(deeplinks.at(0)->url(), QUrl(QStringLiteral("myapp:home")));
        QCOMPARE(deeplinks.at(1)->title(), QStringLiteral("Broken"));
        QVERIFY(deeplinks.at(1)->urlString().isNull());
        QVERIFY(deeplinks.at(2)->title().isNull());
        QVERIFY(deeplinks.at(2)->urlString().isNull());
        QCOMPARE(deeplinks.at(3)->title(), QStringLiteral("last"));
        for (Deeplink* deeplink : deeplinks) {
            QCOMPARE(deeplink->timestamp(), moment);
            QCOMPARE(deeplink->deeplinkCollection(), links);
        }
    }

    void capitalizes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addRow("mixed") << "iOS deepLinks"
                               << "Ios Deeplinks";
        QTest::addRow("punctuation is part of a word") << "e-commerce (beta)"
                                                       << "E-commerce (beta)";
        QTest::addRow("accents") << "éLAN émoji"
                                 << "Élan Émoji";
        QTest::addRow("outside the BMP")
            << QString::fromUcs4(U"\U00010428x") << QString::fromUcs4(U"\U00010400x");
    }
    void capitalizes() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(CoreDataObjectSerialiser::capitalized(text), expected);
    }
};

QTEST_GUILESS_MAIN(tst_CoreDataObjectSerialiser)
#include "tst_CoreDataObjectSerialiser.moc"
