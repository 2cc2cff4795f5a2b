#include "StoreFile.h"

#include "TestEnvironment.h"

#include "store/DeeplinkCollection.h"
#include "store/ManagedObjectContext.h"
#include "store/SqliteStore.h"

#include <QDebug>
#include <QSqlQuery>
#include <QUuid>

StoreFile::StoreFile(const TestEnvironment& env)
    : m_path(env.filePath(QStringLiteral("Kestrine.sqlite"))) {
    reopen();
}

StoreFile::~StoreFile() {
    unlockWrites();
}

ManagedObjectContext* StoreFile::context() const {
    return m_container ? m_container->viewContext() : nullptr;
}

ManagedObjectContext* StoreFile::reopen() {
    m_container.reset();
    const QStringList before = QSqlDatabase::connectionNames();
    m_container = std::make_unique<PersistentContainer>(m_path);
    if (const auto error = m_container->loadPersistentStores()) {
        qWarning() << error->description << error->details;
        m_container.reset();
    }
    for (const QString& name : QSqlDatabase::connectionNames()) {
        if (!before.contains(name))
            m_connection = name;
    }
    return context();
}

bool StoreFile::lockWrites() {
    m_blocker = QSqlDatabase::addDatabase(
        QStringLiteral("QSQLITE"), QStringLiteral("blocker-") + QUuid::createUuid().toString());
    m_blocker.setDatabaseName(m_path);
    return m_blocker.open() && QSqlQuery(m_blocker).exec(QStringLiteral("BEGIN IMMEDIATE"));
}

void StoreFile::unlockWrites() {
    if (!m_blocker.isValid())
        return;
    const QString connection = m_blocker.connectionName();
    QSqlQuery(m_blocker).exec(QStringLiteral("ROLLBACK"));
    m_blocker.close();
    m_blocker = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection);
}

bool StoreFile::refuseWrites(bool refuse, const QStringList& statements) {
    const QString connection = QStringLiteral("refuser-") + QUuid::createUuid().toString();
    bool done = true;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(m_path);
        done = database.open();
        const QString create = QStringLiteral("CREATE TRIGGER refuse_%1_%2 BEFORE %2 ON %1 BEGIN "
                                              "SELECT RAISE(ABORT, 'disk full'); END");
        for (const char* table : {"collections", "deeplinks", "firings"}) {
            for (const QString& operation : statements) {
                done = done && QSqlQuery(database).exec(
                                   (refuse ? create : QStringLiteral("DROP TRIGGER refuse_%1_%2"))
                                       .arg(table, operation));
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return done;
}

bool StoreFile::readOnly(bool readOnly) {
    return context() && QSqlQuery(QSqlDatabase::database(m_connection))
                            .exec(QStringLiteral("PRAGMA query_only=%1").arg(readOnly ? 1 : 0));
}

QStringList StoreFile::names(const ManagedObjectContext& context) {
    QStringList list;
    for (const DeeplinkCollection* collection : context.collections())
        list.append(collection->name().isNull() ? QStringLiteral("<none>") : collection->name());
    list.sort();
    return list;
}
