#pragma once

#include <QList>

#include <algorithm>

// The middle of the measurements (the upper one of an even count); 0 for none.
template <typename T> T median(QList<T> values) {
    if (values.isEmpty())
        return T{};
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}
