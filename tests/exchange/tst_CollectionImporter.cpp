#include "StoreBuilders.h"
#include "StoreFile.h"
#include "TestData.h"
#include "TestEnvironment.h"

#include "exchange/CollectionImporter.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "exchange/ui/ImportDeeplinkCollectionsView.h"
#include "store/ColorPalette.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"
#include "window/ui/DeeplinkCollectionRowView.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <QToolButton>

using namespace StoreBuilders;
using View = ImportDeeplinkCollectionsView;
using FileResult = View::FileImportResult;

namespace {

const QString cause = QStringLiteral("Failed to save core data context cause: ");

// Holds the thread pool's only thread until released, so that the files handed to it are
// still being read for as long as a test needs.
class PoolGate {
public:
    PoolGate()
        : m_threads(QThreadPool::globalInstance()->maxThreadCount()) {
        QThreadPool::globalInstance()->setMaxThreadCount(1);
        QThreadPool::globalInstance()->start([this] { m_gate.acquire(); });
    }
    ~PoolGate() {
        release(); // a second release is harmless: nothing acquires again
        QThreadPool::globalInstance()->waitForDone();
        QThreadPool::globalInstance()->setMaxThreadCount(m_threads);
    }
    void release() { m_gate.release(); }

private:
    int m_threads;
    QSemaphore m_gate;
};

// The import sheet, its dismissals counted.
struct Sheet {
    explicit Sheet(ManagedObjectContext* context)
        : view(context, [this] { ++dismissals; }) {}
    int dismissals = 0;
    View view;
};

} // namespace

// Importing collection files, mostly driven through the import sheet that starts it.
class tst_CollectionImporter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void offersBothChoicesAndCancel() {
        TestEnvironment env;
        ManagedObjectContext context;
        Sheet sheet(&context);
        const QList<QToolButton*> choices = sheet.view.findChildren<QToolButton*>();
        QCOMPARE(choices.size(), 2);
        QCOMPARE(choices.at(0)->text(), QStringLiteral("Collection Group"));
        QCOMPARE(choices.at(1)->text(), QStringLiteral("Single Collection"));

        // Each choice opens its own dialog; cancelling it keeps the sheet.
        QList<bool> multiple;
        sheet.view.setOpenPanel([&](QWidget*, bool allowsMultiple) {
            multiple.append(allowsMultiple);
            return FileResult{};
        });
        QTest::mouseClick(choices.at(0), Qt::LeftButton);
        QTest::mouseClick(choices.at(1), Qt::LeftButton);
        QCOMPARE(multiple, (QList<bool>{true, false}));
        QCOMPARE(sheet.dismissals, 0);

