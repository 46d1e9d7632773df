#pragma once
// Runs body(k) for k in [0, count) on `threads` threads (the caller is one of them), each taking
// the next index as it becomes free. The first exception a body throws is rethrown to the
// caller once every thread has stopped; the indices not yet taken are then skipped.

#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "simulation/ThreadStart.h"

template <class Body> void ParallelFor(std::size_t count, unsigned threads, Body&& body)
{
    if (threads <= 1 || count <= 1) {
        for (std::size_t k = 0; k < count; ++k) body(k);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex m;
    auto run = [&] {
        for (;;) {
            const std::size_t k = next.fetch_add(1);
            if (k >= count || failed.load()) return;
            try {
                body(k);
            } catch (...) {
                std::lock_guard<std::mutex> lock(m);
                if (!error) error = std::current_exception();
                failed.store(true);
            }
        }
    };
    const std::size_t helpers = std::min<std::size_t>(threads - 1, count - 1);
    std::vector<std::thread> pool;
    StartPool(pool, helpers, run, false);  // the calling thread works too
    run();
    for (std::thread& t : pool) t.join();
    if (error) std::rethrow_exception(error);
}
