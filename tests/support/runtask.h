#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>

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
    std::optional<T> result;
    std::exception_ptr error;
    bool done = false;
    auto body = [&]() -> QCoro::Task<> {
        try {
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
    return std::move(*result);
}

inline void run(QCoro::Task<void> task, int timeoutMs = 60000)
{
    QEventLoop loop;
    std::exception_ptr error;
    bool done = false;
    auto body = [&]() -> QCoro::Task<> {
        try {
            co_await std::move(task);
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
}

} // namespace RunTask
