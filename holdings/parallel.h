#pragma once

#include <functional>
#include <system_error>
#include <thread>

namespace gegu {

// Runs first and second at the same time, second on a thread of its own, and returns when both
// are done; when no thread can be had, runs them one after the other.
template <typename First, typename Second> void inParallel(First&& first, Second&& second) {
    std::thread worker;
    try {
        worker = std::thread(std::ref(second));
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    struct Join {
        std::thread& thread;
        ~Join() { thread.join(); }
    } join{worker};
    first();
}

} // namespace gegu
