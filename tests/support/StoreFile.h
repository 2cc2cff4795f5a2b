#pragma once

#include "store/PersistentContainer.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>

class ManagedObjectContext;
class TestEnvironment;

// Test fixture that owns a store file in the test's temporary directory: opens it, reopens it
// to show what reached the disk, and can hold its write lock from a second connection, as
// another process would, or refuse writes outright, so that saves fail.
class StoreFile {
public:
    explicit StoreFile(const TestEnvironment& env);
    ~StoreFile();
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    // The open store's context; null when the file did not open (the reason is a warning).
    [[nodiscard]] ManagedObjectContext* context() const;

    // The open store's container, as the application is handed it.
    [[nodiscard]] PersistentContainer& container() const { return *m_container; }

    // Closes the store and opens the file again; returns the new context (null on failure).
    ManagedObjectContext* reopen();

    // Takes the file's write lock from another connection, as another process saving would.
    [[nodiscard]] bool lockWrites();
    void unlockWrites();
    // Makes every write to the file fail (or work again), as a full disk would: not a busy
    // store, so a save fails for good instead of waiting to be retried. `statements` narrows
    // it (to "DELETE", say), so that one save fails and the one before it does not.
    [[nodiscard]] bool refuseWrites(bool refuse = true,
                                    const QStringList& statements = {"INSERT", "UPDATE", "DELETE"});

    // Makes the open store's own connection read-only (or writable again), as a file the user
    // may not write opens: a save then fails with "attempt to write a readonly database".
    [[nodiscard]] bool readOnly(bool readOnly = true);

    // The names of the context's collections, sorted; "<none>" for a nameless one.
    [[nodiscard]] static QStringList names(const ManagedObjectContext& context);

private:
    QString m_path;
    std::unique_ptr<PersistentContainer> m_container;
    QString m_connection; // the open store's own
    QSqlDatabase m_blocker;
};
