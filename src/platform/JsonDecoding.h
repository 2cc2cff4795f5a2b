#pragma once

#include "platform/AppError.h"
#include "platform/Result.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>
#include <type_traits>

// A JSON document that does not have the shape a format requires: not JSON at all, a required
// key missing or null, or a value of the wrong JSON type. Unknown keys are never an error.
class JsonDecodingError : public LocalizedError {
public:
    enum class Kind { DataCorrupted, KeyNotFound, ValueNotFound, TypeMismatch };

    // `found` stood where a value of type `expected` was required (Undefined: the key is absent).
    JsonDecodingError(QString key, QJsonValue::Type expected, QJsonValue::Type found);
    // Qt's parser gave up at byte `offset` for `reason`.
    JsonDecodingError(qsizetype offset, QString reason);

    [[nodiscard]] QString errorDescription() const override;
    [[nodiscard]] Kind kind() const { return m_kind; }
    // Where in the document it went wrong, e.g. "result.devices[2].hardwareProperties"; empty
    // for the document itself.
    [[nodiscard]] const QString& codingPath() const { return m_codingPath; }
    [[nodiscard]] QJsonValue::Type expectedType() const { return m_expected; }
    [[nodiscard]] QJsonValue::Type foundType() const { return m_found; }
    // DataCorrupted only: where and why the parser stopped.
    [[nodiscard]] qsizetype parseOffset() const { return m_parseOffset; }
    [[nodiscard]] const QString& parseReason() const { return m_parseReason; }

    // Decoders call this on the way out of each container, outermost last.
    void prependPath(const QString& component);

private:
    Kind m_kind;
    QString m_codingPath;
    QJsonValue::Type m_expected = QJsonValue::Undefined;
    QJsonValue::Type m_found = QJsonValue::Undefined;
    qsizetype m_parseOffset = -1;
    QString m_parseReason;
};

// Strict reads over one JSON document, in the manner of QXmlStreamReader: nothing throws; the
// first failure is kept, with the path where it happened, and every read after it gives an empty
// value, so a decoder reads straight through and asks for result() once at the end. Required
// reads fail when the key is absent, null or of another type; optional reads give nothing for
// absent or null and still fail for another type, as a default JSON decoder does.
class JsonDecoding {
public:
    // The top-level object of `data`; fails with DataCorrupted for invalid JSON, TypeMismatch
    // for a non-object root.
    [[nodiscard]] QJsonObject documentObject(const QByteArray& data);

    [[nodiscard]] QString requiredString(const QJsonObject& object, QLatin1StringView key);
    [[nodiscard]] std::optional<QString> optionalString(const QJsonObject& object,
                                                        QLatin1StringView key);
    [[nodiscard]] std::optional<bool> optionalBool(const QJsonObject& object,
                                                   QLatin1StringView key);
    [[nodiscard]] QJsonObject requiredObject(const QJsonObject& object, QLatin1StringView key);
    [[nodiscard]] QJsonArray requiredArray(const QJsonObject& object, QLatin1StringView key);
    [[nodiscard]] std::optional<QJsonArray> optionalArray(const QJsonObject& object,
                                                          QLatin1StringView key);

    // An array element that must be an object (wrap the call in within("[i]", ...) for the path).
    [[nodiscard]] QJsonObject objectElement(const QJsonValue& value);

    // Runs `decode`; a failure that happens in it gets `component` put before its path.
    template <typename F> auto within(const QString& component, F&& decode) {
        const bool failedBefore = hasError();
        if constexpr (std::is_void_v<decltype(decode())>) {
            decode();
            if (!failedBefore && hasError())
                m_error->prependPath(component);
        } else {
            auto value = decode();
            if (!failedBefore && hasError())
                m_error->prependPath(component);
            return value;
        }
    }

    [[nodiscard]] bool hasError() const { return m_error.has_value(); }
    // `value` when every read succeeded, else the first failure.
    template <typename T> [[nodiscard]] Result<T, JsonDecodingError> result(T value) const {
        if (m_error)
            return ResultError(*m_error);
        return value;
    }

    // "a number", "an array", "null", ... for error messages.
    [[nodiscard]] static QString describe(QJsonValue::Type type);

private:
    // The value of `key` if it has type `type`; nothing when absent or null and not `required`,
    // or when it fails.
    std::optional<QJsonValue> member(const QJsonObject& object, QLatin1StringView key,
                                     QJsonValue::Type type, bool required);
    void fail(JsonDecodingError error);

    std::optional<JsonDecodingError> m_error;
};
