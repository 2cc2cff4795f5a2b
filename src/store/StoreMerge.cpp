#include "store/StoreMerge.h"

#include "store/ManagedObjectContext.h"
#include "store/SqliteStore.h"

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
    follow(current.environments, saved.environments, stored.environments);
    follow(current.activeEnvironment, saved.activeEnvironment, stored.activeEnvironment);
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
           a.isPinned == b.isPinned && a.timestampMsecs == b.timestampMsecs &&
           color(a) == color(b) && a.environments == b.environments &&
           a.activeEnvironment == b.activeEnvironment;
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

StoreMerge::StoreMerge(ManagedObjectContext& context)
    : m_context(context)
    , m_firstLoad(context.m_nextSerial == 1) {}

void StoreMerge::run(SqliteStore& store) {
    SqliteStore::RowSink sink;
    sink.reading = [this] { indexObjects(); };
    sink.collection = [this](qint64 id, const DeeplinkCollection::Values& row) {
        takeCollection(id, row);
    };
    sink.collectionsRead = [this](bool complete) { collectionsRead(complete); };
    sink.wantsDeeplink = [this](qint64 id, std::optional<qint64> collectionId) {
        return wantsDeeplink(id, collectionId);
    };
    // Opening the store: no deeplink is known yet, so the collections not read in need only
    // their counts.
    if (m_firstLoad) {
        sink.countsDeeplinks = [this](qint64 collectionId, qint64 count) {
            return countsDeeplinks(collectionId, count);
        };
    }
    sink.deeplink = [this](qint64 id, std::optional<qint64> collectionId,
                           const Deeplink::Values& row) { takeDeeplink(id, collectionId, row); };
    sink.deeplinksRead = [this](bool complete) { deeplinksRead(complete); };
    store.readChanges(sink);

    m_changed.remove(nullptr);
    for (DeeplinkCollection* collection : std::as_const(m_changed)) {
        if (collection->m_deleted)
            continue;
        Q_EMIT m_context.objectChanged(collection, ManagedObjectContext::Change::Updated);
        Q_EMIT collection->changed();
    }
}

void StoreMerge::indexObjects() {
    // Objects whose rows are in the file: the live ones and those deleted here but not yet
    // saved. New objects (id 0) are this context's alone.
    const auto index = [this](ManagedObject* object) {
        if (object->storeId() == 0)
            return;
        if (object->entity() == ManagedObject::Entity::Deeplink)
            m_deeplinks.insert(object->storeId(), static_cast<Deeplink*>(object));
        else
            m_collections.insert(object->storeId(), static_cast<DeeplinkCollection*>(object));
    };
    for (ManagedObject* object : m_context.registeredObjects())
        index(object);
    for (ManagedObject* object : std::as_const(m_context.m_deleted))
        index(object);
    m_mayRemove = !m_collections.isEmpty();
}

void StoreMerge::takeCollection(qint64 id, const DeeplinkCollection::Values& row) {
    if (m_mayRemove)
        m_stored.insert(id);
    DeeplinkCollection* collection = m_collections.value(id);
    if (!collection) {
        collection = new DeeplinkCollection(&m_context, id);
        collection->restore(row);
        collection->m_deeplinksLoaded = m_context.m_everyDeeplinkLoaded;
        collection->m_serial = m_context.m_nextSerial++;
        m_context.m_collections.insert(collection);
        m_collections.insert(id, collection);
        Q_EMIT m_context.objectChanged(collection, ManagedObjectContext::Change::Inserted);
        return;
    }
    const DeeplinkCollection::Values saved =
        takeSnapshot(m_context.m_collectionSnapshots, collection, collection->m_values, row);
    if (collection->m_deleted)
        return;
    const auto values = merged(collection->m_values, saved, row);
    if (!same(values, collection->m_values)) {
        // Announced at once: live queries place the objects that follow by these values.
        collection->restore(values);
        Q_EMIT m_context.objectChanged(collection, ManagedObjectContext::Change::Updated);
        Q_EMIT collection->changed();
    }
}

void StoreMerge::collectionsRead(bool complete) {
    if (m_mayRemove && complete) {
        for (DeeplinkCollection* collection : std::as_const(m_collections)) {
            if (!m_stored.contains(collection->storeId()))
                m_context.forget(collection);
        }
    }
    m_stored.clear();
    m_mayRemove = !m_deeplinks.isEmpty();
}

