#include "TestEnvironment.h"

#include "exchange/DeeplinkCollectionExporter.h"
#include "exchange/DeeplinkCollectionFile.h"
#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/DeeplinkQueries.h"
#include "store/ManagedObjectContext.h"
#include "window/DeeplinkCollectionDetailView.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QUrl>

using Exporter = DeeplinkCollectionExporter;

class tst_DeeplinkCollectionExporter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesTheChosenFile() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* collection = context.insertCollection();
        collection->setName(QStringLiteral("Onboarding"));
        Deeplink* home = context.insertDeeplink();
        home->setTitle(QStringLiteral("Home"));
        home->setUrl(QUrl(QStringLiteral("myapp://home")));
        collection->addDeeplink(home);

        QString proposed;
        const QString target = env.filePath("chosen.json");
        const Exporter::Outcome outcome =
            Exporter::exportCollection(*collection, nullptr, [&](QWidget*, const QString& path) {
                proposed = path;
                return std::optional(target);
            });
        QCOMPARE(QFileInfo(proposed).fileName(), QStringLiteral("Onboarding.json"));
        QVERIFY(QFileInfo(QFileInfo(proposed).absolutePath()).isDir());
        QCOMPARE(outcome.kind, Exporter::Outcome::Kind::Written);
        QCOMPARE(outcome.text(), QUrl::fromLocalFile(target).toString());
        const DeeplinkCollectionFile file = DeeplinkCollectionFile::read(target);
        QCOMPARE(file.deeplinkCollection.title, QStringLiteral("Onboarding"));
        QCOMPARE(file.deeplinkCollection.deeplinks->size(), 1);
        QCOMPARE(file.deeplinkCollection.deeplinks->front().url, QStringLiteral("myapp://home"));
    }

    void cancelWritesNothing() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* collection = context.insertCollection();
        QString proposed;
        const Exporter::Outcome outcome =
            Exporter::exportCollection(*collection, nullptr, [&](QWidget*, const QString& path) {
                proposed = path;
                return std::optional<QString>();
            });
        // A nameless collection proposes only a directory.
        QVERIFY(!proposed.isEmpty());
        QVERIFY(QFileInfo(proposed).fileName().isEmpty());
        QCOMPARE(outcome.kind, Exporter::Outcome::Kind::Cancelled);
        QVERIFY(outcome.text().isEmpty());
    }

    void failureIsReportedAndTheOldFileKept() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* collection = context.insertCollection();
        collection->setName(QStringLiteral("A"));
        const QString blocked = env.filePath("blocked");
        QVERIFY(QDir(env.path()).mkdir("blocked"));
        const Exporter::Outcome outcome = Exporter::exportCollection(
            *collection, nullptr, [&](QWidget*, const QString&) { return std::optional(blocked); });
        QCOMPARE(outcome.kind, Exporter::Outcome::Kind::Failed);
        QVERIFY2(outcome.text().startsWith(
                     QStringLiteral("Export failed: The file \u201Cblocked\u201D")),
                 qPrintable(outcome.text()));
        QVERIFY(QFileInfo(blocked).isDir());
    }

    void detailViewExportButtonExports() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* collection = context.insertCollection();
        collection->setUid(QUuid::createUuid());
        collection->setName(QStringLiteral("Checkout"));
        DeeplinkCollectionDetailView view(&context, collection, {}, SearchRootScope::collection(),
                                          DeeplinkQueries::deeplinks(collection->uid()), {});
        const QString target = env.filePath("checkout.json");
        bool showingDuringDialog = false;
        view.setExportDialog([&](QWidget*, const QString& proposed) {
            showingDuringDialog = view.isExportShowing();
            return std::optional(QFileInfo(proposed).fileName() == "Checkout.json" ? target
                                                                                   : QString());
        });
        QCOMPARE(view.exportAction()->text(), QStringLiteral("Export"));
        view.exportAction()->trigger();
        QVERIFY(showingDuringDialog);
        QVERIFY(!view.isExportShowing());
        QCOMPARE(DeeplinkCollectionFile::read(target).deeplinkCollection.title,
                 QStringLiteral("Checkout"));
    }

    void proposedFileName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::addRow("plain") << "Onboarding"
                               << "Onboarding.json";
        QTest::addRow("no name") << QString() << "";
        QTest::addRow("blank name") << "   "
                                    << "";
        QTest::addRow("separators") << "Staging/Prod\\EU"
                                    << "Staging-Prod-EU.json";
        QTest::addRow("dot dot") << ".."
                                 << "";
        QTest::addRow("unicode") << "Café 🚀"
                                 << "Café 🚀.json";
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

QTEST_MAIN(tst_DeeplinkCollectionExporter)
#include "tst_DeeplinkCollectionExporter.moc"
