#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTimer>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <type_traits>
#include <typeinfo>
#include <vector>

// Runs a coroutine to its end in a nested event loop and hands back its
// result, rethrowing what it threw. QCoro::waitFor never returns when the
// coroutine throws, which is exactly what tests of refusals need. A coroutine
// still running after timeoutMs aborts the test process: its frame refers to
// this function's locals, so there is no safe way to return early.
namespace RunTask {

template<typename T>
T run(QCoro::Task<T> task, int timeoutMs = 60000)
{
    QEventLoop loop;
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> result;
    std::exception_ptr error;
    bool done = false;
    auto body = [&]() -> QCoro::Task<> {
        try {
            if constexpr (std::is_void_v<T>)
                co_await std::move(task);
            else
                result.emplace(co_await std::move(task));
        } catch (...) {
            error = std::current_exception();
        }
        done = true;
        loop.quit();
    };
    auto running = body();
    if (!done) {
        QTimer::singleShot(timeoutMs, &loop, [&loop] { loop.exit(1); });
        if (loop.exec() != 0 && !done) {
            std::fputs("RunTask::run: the coroutine did not finish in time\n", stderr);
            std::abort();
        }
    }
    if (error)
        std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*result);
}

// The error of type Error the coroutine ended with; nothing, with a warning
// saying what happened instead, when it succeeded or failed otherwise.
template<typename Error, typename T>
std::optional<Error> failure(QCoro::Task<T> task)
{
    try {
        run(std::move(task));
        qWarning("the operation succeeded");
    } catch (const Error &error) {
        return error;
    } catch (const std::exception &other) {
        qWarning("unexpected %s: %s", typeid(other).name(), other.what());
    }
    return std::nullopt;
}

// Awaits tasks that are already running side by side.
inline QCoro::Task<> all(std::vector<QCoro::Task<>> tasks)
{
    for (QCoro::Task<> &task : tasks)
        co_await std::move(task);
}

} // namespace RunTask
