#pragma once

#include "store/SqliteStore.h"

#include <QString>

#include <memory>
#include <optional>

class FiringHistory;
class ManagedObjectContext;

// Plain class (no QObject) that opens the store "Kestrine" and owns what works on it: the file
// (SqliteStore), the main context over it (ManagedObjectContext) and its FiringHistory.
class PersistentContainer {
public:
    // `storePath` empty: Kestrine.sqlite in the data directory (AppPaths).
    explicit PersistentContainer(QString storePath = {});
    ~PersistentContainer();

    // Opens the store and loads the main context. On failure there is no context.
    [[nodiscard]] std::optional<SqliteStore::OpenError> loadPersistentStores();

    [[nodiscard]] QString name() const { return QStringLiteral("Kestrine"); }
    [[nodiscard]] const QString& storePath() const { return m_storePath; }
    [[nodiscard]] SqliteStore* store() const { return m_store.get(); }
    // The main context; only valid after a successful load.
    [[nodiscard]] ManagedObjectContext* viewContext() const { return m_viewContext.get(); }
    // The firings of the store; only valid after a successful load.
    [[nodiscard]] FiringHistory* history() const { return m_history.get(); }

    [[nodiscard]] static QString defaultStorePath();

private:
    QString m_storePath;
    std::unique_ptr<SqliteStore> m_store;
    std::unique_ptr<ManagedObjectContext> m_viewContext;
    std::unique_ptr<FiringHistory> m_history;
};
