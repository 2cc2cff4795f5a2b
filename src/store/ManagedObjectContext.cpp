#include "store/ManagedObjectContext.h"

#include "platform/Logger.h"
#include "store/StoreMerge.h"

#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>

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

SaveOutcome ManagedObjectContext::save(std::chrono::milliseconds waitForStore) {
    const QDeadlineTimer deadline(waitForStore);
    SaveOutcome outcome = trySave();
    // Waiting is for another process's lock; a save under way here cannot end while this waits.
    while (outcome.kind == SaveOutcome::Kind::Busy && !m_saving && !deadline.hasExpired()) {
        QThread::msleep(50);
        outcome = trySave();
    }
    return outcome;
}

SaveOutcome ManagedObjectContext::deleteAndSave(const QList<ManagedObject*>& objects) {
    if (hasChanges()) {
        if (const SaveOutcome pending = save(); pending.kind == SaveOutcome::Kind::Failed)
            return pending;
    }
    for (ManagedObject* object : objects)
        deleteObject(object);
    const SaveOutcome outcome = save();
    if (outcome.kind == SaveOutcome::Kind::Failed)
        rollback();
    return outcome;
}

SaveOutcome ManagedObjectContext::trySave() {
    if (m_saving) {
        // A view answering a change announced half-way through a save: after it, then.
        saveLater();
        return failSave(SaveOutcome::Kind::Busy, QStringLiteral("A save is already under way."));
    }
    if (!hasChanges()) {
        mergeChangesFromStore();
        return {};
    }
    QString reason;
    switch (m_store ? m_store->begin(&reason) : SqliteStore::Begin::Begun) {
    case SqliteStore::Begin::Begun:
        break;
    case SqliteStore::Begin::Busy:
        m_retry.start();
        return failSave(SaveOutcome::Kind::Busy, reason);
    case SqliteStore::Begin::Failed:
        // Retrying would only fail again, once a second in the log.
        return failSave(SaveOutcome::Kind::Failed, reason);
    }
    m_saving = true;
    // Under the write lock nothing can change between taking in the others' rows and
    // writing ours.
    if (m_store)
        StoreMerge(*this).run(*m_store);
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
            return failSave(SaveOutcome::Kind::Failed, reason);
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
    return {};
}

SaveOutcome ManagedObjectContext::failSave(SaveOutcome::Kind kind, const QString& reason) {
    // Some callers go on without looking at the outcome; the log always hears of it.
    static const Logger log(QStringLiteral("Kestrine"), QStringLiteral("ManagedObjectContext"));
    log.error(u"Failed to save the store: %{public}@", reason);
    return {kind, reason};
}

void ManagedObjectContext::mergeChangesFromStore() {
    if (m_store && !m_saving)
        StoreMerge(*this).run(*m_store);
}

void ManagedObjectContext::forget(ManagedObject* object) {
    if (!m_deleted.remove(object)) {
        if (object->m_deleted)
            return; // already forgotten
        // Still live here: it disappears from the queries now. A collection's deeplinks went
        // with its row, and new ones here have nowhere to go.
        if (object->entity() == ManagedObject::Entity::DeeplinkCollection) {
            // Those loaded: the others left the file with the row.
            const QList<Deeplink*> members = static_cast<DeeplinkCollection*>(object)->m_deeplinks;
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
    if (!m_everyDeeplinkLoaded)
        const_cast<ManagedObjectContext*>(this)->loadDeeplinks(nullptr);
    return {m_deeplinks.begin(), m_deeplinks.end()};
}

void ManagedObjectContext::loadDeeplinks(DeeplinkCollection* collection) {
    // One query for one collection; for all (null), one over every row.
    QHash<qint64, DeeplinkCollection*> unloaded;
    if (collection) {
        // One no longer registered (deleted elsewhere) took its rows with it.
        if (!collection->m_deeplinksLoaded && m_collections.contains(collection))
            unloaded.insert(collection->storeId(), collection);
    } else {
        m_everyDeeplinkLoaded = true;
        for (DeeplinkCollection* candidate : std::as_const(m_collections)) {
            if (!candidate->m_deeplinksLoaded)
                unloaded.insert(candidate->storeId(), candidate);
        }
    }
    for (DeeplinkCollection* candidate : std::as_const(unloaded))
        candidate->m_deeplinksLoaded = true;
    if (collection)
        collection->m_deeplinksLoaded = true;
    if (!m_store || unloaded.isEmpty())
        return;
    // Rows another process moved here since the context last looked are still loaded where
    // they were: the next merge moves them; a second object for a row would write over it.
    QSet<qint64> loaded;
    if (m_store->changedSinceRead()) {
        for (const Deeplink* deeplink : std::as_const(m_deeplinks))
            loaded.insert(deeplink->storeId());
        for (const ManagedObject* object : std::as_const(m_deleted))
            loaded.insert(object->storeId());
    }
    const bool complete = m_store->readDeeplinks(
        collection ? std::optional(collection->storeId()) : std::nullopt,
        [&](qint64 id, std::optional<qint64> collectionId, const Deeplink::Values& row) {
            DeeplinkCollection* owner = collectionId ? unloaded.value(*collectionId) : nullptr;
            if (owner && !loaded.contains(id))
                (void)registerStored(id, row, owner);
        });
    if (!complete) {
        // What was not read comes with the next merge, which must then read everything.
        static const Logger log(QStringLiteral("Kestrine"), QStringLiteral("ManagedObjectContext"));
        log.error(u"Failed to read the deeplinks of a collection from the store");
        m_store->forgetReadVersion();
    }
}

// `row` comes from the file without its collection.
Deeplink* ManagedObjectContext::registerStored(qint64 id, const Deeplink::Values& row,
                                               DeeplinkCollection* collection) {
    auto* deeplink = new Deeplink(this, id);
    deeplink->m_values = row;
    deeplink->attachTo(collection);
    deeplink->m_serial = m_nextSerial++;
    m_deeplinks.insert(deeplink);
    return deeplink;
}

void ManagedObjectContext::discard(ManagedObject* object) {
    // Views may still hold a QPointer to it; let them see it vanish after this event.
    object->deleteLater();
}

#include "moc_ManagedObjectContext.cpp"
