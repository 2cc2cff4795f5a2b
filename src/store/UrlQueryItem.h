#pragma once

#include <QString>

#include <optional>

// Plain value struct: one name/value pair of a URL query, decoded. An item without a value was
// written without "=" ("?flag"); an empty value keeps its "=" ("?flag=").
struct UrlQueryItem {
    QString name;
    std::optional<QString> value;

    friend bool operator==(const UrlQueryItem&, const UrlQueryItem&) = default;
};
