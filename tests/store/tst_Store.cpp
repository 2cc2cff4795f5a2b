#include "StoreBuilders.h"
#include "StoreFile.h"

#include "store/DeeplinkQueries.h"
#include "store/FiringHistory.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <csignal>
#include <sqlite3.h>
#include <thread>

namespace {

QString text(const QString& value) {
    return value.isNull() ? QStringLiteral("<null>") : value;
}

QString text(std::optional<qint64> value) {
    return value ? QString::number(*value) : QStringLiteral("<null>");
}

// Every stored column of every object, one line per row, sorted; with each collection's
// deeplink count, which goes stale when a move leaves the deeplink in its old collection.
QStringList rows(const ManagedObjectContext& context) {
    QStringList rows;
    for (const DeeplinkCollection* c : context.collections()) {
        QStringList columns{QString::number(c->storeId()),
                            text(c->uid().toString()),
                            text(c->name()),
                            text(c->emoji()),
                            QString::number(c->isPinned()),
                            text(c->timestampMsecs()),
                            QString::number(c->deeplinksCount()),
                            text(c->activeEnvironment())};
        QByteArray environments;
        Environment::appendJson(environments, c->environments(), 0);
        columns.append(QString::fromUtf8(environments));
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
    // Quotes, a raw flag and text beyond ASCII survive the JSON column.
    a->setEnvironments({{QStringLiteral("Staging"),
                         {{QStringLiteral("host"), QStringLiteral("st\"age ✨"), variant == 1},
                          {QStringLiteral("id"), QString(), false}}},
                        {QStringLiteral("Prod"), {}}});
    a->setActiveEnvironment(variant ? QStringLiteral("Prod") : QStringLiteral("Staging"));
    b->setEnvironments(variant ? QList<Environment>() : a->environments());
    b->setActiveEnvironment(variant ? QString() : QStringLiteral("Staging"));
    b->setUid(variant ? QUuid() : QUuid::createUuid());
    b->setName(variant ? QString() : QStringLiteral("Second"));
    b->setEmoji(variant ? QString() : QStringLiteral("🎯"));
    b->setIsPinned(variant == 0);
    b->setColor(0.5 + shift, 0.6 + shift, 0.7 + shift, 0.8 + shift);
    b->setTimestamp(variant ? QDateTime() : stamp);
    one->setTitle(variant ? QStringLiteral("Cart") : QStringLiteral("one"));
    one->setUrlString(variant ? QStringLiteral("shop://cart?id=7&q=caf%C3%A9")
                              : QStringLiteral("shop://home"));
    one->setTimestamp(stamp.addSecs(5));
    (variant ? a : b)->addDeeplink(one);
    two->setTitle(variant ? QString() : QStringLiteral("two"));
    two->setUrlString(variant ? QString() : QStringLiteral("shop://two"));
    two->setTimestamp(variant ? QDateTime() : stamp);
    (variant ? b : a)->addDeeplink(two);
}

// The saves of helper_store_writer in `context`, whose collections are named by number: save n is
// collection n with n % 7 + 1 deeplinks plus the rename of n - 1, so saves 0..n-1, each entire,
// leave exactly the collections before the last renamed. Returns n, or -1 after a warning.
int writerSaves(const ManagedObjectContext& context) {
    QList<const DeeplinkCollection*> saves;
    for (const DeeplinkCollection* collection : context.collections()) {
        if (collection->name().toInt() || collection->name() == u"0")
            saves.append(collection);
    }
    QList<bool> seen(saves.size());
    for (const DeeplinkCollection* collection : saves) {
        const int n = collection->name().toInt();
        if (n >= saves.size() || seen[n] || collection->deeplinksCount() != n % 7 + 1 ||
            (collection->emoji() == QStringLiteral("✅")) != (n + 1 < saves.size())) {
            qWarning() << "partial or missing save around" << collection->name();
            return -1;
        }
        seen[n] = true;
    }
    return int(saves.size());
}

// Runs `sql` (statements separated by semicolons) on a new SQLite file at `path`.
bool makeSqlite(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    const bool made =
        sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return made;
}

// The tables of the first schema, before ids were kept from growing back.
const QString firstSchema = QStringLiteral(
    "CREATE TABLE collections (id INTEGER PRIMARY KEY, uid TEXT, name TEXT, emoji TEXT, isPinned "
    "INTEGER NOT NULL DEFAULT 0, colorR REAL NOT NULL DEFAULT 0, colorG REAL NOT NULL DEFAULT 0, "
    "colorB REAL NOT NULL DEFAULT 0, colorA REAL NOT NULL DEFAULT 0, timestamp INTEGER);"
    "CREATE TABLE deeplinks (id INTEGER PRIMARY KEY, collection_id INTEGER REFERENCES "
    "collections(id) ON DELETE CASCADE, title TEXT, url TEXT, timestamp INTEGER);"
    "CREATE INDEX deeplinks_collection ON deeplinks(collection_id);");

// The second schema: ids grow only; no history yet.
const QString secondSchema = QString(firstSchema)
                                 .replace(QStringLiteral("id INTEGER PRIMARY KEY,"),
                                          QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT,"));

// The third schema: a history, no environments.
const QString thirdSchema =
    secondSchema +
    QStringLiteral("CREATE TABLE firings (id INTEGER PRIMARY KEY AUTOINCREMENT, time INTEGER NOT "
                   "NULL, title TEXT, url TEXT, destination TEXT, result TEXT NOT NULL, handler "
                   "TEXT, handlerName TEXT, launch TEXT, totalTimeMs INTEGER, processId INTEGER, "
                   "screenshot TEXT, message TEXT, notes TEXT);");

} // namespace

using namespace StoreBuilders;

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
            QCOMPARE(context->save().kind, SaveOutcome::Kind::Saved);
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
        QCOMPARE(context->save().kind, SaveOutcome::Kind::Saved);
        QVERIFY(!context->hasChanges());
        const QStringList saved = rows(*context);
        context = store.reopen();
        QVERIFY(context);
        QCOMPARE(rows(*context), saved);
        QVERIFY(!context->hasChanges());
    }

