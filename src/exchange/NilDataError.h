#pragma once

#include "platform/AppError.h"

// Error (a LocalizedError, a std::exception) for a document path that has no regular-file contents
// (a directory, a device, nothing at all).
class NilDataError : public LocalizedError {
public:
    explicit NilDataError(QString fileName = {});

    [[nodiscard]] QString errorDescription() const override;

private:
    QString m_fileName;
};
