#pragma once

#include "store/ManagedObject.h"

#include <QString>

#include <functional>

class DeeplinkCollection;

// Plain value type, the definition of a live query (FetchedResultsModel): what it shows is one
// entity's objects that pass `predicate`, ordered by `lessThan`, optionally grouped by
// `sectionKey`. The sort must order by the section key first, so that each section is one
// contiguous run.
struct FetchRequest {
    using Predicate = std::function<bool(const ManagedObject&)>;
    using LessThan = std::function<bool(const ManagedObject&, const ManagedObject&)>;
    using SectionKey = std::function<QString(const ManagedObject&)>;
    using Within = std::function<bool(const DeeplinkCollection&)>;

    ManagedObject::Entity entity = ManagedObject::Entity::DeeplinkCollection;
    Predicate predicate;   // empty: every object
    LessThan lessThan;     // empty: creation order
    SectionKey sectionKey; // empty: one flat list
    // Deeplinks only: those of the collections that pass. Only these collections' deeplinks
    // are read from the file; empty: every deeplink's, read in whole.
    Within within;
};
