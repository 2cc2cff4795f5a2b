#pragma once

#include "platform/AppError.h"

#include <QString>

// A tool that ran and failed: `message` is what it said (see CommandRunner::run), shown to
// the user as is. Also thrown by the tool clients when a tool's output cannot be decoded.
class CommandError : public LocalizedError {
public:
    explicit CommandError(QString message)
        : message(std::move(message)) {}

    [[nodiscard]] QString errorDescription() const override { return message; }
    bool operator==(const CommandError& other) const { return message == other.message; }

    QString message;
};
