#pragma once

#include "TestEnvironment.h"

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/FetchedResultsModel.h"
#include "store/ManagedObjectContext.h"

#include <QDateTime>
#include <QStringList>

#include <QTest>

#include <optional>

// Small builders for tests: collections and deeplinks with fixed timestamps, and the titles a
// live query lists.
namespace StoreBuilders {

inline QDateTime at(int seconds) {
    return QDateTime::fromSecsSinceEpoch(1'700'000'000 + seconds, Qt::UTC);
}

inline DeeplinkCollection* addCollection(ManagedObjectContext& context, const QString& name,
                                         bool pinned = false, std::optional<int> seconds = 0) {
    DeeplinkCollection* collection = context.insertCollection();
    collection->setUid(QUuid::createUuid());
    collection->setName(name);
    collection->setIsPinned(pinned);
    collection->setColor(0.2, 0.4, 0.9, 1.0);
    collection->setTimestamp(seconds ? at(*seconds) : QDateTime());
    return collection;
}

inline Deeplink* addDeeplink(ManagedObjectContext& context, DeeplinkCollection* collection,
                             const QString& title, const QString& url, int seconds = 0) {
    Deeplink* deeplink = context.insertDeeplink();
    deeplink->setTitle(title);
    deeplink->setUrlString(url);
    deeplink->setTimestamp(at(seconds));
    collection->addDeeplink(deeplink);
    return deeplink;
}

// Names (collections) or titles (deeplinks) of what a live query lists, in order.
inline QStringList listed(const FetchedResultsModel& model) {
    QStringList result;
    for (ManagedObject* object : model.fetchedObjects()) {
        if (object->entity() == ManagedObject::Entity::DeeplinkCollection)
            result.append(static_cast<DeeplinkCollection*>(object)->name());
        else
            result.append(static_cast<Deeplink*>(object)->title());
    }
    return result;
}

inline DeeplinkCollection* collectionNamed(const ManagedObjectContext& context,
                                           const QString& name) {
    for (DeeplinkCollection* collection : context.collections()) {
        if (collection->name() == name)
            return collection;
    }
    return nullptr;
}

// Looks among the deeplinks read in so far first, so that finding one reads no collection in.
inline Deeplink* deeplinkTitled(const ManagedObjectContext& context, const QString& title) {
    for (ManagedObject* object : context.registeredObjects()) {
        if (object->entity() == ManagedObject::Entity::Deeplink &&
            static_cast<Deeplink*>(object)->title() == title)
            return static_cast<Deeplink*>(object);
    }
    for (Deeplink* deeplink : context.deeplinks()) {
        if (deeplink->title() == title)
            return deeplink;
    }
    return nullptr;
}

// "collection/title", "-/title" for a deeplink in no collection.
inline QString label(const Deeplink* deeplink) {
    const DeeplinkCollection* owner = deeplink->deeplinkCollection();
    return (owner ? owner->name() : QStringLiteral("-")) + u'/' + deeplink->title();
}

// What a store holds, sorted: "#name emoji" per collection, label() per deeplink.
inline QStringList contents(const ManagedObjectContext& context) {
    QStringList rows;
    for (const DeeplinkCollection* c : context.collections())
        rows.append(QStringLiteral("#%1 %2").arg(c->name(), c->emoji()).trimmed());
    for (const Deeplink* d : context.deeplinks())
        rows.append(label(d));
    rows.sort();
    return rows;
}

// Adds what contents() lists as "name/title": a bare collection `name` (made when missing) and
// in it a deeplink `title` without URL; "name/" adds the collection alone.
inline void fill(ManagedObjectContext& context, const QStringList& labels) {
    for (const QString& row : labels) {
        const QString name = row.section(u'/', 0, 0);
        DeeplinkCollection* collection = collectionNamed(context, name);
        if (!collection) {
            collection = context.insertCollection();
            collection->setName(name);
        }
        if (!row.endsWith(u'/'))
            addDeeplink(context, collection, row.section(u'/', 1), {});
    }
}

// A temporary environment and an in-memory store, with the builders bound to it.
struct Store {
    DeeplinkCollection* collection(const QString& name, bool pinned = false,
                                   std::optional<int> seconds = 0) {
        return addCollection(context, name, pinned, seconds);
    }
    Deeplink* deeplink(DeeplinkCollection* collection, const QString& title,
                       const QString& url = QStringLiteral("app://x"), int seconds = 0) {
        return addDeeplink(context, collection, title, url, seconds);
    }

    TestEnvironment env;
    ManagedObjectContext context;
};

// Shows `widget` and waits until it is on screen.
template <typename Widget> Widget& shown(Widget& widget) {
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        qFatal("window not exposed");
    return widget;
}

} // namespace StoreBuilders
