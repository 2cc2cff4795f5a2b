#include "exchange/DecodingError.h"

DecodingError::DecodingError(QString reason)
    : m_reason(std::move(reason)) {}

QString DecodingError::errorDescription() const {
    const QString subject = m_fileName.isEmpty()
                                ? QStringLiteral("The data")
                                : QStringLiteral("The file \u201C%1\u201D").arg(m_fileName);
    return QStringLiteral(
               "%1 couldn\u2019t be read because it isn\u2019t in the correct format (%2).")
        .arg(subject, m_reason);
}
