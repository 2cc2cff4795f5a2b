#include "store/ManagedObjectContext.h"

#include "platform/Logger.h"

#include <QDeadlineTimer>
#include <QThread>

#include <tuple>
#include <utility>

namespace {

// Null and empty text are different values in the file.
bool same(const QString& a, const QString& b) {
    return a == b && a.isNull() == b.isNull();
}
template <typename T> bool same(const T& a, const T& b) {
    return a == b;
}

// A field follows the file unless this context changed it since its last save.
template <typename T> void follow(T& current, const T& saved, const T& stored) {
    if (same(current, saved))
        current = stored;
}

auto color(const DeeplinkCollection::Values& values) {
    return std::make_tuple(values.colorR, values.colorG, values.colorB, values.colorA);
}

DeeplinkCollection::Values merged(DeeplinkCollection::Values current,
                                  const DeeplinkCollection::Values& saved,
                                  const DeeplinkCollection::Values& stored) {
    follow(current.uid, saved.uid, stored.uid);
    follow(current.name, saved.name, stored.name);
    follow(current.emoji, saved.emoji, stored.emoji);
    follow(current.isPinned, saved.isPinned, stored.isPinned);
    follow(current.timestampMsecs, saved.timestampMsecs, stored.timestampMsecs);
    // The colour is one choice, not four fields.
    if (color(current) == color(saved)) {
        current.colorR = stored.colorR;
        current.colorG = stored.colorG;
        current.colorB = stored.colorB;
        current.colorA = stored.colorA;
    }
    return current;
}

bool same(const DeeplinkCollection::Values& a, const DeeplinkCollection::Values& b) {
    return a.uid == b.uid && same(a.name, b.name) && same(a.emoji, b.emoji) &&
           a.isPinned == b.isPinned && a.timestampMsecs == b.timestampMsecs && color(a) == color(b);
}

Deeplink::Values merged(Deeplink::Values current, const Deeplink::Values& saved,
                        const Deeplink::Values& stored) {
    follow(current.title, saved.title, stored.title);
    follow(current.urlText, saved.urlText, stored.urlText);
    follow(current.timestampMsecs, saved.timestampMsecs, stored.timestampMsecs);
    follow(current.collection, saved.collection, stored.collection);
    return current;
}

bool same(const Deeplink::Values& a, const Deeplink::Values& b) {
    return same(a.title, b.title) && same(a.urlText, b.urlText) &&
           a.timestampMsecs == b.timestampMsecs && a.collection == b.collection;
}

// What `object` last saved: its snapshot, or `current` when it has no unsaved change. The
// snapshot becomes the file's `row`, so that a rollback goes back to what the file holds now.
template <typename Object, typename Values>
Values takeSnapshot(QHash<Object*, Values>& snapshots, Object* object, const Values& current,
                    const Values& row) {
    const auto snapshot = snapshots.find(object);
    return snapshot == snapshots.end() ? current : std::exchange(*snapshot, row);
}

} // namespace

ManagedObjectContext::ManagedObjectContext(SqliteStore* store, QObject* parent)
    : QObject(parent)
    , m_store(store) {
    // Retried while another process holds the file; a second between tries keeps the window
    // free of the busy waits.
    m_retry.setSingleShot(true);
    m_retry.setInterval(1000);
    connect(&m_retry, &QTimer::timeout, this, [this] { (void)save(); });
    mergeChangesFromStore();
}

ManagedObjectContext::~ManagedObjectContext() {
    QSet<ManagedObject*> all = m_deleted;
    for (auto* collection : std::as_const(m_collections))
        all.insert(collection);
    for (auto* deeplink : std::as_const(m_deeplinks))
        all.insert(deeplink);
    qDeleteAll(all);
}

