#include "StoreFile.h"
#include "TestEnvironment.h"

#include "exchange/ImportDeeplinkCollectionsView.h"
#include "store/ManagedObjectContext.h"

#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <QToolButton>

using View = ImportDeeplinkCollectionsView;
using Result = View::FileImportResult;

namespace {

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

    // While the files are read off the GUI thread the choices are disabled; then the sheet
    // closes, whatever the import's outcome.
    void importsThenCloses_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("names");
        QTest::addRow("imported") << QByteArray(R"({"title": "a"})") << QStringList{"A"};
        QTest::addRow("refused") << QByteArray("[]") << QStringList();
    }
    void importsThenCloses() {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, names);
        TestEnvironment env;
        StoreFile store(env);
        const QString file = env.writeFile("a.json", contents);
        Sheet sheet(store.context());
        sheet.view.setOpenPanel([&](QWidget*, bool) { return Result::chosen({file}); });
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
        QCOMPARE(StoreFile::names(*store.context()), names);
    }

    void failedDialogIsLoggedAndCloses() {
        TestEnvironment env;
        ManagedObjectContext context;
        Sheet sheet(&context);
        QCoro::waitFor(sheet.view.importFiles(Result::failed(QStringLiteral("Not a local file."))));
        QCOMPARE(env.messages("fileio"),
                 QStringList{"Failed to import file cause: Not a local file."});
        QCOMPARE(env.records().size(), 1);
        QCOMPARE(sheet.dismissals, 1);
        QVERIFY(context.collections().isEmpty());
    }

    void viewClosedMidImportStillImports() {
        TestEnvironment env;
        ManagedObjectContext context;
        const QString file = env.writeFile("a.json", R"({"title": "late"})");
        int dismissals = 0;
        auto* view = new View(&context, [&] { ++dismissals; });
        view->setOpenPanel([&](QWidget*, bool) { return Result::chosen({file}); });
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

QTEST_MAIN(tst_ImportDeeplinkCollectionsView)
#include "tst_ImportDeeplinkCollectionsView.moc"
