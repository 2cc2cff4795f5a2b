#pragma once

#include "exchange/DecodingError.h"
#include "exchange/SerialisingDeeplinkRecord.h"
#include "platform/Result.h"
#include "store/Environment.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One collection as an exchange file holds it: {"title": ..., "deeplinks": [...],
// "environments": [...], "activeEnvironment": ...}. No colour, emoji, pin, identifier or
// timestamp travels with it.
struct SerialisingDeeplinkRecordCollection {
    // The collection's name.
    std::optional<QString> title;
    std::optional<QList<SerialisingDeeplinkRecord>> deeplinks;
    // In Environment's JSON form; written only when there are some, so a collection without
    // them exports as it always did.
    std::optional<QList<Environment>> environments{};
    std::optional<QString> activeEnvironment{};

    friend bool operator==(const SerialisingDeeplinkRecordCollection&,
                           const SerialisingDeeplinkRecordCollection&) = default;

    // Pretty-printed JSON, members in the order title, deeplinks, environments,
    // activeEnvironment; absent values are absent members (never null).
    [[nodiscard]] QByteArray encoded() const;

    // Reads a whole file. Missing or null members are absent and unknown members ignored;
    // malformed JSON, an empty buffer or a member of the wrong type give a DecodingError.
    static Result<SerialisingDeeplinkRecordCollection, DecodingError>
    decode(const QByteArray& data);
};
