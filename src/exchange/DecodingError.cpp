#include "exchange/DecodingError.h"

#include "platform/JsonDecoding.h"

namespace {

QString reasonOf(const JsonDecodingError& error) {
    if (error.kind() == JsonDecodingError::Kind::DataCorrupted)
        return QStringLiteral("malformed JSON at byte %1: %2")
            .arg(error.parseOffset())
            .arg(error.parseReason());
    const QString found = JsonDecoding::describe(error.foundType());
    const QString expected = JsonDecoding::describe(error.expectedType());
    if (error.codingPath().isEmpty())
        return QStringLiteral("the top level is %1, not %2").arg(found, expected);
    return QStringLiteral("\"%1\" is %2, not %3").arg(error.codingPath(), found, expected);
}

} // namespace

DecodingError::DecodingError(QString reason)
    : m_reason(std::move(reason)) {}

DecodingError::DecodingError(const JsonDecodingError& error)
    : m_reason(reasonOf(error)) {}

QString DecodingError::errorDescription() const {
    const QString subject = m_fileName.isEmpty()
                                ? QStringLiteral("The data")
                                : QStringLiteral("The file \u201C%1\u201D").arg(m_fileName);
    return QStringLiteral(
               "%1 couldn\u2019t be read because it isn\u2019t in the correct format (%2).")
        .arg(subject, m_reason);
}
