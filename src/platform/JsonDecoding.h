#pragma once

#include "platform/AppError.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// A JSON document that does not have the shape a format requires: not JSON at all, a required
// key missing or null, or a value of the wrong JSON type. Unknown keys are never an error.
class JsonDecodingError : public LocalizedError {
public:
    enum class Kind { dataCorrupted, keyNotFound, valueNotFound, typeMismatch };

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
    // dataCorrupted only: where and why the parser stopped.
    [[nodiscard]] qsizetype parseOffset() const { return m_parseOffset; }
    [[nodiscard]] const QString& parseReason() const { return m_parseReason; }

    // Decoders call this while the error unwinds through a container, outermost last.
    void prependPath(const QString& component);

private:
    Kind m_kind;
    QString m_codingPath;
    QJsonValue::Type m_expected = QJsonValue::Undefined;
    QJsonValue::Type m_found = QJsonValue::Undefined;
    qsizetype m_parseOffset = -1;
    QString m_parseReason;
};

// Strict readers over QJsonObject/QJsonValue. Required readers throw JsonDecodingError when the key
// is absent, null or of another type; optional readers give nothing for absent or null and
// still throw for another type, as a default JSON decoder does.
namespace JsonDecoding {

// The top-level object of `data`; throws dataCorrupted for invalid JSON, typeMismatch for a
// non-object root.
[[nodiscard]] QJsonObject documentObject(const QByteArray& data);

[[nodiscard]] QString requiredString(const QJsonObject& object, QLatin1StringView key);
[[nodiscard]] std::optional<QString> optionalString(const QJsonObject& object,
                                                    QLatin1StringView key);
[[nodiscard]] std::optional<bool> optionalBool(const QJsonObject& object, QLatin1StringView key);
[[nodiscard]] QJsonObject requiredObject(const QJsonObject& object, QLatin1StringView key);
[[nodiscard]] QJsonArray requiredArray(const QJsonObject& object, QLatin1StringView key);
[[nodiscard]] std::optional<QJsonArray> optionalArray(const QJsonObject& object,
                                                      QLatin1StringView key);

// An array element that must be an object (wrap the call in within("[i]", ...) for the path).
[[nodiscard]] QJsonObject objectElement(const QJsonValue& value);

// "a number", "an array", "null", ... for error messages.
[[nodiscard]] QString describe(QJsonValue::Type type);

// Runs `decode` and, if it throws JsonDecodingError, prefixes `component` to the error's path.
template <typename F> auto within(const QString& component, F&& decode) -> decltype(decode()) {
    try {
        return decode();
    } catch (JsonDecodingError& error) {
        error.prependPath(component);
        throw;
    }
}

} // namespace JsonDecoding
