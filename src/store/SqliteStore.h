#pragma once

#include <QSet>
#include <QSqlDatabase>
#include <QString>

#include <optional>

class ManagedObject;
class ManagedObjectContext;

// The store file: one SQLite database holding collections and deeplinks.
class SqliteStore {
public:
    struct OpenError {
        QString description;
        QString details;
    };

    // The schema version this build writes; files from a newer build are refused.
    static constexpr int schemaVersion = 1;

    explicit SqliteStore(QString path);
    ~SqliteStore();
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // Opens (or creates) the file and brings its schema up to date. A file that is not a
    // Kestrine store, or one written by a newer Kestrine, is refused and left untouched.
    [[nodiscard]] std::optional<OpenError> open();

    [[nodiscard]] const QString& path() const { return m_path; }

    // How long a save waits for another process holding the file's write lock.
    void setBusyTimeout(int milliseconds);

private:
    friend class ManagedObjectContext;

    void load(ManagedObjectContext* context);
    bool write(const QSet<ManagedObject*>& inserted, const QSet<ManagedObject*>& updated,
               const QSet<ManagedObject*>& deleted, QString* error);
    bool migrate(int fromVersion, QString* error);

    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_database;
};