        auto* cancel = sheet.view.findChild<QPushButton*>();
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(sheet.dismissals, 1);
        QVERIFY(context.collections().isEmpty());
    }

    // While the files are read off the GUI thread the choices are disabled; then all of them
    // are saved and the sheet closes.
    void importsEveryFileSavesAndCloses() {
        TestEnvironment env;
        StoreFile store(env);
        const QString links = TestData::path("exchange/links.json");
        Sheet sheet(store.context());
        sheet.view.setOpenPanel([&](QWidget*, bool) {
            return FileResult::chosen({TestData::path("exchange/empty.json"), links, links});
        });
        QSignalSpy finished(&sheet.view, &View::importFinished);
        PoolGate gate;
        sheet.view.chooseCollectionGroup();
        QVERIFY(sheet.view.isImporting());
        QVERIFY(!sheet.view.findChild<QToolButton*>()->isEnabled());
        QCOMPARE(sheet.dismissals, 0);
        gate.release();
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!sheet.view.isImporting());
        QVERIFY(sheet.view.findChild<QToolButton*>()->isEnabled());
        QCOMPARE(sheet.dismissals, 1);

        QCOMPARE(env.messages(), QStringList());
        QVERIFY(!store.context()->hasChanges());
        QCOMPARE(StoreFile::names(*store.reopen()),
                 (QStringList{"<none>", "My App Links", "My App Links"}));
        // A URL text that does not parse is dropped, the deeplink kept.
        QCOMPARE(store.context()->deeplinks().size(), 4);
        for (const Deeplink* deeplink : store.context()->deeplinks())
            QCOMPARE(deeplink->urlString().isNull(), deeplink->title() == QStringLiteral("Bad"));
        // Each collection takes an opaque colour of the palette: the editor shows it chosen.
        for (const DeeplinkCollection* collection : store.context()->collections()) {
            QCOMPARE(collection->colorA(), 1.0);
            const QColor color = DeeplinkCollectionRowView::color(*collection);
            QVERIFY(ColorPalette::indexOf(color.rgba()) >= 0);
        }
    }

    // Every refusal logs one exact line, creates nothing, and still closes the sheet.
    void refusesAllOrNothing_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("error");

        QTest::addRow("one of three files malformed")
            << "malformed"
            << cause + "The file \u201Cb.json\u201D couldn\u2019t be read because it isn\u2019t in "
                       "the correct format (\"title\" is a number, not a string).";
        QTest::addRow("a file that is gone")
            << "missing"
            << cause + "The file \u201Cgone.json\u201D couldn\u2019t be opened because there is "
                       "no such file.";
        QTest::addRow("file too large")
            << "huge"
            << cause + "The file \u201Chuge.json\u201D is too large to be a collection (more than "
                       "8 MiB).";
        QTest::addRow("files too large together")
            << "hugeTogether"
            << cause + "The chosen files are too large to import together (more than 16 MiB).";
        QTest::addRow("too many deeplinks together")
            << "crowded"
            << cause + "The chosen files hold too many deeplinks to import (more than 100,000).";
        QTest::addRow("the dialog failed") << "dialog"
                                           << "Failed to import file cause: Not a local file.";
    }
    void refusesAllOrNothing() {
        QFETCH(QString, failure);
        QFETCH(QString, error);
        TestEnvironment env;
        ManagedObjectContext context;
        Sheet sheet(&context);
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
        } else if (failure == "crowded") {
            // Empty deeplinks: the most objects the size limit lets a file ask for.
            const QByteArray half = QByteArray("{},").repeated(50'000);
            for (const char* name : {"b.json", "c.json"})
                paths << env.writeFile(name, R"({"deeplinks": [)" + half + "{}]}");
        } else if (failure == "hugeTogether") {
            for (int i = 0; i < 3; ++i)
                paths << sparse(QStringLiteral("part%1.json").arg(i), 6 * 1024 * 1024);
        }

        QCoro::waitFor(sheet.view.importFiles(
            failure == "dialog" ? FileResult::failed(QStringLiteral("Not a local file."))
                                : FileResult::chosen(paths)));
        QCOMPARE(env.messages(failure == "dialog" ? "fileio" : "coredata"), QStringList{error});
        QCOMPARE(env.records().size(), 1);
        QCOMPARE(env.records().front().level, LogRecord::Level::Error);
        QCOMPARE(sheet.dismissals, 1);
        QVERIFY(context.collections().isEmpty());
        QVERIFY(!context.hasChanges());
    }

    // A store that refuses the write (or cannot be written at all) takes exactly the import out
    // again and says why in one alert; one that another process holds keeps it pending and
    // saves it once the other lets go.
    void failedSaveUndoesOnlyTheImport_data() {
        QTest::addColumn<QString>("failure");
        QTest::addRow("write refused") << "refused";
        QTest::addRow("read-only file") << "read-only";
        QTest::addRow("store busy") << "busy";
    }
    void failedSaveUndoesOnlyTheImport() {
        QFETCH(QString, failure);
        const bool busy = failure == u"busy";
        const bool readOnly = failure == u"read-only";
        TestEnvironment env;
        StoreFile store(env);
        ManagedObjectContext& context = *store.context();
        DeeplinkCollection* existing = context.insertCollection();
        existing->setName(QStringLiteral("Existing"));
        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
        existing->setName(QStringLiteral("Renamed, not saved yet"));
        const QString file =
            env.writeFile("a.json", R"({"title": "imported", "deeplinks": [{"title": "x"}]})");

        QVERIFY(busy ? store.lockWrites() : readOnly ? store.readOnly() : store.refuseWrites());
        Sheet sheet(&context);
        QCoro::waitFor(sheet.view.importFiles(FileResult::chosen({file})));
        QCOMPARE(sheet.dismissals, 1);
        const QList<QMessageBox*> alerts = sheet.view.findChildren<QMessageBox*>();
        if (busy) {
            QVERIFY(alerts.isEmpty());
            QVERIFY(env.messages("coredata").isEmpty());
            store.unlockWrites();
            // The retried save lands both the import and the edit.
            QTRY_VERIFY(!context.hasChanges());
            QCOMPARE(contents(*store.reopen()),
                     (QStringList{"#Imported", "#Renamed, not saved yet", "Imported/x"}));
            return;
        }
        const QStringList log = env.messages("coredata");
        QCOMPARE(log.size(), 2);
        const QString reason = log.front().mid(cause.size());
        QCOMPARE(log.front(), cause + reason);
        QVERIFY2(reason.contains(readOnly ? u"readonly" : u"disk full"), qPrintable(reason));
        QCOMPARE(log.back(), QStringLiteral("Import undone, collections removed: 1"));
        QCOMPARE(alerts.size(), 1);
        QVERIFY2(alerts.front()->informativeText().contains(reason),
                 qPrintable(alerts.front()->informativeText()));
        // Nothing of the import is left, and the unrelated edit is still pending.
        QCOMPARE(contents(context), QStringList{"#Renamed, not saved yet"});
        QVERIFY(context.hasChanges());
        QVERIFY(readOnly ? store.readOnly(false) : store.refuseWrites(false));

        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
        QCOMPARE(contents(*store.reopen()), QStringList{"#Renamed, not saved yet"});
    }

    // Replacing: the collections named as the imported one go in the same save, and come back
    // with it when that save fails.
    void replaceIsOneSave() {
        TestEnvironment env;
        StoreFile store(env);
        ManagedObjectContext& context = *store.context();
        fill(context, {"Imported/old", "Other/"});
        context.insertCollection()->setName(QStringLiteral("Imported")); // a second one
        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
        const QStringList before = contents(context);
        const QString file =
            env.writeFile("a.json", R"({"title": "imported", "deeplinks": [{"title": "x"}]})");

        QVERIFY(store.refuseWrites());
        auto outcome = QCoro::waitFor(CollectionImporter::importFiles({file}, &context, {}, true));
        QCOMPARE(outcome.kind, CollectionImporter::Outcome::Kind::Undone);
        QCOMPARE(contents(context), before);
        QVERIFY(!context.hasChanges());
        QVERIFY(store.refuseWrites(false));

        outcome = QCoro::waitFor(CollectionImporter::importFiles({file}, &context, {}, true));
        QCOMPARE(outcome.kind, CollectionImporter::Outcome::Kind::Imported);
        QCOMPARE(contents(*store.reopen()), (QStringList{"#Imported", "#Other", "Imported/x"}));
    }

    void viewClosedMidImportStillImports() {
        TestEnvironment env;
        ManagedObjectContext context;
        const QString file = env.writeFile("a.json", R"({"title": "late"})");
        int dismissals = 0;
        auto* view = new View(&context, [&] { ++dismissals; });
        view->setOpenPanel([&](QWidget*, bool) { return FileResult::chosen({file}); });
        PoolGate gate;
        view->chooseSingleCollection();
        QVERIFY(view->isImporting());
        delete view;
        gate.release();
        QTRY_COMPARE(StoreFile::names(context), QStringList{"Late"});
        QCOMPARE(dismissals, 0);
        QVERIFY(!context.hasChanges());
    }
};

QTEST_MAIN(tst_CollectionImporter)
#include "tst_CollectionImporter.moc"
