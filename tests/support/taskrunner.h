#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTimer>
#include <exception>
#include <optional>

// Runs a coroutine to its end in a nested event loop, for tests. Unlike
// QCoro::waitFor, an exception thrown by the task is rethrown here instead of
// leaving the loop spinning forever. A task that has not finished after
// timeoutMs aborts the test run: its frame still points into this call.
namespace TestSupport {

namespace detail {

template<typename T>
QCoro::Task<void> drive(
    QCoro::Task<T> task, std::optional<T> *result, std::exception_ptr *error, bool *done, QEventLoop *loop)
{
    try {
        result->emplace(co_await std::move(task));
    } catch (...) {
        *error = std::current_exception();
    }
    *done = true;
    loop->quit();
}

inline QCoro::Task<void> drive(QCoro::Task<void> task, std::optional<bool> *result, std::exception_ptr *error,
    bool *done, QEventLoop *loop)
{
    try {
        co_await std::move(task);
        result->emplace(true);
    } catch (...) {
        *error = std::current_exception();
    }
    *done = true;
    loop->quit();
}

} // namespace detail

template<typename T>
T runTask(QCoro::Task<T> task, int timeoutMs = 60000)
{
    QEventLoop loop;
    std::conditional_t<std::is_void_v<T>, std::optional<bool>, std::optional<T>> result;
    std::exception_ptr error;
    bool done = false;
    auto driver = detail::drive(std::move(task), &result, &error, &done, &loop);
    if (!done) {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(timeoutMs);
        loop.exec();
    }
    if (!done)
        qFatal("runTask: the coroutine did not finish in time");
    if (error)
        std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*result);
}

} // namespace TestSupport