DeeplinkCollection* ManagedObjectContext::insertCollection() {
    auto* collection = new DeeplinkCollection(this, 0);
    collection->m_values.timestampMsecs = QDateTime::currentMSecsSinceEpoch();
    collection->m_serial = m_nextSerial++;
    m_collections.insert(collection);
    m_inserted.insert(collection);
    Q_EMIT objectChanged(collection, Change::Inserted);
    return collection;
}

Deeplink* ManagedObjectContext::insertDeeplink() {
    auto* deeplink = new Deeplink(this, 0);
    deeplink->m_values.timestampMsecs = QDateTime::currentMSecsSinceEpoch();
    deeplink->m_serial = m_nextSerial++;
    m_deeplinks.insert(deeplink);
    m_inserted.insert(deeplink);
    Q_EMIT objectChanged(deeplink, Change::Inserted);
    return deeplink;
}

void ManagedObjectContext::deleteObject(ManagedObject* object) {
    if (!object || object->m_context != this || object->m_deleted)
        return;
    if (object->entity() == ManagedObject::Entity::Deeplink) {
        deleteDeeplink(static_cast<Deeplink*>(object));
        return;
    }
    auto* collection = static_cast<DeeplinkCollection*>(object);
    // Cascade: the collection's deeplinks go with it.
    const QList<Deeplink*> members = collection->deeplinks();
    for (Deeplink* deeplink : members)
        deleteDeeplink(deeplink);
    objectWillChange(collection);
    collection->m_deleted = true;
    m_collections.remove(collection);
    m_updated.remove(collection);
    m_deleted.insert(collection);
    Q_EMIT objectChanged(collection, Change::Deleted);
}

void ManagedObjectContext::deleteDeeplink(Deeplink* deeplink) {
    if (deeplink->m_deleted)
        return;
    DeeplinkCollection* collection = deeplink->deeplinkCollection();
    objectWillChange(deeplink);
    if (collection)
        objectWillChange(collection);
    // Detach so the collection's count drops at once; the snapshot keeps the relation for
    // a rollback.
    deeplink->attachTo(nullptr);
    deeplink->m_deleted = true;
    m_deeplinks.remove(deeplink);
    m_updated.remove(deeplink);
    m_deleted.insert(deeplink);
    Q_EMIT objectChanged(deeplink, Change::Deleted);
    if (collection)
        collection->didChange();
}

void ManagedObjectContext::objectWillChange(ManagedObject* object) {
    if (object->m_deleted || m_inserted.contains(object))
        return;
    if (object->entity() == ManagedObject::Entity::Deeplink) {
        auto* deeplink = static_cast<Deeplink*>(object);
        if (!m_deeplinkSnapshots.contains(deeplink))
            m_deeplinkSnapshots.insert(deeplink, deeplink->m_values);
    } else {
        auto* collection = static_cast<DeeplinkCollection*>(object);
        if (!m_collectionSnapshots.contains(collection))
            m_collectionSnapshots.insert(collection, collection->m_values);
    }
}

void ManagedObjectContext::objectDidChange(ManagedObject* object) {
    if (object->m_deleted)
        return;
    if (!m_inserted.contains(object))
        m_updated.insert(object);
    Q_EMIT objectChanged(object, Change::Updated);
}

