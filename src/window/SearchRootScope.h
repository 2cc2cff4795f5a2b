#pragma once

#include "window/DeeplinkScope.h"

#include <QHashFunctions>
#include <QMetaType>
#include <QtGlobal>

// What the window's search field searches: the collections by name, or the selected
// collection's deeplinks in one field. Compared by value.
class SearchRootScope {
public:
    // The collection scope.
    constexpr SearchRootScope() = default;

    [[nodiscard]] static constexpr SearchRootScope collection() { return {}; }
    [[nodiscard]] static constexpr SearchRootScope deeplink(DeeplinkScope field) {
        return SearchRootScope(field);
    }

    [[nodiscard]] constexpr bool isCollection() const { return !m_isDeeplink; }
    [[nodiscard]] constexpr bool isDeeplink() const { return m_isDeeplink; }
    // The deeplink field; meaningful only for a deeplink scope.
    [[nodiscard]] constexpr DeeplinkScope deeplinkScope() const { return m_field; }

    // One byte: deeplink(title) = 0, deeplink(url) = 1, collection = 2.
    [[nodiscard]] constexpr quint8 encoded() const {
        if (!m_isDeeplink)
            return 2;
        return m_field == DeeplinkScope::Title ? 0 : 1;
    }
    [[nodiscard]] static constexpr SearchRootScope decoded(quint8 byte) {
        switch (byte) {
        case 0:
            return deeplink(DeeplinkScope::Title);
        case 1:
            return deeplink(DeeplinkScope::Url);
        default:
            return collection();
        }
    }

    friend constexpr bool operator==(SearchRootScope a, SearchRootScope b) {
        return a.encoded() == b.encoded();
    }

private:
    constexpr explicit SearchRootScope(DeeplinkScope field)
        : m_isDeeplink(true)
        , m_field(field) {}

    bool m_isDeeplink = false;
    DeeplinkScope m_field = DeeplinkScope::Title;
};

inline size_t qHash(SearchRootScope scope, size_t seed = 0) {
    return qHash(scope.encoded(), seed);
}

Q_DECLARE_METATYPE(SearchRootScope)
