#include "store/DeeplinkQueries.h"

#include "store/Deeplink.h"
#include "store/DeeplinkCollection.h"
#include "store/TextFolding.h"

namespace DeeplinkQueries {

namespace {

// Newest first; objects without a timestamp after all that have one.
bool newerFirst(const std::optional<qint64>& a, const std::optional<qint64>& b) {
    if (a && b)
        return *a > *b;
    return a.has_value() && !b.has_value();
}

} // namespace

FetchRequest collections(const QString& nameFilter) {
    FetchRequest request;
    request.entity = ManagedObject::Entity::DeeplinkCollection;
    request.lessThan = [](const ManagedObject& a, const ManagedObject& b) {
        const auto& left = static_cast<const DeeplinkCollection&>(a);
        const auto& right = static_cast<const DeeplinkCollection&>(b);
        if (left.isPinned() != right.isPinned())
            return left.isPinned();
        return newerFirst(left.timestampMsecs(), right.timestampMsecs());
    };
    request.sectionKey = [](const ManagedObject& object) {
        return static_cast<const DeeplinkCollection&>(object).isPinned() ? QStringLiteral("1")
                                                                         : QStringLiteral("0");
    };
    if (!nameFilter.isEmpty()) {
        request.predicate = [folded = TextFolding::fold(nameFilter)](const ManagedObject& object) {
            return static_cast<const DeeplinkCollection&>(object).foldedName().contains(folded);
        };
    }
    return request;
}

FetchRequest deeplinks(const QUuid& collectionUid, TextField field, const QString& text) {
    FetchRequest request;
    request.entity = ManagedObject::Entity::Deeplink;
    request.lessThan = [](const ManagedObject& a, const ManagedObject& b) {
        return newerFirst(static_cast<const Deeplink&>(a).timestampMsecs(),
                          static_cast<const Deeplink&>(b).timestampMsecs());
    };
    // A collection without a uid is matched against a fresh one, so it shows nothing.
    const QUuid uid = collectionUid.isNull() ? QUuid::createUuid() : collectionUid;
    const bool narrowed = field != TextField::None && !text.isEmpty();
    request.within = [uid](const DeeplinkCollection& collection) {
        return collection.uid() == uid;
    };
    if (narrowed) {
        request.predicate = [field, text](const ManagedObject& object) {
            const auto& deeplink = static_cast<const Deeplink&>(object);
            const QString& haystack =
                field == TextField::Title ? deeplink.title() : deeplink.urlString();
            return haystack.contains(text, Qt::CaseSensitive);
        };
    }
    return request;
}

} // namespace DeeplinkQueries
