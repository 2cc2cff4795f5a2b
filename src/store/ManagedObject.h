#pragma once

#include <QObject>

class ManagedObjectContext;

// QObject base of the two stored entities, Deeplink and DeeplinkCollection: a row of the store file
// in memory. An object belongs to exactly one context, which owns it; every setter reports the
// change to the context, which tracks it until the next save.
class ManagedObject : public QObject {
    Q_OBJECT
public:
    enum class Entity { DeeplinkCollection, Deeplink };

    [[nodiscard]] Entity entity() const { return m_entity; }
    [[nodiscard]] ManagedObjectContext* managedObjectContext() const { return m_context; }
    // Row id in the store file; 0 until the save that inserts the row gets it from SQLite.
    [[nodiscard]] qint64 storeId() const { return m_storeId; }
    [[nodiscard]] bool isDeleted() const { return m_deleted; }
    // Creation order within the context; live queries use it to break sort ties stably.
    [[nodiscard]] quint64 serial() const { return m_serial; }

Q_SIGNALS:
    // Any property or relationship of this object changed.
    void changed();

protected:
    ManagedObject(Entity entity, ManagedObjectContext* context, qint64 storeId);
    // Setters call willChange() before and didChange() after they change a stored value.
    void willChange();
    void didChange();

private:
    friend class ManagedObjectContext;
    friend class SqliteStore;
    friend class StoreMerge;

    Entity m_entity;
    ManagedObjectContext* m_context = nullptr;
    qint64 m_storeId = 0;
    quint64 m_serial = 0;
    bool m_deleted = false;
};
