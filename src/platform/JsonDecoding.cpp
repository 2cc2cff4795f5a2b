#include "platform/JsonDecoding.h"

#include <QJsonDocument>
#include <QJsonParseError>

JsonDecodingError::JsonDecodingError(Kind kind, QString key, QString detail)
    : m_kind(kind)
    , m_codingPath(std::move(key))
    , m_detail(std::move(detail)) {}

QString JsonDecodingError::errorDescription() const {
    QString text =
        m_kind == Kind::keyNotFound || m_kind == Kind::valueNotFound
            ? QStringLiteral("The data couldn’t be read because it is missing.")
            : QStringLiteral("The data couldn’t be read because it isn’t in the correct format.");
    QString where;
    switch (m_kind) {
    case Kind::keyNotFound:
        where = QStringLiteral("No value for key “%1”").arg(m_codingPath);
        break;
    case Kind::valueNotFound:
        where = QStringLiteral("Null value at “%1”").arg(m_codingPath);
        break;
    case Kind::typeMismatch:
        where = QStringLiteral("Wrong type at “%1”").arg(m_codingPath);
        break;
    case Kind::dataCorrupted:
        where = m_codingPath.isEmpty() ? QString()
                                       : QStringLiteral("Bad value at “%1”").arg(m_codingPath);
        break;
    }
    if (!m_detail.isEmpty())
        where = where.isEmpty() ? m_detail : where + QStringLiteral(": ") + m_detail;
    if (!where.isEmpty())
        text += QStringLiteral(" (") + where + QStringLiteral(")");
    return text;
}

void JsonDecodingError::prependPath(const QString& component) {
    if (m_codingPath.isEmpty())
        m_codingPath = component;
    else if (m_codingPath.startsWith(QLatin1Char('[')))
        m_codingPath = component + m_codingPath;
    else
        m_codingPath = component + QLatin1Char('.') + m_codingPath;
}

namespace JsonDecoding {

namespace {

QString typeName(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        return QStringLiteral("expected another type, found a boolean");
    case QJsonValue::Double:
        return QStringLiteral("expected another type, found a number");
    case QJsonValue::String:
        return QStringLiteral("expected another type, found a string");
    case QJsonValue::Array:
        return QStringLiteral("expected another type, found an array");
    case QJsonValue::Object:
        return QStringLiteral("expected another type, found an object");
    default:
        return {};
    }
}

QJsonValue present(const QJsonObject& object, QLatin1StringView key) {
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        throw JsonDecodingError(JsonDecodingError::Kind::keyNotFound, key.toString());
    if (it->isNull())
        throw JsonDecodingError(JsonDecodingError::Kind::valueNotFound, key.toString());
    return *it;
}

[[noreturn]] void mismatch(QLatin1StringView key, const QJsonValue& value) {
    throw JsonDecodingError(JsonDecodingError::Kind::typeMismatch, key.toString(), typeName(value));
}

} // namespace

QJsonObject documentObject(const QByteArray& data) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw JsonDecodingError(JsonDecodingError::Kind::dataCorrupted, {},
                                QStringLiteral("not valid JSON: %1 at offset %2")
                                    .arg(parseError.errorString())
                                    .arg(parseError.offset));
    if (!document.isObject())
        throw JsonDecodingError(JsonDecodingError::Kind::typeMismatch, {},
                                QStringLiteral("expected an object at the top level"));
    return document.object();
}

QString requiredString(const QJsonObject& object, QLatin1StringView key) {
    const QJsonValue value = present(object, key);
    if (!value.isString())
        mismatch(key, value);
    return value.toString();
}

std::optional<QString> optionalString(const QJsonObject& object, QLatin1StringView key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString())
        mismatch(key, value);
    return value.toString();
}

std::optional<bool> optionalBool(const QJsonObject& object, QLatin1StringView key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isBool())
        mismatch(key, value);
    return value.toBool();
}

QJsonObject requiredObject(const QJsonObject& object, QLatin1StringView key) {
    const QJsonValue value = present(object, key);
    if (!value.isObject())
        mismatch(key, value);
    return value.toObject();
}

QJsonArray requiredArray(const QJsonObject& object, QLatin1StringView key) {
    const QJsonValue value = present(object, key);
    if (!value.isArray())
        mismatch(key, value);
    return value.toArray();
}

QJsonObject objectElement(const QJsonValue& value) {
    if (value.isObject())
        return value.toObject();
    // The caller's `within("[i]", ...)` supplies the position.
    if (value.isNull())
        throw JsonDecodingError(JsonDecodingError::Kind::valueNotFound, {});
    throw JsonDecodingError(JsonDecodingError::Kind::typeMismatch, {}, typeName(value));
}

} // namespace JsonDecoding
