#include "TestEnvironment.h"

#include "exchange/DecodingError.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "exchange/NilDataError.h"
#include "exchange/SerialisingDeeplinkRecordCollection.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using Record = SerialisingDeeplinkRecordCollection;
using Link = SerialisingDeeplinkRecord;

Q_DECLARE_METATYPE(SerialisingDeeplinkRecordCollection)

namespace {

Link link(std::optional<QString> title, std::optional<QString> url) {
    return Link{std::move(title), std::move(url)};
}

void writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
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
        QTest::addRow("name only") << Record{QStringLiteral("Onboarding"), std::nullopt}
                                   << QByteArray("{\n  \"title\" : \"Onboarding\"\n}\n");
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

        QTest::addRow("empty object") << QByteArray("{}") << Record{};
        QTest::addRow("empty deeplinks")
            << QByteArray(R"({"deeplinks": []})") << Record{std::nullopt, QList<Link>{}};
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
        QTest::addRow("escaped slash and unicode escapes")
            << QByteArray(R"({"deeplinks": [{"url": "myapp:\/\/caf\u00e9"}]})")
            << Record{std::nullopt,
                      QList<Link>{link(std::nullopt, QStringLiteral("myapp://café"))}};
        QTest::addRow("record order kept")
            << QByteArray(R"({"deeplinks": [{"title": "3"}, {"title": "1"}, {"title": "2"}]})")
            << Record{std::nullopt, QList<Link>{link(QStringLiteral("3"), std::nullopt),
                                                link(QStringLiteral("1"), std::nullopt),
                                                link(QStringLiteral("2"), std::nullopt)}};
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
        QTest::addRow("only whitespace")
            << QByteArray(" \n\t") << QStringLiteral("the file is empty");
        QTest::addRow("malformed")
            << QByteArray(R"({"title": "A",)") << QStringLiteral("malformed JSON");
        QTest::addRow("truncated")
            << QByteArray(R"({"deeplinks": [{"title": "A"})") << QStringLiteral("malformed JSON");
        QTest::addRow("invalid UTF-8")
            << QByteArray("{\"title\": \"\xff\xfe\"}") << QStringLiteral("malformed JSON");
        QTest::addRow("top-level array")
            << QByteArray(R"([{"title": "A"}])") << QStringLiteral("the top level is an array");
        QTest::addRow("number as title") << QByteArray(R"({"title": 12})")
                                         << QStringLiteral("\"title\" is a number, not a string");
        QTest::addRow("Boolean as title")
            << QByteArray(R"({"title": true})") << QStringLiteral("\"title\" is a Boolean");
        QTest::addRow("object as deeplinks") << QByteArray(R"({"deeplinks": {"title": "A"}})")
                                             << QStringLiteral("\"deeplinks\" is an object");
        QTest::addRow("null deeplink") << QByteArray(R"({"deeplinks": [{"title": "A"}, null]})")
                                       << QStringLiteral("\"deeplinks[1]\" is null");
        QTest::addRow("string deeplink") << QByteArray(R"({"deeplinks": ["a:b"]})")
                                         << QStringLiteral("\"deeplinks[0]\" is a string");
        QTest::addRow("number as url, after good deeplinks")
            << QByteArray(R"({"title": "A", "deeplinks": [{"url": "a:b"}, {"url": 5}]})")
            << QStringLiteral("\"deeplinks[1].url\" is a number");
        QTest::addRow("array as deeplink title")
            << QByteArray(R"({"deeplinks": [{"title": ["A"]}]})")
            << QStringLiteral("\"deeplinks[0].title\" is an array");
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

    void documentReadsWhatItWrites() {
        TestEnvironment env;
        const QString path = env.filePath("Onboarding.json");
        const DeeplinkCollectionFile written(
            Record{QStringLiteral("Onboarding"),
                   QList<Link>{link(QStringLiteral("Home"), QStringLiteral("myapp://home"))}});
        written.write(path);
        QCOMPARE(DeeplinkCollectionFile::read(path).deeplinkCollection, written.deeplinkCollection);
        // Pretty-printed and readable by any JSON reader.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray contents = file.readAll();
        QVERIFY(contents.count('\n') > 5);
        QCOMPARE(QJsonDocument::fromJson(contents).object().value("title").toString(),
                 QStringLiteral("Onboarding"));
        QCOMPARE(DeeplinkCollectionFile::readableContentTypes(),
                 QStringList{QStringLiteral("application/json")});
    }

    void failedWriteLeavesTheOldFile() {
        TestEnvironment env;
        const QString path = env.filePath("taken");
        // A directory in the way: the save cannot even start, and nothing is left behind.
        QVERIFY(QDir(env.path()).mkdir("taken"));
        const DeeplinkCollectionFile document(Record{QStringLiteral("A"), std::nullopt});
        QVERIFY_THROWS_EXCEPTION(AppError, document.write(path));
        QVERIFY(QFileInfo(path).isDir());
        // A missing directory fails the same way.
        QVERIFY_THROWS_EXCEPTION(AppError, document.write(env.filePath("missing/x.json")));
        QCOMPARE(QDir(env.path()).entryList(QDir::Files), QStringList());
    }

    void readRefusesWhatIsNoCollectionFile() {
        TestEnvironment env;
        // A directory has no regular-file contents.
        QVERIFY_THROWS_EXCEPTION(NilDataError, (void)DeeplinkCollectionFile::read(env.path()));
        try {
            (void)DeeplinkCollectionFile::read(env.filePath("gone.json"));
            QFAIL("read a missing file");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), int(DeeplinkCollectionFile::readFailed));
            QVERIFY(error.errorDescription().contains(QStringLiteral("\u201Cgone.json\u201D")));
        }
        const QString big = env.filePath("big.json");
        writeFile(big, QByteArray(2048, ' '));
        try {
            (void)DeeplinkCollectionFile::readContents(big, 1024);
            QFAIL("read a file over the limit");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), int(DeeplinkCollectionFile::tooLarge));
        }
        QCOMPARE(DeeplinkCollectionFile::readContents(big, 2048).size(), 2048);
        const QString broken = env.filePath("broken.json");
        writeFile(broken, "{\"title\": 1}");
        QVERIFY_THROWS_EXCEPTION(DecodingError, (void)DeeplinkCollectionFile::read(broken));
    }
};

QTEST_GUILESS_MAIN(tst_ExchangeFormat)
#include "tst_ExchangeFormat.moc"
