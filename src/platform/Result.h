#pragma once

#include <QString>

#include <type_traits>
#include <utility>
#include <variant>

// The error half of a Result, spelled at the return: `return ResultError(error);`.
template <typename E> struct ResultError {
    explicit ResultError(E e)
        : error(std::move(e)) {}
    E error;
};

// What a parser gives back: its value, or why there is none (a message, or an error value such
// as JsonDecodingError when callers need its details). Parsers return this instead of throwing;
// a coroutine that must pass the failure to its awaiter throws error() there.
template <typename T, typename E = QString> class [[nodiscard]] Result {
public:
    Result() requires std::is_default_constructible_v<T> : m_state(std::in_place_index<0>) {}
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value)) {}
    template <typename F>
    requires std::is_constructible_v<E, F> Result(ResultError<F> failure)
        : m_state(std::in_place_index<1>, std::move(failure.error)) {}

    [[nodiscard]] bool hasValue() const { return m_state.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    // Only when hasValue().
    [[nodiscard]] T& value() & { return std::get<0>(m_state); }
    [[nodiscard]] const T& value() const& { return std::get<0>(m_state); }
    [[nodiscard]] T&& value() && { return std::get<0>(std::move(m_state)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // Only when !hasValue().
    [[nodiscard]] E& error() & { return std::get<1>(m_state); }
    [[nodiscard]] const E& error() const& { return std::get<1>(m_state); }

private:
    std::variant<T, E> m_state;
};

// A Result of an operation that gives nothing but success.
template <typename E> class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    template <typename F>
    requires std::is_constructible_v<E, F> Result(ResultError<F> failure)
        : m_error(std::move(failure.error))
        , m_failed(true) {}

    [[nodiscard]] bool hasValue() const { return !m_failed; }
    explicit operator bool() const { return hasValue(); }

    // Only when !hasValue().
    [[nodiscard]] const E& error() const { return m_error; }

private:
    E m_error{};
    bool m_failed = false;
};
