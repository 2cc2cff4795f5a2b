#include "StoreFile.h"
#include "TestEnvironment.h"

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

QString text(const QString& value) {
    return value.isNull() ? QStringLiteral("<null>") : value;
}

QString text(std::optional<qint64> value) {
    return value ? QString::number(*value) : QStringLiteral("<null>");
}

// Every stored column of every object, one line per row, sorted.
QStringList rows(const ManagedObjectContext& context) {
    QStringList rows;
    for (const DeeplinkCollection* c : context.collections()) {
        QStringList columns{QString::number(c->storeId()),
                            text(c->uid().toString()),
                            text(c->name()),
                            text(c->emoji()),
                            QString::number(c->isPinned()),
                            text(c->timestampMsecs())};
        for (const double channel : {c->colorR(), c->colorG(), c->colorB(), c->colorA()})
            columns.append(QString::number(channel, 'g', 17));
        rows.append(columns.join(u'|'));
    }
    for (const Deeplink* d : context.deeplinks()) {
        const DeeplinkCollection* owner = d->deeplinkCollection();
        rows.append(QStringList{QStringLiteral("deeplink"), text(d->title()), text(d->urlString()),
                                text(d->timestampMsecs()),
                                owner ? QString::number(owner->storeId()) : QStringLiteral("-")}
                        .join(u'|'));
    }
    rows.sort();
    return rows;
}

// Two collections and two deeplinks with the values of `variant` (0 or 1): every column differs
// between the variants (1 sets some to nothing), and no two colour channels are equal.
void setValues(DeeplinkCollection* a, DeeplinkCollection* b, Deeplink* one, Deeplink* two,
               int variant) {
    const QDateTime stamp = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123 + variant, Qt::UTC);
    const double shift = 0.05 * variant;
    a->setUid(QUuid::createUuid());
    a->setName(variant ? QStringLiteral("Shop ✨") : QStringLiteral("First"));
    a->setEmoji(variant ? QStringLiteral("🛍️") : QStringLiteral("🧪"));
    a->setIsPinned(variant == 1);
    a->setColor(0.1 + shift, 0.2 + shift, 0.3 + shift, 0.4 + shift);
    a->setTimestamp(stamp);
    b->setUid(variant ? QUuid() : QUuid::createUuid());
    b->setName(variant ? QString() : QStringLiteral("Second"));
    b->setEmoji(variant ? QString() : QStringLiteral("🎯"));
    b->setIsPinned(variant == 0);
    b->setColor(0.5 + shift, 0.6 + shift, 0.7 + shift, 0.8 + shift);
    b->setTimestamp(variant ? QDateTime() : stamp);
    one->setTitle(variant ? QStringLiteral("Cart") : QStringLiteral("one"));
    one->setUrl(QUrl(variant ? QStringLiteral("shop://cart?id=7&q=caf%C3%A9")
                             : QStringLiteral("shop://home")));
    one->setTimestamp(stamp.addSecs(5));
    (variant ? a : b)->addDeeplink(one);
    two->setTitle(variant ? QString() : QStringLiteral("two"));
    two->setUrl(variant ? QUrl() : QUrl(QStringLiteral("shop://two")));
    two->setTimestamp(variant ? QDateTime() : stamp);
    (variant ? b : a)->addDeeplink(two);
}

} // namespace