bool StoreMerge::wantsDeeplink(qint64 id, std::optional<qint64> collectionId) {
    const bool known = m_deeplinks.contains(id);
    if (known && m_mayRemove)
        m_stored.insert(id);
    DeeplinkCollection* collection = countedOnly(collectionId);
    if (!collection)
        return true;
    ++m_counts[collection];
    return known;
}

bool StoreMerge::countsDeeplinks(qint64 collectionId, qint64 count) {
    DeeplinkCollection* collection = countedOnly(collectionId);
    if (collection)
        m_counts[collection] = count;
    return collection != nullptr;
}

DeeplinkCollection* StoreMerge::countedOnly(std::optional<qint64> collectionId) const {
    DeeplinkCollection* collection = collectionId ? m_collections.value(*collectionId) : nullptr;
    return collection && !collection->m_deeplinksLoaded ? collection : nullptr;
}

void StoreMerge::takeDeeplink(qint64 id, std::optional<qint64> collectionId,
                              const Deeplink::Values& row) {
    Deeplink::Values values = row;
    values.collection = collectionId ? m_collections.value(*collectionId) : nullptr;
    const bool ownerLoaded = !values.collection || values.collection->m_deeplinksLoaded;
    Deeplink* deeplink = m_deeplinks.value(id);
    if (deeplink && deeplink->m_deleted && !m_context.m_deleted.contains(deeplink))
        deeplink = nullptr; // forgotten with its collection, but moved elsewhere first
    if (!deeplink && !ownerLoaded)
        return; // counted: it is read in with its collection
    if (deeplink && !deeplink->m_deleted && !ownerLoaded) {
        // Moved elsewhere into a collection not loaded here: it leaves this one, and is read
        // in with that one.
        if (!m_context.m_deeplinkSnapshots.contains(deeplink)) {
            m_changed.insert(deeplink->deeplinkCollection());
            m_context.forget(deeplink);
            return;
        }
        // Unless it has unsaved changes, which go along: that collection is read in now, and
        // the rows it read are known from here on.
        for (Deeplink* member : values.collection->deeplinks()) {
            if (!m_deeplinks.contains(member->storeId())) {
                m_deeplinks.insert(member->storeId(), member);
                if (m_mayRemove)
                    m_stored.insert(member->storeId());
            }
        }
    }
    if (!deeplink) {
        deeplink = m_context.registerStored(id, row, values.collection);
        if (!m_firstLoad)
            m_changed.insert(values.collection);
        Q_EMIT m_context.objectChanged(deeplink, ManagedObjectContext::Change::Inserted);
    } else {
        const Deeplink::Values saved =
            takeSnapshot(m_context.m_deeplinkSnapshots, deeplink, deeplink->m_values, values);
        if (deeplink->m_deleted)
            return;
        Deeplink::Values next = merged(deeplink->m_values, saved, values);
        if (same(next, deeplink->m_values))
            return;
        DeeplinkCollection* owner = next.collection;
        next.collection = deeplink->m_values.collection;
        deeplink->m_values = next;
        if (owner != next.collection) {
            m_changed.insert(next.collection);
            m_changed.insert(owner);
            deeplink->attachTo(owner);
        }
        Q_EMIT m_context.objectChanged(deeplink, ManagedObjectContext::Change::Updated);
        Q_EMIT deeplink->changed();
    }
    // Moved elsewhere into a collection deleted here: it goes with the collection.
    if (deeplink->deeplinkCollection() && deeplink->deeplinkCollection()->m_deleted)
        m_context.deleteDeeplink(deeplink);
}

void StoreMerge::deeplinksRead(bool complete) {
    if (!complete)
        return;
    for (DeeplinkCollection* collection : std::as_const(m_context.m_collections)) {
        if (collection->m_deeplinksLoaded)
            continue;
        const qint64 count = m_counts.value(collection);
        if (count != collection->m_storedCount && !m_firstLoad)
            m_changed.insert(collection);
        collection->m_storedCount = count;
    }
    if (!m_mayRemove)
        return;
    for (Deeplink* deeplink : std::as_const(m_deeplinks)) {
        if (!m_stored.contains(deeplink->storeId())) {
            m_changed.insert(deeplink->deeplinkCollection());
            m_context.forget(deeplink);
        }
    }
}
