#include "store/SqliteStore.h"

#include "store/ManagedObjectContext.h"

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

bool exec(QSqlQuery& query, QString* error) {
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

bool exec(QSqlDatabase& database, const QString& statement, QString* error) {
    QSqlQuery query(database);
    if (query.exec(statement))
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

    bool step() { return m_statement && sqlite3_step(m_statement) == SQLITE_ROW; }
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
};

// Every column Kestrine reads; saves write the same ones.
const char* const selectCollections = "SELECT id, uid, name, emoji, isPinned, colorR, colorG, "
                                      "colorB, colorA, timestamp FROM collections";
const char* const selectDeeplinks =
    "SELECT id, collection_id, title, url, timestamp FROM deeplinks";

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
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_database.open())
        return failure(m_database.lastError().text());

    // Read the version before anything writes: a foreign or newer file must stay as it is.
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
        for (const char* select : {selectCollections, selectDeeplinks}) {
            QSqlQuery probe(m_database);
            if (!probe.prepare(QString::fromLatin1(select)))
                return failure(probe.lastError().text());
        }
    }

    QString error;
    if (!exec(m_database, QStringLiteral("PRAGMA journal_mode=WAL"), &error) ||
        !exec(m_database, QStringLiteral("PRAGMA synchronous=FULL"), &error) ||
        !exec(m_database, QStringLiteral("PRAGMA foreign_keys=ON"), &error) ||
        // Big saves (an import of thousands of deeplinks) stay in memory until they commit
        // instead of spilling pages to the journal half-way.
        !exec(m_database, QStringLiteral("PRAGMA cache_size=-32768"), &error))
        return failure(error);
    if (version < schemaVersion && !migrate(version, &error))
        return failure(error);
    return std::nullopt;
}

void SqliteStore::setBusyTimeout(int milliseconds) {
    exec(m_database, QStringLiteral("PRAGMA busy_timeout=%1").arg(milliseconds), nullptr);
}

bool SqliteStore::migrate(int fromVersion, QString* error) {
    if (!m_database.transaction()) {
        if (error)
            *error = m_database.lastError().text();
        return false;
    }
    bool ok = true;
    if (fromVersion < 1) {
        ok = exec(m_database, QStringLiteral(R"(CREATE TABLE collections (
                id INTEGER PRIMARY KEY,
                uid TEXT,
                name TEXT,
                emoji TEXT,
                isPinned INTEGER NOT NULL DEFAULT 0,
                colorR REAL NOT NULL DEFAULT 0,
                colorG REAL NOT NULL DEFAULT 0,
                colorB REAL NOT NULL DEFAULT 0,
                colorA REAL NOT NULL DEFAULT 0,
                timestamp INTEGER))"),
                  error) &&
             exec(m_database, QStringLiteral(R"(CREATE TABLE deeplinks (
                id INTEGER PRIMARY KEY,
                collection_id INTEGER REFERENCES collections(id) ON DELETE CASCADE,
                title TEXT,
                url TEXT,
                timestamp INTEGER))"),
                  error) &&
             exec(m_database,
                  QStringLiteral("CREATE INDEX deeplinks_collection ON deeplinks(collection_id)"),
                  error);
    }
    // Later schema changes add their steps here, each guarded by `fromVersion < N`.
    ok = ok && exec(m_database, QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion), error);
    if (!ok) {
        m_database.rollback();
        return false;
    }
    return m_database.commit();
}