class tst_Store : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // New rows and changed rows alike reach the file with every column, unset ones unset.
    void roundTripsEveryColumn_data() {
        QTest::addColumn<bool>("update");
        QTest::addRow("inserted") << false;
        QTest::addRow("updated") << true;
    }
    void roundTripsEveryColumn() {
        QFETCH(bool, update);
        TestEnvironment env;
        StoreFile store(env);
        ManagedObjectContext* context = store.context();
        QVERIFY(context);
        DeeplinkCollection* a = context->insertCollection();
        DeeplinkCollection* b = context->insertCollection();
        Deeplink* one = context->insertDeeplink();
        Deeplink* two = context->insertDeeplink();
        if (update) {
            setValues(a, b, one, two, 0);
            QVERIFY(context->save());
            const QStringList before = rows(*context);
            context = store.reopen();
            QVERIFY(context);
            QCOMPARE(rows(*context), before);
            for (DeeplinkCollection* collection : context->collections())
                (collection->name() == QStringLiteral("First") ? a : b) = collection;
            for (Deeplink* deeplink : context->deeplinks())
                (deeplink->title() == QStringLiteral("one") ? one : two) = deeplink;
        }
        setValues(a, b, one, two, 1);
        QVERIFY(context->save());
        QVERIFY(!context->hasChanges());
        const QStringList saved = rows(*context);
        context = store.reopen();
        QVERIFY(context);
        QCOMPARE(rows(*context), saved);
        QVERIFY(!context->hasChanges());
    }

    void relationsFollowFromEitherSideBeforeSaving() {
        TestEnvironment env;
        ManagedObjectContext context;
        DeeplinkCollection* first = context.insertCollection();
        DeeplinkCollection* second = context.insertCollection();
        Deeplink* a = context.insertDeeplink();
        a->setDeeplinkCollection(first);
        QCOMPARE(first->deeplinks(), QList<Deeplink*>{a});
        // Moving a deeplink updates both collections; detaching it leaves it in none.
        second->addDeeplink(a);
        QCOMPARE(a->deeplinkCollection(), second);
        QVERIFY(first->deeplinks().isEmpty());
        QCOMPARE(second->deeplinks(), QList<Deeplink*>{a});
        a->setDeeplinkCollection(nullptr);
        QVERIFY(second->deeplinks().isEmpty());
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

    // Also on disk: reopening would load an orphaned deeplink row as a fourth deeplink.
    void deletingACollectionCascadesToDiskAndBack() {
        TestEnvironment env;
        StoreFile store(env);
        ManagedObjectContext* context = store.context();
        DeeplinkCollection* drop = nullptr;
        for (const QString& name : {QStringLiteral("Keep"), QStringLiteral("Drop")}) {
            drop = context->insertCollection();
            drop->setName(name);
            for (int i = 0; i < 3; ++i)
                drop->addDeeplink(context->insertDeeplink());
        }
        QVERIFY(context->save());
        context->deleteObject(drop);
        QCOMPARE(context->deeplinks().size(), 3);
        QVERIFY(context->save());
        context = store.reopen();
        QCOMPARE(StoreFile::names(*context), QStringList{"Keep"});
        QCOMPARE(context->deeplinks().size(), 3);
    }

    void failedSaveKeepsChangesPendingUntilALaterSaveSucceeds() {
        TestEnvironment env;
        StoreFile store(env);
        ManagedObjectContext* context = store.context();
        context->insertCollection()->setName(QStringLiteral("Pending"));
        QVERIFY(store.lockWrites());
        QString error;
        QVERIFY(!context->save(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(context->hasChanges());
        store.unlockWrites();

        QVERIFY(context->save());
        QVERIFY(!context->hasChanges());
        QCOMPARE(StoreFile::names(*store.reopen()), QStringList{"Pending"});
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

    // Refused, and the file is left exactly as it was.
    void refusesFilesItCannotOwn_data() {
        QTest::addColumn<QString>("statement");
        QTest::addRow("garbage") << QString();
        QTest::addRow("foreign sqlite") << "CREATE TABLE notes (body TEXT)";
        QTest::addRow("newer schema") << "PRAGMA user_version=99";
    }
    void refusesFilesItCannotOwn() {
        QFETCH(QString, statement);
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        if (statement.isEmpty()) {
            env.writeFile("Kestrine.sqlite", QByteArray(100, 'x'));
        } else {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "make");
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QVERIFY(QSqlQuery(db).exec(statement));
            }
            QSqlDatabase::removeDatabase("make");
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray original = file.readAll();

        PersistentContainer container(path);
        const auto error = container.loadPersistentStores();
        QVERIFY(error);
        QVERIFY(!error->description.isEmpty());
        QVERIFY(!container.viewContext());
        QVERIFY(file.seek(0));
        QCOMPARE(file.readAll(), original);
    }
};

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_Store.moc"
