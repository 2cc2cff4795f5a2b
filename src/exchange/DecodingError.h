#pragma once

#include "platform/AppError.h"

class JsonDecodingError;

#include <QString>

// Error (a LocalizedError, a std::exception) for an exchange file that is not a collection record:
// malformed JSON, or a member of the wrong type. It fails the whole file (and with it a whole
// multi-file import).
class DecodingError : public LocalizedError {
public:
    explicit DecodingError(QString reason);
    // The same failure in the words of an exchange file ("\"deeplinks[1]\" is null, not an
    // object").
    explicit DecodingError(const JsonDecodingError& error);

    [[nodiscard]] QString errorDescription() const override;
    // What exactly is wrong, for the log ("\"title\" is a number, not a string").
    [[nodiscard]] const QString& reason() const { return m_reason; }

    // Which of several buffers failed (-1 when unknown) and the file it came from, so the log
    // of a many-file import names the culprit.
    [[nodiscard]] qsizetype index() const { return m_index; }
    void setIndex(qsizetype index) { m_index = index; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

private:
    QString m_reason;
    qsizetype m_index = -1;
    QString m_fileName;
};
