#include "emoji/Emoji.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

std::optional<QStringList> stringList(const QJsonValue& value) {
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    QStringList list;
    list.reserve(array.size());
    for (const QJsonValue& entry : array) {
        if (!entry.isString())
            return std::nullopt;
        list.append(entry.toString());
    }
    return list;
}

// Optional keys: absent and null both mean "no value"; anything else must have the type.
bool isAbsent(const QJsonValue& value) {
    return value.isUndefined() || value.isNull();
}

} // namespace

std::optional<Emoji> Emoji::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();

    Emoji emoji;
    const QJsonValue string = object.value(QLatin1String("string"));
    if (!string.isString())
        return std::nullopt;
    emoji.string = string.toString();

    auto tags = stringList(object.value(QLatin1String("tags")));
    if (!tags)
        return std::nullopt;
    emoji.tags = std::move(*tags);

    for (auto [key, field] :
         {std::pair{"category", &emoji.category}, std::pair{"description", &emoji.description}}) {
        const QJsonValue entry = object.value(QLatin1String(key));
        if (isAbsent(entry))
            continue;
        if (!entry.isString())
            return std::nullopt;
        *field = entry.toString();
    }

    const QJsonValue aliases = object.value(QLatin1String("aliases"));
    if (!isAbsent(aliases)) {
        emoji.aliases = stringList(aliases);
        if (!emoji.aliases)
            return std::nullopt;
    }
    return emoji;
}

std::optional<QList<Emoji>> Emoji::listFromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<Emoji> list;
    list.reserve(array.size());
    for (const QJsonValue& value : array) {
        auto emoji = fromJson(value);
        if (!emoji)
            return std::nullopt;
        list.append(std::move(*emoji));
    }
    return list;
}

size_t qHash(const Emoji& emoji, size_t seed) noexcept {
    QtPrivate::QHashCombine combine;
    seed = combine(seed, emoji.string);
    seed = combine(seed, emoji.category.value_or(QString()));
    seed = combine(seed, emoji.category.has_value());
    seed = combine(seed, emoji.description.value_or(QString()));
    seed = combine(seed, emoji.description.has_value());
    seed = combine(seed, emoji.aliases.value_or(QStringList()));
    seed = combine(seed, emoji.aliases.has_value());
    seed = combine(seed, emoji.tags);
    return seed;
}
