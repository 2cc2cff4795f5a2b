#pragma once

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"

#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

class ManagedObject;
class ManagedObjectContext;
struct sqlite3;

// The store file: one SQLite database holding collections, deeplinks and the firing history. Other
// processes (a second Kestrine) may write to the same file: rows get their ids from SQLite when
// they are inserted, and a save changes only the rows it names.
class SqliteStore {
public:
    struct OpenError {
        QString description;
        QString details;
    };

    // A deeplink row: `values` without its collection, which `collectionId` names.
    using DeeplinkRow = std::function<void(qint64 id, std::optional<qint64> collectionId,
                                           const Deeplink::Values& values)>;

    // Receives every stored row as the file holds it now, one at a time (a library of a
    // hundred thousand deeplinks is not copied on the way). A table's `...Read` call says
    // whether all its rows came; a read cut short must not look like rows deleted elsewhere.
    struct RowSink {
        std::function<void()> reading; // first, once the file is known to have changed
        std::function<void(qint64 id, const DeeplinkCollection::Values&)> collection;
        std::function<void(bool complete)> collectionsRead;
        // Asked for each deeplink row before its text is read: rows that are not wanted
        // (those of collections whose deeplinks are not loaded) cost no copy.
        std::function<bool(qint64 id, std::optional<qint64> collectionId)> wantsDeeplink;
        // When set, offered each collection's number of deeplink rows before any row: true
        // takes the count instead of the rows (counted through the index, without reading the
        // table), false asks for the rows. Rows of no collection are always read. Only for a
        // sink that knows none of the rows yet: a counted row is never seen one by one.
        std::function<bool(qint64 collectionId, qint64 count)> countsDeeplinks;
        // `values` without its collection, which `collectionId` names.
        DeeplinkRow deeplink;
        std::function<void(bool complete)> deeplinksRead;
    };

    // The schema version this build writes; files from a newer build are refused.
    static constexpr int schemaVersion = 4;
    // How long a statement waits for another process's write lock before giving up: short,
    // the window waits with it.
    static constexpr int busyTimeoutMsecs = 200;

    explicit SqliteStore(QString path);
    ~SqliteStore();
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // Opens (or creates) the file and brings its schema up to date. A file that is not a
    // Kestrine store, or one written by a newer Kestrine, is refused and left untouched.
    [[nodiscard]] std::optional<OpenError> open();

    [[nodiscard]] const QString& path() const { return m_path; }

private:
    friend class FiringHistory;
    friend class ManagedObjectContext;
    friend class StoreMerge;

    // The deeplink rows of the collection with row id `collectionId` (of every collection when
    // none is given), as the file holds them now, `values` without their collection. False
    // when the read was cut short.
    bool readDeeplinks(std::optional<qint64> collectionId, const DeeplinkRow& row);
    // Whether another connection committed since readChanges() last read everything.
    [[nodiscard]] bool changedSinceRead();
    // The next readChanges() reads everything, as if another connection had committed.
    void forgetReadVersion() { m_dataVersion.reset(); }
    // Hands every row to `sink` when another connection committed since the last call
    // (always on the first); does nothing otherwise. Inside a write transaction the rows are
    // those it locked.
    void readChanges(const RowSink& sink);
    enum class Begin { Begun, Busy, Failed };
    // Takes the write lock for a save. Busy: another process held it past the busy timeout, so
    // the save may be tried again; Failed: the file cannot be written at all (read-only, say).
    Begin begin(QString* error);
    // Inside begin() ... commit(): new rows are inserted and get their ids, loaded rows are
    // updated or deleted by id.
    bool write(const QSet<ManagedObject*>& inserted, const QSet<ManagedObject*>& updated,
               const QSet<ManagedObject*>& deleted, QString* error);
    bool commit(QString* error);
    void rollback();
    bool migrate(QString* error);
    // The rows of `select` (bound to `collectionId` when given); false when cut short.
    bool readDeeplinks(const char* select, std::optional<qint64> collectionId,
                       const DeeplinkRow& row);
    bool readEveryDeeplink(const RowSink& sink);
    bool readCountedDeeplinks(const RowSink& sink);
    [[nodiscard]] sqlite3* rawHandle() const;
    // SQLite's data version, which changes when another connection commits; none when it
    // cannot be read.
    [[nodiscard]] std::optional<qint64> dataVersion() const;
    bool exec(const QString& statement, QString* error);

    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_database;
    bool m_inTransaction = false;
    std::optional<qint64> m_dataVersion;
};
