#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

// One deeplink of an exchange file: {"title": ..., "url": ...}, each member optional.
struct SerialisingDeeplinkRecord {
    std::optional<QString> title;
    // The URL's absolute text.
    std::optional<QString> url;

    friend bool operator==(const SerialisingDeeplinkRecord&,
                           const SerialisingDeeplinkRecord&) = default;

    // Appends the record as a pretty-printed object at indentation `level`; absent members
    // are left out, never written as null.
    void appendJson(QByteArray& out, int level) const;

    // Reads one deeplink object. A missing or null member is absent, unknown members are
    // ignored; anything of the wrong type throws DecodingError naming `path`.
    [[nodiscard]] static SerialisingDeeplinkRecord fromJson(const QJsonValue& value,
                                                            const QString& path);
};
