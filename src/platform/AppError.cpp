#include "platform/AppError.h"

const char* LocalizedError::what() const noexcept {
    m_what = errorDescription().toStdString();
    return m_what.c_str();
}

AppError::AppError(QString domain, int code, QString description)
    : m_domain(std::move(domain))
    , m_code(code)
    , m_description(std::move(description)) {}

QString localizedDescription(const std::exception& error) {
    if (const auto* localized = dynamic_cast<const LocalizedError*>(&error))
        return localized->errorDescription();
    return QString::fromUtf8(error.what());
}

QString localizedDescription(const std::exception_ptr& error) {
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return localizedDescription(e);
    } catch (...) {
    }
    return QStringLiteral("Unknown error");
}
