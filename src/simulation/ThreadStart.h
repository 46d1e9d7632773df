#pragma once
// Every thread of a run starts here, so that a test can refuse a start as a system out of
// threads or memory does (std::system_error, "resource unavailable").

#include <functional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

// Test seam: when set and it returns true, the next start throws instead of starting a thread.
// Returns the previous fault.
std::function<bool()> SetThreadStartFault(std::function<bool()> fault);
bool ThreadStartRefused();

template <class F> std::thread StartThread(F&& body)
{
    if (ThreadStartRefused())
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "a thread could not be started");
    return std::thread(std::forward<F>(body));
}

// Starts count threads running body into pool; when the system refuses one, those started so far
// are kept and the rest are left out. The first refusal is rethrown only when none started and
// `needOne`.
template <class F> void StartPool(std::vector<std::thread>& pool, std::size_t count, const F& body, bool needOne)
{
    pool.reserve(count);
    for (std::size_t t = 0; t < count; ++t) {
        try {
            pool.push_back(StartThread(body));
        } catch (const std::system_error&) {
            if (needOne && pool.empty()) throw;
            return;
        }
    }
}
