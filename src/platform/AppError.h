#pragma once

#include <QString>

#include <exception>
#include <string>

// std::exception base of every error Kestrine throws: it carries the text the user is shown.
class LocalizedError : public std::exception {
public:
    [[nodiscard]] virtual QString errorDescription() const = 0;
    const char* what() const noexcept override;

private:
    mutable std::string m_what;
};

// LocalizedError (a std::exception) with a domain, a numeric code and a description, like the
// platform's error objects.
class AppError : public LocalizedError {
public:
    AppError(QString domain, int code, QString description);

    [[nodiscard]] QString errorDescription() const override { return m_description; }
    [[nodiscard]] const QString& domain() const { return m_domain; }
    [[nodiscard]] int code() const { return m_code; }

private:
    QString m_domain;
    int m_code = 0;
    QString m_description;
};

// The text to show for any exception that reached the user interface.
[[nodiscard]] QString localizedDescription(const std::exception& error);

// The same for a caught exception; "Unknown error" when there is none or it is not a
// std::exception.
[[nodiscard]] QString localizedDescription(const std::exception_ptr& error);
