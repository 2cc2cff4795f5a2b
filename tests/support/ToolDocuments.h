#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

// What the stand-in devicectl hands back in tests: a PNG of one colour, and an apps document.
namespace ToolDocuments {

inline QByteArray png(QColor color, int size = 12) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// `devicectl device info apps --json-output`, one app per "name=bundle id" pair.
inline QByteArray apps(const QStringList& apps) {
    QJsonArray array;
    for (const QString& app : apps) {
        const QStringList parts = app.split(u'=');
        array.append(QJsonObject{{QStringLiteral("name"), parts.at(0)},
                                 {QStringLiteral("bundleIdentifier"), parts.at(1)}});
    }
    const QJsonObject result{{QStringLiteral("apps"), array}};
    return QJsonDocument(QJsonObject{{QStringLiteral("result"), result}}).toJson();
}

} // namespace ToolDocuments
