#include "store/SqliteStore.h"

#include "platform/JsonDecoding.h"
#include "store/FiringHistory.h"
#include "store/ManagedObject.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <sqlite3.h>

namespace {

QVariant nullable(const QString& text) {
    return text.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

QVariant nullable(const std::optional<qint64>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<qint64>());
}

// The environments column: the JSON array Environment writes, NULL for none. A value that
// does not read (written by hand, say) gives none rather than failing the whole load.
QList<Environment> environmentsIn(const QString& column) {
    if (column.isEmpty())
        return {};
    JsonDecoding json;
    const QJsonObject object =
        json.documentObject(QByteArrayLiteral("{\"e\":") + column.toUtf8() + '}');
    QList<Environment> environments =
        Environment::fromJson(json, json.requiredArray(object, QLatin1StringView("e")));
    return json.hasError() ? QList<Environment>() : environments;
}

QVariant environmentsColumn(const QList<Environment>& environments) {
    if (environments.isEmpty())
        return QVariant(QMetaType::fromType<QString>());
    QByteArray out;
    Environment::appendJson(out, environments, 0);
    return QString::fromUtf8(out);
}

bool execute(QSqlQuery& query, QString* error) {
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

// A prepared statement on the raw connection, finalised when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* handle, const char* sql) {
        if (sqlite3_prepare_v2(handle, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int parameter, qint64 value) {
        if (m_statement)
            sqlite3_bind_int64(m_statement, parameter, value);
    }
    bool step() {
        m_result = m_statement ? sqlite3_step(m_statement) : SQLITE_ERROR;
        return m_result == SQLITE_ROW;
    }
    // Every row was read: the last step ended the statement rather than failing.
    [[nodiscard]] bool finished() const { return m_result == SQLITE_DONE; }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    double real(int column) const { return sqlite3_column_double(m_statement, column); }
    std::optional<qint64> optionalInteger(int column) const {
        if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
            return std::nullopt;
        return integer(column);
    }
    // NULL gives a null QString, so "no value" survives the round trip.
    QString text(int column) const {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        if (!bytes)
            return {};
        const QString value = QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
        return value.isNull() ? QStringLiteral("") : value;
    }

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_result = SQLITE_OK;
};

// A row of selectDeeplinks into `values` (its collection aside).
void readDeeplink(const Statement& row, Deeplink::Values& values) {
    values.title = row.text(2);
    values.urlText = row.text(3);
    values.timestampMsecs = row.optionalInteger(4);
}

// Every column Kestrine reads; saves write the same ones.
const char* const selectCollections =
    "SELECT id, uid, name, emoji, isPinned, colorR, colorG, colorB, colorA, timestamp, "
    "environments, activeEnvironment FROM collections";
const char* const selectDeeplinks =
    "SELECT id, collection_id, title, url, timestamp FROM deeplinks";
// Through the index on collection_id: opening a collection of a million-deeplink library reads
// its own rows only.
const char* const selectCollectionDeeplinks =
    "SELECT id, collection_id, title, url, timestamp FROM deeplinks WHERE collection_id = ?";
const char* const selectUnownedDeeplinks =
    "SELECT id, collection_id, title, url, timestamp FROM deeplinks WHERE collection_id IS NULL";
// Through the index alone: a library's deeplinks counted without reading their text.
const char* const countCollectionDeeplinks =
    "SELECT collection_id, count(*) FROM deeplinks GROUP BY collection_id";

// The tables of the current schema, named with `suffix`. Ids only ever grow (AUTOINCREMENT):
// a row deleted by one process must not lend its id to a row inserted by another, whose
// loaded copy of the old row would then write over the new one.
QStringList createTables(const QString& suffix) {
    return {QStringLiteral(R"(CREATE TABLE collections%1 (
                id INTEGER PRIMARY KEY AUTOINCREMENT,
                uid TEXT,
                name TEXT,
                emoji TEXT,
                isPinned INTEGER NOT NULL DEFAULT 0,
                colorR REAL NOT NULL DEFAULT 0,
                colorG REAL NOT NULL DEFAULT 0,
                colorB REAL NOT NULL DEFAULT 0,
                colorA REAL NOT NULL DEFAULT 0,
                timestamp INTEGER,
                environments TEXT,
                activeEnvironment TEXT))")
                .arg(suffix),
            QStringLiteral(R"(CREATE TABLE deeplinks%1 (
                id INTEGER PRIMARY KEY AUTOINCREMENT,
                collection_id INTEGER REFERENCES collections(id) ON DELETE CASCADE,
                title TEXT,
                url TEXT,
                timestamp INTEGER))")
                .arg(suffix)};
}

