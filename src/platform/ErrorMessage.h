#pragma once

#include <QString>

// The item of an error alert: one text, identified by that text.
struct ErrorMessage {
    QString value;
    bool operator==(const ErrorMessage&) const = default;
};
