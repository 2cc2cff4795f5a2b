#include "StoreBuilders.h"
#include "TestData.h"

#include "exchange/CoreDataObjectSerialiser.h"
#include "exchange/DecodingError.h"
#include "exchange/DeeplinkCollectionExporter.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "exchange/SerialisingDeeplinkRecordCollection.h"
#include "store/DeeplinkQueries.h"
#include "window/ui/DeeplinkCollectionDetailView.h"

#include <QAction>
#include <QColor>
#include <QDir>
#include <QFileInfo>

using Record = SerialisingDeeplinkRecordCollection;
using Link = SerialisingDeeplinkRecord;
using Exporter = DeeplinkCollectionExporter;
using Serialiser = CoreDataObjectSerialiser;

namespace {

const QRgb fixedColor = qRgb(59, 130, 247);

} // namespace

class tst_ExchangeFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Stored -> file -> stored. The file holds title before deeplinks before environments,
    // absent values absent (never null); a collection without environments exports as files
    // always were.
    void roundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<Link>>("deeplinks");
        QTest::addColumn<QList<Environment>>("environments");
        QTest::addColumn<QString>("active");
        QTest::addColumn<QByteArray>("json");

        QTest::addRow("nameless, no deeplinks")
            << QString() << QList<Link>{} << QList<Environment>{} << QString()
            << QByteArray("{}\n");
        QTest::addRow("title-only, url-only and bare deeplinks")
            << QStringLiteral("Onboarding")
            << QList<Link>{Link{QStringLiteral("Home"), std::nullopt},
                           Link{std::nullopt, QStringLiteral("myapp://settings")},
                           Link{std::nullopt, std::nullopt}}
            << QList<Environment>{} << QString() << TestData::read("exchange/onboarding.json");
        QTest::addRow("escapes") << QStringLiteral("Café & Co")
                                 << QList<Link>{Link{QStringLiteral("q\"b\\s/n\nt\tc\x01 é 🚀"),
                                                     std::nullopt}}
                                 << QList<Environment>{} << QString()
                                 << TestData::read("exchange/escapes.json");
        // Names, order, values and raw flags; the active one is not the first.
        QTest::addRow("environments")
            << QStringLiteral("Shop")
            << QList<Link>{Link{QStringLiteral("Order"),
                                QStringLiteral("{{scheme}}://order/{{id}}?q={{q}}")}}
            << QList<Environment>{{QStringLiteral("Staging"),
                                   {{QStringLiteral("scheme"), QStringLiteral("shop-dev")},
                                    {QStringLiteral("q"), QStringLiteral("a&b=\"é\""), true}}},
                                  {QStringLiteral("Production"),
                                   {{QStringLiteral("scheme"), QStringLiteral("shop")}}},
                                  {QStringLiteral("Empty"), {}}}
            << QStringLiteral("Production") << TestData::read("exchange/environments.json");
        // URLs keep their exact text through export and import: see the URL editor's test.
    }
    void roundTrip() {
        QFETCH(QString, name);
        QFETCH(QList<Link>, deeplinks);
        QFETCH(QList<Environment>, environments);
        QFETCH(QString, active);
        QFETCH(QByteArray, json);
        TestEnvironment env;
        ManagedObjectContext source;
        DeeplinkCollection* collection = StoreBuilders::addCollection(source, name);
        collection->setEnvironments(environments);
        collection->setActiveEnvironment(active);
        for (const Link& item : deeplinks) {
            StoreBuilders::addDeeplink(source, collection, item.title.value_or(QString()),
                                       item.url.value_or(QString()));
        }

        const QByteArray file = Serialiser::record(*collection).encoded();
        QCOMPARE(file, json);
        // Imported twice: the copies differ only in their new uids; the import sets the colour
        // and stamps every deeplink with its moment.
        ManagedObjectContext target;
        const QDateTime moment = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);
        const auto decoded = Serialiser::decode({file, file});
        QVERIFY(decoded);
        const QList<DeeplinkCollection*> imported =
            Serialiser::insert(*decoded, target, moment, [] { return fixedColor; });
        QCOMPARE(imported.size(), 2);
        QVERIFY(!imported.front()->uid().isNull());
        QVERIFY(imported.front()->uid() != imported.back()->uid());
        for (const DeeplinkCollection* copy : imported) {
            // QColor's own float components, as imports have always stored them.
            const QColor color(fixedColor);
            QCOMPARE(
                (QList<double>{copy->colorR(), copy->colorG(), copy->colorB(), copy->colorA()}),
                (QList<double>{color.redF(), color.greenF(), color.blueF(), color.alphaF()}));
            QCOMPARE(Serialiser::record(*copy).encoded(), file); // same name and deeplinks
            QCOMPARE(copy->environments(), environments);
            QCOMPARE(copy->activeEnvironment(), active);
            for (const Deeplink* deeplink : copy->deeplinks())
                QCOMPARE(deeplink->timestamp(), moment);
        }
    }

    // Missing or null members are absent, unknown ones ignored; anything else of the wrong
    // type fails the whole file, with a reason that names the place.
    void decodes_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<Record>("expected");
        QTest::addColumn<QString>("reason");

        QTest::addRow("empty deeplinks")
            << QByteArray(R"({"deeplinks": []})") << Record{std::nullopt, QList<Link>{}} << "";
        QTest::addRow("null deeplinks is absent")
            << QByteArray(R"({"title": "A", "deeplinks": null})")
            << Record{QStringLiteral("A"), std::nullopt} << "";
        QTest::addRow("null members inside a deeplink")
            << QByteArray(R"({"title": null, "deeplinks": [{"title": null, "url": null}]})")
            << Record{std::nullopt, QList<Link>{Link{std::nullopt, std::nullopt}}} << "";
        QTest::addRow("unknown members ignored")
            << QByteArray(R"({"version": 3, "emoji": {"x": [1]}, "title": "T",
                             "deeplinks": [{"url": "a:b", "color": 1}]})")
            << Record{QStringLiteral("T"), QList<Link>{Link{std::nullopt, QStringLiteral("a:b")}}}
            << "";
        // Half a surrogate pair is U+FFFD; it must not swallow the character after it.
        const auto titled = [](const char* name, const char* json, const QString& title) {
            QTest::addRow("%s", name)
                << "{\"title\": \"" + QByteArray(json) + "\"}" << Record{title, std::nullopt} << "";
        };
        titled("lone high surrogate", R"(lone \ud800 x)", QStringLiteral("lone \uFFFD x"));
        titled("lone high surrogate at the end", R"(x\uD800)", QStringLiteral("x\uFFFD"));
        titled("lone low surrogate", R"(a\udc00b)", QStringLiteral("a\uFFFDb"));
        titled("reversed pair", R"(\ude80\ud83d!)", QStringLiteral("\uFFFD\uFFFD!"));
        titled("valid pair", R"(\ud83d\ude80)", QStringLiteral("🚀"));
        titled("escaped backslash before u", R"(\\ud800)", QStringLiteral("\\ud800"));
        QTest::addRow("empty file") << QByteArray(" \n") << Record{} << "the file is empty";
        QTest::addRow("malformed")
            << QByteArray(R"({"title": "A",)") << Record{} << "malformed JSON at byte ";
        // Far deeper than any parser stack should go; must end in an error, not a crash.
        QTest::addRow("deep nesting")
            << "{\"x\":" + QByteArray(200000, '[') + QByteArray(200000, ']') + "}" << Record{}
            << "malformed JSON";
        QTest::addRow("top-level array") << QByteArray(R"([{"title": "A"}])") << Record{}
                                         << "the top level is an array, not an object";
        QTest::addRow("number as title")
            << QByteArray(R"({"title": 12})") << Record{} << "\"title\" is a number, not a string";
        QTest::addRow("object as deeplinks") << QByteArray(R"({"deeplinks": {}})") << Record{}
                                             << "\"deeplinks\" is an object, not an array";
        QTest::addRow("null deeplink") << QByteArray(R"({"deeplinks": [{"title": "A"}, null]})")
                                       << Record{} << "\"deeplinks[1]\" is null, not an object";
        QTest::addRow("environments and the active one")
            << QByteArray(R"({"environments": [{"name": "S", "variables": [{"name": "a"}],
                             "colour": 1}], "activeEnvironment": "S"})")
            << Record{std::nullopt, std::nullopt,
                      QList<Environment>{{QStringLiteral("S"), {{QStringLiteral("a"), {}}}}},
                      QStringLiteral("S")}
            << "";
        QTest::addRow("object as environments")
            << QByteArray(R"({"title": "A", "environments": {}})") << Record{}
            << "\"environments\" is an object, not an array";
        QTest::addRow("string as a raw flag")
            << QByteArray(R"({"environments": [{"name": "S", "variables": [{"raw": "yes"}]}]})")
            << Record{} << "\"environments[0].variables[0].raw\" is a string, not a Boolean";
        QTest::addRow("Boolean as url, after good deeplinks")
            << QByteArray(R"({"title": "A", "deeplinks": [{"url": "a:b"}, {"url": true}]})")
            << Record{} << "\"deeplinks[1].url\" is a Boolean, not a string";
    }
    void decodes() {
        QFETCH(QByteArray, json);
        QFETCH(Record, expected);
        QFETCH(QString, reason);
        const auto decoded = Record::decode(json);
        if (reason.isEmpty()) {
            QVERIFY2(decoded, qPrintable(decoded ? QString() : decoded.error().reason()));
            QCOMPARE(*decoded, expected);
            const auto again = Record::decode(expected.encoded());
            QVERIFY(again);
            QCOMPARE(*again, expected);
            return;
        }
        QVERIFY2(!decoded, "decoded a file that is not a collection");
        const DecodingError& error = decoded.error();
        QVERIFY2(error.reason().startsWith(reason), qPrintable(error.reason()));
        QVERIFY(error.errorDescription().startsWith(
            QStringLiteral("The data couldn\u2019t be read because it isn\u2019t in the "
                           "correct format (")));
    }

    // "Export" in the detail view: the save dialog proposes the collection's name as a JSON
    // file name that stays in the proposed directory, and the chosen file gets the document.
    void detailViewExportButtonExports_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("proposed");
        QTest::addRow("named") << "Checkout"
                               << "Checkout.json";
        QTest::addRow("no name") << QString() << "";
        QTest::addRow("separators") << "Staging/Prod\\EU"
                                    << "Staging-Prod-EU.json";
        QTest::addRow("dot dot") << ".."
                                 << "";
    }
    void detailViewExportButtonExports() {
        QFETCH(QString, name);
        QFETCH(QString, proposed);
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* collection = StoreBuilders::addCollection(context, name);
        StoreBuilders::addDeeplink(context, collection, "Home", "myapp://home");
        DeeplinkCollectionDetailView view(&context, collection, {}, SearchRootScope{},
                                          DeeplinkQueries::deeplinks(collection->uid()), {});
        const QString target = env.filePath("checkout.json");
        QString path;
        view.setExportDialog([&](const QString& offered) {
            path = offered;
            return std::optional(target);
        });
        view.exportAction()->trigger();
        QCOMPARE(QFileInfo(path).fileName(), proposed);
        QVERIFY(QFileInfo(QFileInfo(path).absolutePath()).isDir());
        const std::optional<QString> title = name.isNull() ? std::nullopt : std::optional(name);
        const Result<DeeplinkCollectionFile> written = DeeplinkCollectionFile::read(target);
        QVERIFY2(written, qPrintable(written ? QString() : written.error()));
        QCOMPARE(written->deeplinkCollection,
                 (Record{title, QList<Link>{Link{QStringLiteral("Home"),
                                                 QStringLiteral("myapp://home")}}}));
    }

    // Cancelling writes nothing; a failed write is reported and leaves what was there.
    void exportCancelAndFailure() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* collection = context.insertCollection();
        const auto answer = [](std::optional<QString> path) {
            return [path](const QString&) { return path; };
        };
        QCOMPARE(Exporter::exportCollection(*collection, answer(std::nullopt)).kind,
                 Exporter::Outcome::Kind::Cancelled);
        QVERIFY(QDir(env.path()).mkdir("blocked"));
        const Exporter::Outcome outcome =
            Exporter::exportCollection(*collection, answer(env.filePath("blocked")));
        QCOMPARE(outcome.kind, Exporter::Outcome::Kind::Failed);
        QVERIFY2(outcome.text().startsWith(
                     QStringLiteral("Export failed: The file \u201Cblocked\u201D")),
                 qPrintable(outcome.text()));
        QVERIFY(QFileInfo(env.filePath("blocked")).isDir());
    }
};

QTEST_MAIN(tst_ExchangeFormat)
#include "tst_ExchangeFormat.moc"
