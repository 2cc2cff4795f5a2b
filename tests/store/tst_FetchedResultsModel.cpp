#include "StoreBuilders.h"

#include "store/DeeplinkQueries.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>

using namespace StoreBuilders;

class tst_FetchedResultsModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One set of collections: pinned first, then newest, unset timestamps last; a filter
    // ignores case and diacritics and is not trimmed.
    void sortsAndFiltersCollections_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::addRow("no filter") << QString()
                                   << QStringList({"Pinned Äbc", "pinned old", "pinned undated",
                                                   "ABX new", "", "xyz old", "Ünïcödé"});
        QTest::addRow("accented filter") << "ÄB" << QStringList({"Pinned Äbc", "ABX new"});
        QTest::addRow("unicode") << "unicode" << QStringList({"Ünïcödé"});
        QTest::addRow("not trimmed") << "ab " << QStringList();
    }
    void sortsAndFiltersCollections() {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        TestEnvironment env;
        ManagedObjectContext context;
        addCollection(context, "pinned old", true, 5);
        addCollection(context, "xyz old", false, 10);
        addCollection(context, "Ünïcödé", false, std::nullopt);
        addCollection(context, "pinned undated", true, std::nullopt);
        addCollection(context, "ABX new", false, 30);
        addCollection(context, QString(), false, 20)->setUid({});
        addCollection(context, "Pinned Äbc", true, 50);

        FetchedResultsModel model(&context, DeeplinkQueries::collections());
        QAbstractItemModelTester tester(&model);
        model.setFetchRequest(DeeplinkQueries::collections(filter));
        QCOMPARE(listed(model), expected);
        if (filter.isEmpty()) {
            // Sections are rows of their own, not selectable; objects are their children.
            QCOMPARE(model.rowCount(model.index(0, 0)), 3);
            QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsSelectable));
            QVERIFY(model.flags(model.index(0, 0, model.index(0, 0))) & Qt::ItemIsSelectable);
        }
    }

    // Filled while the model watches; a move out and back in, and deleting the collection,
    // are followed too.
    void narrowsDeeplinksOfOneCollection_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        const int none = int(DeeplinkQueries::TextField::None);
        const int title = int(DeeplinkQueries::TextField::Title);
        const int url = int(DeeplinkQueries::TextField::Url);
        QTest::addRow("all, newest first")
            << none << "Home" << QStringList({"Open Home", "home screen", "Cart"});
        QTest::addRow("title is case-sensitive") << title << "Home" << QStringList({"Open Home"});
        QTest::addRow("url includes scheme") << url << "shop:" << QStringList({"Cart"});
        QTest::addRow("url as typed, with placeholders")
            << url << "={{tab" << QStringList({"home screen"});
    }
    void narrowsDeeplinksOfOneCollection() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* mine = addCollection(context, "mine", false, 1);
        DeeplinkCollection* other = addCollection(context, "other", false, 2);
        FetchedResultsModel model(
            &context,
            DeeplinkQueries::deeplinks(mine->uid(), DeeplinkQueries::TextField(field), text));
        QAbstractItemModelTester tester(&model);
        Deeplink* cart = addDeeplink(context, mine, "Cart", "shop://cart");
        cart->setTimestamp(QDateTime()); // undated: listed last
        addDeeplink(context, mine, "home screen", "app://home?tab={{tab}}", 10);
        addDeeplink(context, mine, "Open Home", "app://home", 20);
        addDeeplink(context, other, "Open Home elsewhere", "app://home", 30);
        QCOMPARE(listed(model), expected);

        other->addDeeplink(cart);
        QVERIFY(!listed(model).contains("Cart"));
        mine->addDeeplink(cart);
        QCOMPARE(listed(model), expected);
        context.deleteObject(mine);
        QVERIFY(model.isEmpty());
        context.rollback();
        QVERIFY(model.fetchedObjects().isEmpty()); // the inserts are rolled back too

        // A collection without uid shows nothing, not even its own deeplinks.
        DeeplinkCollection* nameless = context.insertCollection();
        addDeeplink(context, nameless, "orphan", "app://x", 1);
        model.setFetchRequest(DeeplinkQueries::deeplinks(nameless->uid()));
        QVERIFY(model.isEmpty());
    }

    void movesKeepSelectionOnTheObject_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("sections");
        // Start: pinned p1 (t50) | unpinned u1 (t30), u2 (t20), u3 (t10); u2 is selected.
        QTest::addRow("pin into the existing section")
            << "pin" << QStringList{"p1", "u2", "u1", "u3"} << 2;
        QTest::addRow("older timestamp, same section")
            << "older" << QStringList{"p1", "u1", "u3", "u2"} << 2;
        QTest::addRow("unpin the only pinned one")
            << "unpin p1" << QStringList{"p1", "u1", "u2", "u3"} << 1;
        QTest::addRow("pin with no pinned section")
            << "pin alone" << QStringList{"u2", "u1", "u3"} << 2;
    }
    void movesKeepSelectionOnTheObject() {
        QFETCH(QString, change);
        QFETCH(QStringList, expected);
        QFETCH(int, sections);
        TestEnvironment env;
        ManagedObjectContext context;
        FetchedResultsModel model(&context, DeeplinkQueries::collections());
        QAbstractItemModelTester tester(&model);
        QVERIFY(model.isEmpty());
        // Inserted out of order while the model watches.
        addCollection(context, "u3", false, 10);
        DeeplinkCollection* u2 = addCollection(context, "u2", false, 20);
        DeeplinkCollection* p1 = addCollection(context, "p1", true, 50);
        addCollection(context, "u1", false, 30);
        if (change == "pin alone") {
            // Deleting removes at once, and the emptied section goes with it.
            context.deleteObject(p1);
            QCOMPARE(model.rowCount(), 1);
            QVERIFY(!model.indexOf(p1).isValid());
        }
        QItemSelectionModel selection(&model);
        selection.setCurrentIndex(model.indexOf(u2), QItemSelectionModel::ClearAndSelect);
        const QPersistentModelIndex kept(model.indexOf(u2));
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);

        if (change == "pin" || change == "pin alone")
            u2->setIsPinned(true);
        else if (change == "older")
            u2->setTimestamp(at(1));
        else if (change == "unpin p1")
            p1->setIsPinned(false);

        QCOMPARE(listed(model), expected);
        QCOMPARE(model.rowCount(), sections);
        QVERIFY(kept.isValid());
        QCOMPARE(model.object(kept), u2);
        QCOMPARE(selection.selectedIndexes().size(), 1);
        QCOMPARE(model.object(selection.selectedIndexes().front()), u2);
        QCOMPARE(model.object(selection.currentIndex()), u2);
        QCOMPARE(moved.count(), 1);
        // Only an emptied section row may go; no object row is ever removed by a move.
        for (const QList<QVariant>& arguments : std::as_const(removed))
            QVERIFY(!arguments.at(0).toModelIndex().isValid());
    }
};

QTEST_GUILESS_MAIN(tst_FetchedResultsModel)
#include "tst_FetchedResultsModel.moc"
