#include "TestEnvironment.h"

#include "exchange/DeeplinkCollectionFile.h"
#include "exchange/ImportDeeplinkCollectionsView.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"
#include "window/AddDeeplinkCollectionView.h"

#include <QFile>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThreadPool>
#include <QToolButton>

#include <memory>

using View = ImportDeeplinkCollectionsView;
using Result = View::FileImportResult;

namespace {

const QString cause = QStringLiteral("Failed to save core data context cause: ");

QString writeFile(const TestEnvironment& env, const QString& name, const QByteArray& contents) {
    const QString path = env.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

std::unique_ptr<PersistentContainer> openStore(const QString& path) {
    auto container = std::make_unique<PersistentContainer>(path);
    return container->loadPersistentStores() ? nullptr : std::move(container);
}

QStringList names(const ManagedObjectContext& context) {
    QStringList list;
    for (const DeeplinkCollection* collection : context.collections())
        list.append(collection->name().isNull() ? QStringLiteral("<none>") : collection->name());
    list.sort();
    return list;
}

// Holds the thread pool's only thread until released, so that work handed to it is still
// pending for as long as a test needs.
class PoolGate {
public:
    PoolGate()
        : m_threads(QThreadPool::globalInstance()->maxThreadCount()) {
        QThreadPool::globalInstance()->setMaxThreadCount(1);
        QThreadPool::globalInstance()->start([this] { m_gate.acquire(); });
    }
    ~PoolGate() {
        release();
        QThreadPool::globalInstance()->waitForDone();
        QThreadPool::globalInstance()->setMaxThreadCount(m_threads);
    }
    void release() {
        if (!m_released)
            m_gate.release();
        m_released = true;
    }

private:
    int m_threads;
    QSemaphore m_gate;
    bool m_released = false;
};

// A view whose dismissals are counted.
struct Sheet {
    explicit Sheet(ManagedObjectContext* context)
        : view(context, [this] { ++dismissals; }) {}
    int dismissals = 0;
    View view;
};

} // namespace

class tst_ImportDeeplinkCollectionsView : public QObject {
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
            return Result{};
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

    void importsEveryChosenFileAndSaves() {
        TestEnvironment env;
        const QString storePath = env.filePath("Kestrine.sqlite");
        auto container = openStore(storePath);
        QVERIFY(container);
        ManagedObjectContext& context = *container->viewContext();
        const QString empty = writeFile(env, "empty.json", "{}");
        const QString links = writeFile(env, "links.json", R"({"title": "my app links",
            "deeplinks": [{"title": "Home", "url": "myapp:home"}, {"title": "Bad", "url": "a b"}]})");

        Sheet sheet(&context);
        sheet.view.setOpenPanel([&](QWidget*, bool) {
            return Result::chosen({empty, links, links});
        });
        QSignalSpy finished(&sheet.view, &View::importFinished);
        PoolGate gate;
        sheet.view.chooseCollectionGroup();
        // Files are read off the GUI thread; meanwhile the choices are disabled.
        QVERIFY(sheet.view.isImporting());
        QVERIFY(!sheet.view.findChild<QToolButton*>()->isEnabled());
        QCOMPARE(sheet.dismissals, 0);
        gate.release();
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!sheet.view.isImporting());
        QCOMPARE(sheet.dismissals, 1);
        QCOMPARE(env.messages(), QStringList());

        QCOMPARE(names(context), (QStringList{"<none>", "My App Links", "My App Links"}));
        QVERIFY(!context.hasChanges());

