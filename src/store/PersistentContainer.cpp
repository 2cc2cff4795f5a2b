#include "store/PersistentContainer.h"

#include "store/FiringHistory.h"
#include "store/ManagedObjectContext.h"

#include "platform/AppPaths.h"

#include <QDir>

PersistentContainer::PersistentContainer(QString storePath)
    : m_storePath(storePath.isEmpty() ? defaultStorePath() : std::move(storePath)) {}

PersistentContainer::~PersistentContainer() {
    // The context's objects go before the connection they came from.
    m_viewContext.reset();
    m_history.reset();
    m_store.reset();
}

std::optional<SqliteStore::OpenError> PersistentContainer::loadPersistentStores() {
    QDir().mkpath(QFileInfo(m_storePath).absolutePath());
    auto store = std::make_unique<SqliteStore>(m_storePath);
    if (auto error = store->open())
        return error;
    m_store = std::move(store);
    m_viewContext = std::make_unique<ManagedObjectContext>(m_store.get());
    m_history = std::make_unique<FiringHistory>(m_store.get());
    return std::nullopt;
}

QString PersistentContainer::defaultStorePath() {
    return AppPaths::dataDirectory() + QStringLiteral("/Kestrine.sqlite");
}