bool ManagedObjectContext::saveWaitingForStore(int milliseconds, QString* error) {
    const QDeadlineTimer deadline(milliseconds);
    while (!save(error)) {
        if (!m_waitingForStore || deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

bool ManagedObjectContext::save(QString* error) {
    if (m_saving) {
        // A view answering a change announced half-way through a save: after it, then.
        saveLater();
        return failSave(QStringLiteral("A save is already under way."), error);
    }
    m_waitingForStore = false;
    if (!hasChanges()) {
        mergeChangesFromStore();
        return true;
    }
    QString reason;
    if (m_store && !m_store->begin(&reason)) {
        m_waitingForStore = true;
        m_retry.start();
        return failSave(reason, error);
    }
    m_saving = true;
    // Under the write lock nothing can change between taking in the others' rows and
    // writing ours.
    if (m_store)
        merge();
    m_saving = false;
    // Objects inserted and deleted again before a save never reach the file.
    QSet<ManagedObject*> inserted;
    for (ManagedObject* object : std::as_const(m_inserted)) {
        if (!object->m_deleted)
            inserted.insert(object);
    }
    QSet<ManagedObject*> deleted;
    for (ManagedObject* object : std::as_const(m_deleted)) {
        if (!m_inserted.contains(object))
            deleted.insert(object);
    }
    if (m_store) {
        const bool written = m_store->write(inserted, m_updated, deleted, &reason);
        if (!written)
            m_store->rollback();
        if (!written || !m_store->commit(&reason)) {
            // The rows were not kept, so neither are the ids they were given.
            for (ManagedObject* object : std::as_const(inserted))
                object->m_storeId = 0;
            return failSave(reason, error);
        }
    }

    const QSet<ManagedObject*> gone = m_deleted;
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
    m_collectionSnapshots.clear();
    m_deeplinkSnapshots.clear();
    for (ManagedObject* object : gone)
        discard(object);
    Q_EMIT didSave();
    return true;
}

bool ManagedObjectContext::failSave(const QString& reason, QString* error) {
    // Some callers go on without looking at the result; the log always hears of it.
    static const Logger log(QStringLiteral("Kestrine"), QStringLiteral("ManagedObjectContext"));
    log.error(u"Failed to save the store: %{public}@", reason);
    if (error)
        *error = reason;
    return false;
}

void ManagedObjectContext::mergeChangesFromStore() {
    if (m_store && !m_saving)
        merge();
}

void ManagedObjectContext::merge() {
    QHash<qint64, DeeplinkCollection*> collections;
    QHash<qint64, Deeplink*> deeplinks;
    // Rows seen, to find the objects whose rows are gone; on the first load there are none.
    QSet<qint64> stored;
    bool mayRemove = false;
    // Collections whose deeplinks came or went, told once at the end.
    QSet<DeeplinkCollection*> changed;
    // The first load has no one to tell about collections' counts.
    const bool firstLoad = m_nextSerial == 1;

    SqliteStore::RowSink sink;
    sink.reading = [&] {
        // Objects whose rows are in the file: the live ones and those deleted here but not
        // yet saved. New objects (id 0) are this context's alone.
        const auto index = [&](ManagedObject* object) {
            if (object->storeId() == 0)
                return;
            if (object->entity() == ManagedObject::Entity::Deeplink)
                deeplinks.insert(object->storeId(), static_cast<Deeplink*>(object));
            else
                collections.insert(object->storeId(), static_cast<DeeplinkCollection*>(object));
        };
        for (ManagedObject* object : registeredObjects())
            index(object);
        for (ManagedObject* object : std::as_const(m_deleted))
            index(object);
        mayRemove = !collections.isEmpty();
    };
    sink.collection = [&](qint64 id, const DeeplinkCollection::Values& row) {
        if (mayRemove)
            stored.insert(id);
        DeeplinkCollection* collection = collections.value(id);
        if (!collection) {
            collection = new DeeplinkCollection(this, id);
            collection->restore(row);
            collection->m_serial = m_nextSerial++;
            m_collections.insert(collection);
            collections.insert(id, collection);
            Q_EMIT objectChanged(collection, Change::Inserted);
            return;
        }
        const DeeplinkCollection::Values saved =
            takeSnapshot(m_collectionSnapshots, collection, collection->m_values, row);
        if (collection->m_deleted)
            return;
        const auto values = merged(collection->m_values, saved, row);
        if (!same(values, collection->m_values)) {
            // Announced at once: live queries place the objects that follow by these values.
            collection->restore(values);
            Q_EMIT objectChanged(collection, Change::Updated);
            Q_EMIT collection->changed();
        }
    };
    sink.collectionsRead = [&](bool complete) {
        if (mayRemove && complete) {
            for (DeeplinkCollection* collection : std::as_const(collections)) {
                if (!stored.contains(collection->storeId()))
                    forget(collection);
            }
        }
        stored.clear();
        mayRemove = !deeplinks.isEmpty();
    };
    sink.deeplink = [&](qint64 id, std::optional<qint64> collectionId,
                        const Deeplink::Values& row) {
        if (mayRemove)
            stored.insert(id);
        Deeplink::Values values = row;
        values.collection = collectionId ? collections.value(*collectionId) : nullptr;
        Deeplink* deeplink = deeplinks.value(id);
        if (deeplink && deeplink->m_deleted && !m_deleted.contains(deeplink))
            deeplink = nullptr; // forgotten with its collection, but moved elsewhere first
        if (!deeplink) {
            deeplink = new Deeplink(this, id);
            deeplink->m_values = row;
            deeplink->attachTo(values.collection);
            deeplink->m_serial = m_nextSerial++;
            m_deeplinks.insert(deeplink);
            if (!firstLoad)
                changed.insert(values.collection);
            Q_EMIT objectChanged(deeplink, Change::Inserted);
        } else {
            const Deeplink::Values saved =
                takeSnapshot(m_deeplinkSnapshots, deeplink, deeplink->m_values, values);
            if (deeplink->m_deleted)
                return;
            Deeplink::Values next = merged(deeplink->m_values, saved, values);
            if (same(next, deeplink->m_values))
                return;
            DeeplinkCollection* owner = next.collection;
            next.collection = deeplink->m_values.collection;
            deeplink->m_values = next;
            if (owner != next.collection) {
                changed.insert(next.collection);
                changed.insert(owner);
                deeplink->attachTo(owner);
            }
            Q_EMIT objectChanged(deeplink, Change::Updated);
            Q_EMIT deeplink->changed();
        }
        // Moved elsewhere into a collection deleted here: it goes with the collection.
        if (deeplink->deeplinkCollection() && deeplink->deeplinkCollection()->m_deleted)
            deleteDeeplink(deeplink);
    };
    sink.deeplinksRead = [&](bool complete) {
        if (!mayRemove || !complete)
            return;
        for (Deeplink* deeplink : std::as_const(deeplinks)) {
            if (!stored.contains(deeplink->storeId())) {
                changed.insert(deeplink->deeplinkCollection());
                forget(deeplink);
            }
        }
    };
    m_store->readChanges(sink);

    changed.remove(nullptr);
    for (DeeplinkCollection* collection : std::as_const(changed)) {
        if (collection->m_deleted)
            continue;
        Q_EMIT objectChanged(collection, Change::Updated);
        Q_EMIT collection->changed();
    }
}

void ManagedObjectContext::forget(ManagedObject* object) {
    if (!m_deleted.remove(object)) {
        if (object->m_deleted)
            return; // already forgotten
        // Still live here: it disappears from the queries now. A collection's deeplinks went
        // with its row, and new ones here have nowhere to go.
        if (object->entity() == ManagedObject::Entity::DeeplinkCollection) {
            const QList<Deeplink*> members = static_cast<DeeplinkCollection*>(object)->deeplinks();
            for (Deeplink* deeplink : members)
                forget(deeplink);
        }
        unregister(object);
    }
    m_inserted.remove(object);
    m_updated.remove(object);
    if (object->entity() == ManagedObject::Entity::Deeplink)
        m_deeplinkSnapshots.remove(static_cast<Deeplink*>(object));
    else
        m_collectionSnapshots.remove(static_cast<DeeplinkCollection*>(object));
    discard(object);
}

void ManagedObjectContext::unregister(ManagedObject* object) {
    if (object->entity() == ManagedObject::Entity::Deeplink) {
        auto* deeplink = static_cast<Deeplink*>(object);
        deeplink->attachTo(nullptr);
        m_deeplinks.remove(deeplink);
    } else {
        m_collections.remove(static_cast<DeeplinkCollection*>(object));
    }
    object->m_deleted = true;
    Q_EMIT objectChanged(object, Change::Deleted);
}

void ManagedObjectContext::saveLater() {
    if (m_saveScheduled)
        return;
    m_saveScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_saveScheduled = false;
            (void)save();
        },
        Qt::QueuedConnection);
}

void ManagedObjectContext::rollback() {
    // Deleted objects come back first, so restored relations find them registered.
    const QSet<ManagedObject*> deleted = m_deleted;
    const QSet<ManagedObject*> inserted = m_inserted;
    const auto collectionSnapshots = m_collectionSnapshots;
    const auto deeplinkSnapshots = m_deeplinkSnapshots;
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
    m_collectionSnapshots.clear();
    m_deeplinkSnapshots.clear();

    for (ManagedObject* object : deleted) {
        if (inserted.contains(object))
            continue;
        object->m_deleted = false;
        if (object->entity() == ManagedObject::Entity::Deeplink)
            m_deeplinks.insert(static_cast<Deeplink*>(object));
        else
            m_collections.insert(static_cast<DeeplinkCollection*>(object));
    }
    for (auto it = collectionSnapshots.begin(); it != collectionSnapshots.end(); ++it)
        it.key()->restore(it.value());
    for (auto it = deeplinkSnapshots.begin(); it != deeplinkSnapshots.end(); ++it) {
        Deeplink* deeplink = it.key();
        DeeplinkCollection* collection = it.value().collection;
        deeplink->attachTo(nullptr);
        deeplink->m_values = it.value();
        deeplink->m_values.collection = nullptr;
        deeplink->attachTo(collection);
    }
    for (ManagedObject* object : inserted) {
        if (object->entity() == ManagedObject::Entity::DeeplinkCollection) {
            auto* collection = static_cast<DeeplinkCollection*>(object);
            for (Deeplink* member : collection->deeplinks())
                member->m_values.collection = nullptr;
            collection->m_deeplinks.clear();
        }
        unregister(object);
    }
    for (ManagedObject* object : deleted) {
        if (!inserted.contains(object))
            Q_EMIT objectChanged(object, Change::Inserted);
    }
    for (auto it = collectionSnapshots.begin(); it != collectionSnapshots.end(); ++it) {
        if (!deleted.contains(it.key()))
            Q_EMIT objectChanged(it.key(), Change::Updated);
        Q_EMIT it.key()->changed();
    }
    for (auto it = deeplinkSnapshots.begin(); it != deeplinkSnapshots.end(); ++it) {
        if (!deleted.contains(it.key()))
            Q_EMIT objectChanged(it.key(), Change::Updated);
        Q_EMIT it.key()->changed();
    }
    for (ManagedObject* object : inserted)
        discard(object);
}

bool ManagedObjectContext::hasChanges() const {
    return !m_inserted.isEmpty() || !m_updated.isEmpty() || !m_deleted.isEmpty();
}

QList<ManagedObject*> ManagedObjectContext::registeredObjects() const {
    QList<ManagedObject*> objects;
    objects.reserve(m_collections.size() + m_deeplinks.size());
    for (auto* collection : m_collections)
        objects.append(collection);
    for (auto* deeplink : m_deeplinks)
        objects.append(deeplink);
    return objects;
}

QList<DeeplinkCollection*> ManagedObjectContext::collections() const {
    return {m_collections.begin(), m_collections.end()};
}

QList<Deeplink*> ManagedObjectContext::deeplinks() const {
    return {m_deeplinks.begin(), m_deeplinks.end()};
}

void ManagedObjectContext::discard(ManagedObject* object) {
    // Views may still hold a QPointer to it; let them see it vanish after this event.
    object->deleteLater();
}
