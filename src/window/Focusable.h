#pragma once

#include <QtGlobal>

// Value type (no QObject, no QWidget focus): which field of the deeplink editor has the keyboard
// focus. The two row cases carry the 1-based position of a query parameter row; the other cases
// name one field each.
class Focusable {
public:
    enum class Case {
        keyRow,
        valueRow,
        none,
        title,
        url,
        host,
        scheme,
        port,
        user,
        password,
        path
    };

    constexpr Focusable() = default;

    [[nodiscard]] static constexpr Focusable keyRow(qint64 id) { return {Case::keyRow, id}; }
    [[nodiscard]] static constexpr Focusable valueRow(qint64 id) { return {Case::valueRow, id}; }
    [[nodiscard]] static constexpr Focusable none() { return {Case::none, 0}; }
    [[nodiscard]] static constexpr Focusable title() { return {Case::title, 0}; }
    [[nodiscard]] static constexpr Focusable url() { return {Case::url, 0}; }
    [[nodiscard]] static constexpr Focusable host() { return {Case::host, 0}; }
    [[nodiscard]] static constexpr Focusable scheme() { return {Case::scheme, 0}; }
    [[nodiscard]] static constexpr Focusable port() { return {Case::port, 0}; }
    [[nodiscard]] static constexpr Focusable user() { return {Case::user, 0}; }
    [[nodiscard]] static constexpr Focusable password() { return {Case::password, 0}; }
    [[nodiscard]] static constexpr Focusable path() { return {Case::path, 0}; }

    [[nodiscard]] constexpr Case kind() const { return m_case; }
    [[nodiscard]] constexpr bool isRow() const {
        return m_case == Case::keyRow || m_case == Case::valueRow;
    }
    // The row position of keyRow/valueRow; 0 for every other case.
    [[nodiscard]] constexpr qint64 id() const { return isRow() ? m_id : 0; }

    friend constexpr bool operator==(const Focusable& a, const Focusable& b) {
        return a.m_case == b.m_case && a.id() == b.id();
    }

private:
    constexpr Focusable(Case c, qint64 id)
        : m_case(c)
        , m_id(id) {}

    Case m_case = Case::none;
    qint64 m_id = 0;
};
