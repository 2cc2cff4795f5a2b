#pragma once

#include <QCoro/QCoroTask>

#include <exception>
#include <optional>
#include <type_traits>

// What a finished task threw, if anything. QCoro::waitFor() alone never returns when the task
// throws, so code that blocks on a task waits through waitForOutcome() or waitForResult().
struct TaskError {
    std::exception_ptr error;

    [[nodiscard]] bool failed() const { return error != nullptr; }
    // The thrown exception as `E`, or nullopt when it was something else (or nothing).
    template <typename E> [[nodiscard]] std::optional<E> errorAs() const {
        if (!error)
            return std::nullopt;
        try {
            std::rethrow_exception(error);
        } catch (const E& e) {
            return e;
        } catch (...) {
        }
        return std::nullopt;
    }
};

// A finished task's value, or the exception it threw.
template <typename T> struct TaskOutcome : TaskError { std::optional<T> value; };

template <> struct TaskOutcome<void> : TaskError {};

namespace detail {
template <typename T> QCoro::Task<TaskOutcome<T>> captureOutcome(QCoro::Task<T> task) {
    TaskOutcome<T> outcome;
    try {
        if constexpr (std::is_void_v<T>)
            co_await std::move(task);
        else
            outcome.value = co_await std::move(task);
    } catch (...) {
        outcome.error = std::current_exception();
    }
    co_return outcome;
}
} // namespace detail

// Runs a nested event loop until `task` has finished.
template <typename T> TaskOutcome<T> waitForOutcome(QCoro::Task<T> task) {
    return QCoro::waitFor(detail::captureOutcome(std::move(task)));
}

// Runs a nested event loop until `task` has finished; its value, or what it threw rethrown.
template <typename T> T waitForResult(QCoro::Task<T> task) {
    TaskOutcome<T> outcome = waitForOutcome(std::move(task));
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    if constexpr (!std::is_void_v<T>)
        return *std::move(outcome.value);
}
