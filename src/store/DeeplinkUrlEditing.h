#pragma once

#include "store/QueryItem.h"

#include <QList>
#include <QString>

#include <optional>

// The reading and writing rules of the deeplink editor, on URL texts only (no widgets, no
// store), so every rule can be checked with tables of URLs. A URL is its stored text (see
// UrlText); a null text means "no URL".
//
// The URL field shows the stored text as it is; the component fields show decoded text. A
// write rewrites exactly one component's span of the text, so everything else keeps its bytes.
// A write the URL cannot hold (a relative path under a host, a scheme with a forbidden
// character, a port out of range, a host with a space) gives back the URL unchanged, so nothing
// stored is lost and the field shows the stored value again. A placeholder ("{{name}}", see
// Placeholder) is text in every field: shown and written as typed, never encoded, also where
// the variable's value is checked only when it is filled in (scheme, host, port).
namespace DeeplinkUrlEditing {

enum class Field { Url, Host, Scheme, Port, User, Password, Path };

// What `field` shows for `url`: the URL field the stored text as it is; a component field its
// decoded text, empty for no URL, for text that is no URL, and for an absent component.
[[nodiscard]] QString fieldText(const QString& url, Field field);

// The URL after the user typed `text` into `field`. Typed whole-URL text is kept as typed, with
// only the characters that cannot stand in a URL percent-encoded; text that is no URL leaves
// the URL unchanged, empty text leaves no URL.
[[nodiscard]] QString withFieldText(const QString& url, Field field, const QString& text);

// Every query item in URL order, decoded, including those with an empty name.
[[nodiscard]] QList<UrlQueryItem> queryItems(const QString& url);

// The parameter rows: the query items with a non-empty name, numbered 1, 2, ... in order.
[[nodiscard]] QList<QueryItem> rows(const QString& url);

// Writes `rows` as the whole query: rows without a name are left out, an empty or missing
// value is written as the name alone, and an empty list leaves an empty query ("?"). Names
// and values that are unchanged from the URL's own row at the same position keep their
// original encoding (so "+" and "%2B" stay apart); new text is percent-encoded so that
// "&", "=", "#", "%" and "+" come back as typed.
[[nodiscard]] QString withRows(const QString& url, const QList<QueryItem>& rows);

// Replaces the name (value) of row `id`; an empty value means no value. No row `id`: unchanged.
[[nodiscard]] QString withRowName(const QString& url, qint64 id, const QString& name);
[[nodiscard]] QString withRowValue(const QString& url, qint64 id, const QString& value);

// Appends the row key<N>=value, N being the last row's id plus 1 (1 without rows); `newId`
// receives N, or 0 when the URL could not take the row.
[[nodiscard]] QString withAddedRow(const QString& url, qint64* newId = nullptr);

// Drops the last row (if any) and writes the rows back.
[[nodiscard]] QString withLastRowRemoved(const QString& url);

// `text` read as a decimal integer: an optional "+" or "-", ASCII digits only, no overflow.
[[nodiscard]] std::optional<qint64> decimalInteger(const QString& text);

} // namespace DeeplinkUrlEditing
