#pragma once
// Runs body(k) for k in [0, count) on `threads` threads (the caller is one of them), each taking
// the next index as it becomes free. The first exception a body throws is rethrown to the
// caller once every thread has stopped; the indices not yet taken are then skipped.
//
// The form taking share() asks it for the thread count at the start and again after each body
// the calling thread runs, and starts more threads while it answers more than are working (cores
// another job has freed); it never stops one.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "simulation/ThreadStart.h"

template <class Share, class Body>
requires std::is_invocable_r_v<unsigned, Share&>
void ParallelFor(std::size_t count, Share&& share, Body&& body)
{
    unsigned threads = share();
    if (count <= 1) {
        for (std::size_t k = 0; k < count; ++k) body(k);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex m;
    auto one = [&](std::size_t k) {
        try {
            body(k);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m);
            if (!error) error = std::current_exception();
            failed.store(true);
        }
    };
    auto run = [&] {
        for (;;) {
            const std::size_t k = next.fetch_add(1);
            if (k >= count || failed.load()) return;
            one(k);
        }
    };
    std::vector<std::thread> pool;
    // Helpers wanted: never more than the indices left besides the caller's. After the system
    // refuses one, no further starts.
    bool refused = false;
    auto grow = [&] {
        const std::size_t taken = next.load();
        if (refused || taken >= count || threads <= 1) return;
        const std::size_t want = std::min<std::size_t>(threads - 1, count - taken - 1);
        if (want <= pool.size()) return;
        const std::size_t wanted = want - pool.size(), had = pool.size();
        StartPool(pool, wanted, run, false);
        refused = pool.size() < had + wanted;
    };
    grow();
    // The calling thread works too, asking for the share after each index it ran.
    for (;;) {
        const std::size_t k = next.fetch_add(1);
        if (k >= count || failed.load()) break;
        one(k);
        threads = share();
        grow();
    }
    for (std::thread& t : pool) t.join();
    if (error) std::rethrow_exception(error);
}

template <class Body> void ParallelFor(std::size_t count, unsigned threads, Body&& body)
{
    if (threads <= 1 || count <= 1) {
        for (std::size_t k = 0; k < count; ++k) body(k);
        return;
    }
    auto fixed = [threads] { return threads; };
    ParallelFor(count, fixed, std::forward<Body>(body));
}