// What each firing did (FiringHistory): a log, so nothing refers to its rows.
const QString createFirings = QStringLiteral(R"(CREATE TABLE firings (
                id INTEGER PRIMARY KEY AUTOINCREMENT,
                time INTEGER NOT NULL,
                title TEXT,
                url TEXT,
                destination TEXT,
                result TEXT NOT NULL,
                handler TEXT,
                handlerName TEXT,
                launch TEXT,
                totalTimeMs INTEGER,
                processId INTEGER,
                screenshot TEXT,
                message TEXT,
                notes TEXT))");

} // namespace

SqliteStore::SqliteStore(QString path)
    : m_path(std::move(path))
    , m_connectionName(QStringLiteral("kestrine-store-") + QUuid::createUuid().toString()) {}

SqliteStore::~SqliteStore() {
    if (m_database.isValid())
        m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

std::optional<SqliteStore::OpenError> SqliteStore::open() {
    const QString fileName = QFileInfo(m_path).fileName();
    const auto failure = [&](const QString& reason) {
        return OpenError{
            QStringLiteral("The file \u201C%1\u201D couldn\u2019t be opened.").arg(fileName),
            QStringLiteral("{path: %1, reason: %2}").arg(m_path, reason)};
    };

    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_database.setDatabaseName(m_path);
    // Opening happens before there is a window and may wait for another process's migration
    // or import; afterwards waits are short.
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_database.open())
        return failure(m_database.lastError().text());

    // Read the version before anything writes: a foreign or newer file must stay as it is.
    // One snapshot: another process creating the tables of a new file in between would make
    // it look foreign.
    QString error;
    if (!exec(QStringLiteral("BEGIN"), &error))
        return failure(error);
    QSqlQuery versionQuery(m_database);
    if (!versionQuery.exec(QStringLiteral("PRAGMA user_version")) || !versionQuery.next())
        return failure(versionQuery.lastError().text());
    const int version = versionQuery.value(0).toInt();
    versionQuery.finish();
    if (version > schemaVersion)
        return failure(QStringLiteral("written by a newer version of Kestrine (schema %1, this "
                                      "version reads up to %2)")
                           .arg(version)
                           .arg(schemaVersion));
    if (version == 0) {
        // A file with tables but no version was not written by Kestrine.
        QSqlQuery tables(m_database);
        if (!tables.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !tables.next())
            return failure(tables.lastError().text());
        if (tables.value(0).toInt() > 0)
            return failure(QStringLiteral("not a Kestrine store"));
    }
    if (version == schemaVersion) {
        // Our version number without our tables and columns: the file would load empty and
        // fail every save.
        for (const QString& select :
             {QString::fromLatin1(selectCollections), QString::fromLatin1(selectDeeplinks),
              FiringHistory::selectStatement()}) {
            QSqlQuery probe(m_database);
            if (!probe.prepare(select))
                return failure(probe.lastError().text());
        }
    }

    if (!exec(QStringLiteral("COMMIT"), &error) ||
        !exec(QStringLiteral("PRAGMA journal_mode=WAL"), &error) ||
        !exec(QStringLiteral("PRAGMA synchronous=FULL"), &error) ||
        // Big saves (an import of thousands of deeplinks) stay in memory until they commit
        // instead of spilling pages to the journal half-way.
        !exec(QStringLiteral("PRAGMA cache_size=-32768"), &error))
        return failure(error);
    // Rebuilding tables must not cascade, so foreign keys come on after the migration.
    if ((version < schemaVersion && !migrate(&error)) ||
        !exec(QStringLiteral("PRAGMA foreign_keys=ON"), &error) ||
        !exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(busyTimeoutMsecs), &error))
        return failure(error);
    return std::nullopt;
}

