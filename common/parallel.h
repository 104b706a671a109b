#pragma once

#include <exception>
#include <functional>
#include <system_error>
#include <thread>

namespace gegu {

// Runs first and second at the same time, second on a thread of its own, and returns when both
// are done; when no thread can be had, runs them one after the other. An exception thrown by
// either comes back to the caller once both have ended (first's when both throw), so that work
// on the other thread fails the way work on this one does.
template <typename First, typename Second> void inParallel(First&& first, Second&& second) {
    std::exception_ptr secondFailed;
    const auto runSecond = [&] {
        try {
            second();
        } catch (...) {
            secondFailed = std::current_exception();
        }
    };
    std::thread worker;
    try {
        worker = std::thread(runSecond);
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    try {
        first();
    } catch (...) {
        worker.join();
        throw;
    }
    worker.join();
    if (secondFailed)
        std::rethrow_exception(secondFailed);
}

} // namespace gegu
