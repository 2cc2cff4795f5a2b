#pragma once

#include <QString>

// One variable's value. A raw value goes into a URL as it is written; any other is
// percent-encoded for the component its placeholder stands in.
struct Variable {
    QString name;
    QString value;
    bool raw = false;

    friend bool operator==(const Variable&, const Variable&) = default;
};
