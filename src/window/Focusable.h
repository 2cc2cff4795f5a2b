#pragma once

#include <QtGlobal>

// Plain value type (no QObject, not Qt's widget focus): which field of the deeplink editor has
// the keyboard focus: one of the fixed fields, or the name (KeyRow) or value (ValueRow) cell of
// the query parameter row at the 1-based `row`.
struct Focusable {
    // The fixed fields follow the rows in this order; the editor indexes its fields by it.
    enum class Kind {
        KeyRow,
        ValueRow,
        None,
        Title,
        Url,
        Host,
        Scheme,
        Port,
        User,
        Password,
        Path
    };

    Kind kind = Kind::None;
    // 0 for every kind but the two rows.
    qint64 row = 0;

    [[nodiscard]] constexpr bool isRow() const {
        return kind == Kind::KeyRow || kind == Kind::ValueRow;
    }

    friend constexpr bool operator==(const Focusable&, const Focusable&) = default;
};
