#pragma once

#include "store/UrlQueryItem.h"

#include <QHashFunctions>

// One row of the deeplink editor's parameter table: its 1-based position and the query item.
struct QueryItem {
    qint64 id = 0;
    UrlQueryItem store;

    friend bool operator==(const QueryItem&, const QueryItem&) = default;
};

inline size_t qHash(const QueryItem& item, size_t seed = 0) {
    return qHashMulti(seed, item.id, item.store.name, item.store.value.has_value(),
                      item.store.value.value_or(QString()));
}
