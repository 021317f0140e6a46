// Work split between this thread and a second one: the machines the program runs on have two
// cores or more, and the longest readings and evaluations are of many independent parts.
#pragma once

#include <cstddef>
#include <exception>
#include <thread>

namespace ronvalo {

// Calls `work(k)` for every k below `count`, the odd ones on a second thread and the even ones on
// this one, and returns when both are done. `work` must be safe to run at once for different k.
// What either raised is raised here, this thread's first; the second thread stops at its next k
// once this one failed.
template <class Work> void onTwoThreads(std::size_t count, const Work& work) {
    if (count < 2) {
        for (std::size_t k = 0; k < count; ++k)
            work(k);
        return;
    }
    std::exception_ptr failure;
    {
        std::jthread second([&](std::stop_token stop) {
            try {
                for (std::size_t k = 1; k < count && !stop.stop_requested(); k += 2)
                    work(k);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        for (std::size_t k = 0; k < count; k += 2)
            work(k);
        // Joined here: leaving the scope by a raise asks the second thread to stop first.
        second.join();
    }
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace ronvalo
