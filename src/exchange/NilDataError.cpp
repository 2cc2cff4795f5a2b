#include "exchange/NilDataError.h"

NilDataError::NilDataError(QString fileName)
    : m_fileName(std::move(fileName)) {}

QString NilDataError::errorDescription() const {
    if (m_fileName.isEmpty())
        return QStringLiteral("The document has no file contents.");
    return QStringLiteral("\u201C%1\u201D has no file contents.").arg(m_fileName);
}
