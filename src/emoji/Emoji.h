#pragma once

#include <QHashFunctions>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One record of the emoji catalogue: the emoji itself and the words it is found by.
struct Emoji {
    QString string;
    std::optional<QString> category;
    std::optional<QString> description;
    std::optional<QStringList> aliases;
    QStringList tags;

    friend bool operator==(const Emoji&, const Emoji&) = default;

    // Decodes one catalogue record: "string" and "tags" are required, "category",
    // "description" and "aliases" may be absent or null, other keys are ignored. A missing
    // required key or a value of the wrong type gives no record.
    [[nodiscard]] static std::optional<Emoji> fromJson(const QJsonValue& value);

    // Decodes a whole catalogue (a JSON array of records). Any bad record fails the whole list.
    [[nodiscard]] static std::optional<QList<Emoji>> listFromJson(const QByteArray& json);
};

size_t qHash(const Emoji& emoji, size_t seed = 0) noexcept;
