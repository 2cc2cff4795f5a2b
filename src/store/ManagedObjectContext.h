#pragma once

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/SqliteStore.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

// QObject that is the main (and only) context: an in-memory object graph loaded from the store
// file. It owns every object, tracks inserts, updates and deletes, and writes exactly the pending
// changes in one transaction on save(). Change notifications are sent synchronously so that live
// queries see unsaved changes at once. What other processes save to the same file is taken in
// before each save and by mergeChangesFromStore().
class ManagedObjectContext : public QObject {
    Q_OBJECT
public:
    enum class Change { Inserted, Updated, Deleted };

    // Without a store the context lives in memory only and every save succeeds.
    explicit ManagedObjectContext(SqliteStore* store = nullptr, QObject* parent = nullptr);
    ~ManagedObjectContext() override;

    // New objects get the creation time as their timestamp and are visible to queries at once.
    DeeplinkCollection* insertCollection();
    Deeplink* insertDeeplink();

    // Removes the object (a collection takes its deeplinks with it); applied at the next save.
    void deleteObject(ManagedObject* object);

    // Takes in what another process saved since the last look, announcing each object it
    // adds, changes or removes. A field this context changed and has not saved keeps its
    // value; an object deleted elsewhere goes, unsaved changes and all (a collection with its
    // deeplinks, new ones included).
    void mergeChangesFromStore();

    // Takes in other processes' changes, then commits all pending changes in one
    // transaction. On failure nothing is written, the changes stay pending, the failure is
    // logged and `error` (if given) receives the reason; when another process held the file,
    // the save is tried again a second later.
    bool save(QString* error = nullptr);

    // save(), or its changes left pending for the retry when another process holds the file:
    // false only on a real failure, where callers undo the user's action (rollback()). A busy
    // store must not undo it, nor any other unsaved edit.
    bool saveOrWait(QString* error = nullptr) { return save(error) || m_waitingForStore; }

    // save(), tried again while another process holds the file, for at most `milliseconds`:
    // for when nothing will retry later (the process is about to end).
    bool saveWaitingForStore(int milliseconds, QString* error = nullptr);

    // Saves once control is back in the event loop: views that go away or hide while the
    // context is announcing a change (a cascade still half done) must not write that half.
    // A failure leaves the changes pending for the next save point.
    void saveLater();

    // Throws away all pending changes, restoring the last saved state.
    void rollback();

    [[nodiscard]] bool hasChanges() const;

    // Every object the context currently holds and has not deleted.
    [[nodiscard]] QList<ManagedObject*> registeredObjects() const;
    [[nodiscard]] QList<DeeplinkCollection*> collections() const;
    [[nodiscard]] QList<Deeplink*> deeplinks() const;
    [[nodiscard]] const QSet<DeeplinkCollection*>& collectionSet() const { return m_collections; }
    [[nodiscard]] const QSet<Deeplink*>& deeplinkSet() const { return m_deeplinks; }

Q_SIGNALS:
    void objectChanged(ManagedObject* object, ManagedObjectContext::Change change);
    void didSave();

private:
    friend class ManagedObject;
    friend class SqliteStore;

    void objectWillChange(ManagedObject* object);
    void objectDidChange(ManagedObject* object);
    void deleteDeeplink(Deeplink* deeplink);
    // Reads what the file holds now, if another connection changed it, into this context.
    void merge();
    // Drops an object whose row is gone from the file, without writing anything.
    void forget(ManagedObject* object);
    // Takes a live object out of the queries (a deeplink out of its collection too) and
    // announces it gone.
    void unregister(ManagedObject* object);
    void discard(ManagedObject* object);
    bool failSave(const QString& reason, QString* error);

    SqliteStore* m_store = nullptr;
    QSet<DeeplinkCollection*> m_collections;
    QSet<Deeplink*> m_deeplinks;

    QSet<ManagedObject*> m_inserted;
    QSet<ManagedObject*> m_updated;
    QSet<ManagedObject*> m_deleted;
    // Saved values of changed objects, taken before their first change since the last save.
    QHash<DeeplinkCollection*, DeeplinkCollection::Values> m_collectionSnapshots;
    QHash<Deeplink*, Deeplink::Values> m_deeplinkSnapshots;

    bool m_saveScheduled = false;
    bool m_saving = false;
    bool m_waitingForStore = false;
    QTimer m_retry;
    quint64 m_nextSerial = 1;
};

Q_DECLARE_METATYPE(ManagedObject*)