bool SqliteStore::exec(const QString& statement, QString* error) {
    QSqlQuery query(m_database);
    if (query.exec(statement))
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

bool SqliteStore::migrate(QString* error) {
    if (!exec(QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    // Another process may have migrated the file while this one waited for the lock.
    QSqlQuery versionQuery(m_database);
    if (!versionQuery.exec(QStringLiteral("PRAGMA user_version")) || !versionQuery.next()) {
        if (error)
            *error = versionQuery.lastError().text();
        exec(QStringLiteral("ROLLBACK"), nullptr);
        return false;
    }
    const int fromVersion = versionQuery.value(0).toInt();
    versionQuery.finish();
    QStringList steps;
    if (fromVersion < 1) {
        steps = createTables({});
    } else if (fromVersion < 2) {
        // Version 1 handed out ids again after the newest row was deleted.
        steps = createTables(QStringLiteral("_v2"));
        steps << QStringLiteral("INSERT INTO collections_v2 (id, uid, name, emoji, isPinned, "
                                "colorR, colorG, colorB, colorA, timestamp) SELECT id, uid, name, "
                                "emoji, isPinned, colorR, colorG, colorB, colorA, timestamp FROM "
                                "collections")
              << QStringLiteral("INSERT INTO deeplinks_v2 SELECT id, collection_id, title, url, "
                                "timestamp FROM deeplinks")
              << QStringLiteral("DROP TABLE deeplinks") << QStringLiteral("DROP TABLE collections")
              << QStringLiteral("ALTER TABLE collections_v2 RENAME TO collections")
              << QStringLiteral("ALTER TABLE deeplinks_v2 RENAME TO deeplinks");
    }
    if (fromVersion < 2)
        steps << QStringLiteral("CREATE INDEX deeplinks_collection ON deeplinks(collection_id)");
    if (fromVersion < 3)
        steps << createFirings;
    // Version 1 files were rebuilt above with these columns already.
    if (fromVersion >= 2 && fromVersion < 4)
        steps << QStringLiteral("ALTER TABLE collections ADD COLUMN environments TEXT")
              << QStringLiteral("ALTER TABLE collections ADD COLUMN activeEnvironment TEXT");
    // Later schema changes add their steps here, each guarded by `fromVersion < N`.
    if (fromVersion < schemaVersion)
        steps << QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion);
    for (const QString& step : std::as_const(steps)) {
        if (!exec(step, error)) {
            exec(QStringLiteral("ROLLBACK"), nullptr);
            return false;
        }
    }
    return exec(QStringLiteral("COMMIT"), error);
}

void SqliteStore::readChanges(const RowSink& sink) {
    // One snapshot for the version and both tables, so a deeplink never names a collection
    // that was not read.
    const bool ownTransaction = !m_inTransaction;
    if (ownTransaction && !exec(QStringLiteral("BEGIN"), nullptr))
        return;
    {
        sqlite3* handle = rawHandle();
        // The version is read before the rows: a commit landing in between is seen again
        // next time rather than missed.
        const std::optional<qint64> seen = dataVersion();
        if (seen && seen != m_dataVersion) {
            sink.reading();
            Statement collections(handle, selectCollections);
            DeeplinkCollection::Values values;
            while (collections.step()) {
                const QString uid = collections.text(1);
                values.uid = uid.isNull() ? QUuid() : QUuid::fromString(uid);
                values.name = collections.text(2);
                values.emoji = collections.text(3);
                values.isPinned = collections.integer(4) != 0;
                values.colorR = collections.real(5);
                values.colorG = collections.real(6);
                values.colorB = collections.real(7);
                values.colorA = collections.real(8);
                values.timestampMsecs = collections.optionalInteger(9);
                values.environments = environmentsIn(collections.text(10));
                values.activeEnvironment = collections.text(11);
                sink.collection(collections.integer(0), values);
            }
            sink.collectionsRead(collections.finished());
            const bool deeplinksFinished =
                sink.countsDeeplinks ? readCountedDeeplinks(sink) : readEveryDeeplink(sink);
            sink.deeplinksRead(deeplinksFinished);
            if (collections.finished() && deeplinksFinished)
                m_dataVersion = seen;
        }
    }
    if (ownTransaction)
        exec(QStringLiteral("COMMIT"), nullptr);
}

bool SqliteStore::readEveryDeeplink(const RowSink& sink) {
    Statement deeplinks(rawHandle(), selectDeeplinks);
    Deeplink::Values link;
    while (deeplinks.step()) {
        const qint64 id = deeplinks.integer(0);
        const std::optional<qint64> collectionId = deeplinks.optionalInteger(1);
        if (!sink.wantsDeeplink(id, collectionId))
            continue;
        readDeeplink(deeplinks, link);
        sink.deeplink(id, collectionId, link);
    }
    return deeplinks.finished();
}

bool SqliteStore::readCountedDeeplinks(const RowSink& sink) {
    QList<std::optional<qint64>> wanted;
    Statement groups(rawHandle(), countCollectionDeeplinks);
    while (groups.step()) {
        const std::optional<qint64> collectionId = groups.optionalInteger(0);
        if (!collectionId || !sink.countsDeeplinks(*collectionId, groups.integer(1)))
            wanted.append(collectionId);
    }
    bool finished = groups.finished();
    for (const std::optional<qint64>& collectionId : std::as_const(wanted)) {
        finished = readDeeplinks(collectionId ? selectCollectionDeeplinks : selectUnownedDeeplinks,
                                 collectionId, sink.deeplink) &&
                   finished;
    }
    return finished;
}

sqlite3* SqliteStore::rawHandle() const {
    // Bulk reads go through sqlite3's own API (on Qt's connection), which skips a QVariant per
    // value: that matters for libraries of a hundred thousand deeplinks.
    return *static_cast<sqlite3**>(m_database.driver()->handle().data());
}

bool SqliteStore::readDeeplinks(std::optional<qint64> collectionId, const DeeplinkRow& row) {
    return readDeeplinks(collectionId ? selectCollectionDeeplinks : selectDeeplinks, collectionId,
                         row);
}

bool SqliteStore::readDeeplinks(const char* select, std::optional<qint64> collectionId,
                                const DeeplinkRow& row) {
    Statement deeplinks(rawHandle(), select);
    if (collectionId)
        deeplinks.bind(1, *collectionId);
    Deeplink::Values link;
    while (deeplinks.step()) {
        readDeeplink(deeplinks, link);
        row(deeplinks.integer(0), deeplinks.optionalInteger(1), link);
    }
    return deeplinks.finished();
}

std::optional<qint64> SqliteStore::dataVersion() const {
    Statement version(rawHandle(), "PRAGMA data_version");
    return version.step() ? std::optional(version.integer(0)) : std::nullopt;
}

bool SqliteStore::changedSinceRead() {
    const std::optional<qint64> seen = dataVersion();
    return !seen || seen != m_dataVersion;
}

SqliteStore::Begin SqliteStore::begin(QString* error) {
    // IMMEDIATE: the write lock is taken (or refused) here, not half-way through the writes.
    QSqlQuery query(m_database);
    m_inTransaction = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (m_inTransaction)
        return Begin::Begun;
    if (error)
        *error = query.lastError().text();
    // Only another connection's lock passes; any other error (a read-only file, a full disk)
    // comes back on every try. Extended codes keep the primary code in the low byte.
    const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED ? Begin::Busy : Begin::Failed;
}

bool SqliteStore::commit(QString* error) {
    if (!exec(QStringLiteral("COMMIT"), error)) {
        rollback();
        return false;
    }
    m_inTransaction = false;
    return true;
}

void SqliteStore::rollback() {
    exec(QStringLiteral("ROLLBACK"), nullptr);
    m_inTransaction = false;
}

bool SqliteStore::write(const QSet<ManagedObject*>& inserted, const QSet<ManagedObject*>& updated,
                        const QSet<ManagedObject*>& deleted, QString* error) {
    // One column list and one binder per table serve the INSERT of new rows and the UPDATE of
    // loaded ones, so the two cannot disagree on a column's place. New rows leave the id to
    // SQLite; an update names its row's id last.
    const auto statements = [this](const QString& table, const QString& columns) {
        const QString placeholders = QStringLiteral("?, ").repeated(columns.count(u',')) + u'?';
        std::pair<QSqlQuery, QSqlQuery> queries{QSqlQuery(m_database), QSqlQuery(m_database)};
        queries.first.prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns, placeholders));
        queries.second.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE id = ?")
                                   .arg(table, QString(columns).replace(QStringLiteral(", "),
                                                                        QStringLiteral(" = ?, "))));
        return queries;
    };
    auto [insertCollection, updateCollection] = statements(
        QStringLiteral("collections"),
        QStringLiteral("uid, name, emoji, isPinned, colorR, colorG, colorB, colorA, timestamp, "
                       "environments, activeEnvironment"));
    auto [insertDeeplink, updateDeeplink] = statements(
        QStringLiteral("deeplinks"), QStringLiteral("collection_id, title, url, timestamp"));
    QSqlQuery deleteCollection(m_database);
    deleteCollection.prepare(QStringLiteral("DELETE FROM collections WHERE id = ?"));
    QSqlQuery deleteDeeplink(m_database);
    deleteDeeplink.prepare(QStringLiteral("DELETE FROM deeplinks WHERE id = ?"));

    // Binds the row's values; an update also its id. A new row takes the id SQLite gave it.
    const auto run = [&](QSqlQuery& query, ManagedObject* object, int idColumn) {
        const bool isNew = object->storeId() == 0;
        if (!isNew)
            query.bindValue(idColumn, object->storeId());
        if (!execute(query, error))
            return false;
        if (isNew)
            object->m_storeId = query.lastInsertId().toLongLong();
        return true;
    };
    const auto writeCollection = [&](QSqlQuery& query, DeeplinkCollection* collection) {
        const auto& values = collection->m_values;
        query.bindValue(0, values.uid.isNull()
                               ? QVariant(QMetaType::fromType<QString>())
                               : QVariant(values.uid.toString(QUuid::WithoutBraces)));
        query.bindValue(1, nullable(values.name));
        query.bindValue(2, nullable(values.emoji));
        query.bindValue(3, values.isPinned ? 1 : 0);
        query.bindValue(4, values.colorR);
        query.bindValue(5, values.colorG);
        query.bindValue(6, values.colorB);
        query.bindValue(7, values.colorA);
        query.bindValue(8, nullable(values.timestampMsecs));
        query.bindValue(9, environmentsColumn(values.environments));
        query.bindValue(10, values.activeEnvironment.isEmpty()
                                ? QVariant(QMetaType::fromType<QString>())
                                : QVariant(values.activeEnvironment));
        return run(query, collection, 11);
    };
    const auto writeDeeplink = [&](QSqlQuery& query, Deeplink* deeplink) {
        const auto& values = deeplink->m_values;
        // The collection is written first when it is new, so its id is known by now.
        query.bindValue(0, values.collection ? QVariant(values.collection->storeId())
                                             : QVariant(QMetaType::fromType<qint64>()));
        query.bindValue(1, nullable(values.title));
        query.bindValue(2, nullable(values.urlText));
        query.bindValue(3, nullable(values.timestampMsecs));
        return run(query, deeplink, 4);
    };

    bool ok = true;
    // Collections before deeplinks, so a new deeplink's collection row already exists.
    // Existing collections are updated in place: replacing their row would cascade-delete
    // their deeplinks.
    for (ManagedObject* object : inserted) {
        if (ok && object->entity() == ManagedObject::Entity::DeeplinkCollection)
            ok = writeCollection(insertCollection, static_cast<DeeplinkCollection*>(object));
    }
    for (ManagedObject* object : updated) {
        if (ok && object->entity() == ManagedObject::Entity::DeeplinkCollection)
            ok = writeCollection(updateCollection, static_cast<DeeplinkCollection*>(object));
    }
    for (ManagedObject* object : inserted) {
        if (ok && object->entity() == ManagedObject::Entity::Deeplink)
            ok = writeDeeplink(insertDeeplink, static_cast<Deeplink*>(object));
    }
    for (ManagedObject* object : updated) {
        if (ok && object->entity() == ManagedObject::Entity::Deeplink)
            ok = writeDeeplink(updateDeeplink, static_cast<Deeplink*>(object));
    }
    for (ManagedObject* object : deleted) {
        if (!ok)
            break;
        QSqlQuery& query =
            object->entity() == ManagedObject::Entity::Deeplink ? deleteDeeplink : deleteCollection;
        query.bindValue(0, object->storeId());
        ok = execute(query, error);
    }
    return ok;
}
