#pragma once

#include "store/QueryItem.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// The reading and writing rules of the deeplink editor, on URL values only (no widgets, no
// store), so every rule can be checked with tables of URLs.
//
// Fields show decoded text. A write changes exactly one component of the URL in place, so the
// other components keep their stored encoding byte for byte. A write the URL cannot hold (a
// relative path under a host, a scheme with a forbidden character, a port out of range) gives
// back the URL unchanged, so nothing stored is lost and the field shows the stored value again.
// An empty result means "no URL".
namespace DeeplinkUrlEditing {

enum class Field { url, host, scheme, port, user, password, path };

// What `field` shows for `url`: empty for an empty or invalid URL and for absent components.
[[nodiscard]] QString fieldText(const QUrl& url, Field field);

// The URL after the user typed `text` into `field`.
[[nodiscard]] QUrl withFieldText(const QUrl& url, Field field, const QString& text);

// Every query item in URL order, decoded, including those with an empty name.
[[nodiscard]] QList<UrlQueryItem> queryItems(const QUrl& url);

// The parameter rows: the query items with a non-empty name, numbered 1, 2, ... in order.
[[nodiscard]] QList<QueryItem> rows(const QUrl& url);

// Writes `rows` as the whole query: rows without a name are left out, an empty or missing
// value is written as the name alone, and an empty list leaves an empty query ("?"). Names
// and values that are unchanged from the URL's own row at the same position keep their
// original encoding (so "+" and "%2B" stay apart); new text is percent-encoded so that
// "&", "=", "#", "%" and "+" come back as typed.
[[nodiscard]] QUrl withRows(const QUrl& url, const QList<QueryItem>& rows);

// Replaces the name (value) of row `id`; an empty value means no value. No row `id`: unchanged.
[[nodiscard]] QUrl withRowName(const QUrl& url, qint64 id, const QString& name);
[[nodiscard]] QUrl withRowValue(const QUrl& url, qint64 id, const QString& value);

// Appends the row key<N>=value, N being the last row's id plus 1 (1 without rows); `newId`
// receives N, or 0 when the URL could not take the row.
[[nodiscard]] QUrl withAddedRow(const QUrl& url, qint64* newId = nullptr);

// Drops the last row (if any) and writes the rows back.
[[nodiscard]] QUrl withLastRowRemoved(const QUrl& url);

// `text` read as a decimal integer: an optional "+" or "-", ASCII digits only, no overflow.
[[nodiscard]] std::optional<qint64> decimalInteger(const QString& text);

} // namespace DeeplinkUrlEditing
