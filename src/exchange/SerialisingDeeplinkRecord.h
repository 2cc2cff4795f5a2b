#pragma once

#include <QByteArray>
#include <QJsonObject>
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
    // ignored; a member of the wrong type throws JsonDecodingError.
    [[nodiscard]] static SerialisingDeeplinkRecord fromJson(const QJsonObject& object);
};
