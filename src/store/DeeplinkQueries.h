#pragma once

#include "store/FetchRequest.h"

#include <QUuid>

// The window's two queries over the store.
namespace DeeplinkQueries {

// All collections, pinned first, then newest timestamp first (no timestamp last), in the
// sections "1" (pinned) and "0". A non-empty `nameFilter` keeps the collections whose name
// contains it, ignoring case and diacritics.
[[nodiscard]] FetchRequest collections(const QString& nameFilter = {});

enum class TextField { None, Title, Url };

// The deeplinks of the collection with `collectionUid`, newest timestamp first (no timestamp
// last). A null uid matches nothing. With `field` Title or Url and non-empty `text`, only
// deeplinks whose title or absolute URL text contains `text` exactly (case-sensitive).
[[nodiscard]] FetchRequest deeplinks(const QUuid& collectionUid, TextField field = TextField::None,
                                     const QString& text = {});

} // namespace DeeplinkQueries
