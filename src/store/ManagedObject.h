#pragma once

#include <QObject>
#include <QString>

#include <utility>

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

    // A setter's whole work: nothing when `field` already holds `value`, else `value` is
    // assigned between willChange() and didChange(). Several fields set as one are passed as
    // std::tie(...) with a std::tuple of their values.
    template <class Field, class Value> void setField(Field&& field, const Value& value) {
        setField(std::forward<Field>(field), value, [] {});
    }
    // The same, and `alsoChange` updates what derives from the field before didChange() tells
    // anyone.
    template <class Field, class Value, class Also>
    void setField(Field&& field, const Value& value, Also alsoChange) {
        if (isSame(field, value))
            return;
        willChange();
        field = value;
        alsoChange();
        didChange();
    }

private:
    template <class A, class B> static bool isSame(const A& a, const B& b) { return a == b; }
    // A null string is stored as NULL and an empty one as '': they are different values.
    static bool isSame(const QString& a, const QString& b) {
        return a == b && a.isNull() == b.isNull();
    }

    friend class ManagedObjectContext;
    friend class SqliteStore;
    friend class StoreMerge;

    Entity m_entity;
    ManagedObjectContext* m_context = nullptr;
    qint64 m_storeId = 0;
    quint64 m_serial = 0;
    bool m_deleted = false;
};
