#pragma once

#include <QByteArray>
#include <QString>

// JSON written by hand, for formats whose member order matters (QJsonDocument sorts members,
// so it would put "deeplinks" before "title").
namespace JsonEncoding {

// Appends `text` as a JSON string literal (UTF-8, quotes, backslashes and control characters
// escaped; "/" left as is, which every JSON reader accepts).
void appendString(QByteArray& out, const QString& text);

// Appends `level` steps of indentation (two spaces each).
void appendIndent(QByteArray& out, int level);

} // namespace JsonEncoding
