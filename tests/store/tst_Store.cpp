#include "TestEnvironment.h"

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"
#include "store/PersistentContainer.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <memory>

class tst_Store : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PersistentContainer> open(const QString& path) {
        auto container = std::make_unique<PersistentContainer>(path);
        const auto error = container->loadPersistentStores();
        if (error)
            qWarning() << error->description << error->details;
        return error ? nullptr : std::move(container);
    }

    static DeeplinkCollection* findByName(ManagedObjectContext* context, const QString& name) {
        for (DeeplinkCollection* collection : context->collections()) {
            if (collection->name() == name)
                return collection;
        }
        return nullptr;
    }

private Q_SLOTS:
    void roundTripsEveryPropertyAcrossReopening() {
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        const QUuid uid = QUuid::createUuid();
        const QDateTime stamp = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC);
        {
            auto container = open(path);
            QVERIFY(container);
            ManagedObjectContext* context = container->viewContext();
            DeeplinkCollection* collection = context->insertCollection();
            collection->setUid(uid);
            collection->setName(QStringLiteral("Shop ✨"));
            collection->setEmoji(QStringLiteral("🛍️"));
            collection->setIsPinned(true);
            collection->setColor(0.1, 0.25, 0.5, 0.75);
            collection->setTimestamp(stamp);
            Deeplink* deeplink = context->insertDeeplink();
            deeplink->setTitle(QStringLiteral("Cart"));
            deeplink->setUrl(QUrl(QStringLiteral("shop://cart?id=7&q=caf%C3%A9")));
            deeplink->setTimestamp(stamp.addSecs(5));
            collection->addDeeplink(deeplink);
            Deeplink* bare = context->insertDeeplink();
            bare->setTimestamp({});
            collection->addDeeplink(bare);
            QVERIFY(context->save());
        }
        auto container = open(path);
        QVERIFY(container);
        ManagedObjectContext* context = container->viewContext();
        QCOMPARE(context->collections().size(), 1);
        DeeplinkCollection* collection = context->collections().front();
        QCOMPARE(collection->uid(), uid);
        QCOMPARE(collection->name(), QStringLiteral("Shop ✨"));
        QCOMPARE(collection->emoji(), QStringLiteral("🛍️"));
        QVERIFY(collection->isPinned());
        QCOMPARE(collection->colorR(), 0.1);
        QCOMPARE(collection->colorA(), 0.75);
        QCOMPARE(collection->timestamp(), stamp);
        QCOMPARE(collection->deeplinksCount(), 2);
        Deeplink* cart = nullptr;
        Deeplink* bare = nullptr;
        for (Deeplink* deeplink : collection->deeplinks())
            (deeplink->title().isNull() ? bare : cart) = deeplink;
        QVERIFY(cart && bare);
        QCOMPARE(cart->url(), QUrl(QStringLiteral("shop://cart?id=7&q=caf%C3%A9")));
        QCOMPARE(cart->timestamp(), stamp.addSecs(5));
        QCOMPARE(cart->deeplinkCollection(), collection);
        // Unset values come back unset, not empty.
        QVERIFY(bare->title().isNull());
        QVERIFY(bare->url().isEmpty());
        QVERIFY(!bare->timestamp().isValid());
        QVERIFY(!context->hasChanges());
    }

    void relationsFollowFromEitherSideBeforeSaving() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* first = context.insertCollection();
        DeeplinkCollection* second = context.insertCollection();

        Deeplink* a = context.insertDeeplink();
        a->setDeeplinkCollection(first);
        QVERIFY(first->deeplinks().contains(a));

        Deeplink* b = context.insertDeeplink();
        first->addDeeplink(b);
        QCOMPARE(b->deeplinkCollection(), first);

        // Moving a deeplink updates both collections.
        second->addDeeplink(a);
        QCOMPARE(first->deeplinksCount(), 1);
        QCOMPARE(second->deeplinksCount(), 1);

        // Replacing the whole set detaches what is left out.
        second->setDeeplinks({b});
        QCOMPARE(a->deeplinkCollection(), nullptr);
        QCOMPARE(b->deeplinkCollection(), second);
        QCOMPARE(first->deeplinksCount(), 0);
    }

    void unparsableUrlTextGivesNoUrl_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("parses");
        QTest::addRow("scheme and host") << "myapp://home" << true;
        QTest::addRow("space inside") << "myapp://ho me" << false;
        QTest::addRow("bad percent escape") << "myapp://home/%zz" << false;
    }

    void unparsableUrlTextGivesNoUrl() {
        QFETCH(QString, text);
        QFETCH(bool, parses);
        TestEnvironment env;
        ManagedObjectContext context;
        Deeplink* deeplink = context.insertDeeplink();
        deeplink->setUrl(QUrl(QStringLiteral("keep://me")));
        deeplink->setUrl(Deeplink::urlFromText(text));
        QCOMPARE(!deeplink->url().isEmpty(), parses);
        QCOMPARE(deeplink->urlString().isNull(), !parses);
    }

    void deletingACollectionCascadesToDiskAndBack() {
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        {
            auto container = open(path);
            ManagedObjectContext* context = container->viewContext();
            for (const QString& name : {QStringLiteral("Keep"), QStringLiteral("Drop")}) {
                DeeplinkCollection* collection = context->insertCollection();
                collection->setName(name);
                for (int i = 0; i < 3; ++i)
                    collection->addDeeplink(context->insertDeeplink());
            }
            QVERIFY(context->save());
            context->deleteObject(findByName(context, QStringLiteral("Drop")));
            QCOMPARE(context->deeplinks().size(), 3);
            QVERIFY(context->save());
        }
        auto container = open(path);
        ManagedObjectContext* context = container->viewContext();
        QCOMPARE(context->collections().size(), 1);
        QCOMPARE(context->collections().front()->name(), QStringLiteral("Keep"));
        QCOMPARE(context->deeplinks().size(), 3);
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "raw");
        {
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            QSqlQuery orphans(QStringLiteral("SELECT count(*) FROM deeplinks WHERE collection_id "
                                             "NOT IN (SELECT id FROM collections)"),
                              raw);
            QVERIFY(orphans.next());
            QCOMPARE(orphans.value(0).toInt(), 0);
        }
        raw = QSqlDatabase();
        QSqlDatabase::removeDatabase("raw");
    }

    void failedSaveKeepsChangesPendingUntilALaterSaveSucceeds() {
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        auto container = open(path);
        ManagedObjectContext* context = container->viewContext();
        container->store()->setBusyTimeout(50);
        DeeplinkCollection* collection = context->insertCollection();
        collection->setName(QStringLiteral("Pending"));

        {
            // Another writer holds the file's write lock, so this save cannot commit.
            QSqlDatabase blocker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "blocker");
            blocker.setDatabaseName(path);
            QVERIFY(blocker.open());
            QSqlQuery lock(blocker);
            QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
            QString error;
            QVERIFY(!context->save(&error));
            QVERIFY(!error.isEmpty());
            QVERIFY(context->hasChanges());
            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        }
        QSqlDatabase::removeDatabase("blocker");

        QVERIFY(context->save());
        QVERIFY(!context->hasChanges());
        container.reset();
        container = open(path);
        QVERIFY(findByName(container->viewContext(), QStringLiteral("Pending")));
    }

    void rollbackRestoresTheSavedGraph() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* kept = context.insertCollection();
        kept->setName(QStringLiteral("Kept"));
        Deeplink* link = context.insertDeeplink();
        link->setTitle(QStringLiteral("Original"));
        kept->addDeeplink(link);
        QVERIFY(context.save());

        link->setTitle(QStringLiteral("Edited"));
        DeeplinkCollection* added = context.insertCollection();
        added->addDeeplink(context.insertDeeplink());
        context.deleteObject(kept);
        QCOMPARE(context.collections().size(), 1);

        context.rollback();
        QVERIFY(!context.hasChanges());
        QCOMPARE(context.collections(), QList<DeeplinkCollection*>{kept});
        QCOMPARE(context.deeplinks(), QList<Deeplink*>{link});
        QVERIFY(!kept->isDeleted());
        QCOMPARE(link->title(), QStringLiteral("Original"));
        QCOMPARE(link->deeplinkCollection(), kept);
        QCOMPARE(kept->deeplinksCount(), 1);
    }

    void deletedObjectsVanishAfterSaving() {
        TestEnvironment env;
        ManagedObjectContext context;
        QPointer<Deeplink> link = context.insertDeeplink();
        QVERIFY(context.save());
        context.deleteObject(link);
        // Still readable until the save: views may be looking at it.
        QVERIFY(link);
        QVERIFY(link->isDeleted());
        QVERIFY(context.save());
        QTRY_VERIFY(!link);
    }

    void refusesFilesItCannotOwn_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addRow("garbage") << QByteArray("this is not a database at all, not even close....."
                                               "..............................................");
        QTest::addRow("foreign sqlite") << QByteArray("foreign");
        QTest::addRow("newer schema") << QByteArray("newer");
    }

    void refusesFilesItCannotOwn() {
        QFETCH(QByteArray, content);
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        if (content == "foreign" || content == "newer") {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "make");
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QSqlQuery query(db);
                QVERIFY(query.exec(content == "foreign"
                                       ? QStringLiteral("CREATE TABLE notes (body TEXT)")
                                       : QStringLiteral("PRAGMA user_version=99")));
                db.close();
            }
            QSqlDatabase::removeDatabase("make");
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QFile before(path);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray original = before.readAll();
        before.close();

        PersistentContainer container(path);
        const auto error = container.loadPersistentStores();
        QVERIFY(error);
        QVERIFY(!error->description.isEmpty());
        QVERIFY(!container.viewContext());

        QFile after(path);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), original);
    }
};

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_Store.moc"
