#pragma once

#include "window/DeeplinkScope.h"

#include <QHashFunctions>
#include <QMetaType>
#include <QtGlobal>

#include <optional>

// What the window's search field searches: the collections by name (no deeplink field), or the
// selected collection's deeplinks in one field. The default is the collection scope.
struct SearchRootScope {
    std::optional<DeeplinkScope> deeplinkField;

    [[nodiscard]] constexpr bool isCollection() const { return !deeplinkField; }

    // One byte: deeplink title = 0, deeplink URL = 1, collection = 2.
    [[nodiscard]] constexpr quint8 encoded() const {
        if (!deeplinkField)
            return 2;
        return *deeplinkField == DeeplinkScope::Title ? 0 : 1;
    }
    [[nodiscard]] static constexpr SearchRootScope decoded(quint8 byte) {
        switch (byte) {
        case 0:
            return {DeeplinkScope::Title};
        case 1:
            return {DeeplinkScope::Url};
        default:
            return {};
        }
    }

    friend constexpr bool operator==(const SearchRootScope&, const SearchRootScope&) = default;
};

inline size_t qHash(SearchRootScope scope, size_t seed = 0) {
    return qHash(scope.encoded(), seed);
}

Q_DECLARE_METATYPE(SearchRootScope)