        container.reset();
        container = openStore(storePath);
        QVERIFY(container);
        QCOMPARE(names(*container->viewContext()),
                 (QStringList{"<none>", "My App Links", "My App Links"}));
        for (Deeplink* deeplink : container->viewContext()->deeplinks()) {
            if (deeplink->title() == QStringLiteral("Bad"))
                QVERIFY(deeplink->urlString().isNull());
            else
                QCOMPARE(deeplink->url(), QUrl(QStringLiteral("myapp:home")));
        }
    }

    // Every failure logs one exact line, imports nothing and still closes the sheet.
    void failuresImportNothing_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("line");

        QTest::addRow("dialog failed") << "dialog"
                                       << "fileio"
                                       << "Failed to import file cause: Not a local file.";
        QTest::addRow("one of three files malformed")
            << "malformed"
            << "coredata"
            << cause + "The file \u201Cb.json\u201D couldn\u2019t be read because it isn\u2019t "
                       "in the correct format (\"title\" is a number, not a string).";
        QTest::addRow("a file that is gone")
            << "missing"
            << "coredata"
            << cause + "The file \u201Cgone.json\u201D couldn\u2019t be opened because there is "
                       "no such file.";
        QTest::addRow("file too large")
            << "huge"
            << "coredata"
            << cause + "The file \u201Chuge.json\u201D is too large to be a collection (more than "
                       "8 MiB).";
        QTest::addRow("files too large together")
            << "hugeTogether"
            << "coredata"
            << cause + "The chosen files are too large to import together (more than 16 MiB).";
    }
    void failuresImportNothing() {
        QFETCH(QString, failure);
        QFETCH(QString, category);
        QFETCH(QString, line);
        TestEnvironment env;
        ManagedObjectContext context;
        const QString good = writeFile(env, "a.json", R"({"title": "a"})");
        const auto sparse = [&](const QString& name, qint64 size) {
            // Sparse: costs no disk, and the import must refuse it without reading it.
            QFile file(env.filePath(name));
            if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
                qFatal("cannot size %s", qPrintable(name));
            return file.fileName();
        };
        Result result;
        if (failure == "dialog") {
            result = Result::failed(QStringLiteral("Not a local file."));
        } else if (failure == "malformed") {
            result = Result::chosen({good, writeFile(env, "b.json", R"({"title": 1})"),
                                     writeFile(env, "c.json", R"({"title": "c"})")});
        } else if (failure == "missing") {
            result = Result::chosen({good, env.filePath("gone.json")});
        } else if (failure == "huge") {
            result = Result::chosen(
                {good, sparse("huge.json", DeeplinkCollectionFile::maximumFileSize + 1)});
        } else {
            QStringList paths;
            for (int i = 0; i < 5; ++i)
                paths.append(sparse(QStringLiteral("part%1.json").arg(i), 6 * 1024 * 1024));
            result = Result::chosen(paths);
        }

        Sheet sheet(&context);
        QCoro::waitFor(sheet.view.importFiles(result));
        QCOMPARE(env.messages(category), QStringList{line});
        QCOMPARE(env.records().size(), 1);
        QCOMPARE(env.records().front().level, LogRecord::Level::Error);
        QVERIFY(context.collections().isEmpty());
        QVERIFY(!context.hasChanges());
        QCOMPARE(sheet.dismissals, 1);
    }

    void importTabOfTheCollectionEditorClosesIt() {
        TestEnvironment env;
        ManagedObjectContext context;
        const QString file = writeFile(env, "a.json", R"({"title": "from the sheet"})");
        QWidget window;
        window.show();
        auto* sheet = new AddDeeplinkCollectionView(&context, &window);
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<AddDeeplinkCollectionView> guard(sheet);
        sheet->setTabType(AddDeeplinkCollectionView::TabType::import);
        sheet->open();
        auto* view = qobject_cast<View*>(sheet->importView());
        QVERIFY(view);
        view->setOpenPanel([&](QWidget*, bool) { return Result::chosen({file}); });
        view->chooseSingleCollection();
        QTRY_VERIFY(!guard || !guard->isVisible());
        QCOMPARE(names(context), QStringList{"From The Sheet"});
    }

    void failedSecondSaveUndoesOnlyTheImport() {
        TestEnvironment env;
        const QString storePath = env.filePath("Kestrine.sqlite");
        auto container = openStore(storePath);
        QVERIFY(container);
        ManagedObjectContext& context = *container->viewContext();
        DeeplinkCollection* existing = context.insertCollection();
        existing->setName(QStringLiteral("Existing"));
        QVERIFY(context.save());
        existing->setName(QStringLiteral("Renamed, not saved yet"));
        container->store()->setBusyTimeout(20);
        const QString file =
            writeFile(env, "a.json", R"({"title": "imported", "deeplinks": [{"title": "x"}]})");

        {
            // Another writer holds the store's write lock: both saves of the import fail.
            QSqlDatabase blocker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "blocker");
            blocker.setDatabaseName(storePath);
            QVERIFY(blocker.open());
            QSqlQuery lock(blocker);
            QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));

            Sheet sheet(&context);
            QCoro::waitFor(sheet.view.importFiles(Result::chosen({file})));
            QCOMPARE(sheet.dismissals, 1);
            const QStringList lines = env.messages("coredata");
            QCOMPARE(lines.size(), 2);
            QVERIFY2(lines.at(0).startsWith(cause) && lines.at(0).size() > cause.size(),
                     qPrintable(lines.at(0)));
            QCOMPARE(lines.at(1), QStringLiteral("Import undone, collections removed: 1"));
            // Nothing of the import is left, and the unrelated edit is still pending.
            QCOMPARE(names(context), QStringList{"Renamed, not saved yet"});
            QVERIFY(context.deeplinks().isEmpty());
            QVERIFY(context.hasChanges());
            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        }
        QSqlDatabase::removeDatabase("blocker");

        QVERIFY(context.save());
        container.reset();
        container = openStore(storePath);
        QVERIFY(container);
        QCOMPARE(names(*container->viewContext()), QStringList{"Renamed, not saved yet"});
        QVERIFY(container->viewContext()->deeplinks().isEmpty());
    }

    void viewClosedMidImportStillImports() {
        TestEnvironment env;
        ManagedObjectContext context;
        const QString file = writeFile(env, "a.json", R"({"title": "late"})");
        int dismissals = 0;
        auto* view = new View(&context, [&] { ++dismissals; });
        view->setOpenPanel([&](QWidget*, bool) { return Result::chosen({file}); });
        PoolGate gate;
        view->chooseSingleCollection();
        QVERIFY(view->isImporting());
        delete view;
        gate.release();
        QTRY_COMPARE(names(context), QStringList{"Late"});
        QCOMPARE(dismissals, 0);
        QVERIFY(!context.hasChanges());
    }
};

QTEST_MAIN(tst_ImportDeeplinkCollectionsView)
#include "tst_ImportDeeplinkCollectionsView.moc"
