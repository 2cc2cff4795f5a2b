#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

// Small pieces shared by the exchange records: a JSON writer that keeps the records' member
// order (QJsonDocument would sort "deeplinks" before "title") and strict member readers.
namespace ExchangeJson {

// Appends `text` as a JSON string literal (UTF-8, quotes, backslashes and control characters
// escaped; "/" left as is, which every JSON reader accepts).
void appendString(QByteArray& out, const QString& text);

// Appends `level` steps of indentation (two spaces each).
void appendIndent(QByteArray& out, int level);

// "a number", "an array", ... for error messages.
[[nodiscard]] QString describe(const QJsonValue& value);

// An optional string member: missing or null gives no value, a string gives it, anything
// else throws DecodingError naming `path`.
[[nodiscard]] std::optional<QString> optionalString(const QJsonValue& value, const QString& path);

} // namespace ExchangeJson