    void rollbackRestoresTheSavedGraph() {
        TestEnvironment env;
        StoreFile store(env);
        ManagedObjectContext& context = *store.context();
        DeeplinkCollection* kept = context.insertCollection();
        Deeplink* link = context.insertDeeplink();
        link->setTitle(QStringLiteral("Original"));
        kept->addDeeplink(link);
        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
        const QStringList saved = rows(context);

        link->setTitle(QStringLiteral("Edited"));
        context.insertCollection()->addDeeplink(context.insertDeeplink());
        context.deleteObject(kept);
        QSignalSpy changes(&context, &ManagedObjectContext::objectChanged);
        context.deleteObject(kept); // its deletion is pending: nothing more to announce
        QVERIFY(changes.isEmpty());
        QCOMPARE(context.collections().size(), 1);

        context.rollback();
        QVERIFY(!context.hasChanges());
        QCOMPARE(context.collections(), QList<DeeplinkCollection*>{kept});
        QVERIFY(!kept->isDeleted());
        QCOMPARE(rows(context), saved);
    }

    // Two contexts on one file, as two Kestrine processes have. Both start from collection
    // Shared with deeplinks one and two; then each step runs in context A or B: add T,
    // title T NEW, delete T (deeplinks of Shared); collection N (with deeplink N-link),
    // name N NEW, emoji N E, drop N; save; lock/unlock (a third connection holds the write
    // lock); pending (a save gives up at once, its changes kept); landed (the retried save
    // went through). At the end both save and A looks again; then both, B's live query and
    // the reopened file all show `expected`.
    void twoContextsShareOneFile_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expected");
        // B's live query: every deeplink (reading all in), or Shared's alone, so that the
        // other collections' deeplinks stay in the file until asked for.
        QTest::addColumn<bool>("sharedOnly");
        const QStringList shared{"#Shared", "Shared/one", "Shared/two"};
        QTest::addRow("inserted in both, both kept")
            << QStringList{"A add a", "B add b", "A save", "B save"}
            << shared + QStringList{"Shared/a", "Shared/b"} << false;
        QTest::addRow("inserted elsewhere appears")
            << QStringList{"A add a", "A collection New", "A save"}
            << shared + QStringList{"Shared/a", "#New", "New/New-link"} << false;
        QTest::addRow("edited elsewhere shows")
            << QStringList{"A title one uno", "A save"}
            << QStringList{"#Shared", "Shared/uno", "Shared/two"} << false;
        QTest::addRow("deleted elsewhere disappears")
            << QStringList{"A delete one", "A save"} << QStringList{"#Shared", "Shared/two"}
            << false;
        QTest::addRow("new collection in the second, later saves work")
            << QStringList{"B collection Bee", "B save", "A collection Ay", "A save",
                           "B add b",          "B save", "A add a"}
            << shared +
                   QStringList{"#Bee", "Bee/Bee-link", "#Ay", "Ay/Ay-link", "Shared/b", "Shared/a"}
            << false;
        QTest::addRow("unsaved fields kept, the others follow")
            << QStringList{"B emoji Shared 🅱️", "B title two deux", "A name Shared Common",
                           "A title one uno", "A save"}
            << QStringList{"#Common 🅱️", "Common/uno", "Common/deux"} << false;
        QTest::addRow("edited here, deleted elsewhere: gone")
            << QStringList{"B title one mine", "A delete one", "A save"}
            << QStringList{"#Shared", "Shared/two"} << false;
        QTest::addRow("collection dropped elsewhere takes unsaved deeplinks")
            << QStringList{"B add b", "B title one mine", "A drop Shared", "A save"}
            << QStringList{} << false;
        // Without ever-growing ids the new row would take the deleted one's id, and B's
        // unsaved edit would land on it.
        QTest::addRow("deleted newest, its id not taken again")
            << QStringList{"B title two mine", "A delete two", "A save", "A add three", "A save"}
            << QStringList{"#Shared", "Shared/one", "Shared/three"} << false;
        QTest::addRow("locked: pending, then lands by itself")
            << QStringList{"B add b", "A lock", "B pending", "A unlock", "B landed"}
            << shared + QStringList{"Shared/b"} << false;
        const QStringList other{"#Other", "Other/Other-link"};
        const QStringList otherSeen{"A collection Other", "A save", "B merge"};
        QTest::addRow("moved into a collection not read in here")
            << otherSeen + QStringList{"B unread Other 1", "A move one Other", "A save", "B merge",
                                       "B unread Other 2"}
            << other + QStringList{"#Shared", "Shared/two", "Other/one"} << true;
        QTest::addRow("moved out of a collection not read in here")
            << otherSeen +
                   QStringList{"A move Other-link Shared", "A save", "B merge", "B unread Other 0"}
            << shared + QStringList{"#Other", "Shared/Other-link"} << true;
        QTest::addRow("added to a collection not read in here")
            << otherSeen +
                   QStringList{"A collection Other", "A save", "B merge", "B unread Other 2"}
            << shared + other + QStringList{"Other/Other-link"} << true;
        // B reads Other in with the moved row before it merged the move: one object for it.
        QTest::addRow("read in after a move not merged yet")
            << otherSeen + QStringList{"A move one Other", "A save", "B open Other", "B merge"}
            << other + QStringList{"#Shared", "Shared/two", "Other/one"} << true;
        // b's row comes after Other's own: those read in with it are not taken as gone.
        QTest::addRow("unsaved edit follows a move into a collection not read in")
            << otherSeen + QStringList{"B add b",        "B save", "B title b mine", "A merge",
                                       "A move b Other", "A save", "B merge"}
            << shared + other + QStringList{"Other/mine"} << true;
        QTest::addRow("collection not read in, dropped here with its deeplinks")
            << otherSeen + QStringList{"B drop Other", "B save"} << shared << true;
    }
    void twoContextsShareOneFile() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, expected);
        QFETCH(bool, sharedOnly);
        TestEnvironment env;
        StoreFile a(env);
        QVERIFY(a.context());
        fill(*a.context(), {"Shared/one", "Shared/two"});
        QCOMPARE(a.context()->save().kind, SaveOutcome::Kind::Saved);
        StoreFile b(env);
        QVERIFY(b.context());
        FetchRequest watched;
        watched.entity = ManagedObject::Entity::Deeplink;
        if (sharedOnly)
            watched.within = [](const DeeplinkCollection& c) { return c.name() == u"Shared"; };
        FetchedResultsModel live(b.context(), watched);
        QAbstractItemModelTester tester(&live);

        for (const QString& step : steps) {
            const QStringList words = step.split(u' ');
            ManagedObjectContext& context = *(words.at(0) == u"B" ? b : a).context();
            const QString verb = words.at(1);
            const QString arg = words.value(2);
            const QString second = words.value(3);
            if (verb == u"lock") {
                QVERIFY(a.lockWrites());
            } else if (verb == u"unlock") {
                a.unlockWrites();
            } else if (verb == u"save") {
                const SaveOutcome outcome = context.save();
                QVERIFY2(outcome.kind == SaveOutcome::Kind::Saved,
                         qPrintable(step + QStringLiteral(": ") + outcome.reason));
            } else if (verb == u"pending") {
                QElapsedTimer clock;
                clock.start();
                QCOMPARE(context.save().kind, SaveOutcome::Kind::Busy);
                QCOMPARE_LT(clock.elapsed(), 1000); // the window must not freeze
                QVERIFY(context.hasChanges());
            } else if (verb == u"landed") {
                QTRY_VERIFY(!context.hasChanges());
            } else if (verb == u"add") {
                fill(context, {QStringLiteral("Shared/") + arg});
            } else if (verb == u"title") {
                deeplinkTitled(context, arg)->setTitle(second);
            } else if (verb == u"delete") {
                context.deleteObject(deeplinkTitled(context, arg));
            } else if (verb == u"collection") {
                fill(context, {arg + u'/' + arg + QStringLiteral("-link")});
            } else if (verb == u"name") {
                collectionNamed(context, arg)->setName(second);
            } else if (verb == u"emoji") {
                collectionNamed(context, arg)->setEmoji(second);
            } else if (verb == u"drop") {
                context.deleteObject(collectionNamed(context, arg));
            } else if (verb == u"move") {
                deeplinkTitled(context, arg)
                    ->setDeeplinkCollection(collectionNamed(context, second));
            } else if (verb == u"merge") {
                context.mergeChangesFromStore();
            } else if (verb == u"open") {
                (void)collectionNamed(context, arg)->deeplinks();
            } else if (verb == u"unread") {
                // Counted, not read in.
                QVERIFY(!collectionNamed(context, arg)->deeplinksLoaded());
                QCOMPARE(collectionNamed(context, arg)->deeplinksCount(), second.toInt());
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            }
        }
        for (StoreFile* file : {&a, &b}) {
            const SaveOutcome outcome = file->context()->save();
            QVERIFY2(outcome.kind == SaveOutcome::Kind::Saved, qPrintable(outcome.reason));
        }
        QCOMPARE(a.context()->save().kind,
                 SaveOutcome::Kind::Saved); // nothing of its own left: it only looks again
        expected.sort();
        QCOMPARE(contents(*b.context()), expected);
        QCOMPARE(contents(*a.context()), expected);
        QStringList shown;
        for (ManagedObject* object : live.fetchedObjects())
            shown.append(label(static_cast<Deeplink*>(object)));
        shown.sort();
        QCOMPARE(shown,
                 expected.filter(sharedOnly ? QStringLiteral("Shared/") : QStringLiteral("/")));
        QCOMPARE(contents(*a.reopen()), expected);
    }

    // A library opens without its deeplinks: a collection reads its own when asked for them.
    // Its count is known before, and what other processes save to it is told to the sidebar.
    void countsFollowTheFileBeforeDeeplinksAreRead() {
        TestEnvironment env;
        StoreFile a(env);
        QVERIFY(a.context());
        fill(*a.context(), {"One/a", "One/b", "Two/c"});
        QCOMPARE(a.context()->save().kind, SaveOutcome::Kind::Saved);
        StoreFile b(env);
        ManagedObjectContext& context = *b.context();
        QCOMPARE(context.registeredObjects().size(), 2);
        FetchedResultsModel sidebar(&context, DeeplinkQueries::collections());
        QSignalSpy told(&sidebar, &QAbstractItemModel::dataChanged);

        fill(*a.context(), {"One/d"});
        QCOMPARE(a.context()->save().kind, SaveOutcome::Kind::Saved);
        context.mergeChangesFromStore();
        QCOMPARE(collectionNamed(context, QStringLiteral("One"))->deeplinksCount(), 3);
        QCOMPARE(told.size(), 1);
        QCOMPARE(context.registeredObjects().size(), 2);

        FetchRequest one;
        one.entity = ManagedObject::Entity::Deeplink;
        one.within = [](const DeeplinkCollection& c) { return c.name() == u"One"; };
        FetchedResultsModel list(&context, one);
        QStringList titles = listed(list);
        titles.sort();
        QCOMPARE(titles, (QStringList{"a", "b", "d"}));
        QCOMPARE(context.registeredObjects().size(), 5);
    }

    // Deleting commits the edit that was pending first, then deletes and saves. Busy: both stay
    // pending and land with the retried save. A failed deletion comes back whole, and the edit
    // saved before it stays; when even that edit cannot be saved, nothing is deleted and the
    // edit stays pending.
    void deleteAndSaveCommitsPendingEditsFirst_data() {
        QTest::addColumn<QString>("store");
        QTest::addColumn<SaveOutcome::Kind>("kind");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("stored");
        const QStringList before{"#Kept", "Kept/one", "#Gone", "Gone/two", "Gone/three"};
        const QStringList edited{"#Kept", "Kept/uno", "#Gone", "Gone/two", "Gone/three"};
        const QStringList after{"#Kept", "Kept/uno"};
        QTest::addRow("free") << "free" << SaveOutcome::Kind::Saved << after << after;
        QTest::addRow("busy, lands with the retry")
            << "busy" << SaveOutcome::Kind::Busy << after << after;
        QTest::addRow("deletion refused")
            << "refuses deletes" << SaveOutcome::Kind::Failed << edited << edited;
        QTest::addRow("every write refused")
            << "refuses writes" << SaveOutcome::Kind::Failed << edited << before;
        // Not a lock that passes: waiting and retrying would never land it.
        QTest::addRow("read-only file")
            << "read-only" << SaveOutcome::Kind::Failed << edited << before;
    }
    void deleteAndSaveCommitsPendingEditsFirst() {
        QFETCH(QString, store);
        QFETCH(SaveOutcome::Kind, kind);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, stored);
        TestEnvironment env;
        StoreFile file(env);
        ManagedObjectContext& context = *file.context();
        fill(context, {"Kept/one", "Gone/two", "Gone/three"});
        DeeplinkCollection* gone = collectionNamed(context, QStringLiteral("Gone"));
        QCOMPARE(context.save().kind, SaveOutcome::Kind::Saved);
        deeplinkTitled(context, QStringLiteral("one"))->setTitle(QStringLiteral("uno"));

        if (store == u"busy")
            QVERIFY(file.lockWrites());
        else if (store == u"refuses deletes")
            QVERIFY(file.refuseWrites(true, {"DELETE"}));
        else if (store == u"refuses writes")
            QVERIFY(file.refuseWrites());
        else if (store == u"read-only")
            QVERIFY(file.readOnly());
        const SaveOutcome outcome = context.deleteAndSave({gone});
        QCOMPARE(outcome.kind, kind);
        QCOMPARE(outcome.reason.isEmpty(), kind == SaveOutcome::Kind::Saved);
        if (kind == SaveOutcome::Kind::Failed)
            QVERIFY2(outcome.reason.contains(store == u"read-only" ? u"readonly" : u"disk full"),
                     qPrintable(outcome.reason));
        shown.sort();
        QCOMPARE(contents(context), shown);
        QCOMPARE(gone->isDeleted(), kind != SaveOutcome::Kind::Failed);
        QCOMPARE(context.hasChanges(), store != u"free" && store != u"refuses deletes");

        file.unlockWrites();
        if (store == u"busy")
            QTRY_VERIFY(!context.hasChanges());
        else if (store.startsWith(u"refuses"))
            QVERIFY(file.refuseWrites(false, store == u"refuses deletes"
                                                 ? QStringList{"DELETE"}
                                                 : QStringList{"INSERT", "UPDATE", "DELETE"}));
        stored.sort();
        StoreFile reread(env);
        QVERIFY(reread.context());
        QCOMPARE(contents(*reread.context()), stored);
    }

    // The save before the process ends tries again while another process holds the file, and
    // lands once that process lets go.
    void waitingSaveLandsWhenTheLockGoes() {
        TestEnvironment env;
        StoreFile file(env);
        ManagedObjectContext& context = *file.context();
        context.insertCollection()->setName(QStringLiteral("Late"));
        sqlite3* other = nullptr;
        const QByteArray path = env.filePath(QStringLiteral("Kestrine.sqlite")).toUtf8();
        QCOMPARE(sqlite3_open(path.constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread release([other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        });
        const SaveOutcome outcome = context.save(std::chrono::seconds(10));
        release.join();
        sqlite3_close(other);
        QCOMPARE(outcome.kind, SaveOutcome::Kind::Saved);
        StoreFile reread(env);
        QCOMPARE(StoreFile::names(*reread.context()), QStringList{QStringLiteral("Late")});
    }

    // A file of the first schema keeps its rows and ids, and from then on never hands a
    // deleted row's id to a new one.
    void upgradesFirstSchemaFiles() {
        TestEnvironment env;
        QVERIFY(makeSqlite(env.filePath("Kestrine.sqlite"),
                           firstSchema + "INSERT INTO collections (id, name) VALUES (7, 'Old');"
                                         "INSERT INTO deeplinks (id, collection_id, title) VALUES "
                                         "(1, 7, 'a'), (2, 7, 'b'); PRAGMA user_version=1"));
        StoreFile store(env);
        ManagedObjectContext* context = store.context();
        QVERIFY(context);
        QCOMPARE(contents(*context), (QStringList{"#Old", "Old/a", "Old/b"}));
        QCOMPARE(deeplinkTitled(*context, QStringLiteral("b"))->storeId(), 2);
        context->deleteObject(deeplinkTitled(*context, QStringLiteral("b")));
        QCOMPARE(context->save().kind, SaveOutcome::Kind::Saved);
        context = store.reopen();
        Deeplink* added = addDeeplink(*context, collectionNamed(*context, QStringLiteral("Old")),
                                      QStringLiteral("c"), {});
        QCOMPARE(added->storeId(), 0); // until it is saved
        QCOMPARE(context->save().kind, SaveOutcome::Kind::Saved);
        QCOMPARE(added->storeId(), 3);
        QCOMPARE(contents(*store.reopen()), (QStringList{"#Old", "Old/a", "Old/c"}));
    }

    // A file of every earlier schema keeps each row and gains a history that outlives a restart.
    void upgradedFilesKeepRowsAndGainHistory_data() {
        QTest::addColumn<QString>("schema");
        QTest::addRow("first") << firstSchema + QStringLiteral("PRAGMA user_version=1;");
        QTest::addRow("second") << secondSchema + QStringLiteral("PRAGMA user_version=2;");
        QTest::addRow("third") << thirdSchema + QStringLiteral("PRAGMA user_version=3;");
    }
    void upgradedFilesKeepRowsAndGainHistory() {
        QFETCH(QString, schema);
        TestEnvironment env;
        QVERIFY(makeSqlite(env.filePath("Kestrine.sqlite"),
                           schema + "INSERT INTO collections (id, name, emoji, isPinned) VALUES "
                                    "(7, 'Old', '🧪', 1), (9, 'Other', NULL, 0);"
                                    "INSERT INTO deeplinks (id, collection_id, title, url) VALUES "
                                    "(1, 7, 'a', 'shop://a'), (2, 9, 'b', 'shop://b'), "
                                    "(5, NULL, 'loose', NULL);"));
        StoreFile store(env);
        QVERIFY(store.context());
        const QStringList before{"#Old 🧪", "#Other", "-/loose", "Old/a", "Other/b"};
        QCOMPARE(contents(*store.context()), before);
        QCOMPARE(deeplinkTitled(*store.context(), QStringLiteral("loose"))->storeId(), 5);
        FiringHistory* history = store.container().history();
        QVERIFY(history->latest().isEmpty());
        FiringRecord fired{.time = QDateTime::currentDateTime(),
                           .title = QStringLiteral("a"),
                           .url = QStringLiteral("shop://a")};
        QVERIFY(history->record(fired));
        QVERIFY(store.reopen());
        QCOMPARE(contents(*store.context()), before);
        QCOMPARE(store.container().history()->latest(), QList<FiringRecord>{fired});
    }

    // Refused, and the file is left exactly as it was.
    void refusesFilesItCannotOwn_data() {
        QTest::addColumn<QString>("sql"); // empty: not SQLite at all
        const QString ourVersion =
            QStringLiteral("PRAGMA user_version=%1").arg(SqliteStore::schemaVersion);
        QTest::addRow("garbage") << QString();
        QTest::addRow("foreign sqlite") << QStringLiteral("CREATE TABLE notes (body TEXT)");
        QTest::addRow("newer schema") << QStringLiteral("PRAGMA user_version=99");
        // Our version number on a file without our tables would load empty and fail every save.
        QTest::addRow("our version, no tables") << ourVersion;
        QTest::addRow("our version, a column missing")
            << QString(firstSchema).remove(QStringLiteral("url TEXT, ")) + ourVersion;
        QTest::addRow("our version, no history") << secondSchema + ourVersion;
        QTest::addRow("our version, no environments") << thirdSchema + ourVersion;
    }
    void refusesFilesItCannotOwn() {
        QFETCH(QString, sql);
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        if (sql.isEmpty())
            env.writeFile("Kestrine.sqlite", QByteArray(100, 'x'));
        else
            QVERIFY(makeSqlite(path, sql));
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

    // A second process (helper_store_writer) saves collections while this one does too: every
    // save of both lands whole, and each process sees the other's.
    void twoProcessesWriteOneStore() {
        TestEnvironment env;
        StoreFile store(env);
        ManagedObjectContext* context = store.context();
        QVERIFY(context);
        QProcess writer;
        writer.start(QStringLiteral(KESTRINE_TEST_BINARY_DIR "/helper_store_writer"),
                     {store.container().storePath(), QStringLiteral("60")});
        QVERIFY2(writer.waitForReadyRead(10000), qPrintable(writer.errorString()));
        constexpr int ours = 30;
        for (int i = 0; i < ours; ++i) {
            DeeplinkCollection* collection = context->insertCollection();
            collection->setName(QStringLiteral("main-%1").arg(i));
            addDeeplink(*context, collection, QStringLiteral("main-%1/a").arg(i), {});
            addDeeplink(*context, collection, QStringLiteral("main-%1/b").arg(i), {});
            // Should the other process hold the lock, the save is retried by itself.
            const SaveOutcome outcome = context->save();
            if (outcome.kind != SaveOutcome::Kind::Saved)
                QTRY_VERIFY2_WITH_TIMEOUT(!context->hasChanges(), qPrintable(outcome.reason), 5000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(writer.state(), QProcess::NotRunning, 20000);
        QVERIFY2(writer.exitCode() == 0, writer.readAllStandardError().constData());
        QCOMPARE(context->save().kind, SaveOutcome::Kind::Saved);
        const QStringList seen = contents(*context);
        QCOMPARE(writerSaves(*context), 60);
        QCOMPARE(context->collections().size(), 60 + ours);
        for (const DeeplinkCollection* collection : context->collections())
            QVERIFY(collection->name().toInt() || collection->name() == u"0" ||
                    collection->deeplinksCount() == 2);
        QCOMPARE(contents(*store.reopen()), seen);
    }

    // A writer process is killed with SIGKILL at random moments, again and again.
    // KESTRINE_DURABILITY_ROUNDS sets the number of kills (default 12; use thousands on demand).
    void everySaveSurvivesAKillWholeOrNotAtAll() {
        TestEnvironment env;
        const QString path = env.filePath("Kestrine.sqlite");
        const int rounds = qEnvironmentVariableIsSet("KESTRINE_DURABILITY_ROUNDS")
                               ? qEnvironmentVariableIntValue("KESTRINE_DURABILITY_ROUNDS")
                               : 12;
        int saves = 0;
        for (int round = 0; round < rounds; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(KESTRINE_TEST_BINARY_DIR "/helper_store_writer"), {path});
            // Let it get going, then kill it at a random moment.
            QVERIFY2(writer.waitForReadyRead(10000), qPrintable(writer.errorString()));
            QTest::qWait(int(QRandomGenerator::global()->bounded(1, 60)));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(10000));
            const int acknowledged =
                writer.readAllStandardOutput().trimmed().split('\n').last().toInt();
            PersistentContainer container(path);
            const auto error = container.loadPersistentStores();
            QVERIFY2(!error, qPrintable(error ? error->details : QString()));
            const int found = writerSaves(*container.viewContext());
            // Nothing but whole saves, never fewer than before, every acknowledged one there.
            QVERIFY2(found == container.viewContext()->collections().size() && found >= saves &&
                         found > acknowledged,
                     qPrintable(QStringLiteral("round %1").arg(round)));
            saves = found;
        }
        qInfo("%d kills, %d saves checked", rounds, saves);
    }
};

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_Store.moc"
