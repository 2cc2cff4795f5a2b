#include "TestEnvironment.h"

#include "exchange/DecodingError.h"
#include "exchange/DeeplinkCollectionExporter.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "exchange/SerialisingDeeplinkRecordCollection.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/DeeplinkQueries.h"
#include "store/ManagedObjectContext.h"
#include "window/DeeplinkCollectionDetailView.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTest>

using Record = SerialisingDeeplinkRecordCollection;
using Link = SerialisingDeeplinkRecord;
using Exporter = DeeplinkCollectionExporter;

Q_DECLARE_METATYPE(SerialisingDeeplinkRecordCollection)

namespace {

Link link(std::optional<QString> title, std::optional<QString> url) {
    return Link{std::move(title), std::move(url)};
}

} // namespace

class tst_ExchangeFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The written layout: title before deeplinks, absent values absent, never null.
    void encodesWithoutNulls_data() {
        QTest::addColumn<Record>("record");
        QTest::addColumn<QByteArray>("json");

        QTest::addRow("nameless, no deeplinks") << Record{} << QByteArray("{}\n");
        QTest::addRow("empty deeplinks")
            << Record{std::nullopt, QList<Link>{}} << QByteArray("{\n  \"deeplinks\" : []\n}\n");
        QTest::addRow("title-only and url-only deeplinks")
            << Record{QStringLiteral("Onboarding"),
                      QList<Link>{link(QStringLiteral("Home"), std::nullopt),
                                  link(std::nullopt, QStringLiteral("myapp://settings")),
                                  link(std::nullopt, std::nullopt)}}
            << QByteArray("{\n"
                          "  \"title\" : \"Onboarding\",\n"
                          "  \"deeplinks\" : [\n"
                          "    {\n      \"title\" : \"Home\"\n    },\n"
                          "    {\n      \"url\" : \"myapp://settings\"\n    },\n"
                          "    {}\n"
                          "  ]\n"
                          "}\n");
        QTest::addRow("escapes") << Record{QStringLiteral("q\"b\\s/n\nt\tc\x01 é 🚀"), std::nullopt}
                                 << QByteArray(
                                        "{\n  \"title\" : \"q\\\"b\\\\s/n\\nt\\tc\\u0001 \xc3\xa9 "
                                        "\xf0\x9f\x9a\x80\"\n}\n");
    }
    void encodesWithoutNulls() {
        QFETCH(Record, record);
        QFETCH(QByteArray, json);
        QCOMPARE(record.encoded(), json);
        // Whatever is written reads back as the same record.
        QCOMPARE(Record::decode(json), record);
    }

    void decodes_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<Record>("expected");

        QTest::addRow("null deeplinks is absent")
            << QByteArray(R"({"title": "A", "deeplinks": null})")
            << Record{QStringLiteral("A"), std::nullopt};
        QTest::addRow("null members inside a deeplink")
            << QByteArray(R"({"title": null, "deeplinks": [{"title": null, "url": null}]})")
            << Record{std::nullopt, QList<Link>{link(std::nullopt, std::nullopt)}};
        QTest::addRow("unknown members ignored")
            << QByteArray(R"({"version": 3, "emoji": {"x": [1]}, "title": "T",
                             "deeplinks": [{"url": "a:b", "color": 1}]})")
            << Record{QStringLiteral("T"), QList<Link>{link(std::nullopt, QStringLiteral("a:b"))}};
    }
    void decodes() {
        QFETCH(QByteArray, json);
        QFETCH(Record, expected);
        QCOMPARE(Record::decode(json), expected);
    }

    // A wrong type anywhere fails the whole file; the reason names the place.
    void rejects_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("reason");

        QTest::addRow("empty file") << QByteArray() << QStringLiteral("the file is empty");
        QTest::addRow("malformed")
            << QByteArray(R"({"title": "A",)") << QStringLiteral("malformed JSON");
        QTest::addRow("top-level array")
            << QByteArray(R"([{"title": "A"}])") << QStringLiteral("the top level is an array");
        QTest::addRow("number as title") << QByteArray(R"({"title": 12})")
                                         << QStringLiteral("\"title\" is a number, not a string");
        QTest::addRow("null deeplink") << QByteArray(R"({"deeplinks": [{"title": "A"}, null]})")
                                       << QStringLiteral("\"deeplinks[1]\" is null");
        QTest::addRow("number as url, after good deeplinks")
            << QByteArray(R"({"title": "A", "deeplinks": [{"url": "a:b"}, {"url": 5}]})")
            << QStringLiteral("\"deeplinks[1].url\" is a number");
    }
    void rejects() {
        QFETCH(QByteArray, json);
        QFETCH(QString, reason);
        try {
            (void)Record::decode(json);
            QFAIL("decoded a file that is not a collection");
        } catch (const DecodingError& error) {
            QVERIFY2(error.reason().contains(reason), qPrintable(error.reason()));
            QVERIFY(error.errorDescription().startsWith(
                QStringLiteral("The data couldn\u2019t be read because it isn\u2019t in the "
                               "correct format")));
        }
    }

    void deepNestingFailsCleanly() {
        // Far deeper than any parser stack should go; must end in an error, not a crash.
        const QByteArray json = "{\"x\":" + QByteArray(200000, '[') + QByteArray(200000, ']') + "}";
        QVERIFY_THROWS_EXCEPTION(DecodingError, (void)Record::decode(json));
    }

    // "Export" in the detail view: the save dialog proposes the collection's name as a JSON
    // file, and the chosen file gets the document.
    void detailViewExportButtonExports() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* collection = context.insertCollection();
        collection->setUid(QUuid::createUuid());
        collection->setName(QStringLiteral("Checkout"));
        Deeplink* home = context.insertDeeplink();
        home->setTitle(QStringLiteral("Home"));
        home->setUrl(QUrl(QStringLiteral("myapp://home")));
        collection->addDeeplink(home);
        DeeplinkCollectionDetailView view(&context, collection, {}, SearchRootScope::collection(),
                                          DeeplinkQueries::deeplinks(collection->uid()), {});
        const QString target = env.filePath("checkout.json");
        QString proposed;
        view.setExportDialog([&](QWidget*, const QString& path) {
            proposed = path;
            return std::optional(target);
        });
        view.exportAction()->trigger();
        QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("Checkout.json"));
        QVERIFY(QFileInfo(QFileInfo(proposed).absolutePath()).isDir());
        QCOMPARE(
            DeeplinkCollectionFile::read(target).deeplinkCollection,
            (Record{QStringLiteral("Checkout"),
                    QList<Link>{link(QStringLiteral("Home"), QStringLiteral("myapp://home"))}}));
    }

    // Cancelling writes nothing; a failed write is reported and leaves what was there.
    void exportCancelAndFailure() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* collection = context.insertCollection();
        const auto answer = [](std::optional<QString> path) {
            return [path](QWidget*, const QString&) { return path; };
        };
        QCOMPARE(Exporter::exportCollection(*collection, nullptr, answer(std::nullopt)).kind,
                 Exporter::Outcome::Kind::Cancelled);
        QVERIFY(QDir(env.path()).mkdir("blocked"));
        const Exporter::Outcome outcome =
            Exporter::exportCollection(*collection, nullptr, answer(env.filePath("blocked")));
        QCOMPARE(outcome.kind, Exporter::Outcome::Kind::Failed);
        QVERIFY2(outcome.text().startsWith(
                     QStringLiteral("Export failed: The file \u201Cblocked\u201D")),
                 qPrintable(outcome.text()));
        QVERIFY(QFileInfo(env.filePath("blocked")).isDir());
    }

    void proposedFileName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::addRow("no name") << QString() << "";
        QTest::addRow("separators") << "Staging/Prod\\EU"
                                    << "Staging-Prod-EU.json";
        QTest::addRow("dot dot") << ".."
                                 << "";
    }
    void proposedFileName() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* collection = context.insertCollection();
        collection->setName(name);
        QCOMPARE(Exporter::proposedFileName(*collection), expected);
    }
};

QTEST_MAIN(tst_ExchangeFormat)
#include "tst_ExchangeFormat.moc"
