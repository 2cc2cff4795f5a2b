#pragma once

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/SaveOutcome.h"
#include "store/SqliteStore.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <chrono>

// QObject that is the main (and only) context: an in-memory object graph loaded from the store
// file. It owns every object, tracks inserts, updates and deletes, and writes exactly the pending
// changes in one transaction on save(). Change notifications are sent synchronously so that live
// queries see unsaved changes at once. What other processes save to the same file is taken in
// before each save (StoreMerge) and by mergeChangesFromStore().
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
    // transaction. Unless saved, nothing is written, the changes stay pending and the reason
    // is logged. When another process holds the file, the save is tried again a second later;
    // with `waitForStore`, also here for at most that long, for when nothing will retry later
    // (the process is about to end). Callers undo the user's action only when it failed: a
    // busy store must not undo it, nor any other unsaved edit.
    SaveOutcome save(std::chrono::milliseconds waitForStore = {});

    // save() once control is back in the event loop: views that go away or hide while the
    // context is announcing a change (a cascade still half done) must not write that half.
    // Unless saved, the changes stay pending for the next save point.
    void saveLater();

    // Deletes what the user chose and saves, committing what was already pending first, so
    // that undoing a failed deletion throws away nothing but the deletion itself. Failed: the
    // deletion is undone (the objects are back). Busy: it stays pending with the rest.
    SaveOutcome deleteAndSave(const QList<ManagedObject*>& objects);

    // Throws away all pending changes, restoring the last saved state.
    void rollback();

    [[nodiscard]] bool hasChanges() const;

    // Every object the context currently holds and has not deleted: every collection, and the
    // deeplinks read in so far (a collection's are read when it is first asked for them).
    [[nodiscard]] QList<ManagedObject*> registeredObjects() const;
    [[nodiscard]] QList<DeeplinkCollection*> collections() const;
    [[nodiscard]] const QSet<DeeplinkCollection*>& collectionSet() const { return m_collections; }
    // Every deeplink, reading in those of every collection not read yet; from then on the
    // context holds every deeplink.
    [[nodiscard]] QList<Deeplink*> deeplinks() const;

Q_SIGNALS:
    void objectChanged(ManagedObject* object, ManagedObjectContext::Change change);
    void didSave();

private:
    friend class ManagedObject;
    friend class SqliteStore;
    friend class StoreMerge;

    friend class DeeplinkCollection;

    // Reads the collection's deeplinks from the file into the context, announcing nothing:
    // to everyone else they were there all along.
    void loadDeeplinks(DeeplinkCollection* collection);
    // A deeplink row of the file as a new object of `collection`, announcing nothing.
    Deeplink* registerStored(qint64 id, const Deeplink::Values& row,
                             DeeplinkCollection* collection);
    void objectWillChange(ManagedObject* object);
    void objectDidChange(ManagedObject* object);
    void deleteDeeplink(Deeplink* deeplink);
    // The one attempt that decides saved, busy or failed.
    SaveOutcome trySave();
    // Drops an object whose row is gone from the file, without writing anything.
    void forget(ManagedObject* object);
    // Takes a live object out of the queries (a deeplink out of its collection too) and
    // announces it gone.
    void unregister(ManagedObject* object);
    void discard(ManagedObject* object);
    SaveOutcome failSave(SaveOutcome::Kind kind, const QString& reason);

    SqliteStore* m_store = nullptr;
    QSet<DeeplinkCollection*> m_collections;
    QSet<Deeplink*> m_deeplinks;

    QSet<ManagedObject*> m_inserted;
    QSet<ManagedObject*> m_updated;
    QSet<ManagedObject*> m_deleted;
    // Saved values of changed objects, taken before their first change since the last save.
    QHash<DeeplinkCollection*, DeeplinkCollection::Values> m_collectionSnapshots;
    QHash<Deeplink*, Deeplink::Values> m_deeplinkSnapshots;

    // Once every deeplink was asked for, collections other processes add come with theirs.
    bool m_everyDeeplinkLoaded = false;
    bool m_saveScheduled = false;
    bool m_saving = false;
    QTimer m_retry;
    quint64 m_nextSerial = 1;
};

Q_DECLARE_METATYPE(ManagedObject*)
