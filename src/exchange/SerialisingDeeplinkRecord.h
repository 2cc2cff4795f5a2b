#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

class JsonDecoding;

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

    // Reads one deeplink object through `json`. A missing or null member is absent, unknown
    // members are ignored; a member of the wrong type fails `json`.
    [[nodiscard]] static SerialisingDeeplinkRecord fromJson(JsonDecoding& json,
                                                            const QJsonObject& object);
};
