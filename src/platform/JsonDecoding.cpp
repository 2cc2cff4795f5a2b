#include "platform/JsonDecoding.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace {

// The code unit of the \uXXXX escape at `at`, or -1 when there is none.
int escapedUnit(QByteArrayView data, qsizetype at) {
    if (at + 6 > data.size() || data[at] != '\\' || data[at + 1] != 'u')
        return -1;
    int unit = 0;
    for (const char digit : data.sliced(at + 2, 4)) {
        const char lower = char(digit | 0x20);
        if (digit >= '0' && digit <= '9')
            unit = unit * 16 + (digit - '0');
        else if (lower >= 'a' && lower <= 'f')
            unit = unit * 16 + (lower - 'a' + 10);
        else
            return -1;
    }
    return unit;
}

// Qt's parser joins a high surrogate escape with whatever code unit follows it ("\ud800 x" reads
// as U+10020 and "x") and keeps a lone low one. Each escape that is not half of a pair becomes
// \uFFFD first; it is as long as what it replaces, so parse offsets still point into `data`.
QByteArray replaceUnpairedSurrogates(const QByteArray& data) {
    QByteArray result = data; // shared until the first replacement
    bool inString = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '"') {
            inString = !inString;
            continue;
        }
        if (!inString || c != '\\')
            continue;
        const int unit = escapedUnit(data, i);
        if (unit < 0) {
            ++i; // \" or \\ is one character that cannot start anything
            continue;
        }
        const int next = escapedUnit(data, i + 6);
        if (QChar::isHighSurrogate(char32_t(unit)) && next >= 0 &&
            QChar::isLowSurrogate(char32_t(next))) {
            i += 11;
            continue;
        }
        if (QChar::isSurrogate(char32_t(unit)))
            result.replace(i, 6, "\\uFFFD");
        i += 5;
    }
    return result;
}

} // namespace

JsonDecodingError::JsonDecodingError(QString key, QJsonValue::Type expected, QJsonValue::Type found)
    : m_kind(found == QJsonValue::Undefined ? Kind::KeyNotFound
             : found == QJsonValue::Null    ? Kind::ValueNotFound
                                            : Kind::TypeMismatch)
    , m_codingPath(std::move(key))
    , m_expected(expected)
    , m_found(found) {}

JsonDecodingError::JsonDecodingError(qsizetype offset, QString reason)
    : m_kind(Kind::DataCorrupted)
    , m_parseOffset(offset)
    , m_parseReason(std::move(reason)) {}

QString JsonDecodingError::errorDescription() const {
    QString text =
        m_kind == Kind::KeyNotFound || m_kind == Kind::ValueNotFound
            ? QStringLiteral("The data couldn’t be read because it is missing.")
            : QStringLiteral("The data couldn’t be read because it isn’t in the correct format.");
    QString where;
    switch (m_kind) {
    case Kind::KeyNotFound:
        where = QStringLiteral("No value for key “%1”").arg(m_codingPath);
        break;
    case Kind::ValueNotFound:
        where = QStringLiteral("Null value at “%1”").arg(m_codingPath);
        break;
    case Kind::TypeMismatch:
        // Only the document itself has an empty path, and it must be an object.
        where = QStringLiteral("Wrong type at “%1”: %2")
                    .arg(m_codingPath, m_codingPath.isEmpty()
                                           ? QStringLiteral("expected an object at the top level")
                                           : QStringLiteral("expected another type, found ") +
                                                 JsonDecoding::describe(m_found));
        break;
    case Kind::DataCorrupted:
        where =
            QStringLiteral("not valid JSON: %1 at offset %2").arg(m_parseReason).arg(m_parseOffset);
        break;
    }
    return text + QStringLiteral(" (") + where + QStringLiteral(")");
}

void JsonDecodingError::prependPath(const QString& component) {
    if (m_codingPath.isEmpty())
        m_codingPath = component;
    else if (m_codingPath.startsWith(QLatin1Char('[')))
        m_codingPath = component + m_codingPath;
    else
        m_codingPath = component + QLatin1Char('.') + m_codingPath;
}

void JsonDecoding::fail(JsonDecodingError error) {
    if (!m_error)
        m_error = std::move(error);
}

std::optional<QJsonValue> JsonDecoding::member(const QJsonObject& object, QLatin1StringView key,
                                               QJsonValue::Type type, bool required) {
    if (m_error)
        return std::nullopt;
    const QJsonValue value = object.value(key);
    if (value.type() == type)
        return value;
    if (required || !(value.isUndefined() || value.isNull()))
        fail(JsonDecodingError(key.toString(), type, value.type()));
    return std::nullopt;
}

QJsonObject JsonDecoding::documentObject(const QByteArray& data) {
    if (m_error)
        return {};
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(replaceUnpairedSurrogates(data), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(JsonDecodingError(parseError.offset, parseError.errorString()));
        return {};
    }
    // A document that parses holds an object or an array.
    if (!document.isObject()) {
        fail(JsonDecodingError({}, QJsonValue::Object, QJsonValue::Array));
        return {};
    }
    return document.object();
}

QString JsonDecoding::requiredString(const QJsonObject& object, QLatin1StringView key) {
    const auto value = member(object, key, QJsonValue::String, true);
    return value ? value->toString() : QString();
}

std::optional<QString> JsonDecoding::optionalString(const QJsonObject& object,
                                                    QLatin1StringView key) {
    const auto value = member(object, key, QJsonValue::String, false);
    return value ? std::optional(value->toString()) : std::nullopt;
}

std::optional<bool> JsonDecoding::optionalBool(const QJsonObject& object, QLatin1StringView key) {
    const auto value = member(object, key, QJsonValue::Bool, false);
    return value ? std::optional(value->toBool()) : std::nullopt;
}

QJsonObject JsonDecoding::requiredObject(const QJsonObject& object, QLatin1StringView key) {
    const auto value = member(object, key, QJsonValue::Object, true);
    return value ? value->toObject() : QJsonObject();
}

QJsonArray JsonDecoding::requiredArray(const QJsonObject& object, QLatin1StringView key) {
    const auto value = member(object, key, QJsonValue::Array, true);
    return value ? value->toArray() : QJsonArray();
}

std::optional<QJsonArray> JsonDecoding::optionalArray(const QJsonObject& object,
                                                      QLatin1StringView key) {
    const auto value = member(object, key, QJsonValue::Array, false);
    return value ? std::optional(value->toArray()) : std::nullopt;
}

QJsonObject JsonDecoding::objectElement(const QJsonValue& value) {
    if (m_error)
        return {};
    if (value.isObject())
        return value.toObject();
    // The caller's `within("[i]", ...)` supplies the position.
    fail(JsonDecodingError({}, QJsonValue::Object, value.type()));
    return {};
}

QString JsonDecoding::describe(QJsonValue::Type type) {
    switch (type) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a Boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("missing");
}
