#include "StoreFile.h"
#include "TestEnvironment.h"

#include "exchange/CollectionImporter.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"

#include <QFile>
#include <QTest>

using Importer = CollectionImporter;
using Outcome = Importer::Outcome;

namespace {

const QString cause = QStringLiteral("Failed to save core data context cause: ");

Outcome importFiles(const QStringList& paths, ManagedObjectContext* context) {
    return QCoro::waitFor(Importer::importFiles(paths, context));
}

} // namespace

class tst_CollectionImporter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void importsEveryFileAndSaves() {
        TestEnvironment env;
        StoreFile store(env);
        const QString empty = env.writeFile("empty.json", "{}");
        const QString links = env.writeFile("links.json", R"({"title": "my app links",
            "deeplinks": [{"title": "Home", "url": "myapp:home"}, {"title": "Bad", "url": "a b"}]})");

        const Outcome outcome = importFiles({empty, links, links}, store.context());
        QCOMPARE(outcome.kind, Outcome::Kind::Imported);
        QCOMPARE(outcome.collections, 3);
        QCOMPARE(env.messages(), QStringList());
        QVERIFY(!store.context()->hasChanges());
        const QStringList names{"<none>", "My App Links", "My App Links"};
        QCOMPARE(StoreFile::names(*store.context()), names);
        QCOMPARE(StoreFile::names(*store.reopen()), names);
        // A URL text that does not parse is dropped, the deeplink kept.
        QCOMPARE(store.context()->deeplinks().size(), 4);
        for (const Deeplink* deeplink : store.context()->deeplinks())
            QCOMPARE(deeplink->urlString().isNull(), deeplink->title() == QStringLiteral("Bad"));
    }

    // Every refusal logs one exact line and creates nothing.
    void refusesAllOrNothing_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("error");

        QTest::addRow("one of three files malformed")
            << "malformed"
            << "The file \u201Cb.json\u201D couldn\u2019t be read because it isn\u2019t in the "
               "correct format (\"title\" is a number, not a string).";
        QTest::addRow("a file that is gone")
            << "missing"
            << "The file \u201Cgone.json\u201D couldn\u2019t be opened because there is no such "
               "file.";
        QTest::addRow("file too large")
            << "huge"
            << "The file \u201Chuge.json\u201D is too large to be a collection (more than 8 MiB).";
        QTest::addRow("files too large together")
            << "hugeTogether"
            << "The chosen files are too large to import together (more than 16 MiB).";
    }
    void refusesAllOrNothing() {
        QFETCH(QString, failure);
        QFETCH(QString, error);
        TestEnvironment env;
        ManagedObjectContext context;
        QStringList paths{env.writeFile("a.json", R"({"title": "a"})")};
        const auto sparse = [&](const QString& name, qint64 size) {
            // Sparse: costs no disk, and the import must refuse it without reading it.
            QFile file(env.filePath(name));
            if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
                qFatal("cannot size %s", qPrintable(name));
            return file.fileName();
        };
        if (failure == "malformed") {
            paths << env.writeFile("b.json", R"({"title": 1})")
                  << env.writeFile("c.json", R"({"title": "c"})");
        } else if (failure == "missing") {
            paths << env.filePath("gone.json");
        } else if (failure == "huge") {
            paths << sparse("huge.json", DeeplinkCollectionFile::maximumFileSize + 1);
        } else {
            for (int i = 0; i < 3; ++i)
                paths << sparse(QStringLiteral("part%1.json").arg(i), 6 * 1024 * 1024);
        }

        const Outcome outcome = importFiles(paths, &context);
        QCOMPARE(outcome.kind, Outcome::Kind::Refused);
        QCOMPARE(outcome.error, error);
        QCOMPARE(env.messages("coredata"), QStringList{cause + error});
        QCOMPARE(env.records().size(), 1);
        QCOMPARE(env.records().front().level, LogRecord::Level::Error);
        QVERIFY(context.collections().isEmpty());
        QVERIFY(!context.hasChanges());
    }

    void failedSaveUndoesOnlyTheImport() {
        TestEnvironment env;
        StoreFile store(env);
        ManagedObjectContext& context = *store.context();
        DeeplinkCollection* existing = context.insertCollection();
        existing->setName(QStringLiteral("Existing"));
        QVERIFY(context.save());
        existing->setName(QStringLiteral("Renamed, not saved yet"));
        const QString file =
            env.writeFile("a.json", R"({"title": "imported", "deeplinks": [{"title": "x"}]})");

        // Another writer holds the store's write lock: both saves of the import fail.
        QVERIFY(store.lockWrites());
        const Outcome outcome = importFiles({file}, &context);
        QCOMPARE(outcome.kind, Outcome::Kind::Undone);
        QVERIFY(!outcome.error.isEmpty());
        QCOMPARE(env.messages("coredata"),
                 (QStringList{cause + outcome.error,
                              QStringLiteral("Import undone, collections removed: 1")}));
        // Nothing of the import is left, and the unrelated edit is still pending.
        QCOMPARE(StoreFile::names(context), QStringList{"Renamed, not saved yet"});
        QVERIFY(context.deeplinks().isEmpty());
        QVERIFY(context.hasChanges());
        store.unlockWrites();

        QVERIFY(context.save());
        QCOMPARE(StoreFile::names(*store.reopen()), QStringList{"Renamed, not saved yet"});
        QVERIFY(store.context()->deeplinks().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_CollectionImporter)
#include "tst_CollectionImporter.moc"
