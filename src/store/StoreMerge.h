#pragma once

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"

#include <QHash>
#include <QSet>

#include <optional>

class ManagedObjectContext;
class SqliteStore;

// One pass that takes what other processes saved to the store file into a
// ManagedObjectContext, announcing through the context each object it adds, changes or
// removes. New rows become objects; a changed row updates the fields this context has not
// changed since its last save; an object whose row is gone leaves (a collection with its
// deeplinks, new ones included). Only the deeplinks of collections whose deeplinks are loaded
// become objects; the others' are counted. The context runs one on load, on request and before each
// save, under the write lock.
class StoreMerge {
public:
    explicit StoreMerge(ManagedObjectContext& context);

    // Reads what the file holds now, if another connection changed it, into the context.
    void run(SqliteStore& store);

private:
    void indexObjects();
    void takeCollection(qint64 id, const DeeplinkCollection::Values& row);
    void collectionsRead(bool complete);
    // Rows of collections whose deeplinks are not loaded are only counted, unless this context
    // holds them (they moved there, or are deleted here).
    bool wantsDeeplink(qint64 id, std::optional<qint64> collectionId);
    // The same for a whole collection at once, while no row is known.
    bool countsDeeplinks(qint64 collectionId, qint64 count);
    // The collection of that row id when its deeplinks are not loaded, whose rows are counted.
    [[nodiscard]] DeeplinkCollection* countedOnly(std::optional<qint64> collectionId) const;
    void takeDeeplink(qint64 id, std::optional<qint64> collectionId, const Deeplink::Values& row);
    void deeplinksRead(bool complete);

    ManagedObjectContext& m_context;
    // The objects whose rows are in the file, by row id.
    QHash<qint64, DeeplinkCollection*> m_collections;
    QHash<qint64, Deeplink*> m_deeplinks;
    // Rows seen, to find the objects whose rows are gone; on the first load there are none.
    QSet<qint64> m_stored;
    bool m_mayRemove = false;
    // The rows the file holds for each collection whose deeplinks are not loaded.
    QHash<DeeplinkCollection*, qint64> m_counts;
    // Collections whose deeplinks came or went, told once at the end.
    QSet<DeeplinkCollection*> m_changed;
    // The first load has no one to tell about collections' counts.
    bool m_firstLoad = false;
};