void SqliteStore::load(ManagedObjectContext* context) {
    // Loading reads every row once; sqlite3's own API (on Qt's connection) skips a QVariant
    // per value, which matters for libraries of a hundred thousand deeplinks.
    auto* handle = *static_cast<sqlite3**>(m_database.driver()->handle().data());
    Statement counts(handle, "SELECT (SELECT count(*) FROM collections), "
                             "(SELECT count(*) FROM deeplinks)");
    if (counts.step())
        context->reserve(counts.integer(0), counts.integer(1));

    QHash<qint64, DeeplinkCollection*> byId;
    Statement collections(handle, selectCollections);
    while (collections.step()) {
        auto* collection = new DeeplinkCollection(context, collections.integer(0));
        DeeplinkCollection::Values values;
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
        collection->restore(values);
        byId.insert(collection->storeId(), collection);
        context->registerLoaded(collection);
    }

    Statement deeplinks(handle, selectDeeplinks);
    while (deeplinks.step()) {
        auto* deeplink = new Deeplink(context, deeplinks.integer(0));
        deeplink->m_values.title = deeplinks.text(2);
        deeplink->m_values.urlText = deeplinks.text(3);
        deeplink->m_values.timestampMsecs = deeplinks.optionalInteger(4);
        if (const auto collectionId = deeplinks.optionalInteger(1))
            deeplink->attachTo(byId.value(*collectionId));
        context->registerLoaded(deeplink);
    }
}

bool SqliteStore::write(const QSet<ManagedObject*>& inserted, const QSet<ManagedObject*>& updated,
                        const QSet<ManagedObject*>& deleted, QString* error) {
    if (!m_database.transaction()) {
        if (error)
            *error = m_database.lastError().text();
        return false;
    }

    // One column list and one binder serve the INSERT of new collections and the UPDATE of
    // existing ones, so the two cannot disagree on a column's place. The row id goes last.
    const QString columns =
        QStringLiteral("uid, name, emoji, isPinned, colorR, colorG, colorB, colorA, timestamp");
    QSqlQuery insertCollection(m_database);
    insertCollection.prepare(QStringLiteral("INSERT INTO collections (%1, id) VALUES (?, ?, ?, ?, "
                                            "?, ?, ?, ?, ?, ?)")
                                 .arg(columns));
    QSqlQuery updateCollection(m_database);
    updateCollection.prepare(
        QStringLiteral("UPDATE collections SET %1 = ? WHERE id = ?")
            .arg(QString(columns).replace(QStringLiteral(", "), QStringLiteral(" = ?, "))));
    QSqlQuery upsertDeeplink(m_database);
    upsertDeeplink.prepare(QStringLiteral("INSERT OR REPLACE INTO deeplinks (id, collection_id, "
                                          "title, url, timestamp) VALUES (?, ?, ?, ?, ?)"));
    QSqlQuery deleteCollection(m_database);
    deleteCollection.prepare(QStringLiteral("DELETE FROM collections WHERE id = ?"));
    QSqlQuery deleteDeeplink(m_database);
    deleteDeeplink.prepare(QStringLiteral("DELETE FROM deeplinks WHERE id = ?"));

    const auto writeCollection = [&](QSqlQuery& query, const DeeplinkCollection* collection) {
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
        query.bindValue(9, collection->storeId());
        return exec(query, error);
    };
    const auto writeDeeplink = [&](const Deeplink* deeplink) {
        const auto& values = deeplink->m_values;
        upsertDeeplink.bindValue(0, deeplink->storeId());
        upsertDeeplink.bindValue(1, values.collection ? QVariant(values.collection->storeId())
                                                      : QVariant(QMetaType::fromType<qint64>()));
        upsertDeeplink.bindValue(2, nullable(values.title));
        upsertDeeplink.bindValue(3, nullable(values.urlText));
        upsertDeeplink.bindValue(4, nullable(values.timestampMsecs));
        return exec(upsertDeeplink, error);
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
            ok = writeDeeplink(static_cast<Deeplink*>(object));
    }
    for (ManagedObject* object : updated) {
        if (ok && object->entity() == ManagedObject::Entity::Deeplink)
            ok = writeDeeplink(static_cast<Deeplink*>(object));
    }
    for (ManagedObject* object : deleted) {
        if (!ok)
            break;
        QSqlQuery& query =
            object->entity() == ManagedObject::Entity::Deeplink ? deleteDeeplink : deleteCollection;
        query.bindValue(0, object->storeId());
        ok = exec(query, error);
    }

    if (!ok) {
        m_database.rollback();
        return false;
    }
    if (!m_database.commit()) {
        if (error)
            *error = m_database.lastError().text();
        m_database.rollback();
        return false;
    }
    return true;
}
