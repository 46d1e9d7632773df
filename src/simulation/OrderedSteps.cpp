#include "simulation/OrderedSteps.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "geometry/HeldOutput.h"
#include "simulation/ThreadStart.h"

namespace {

struct Slot {
    HeldOutput output;
    std::exception_ptr error;
    bool done = false;  // under the runner's mutex
};

}  // namespace

unsigned OrderedSteps::Run(unsigned count, unsigned threads) const
{
    if (threads <= 1 || count <= 1) {
        for (unsigned k = 0; k < count; ++k) {
            if (stopStarting && stopStarting()) return k;
            step(k);
            if (commit && !commit(k)) return k + 1;
        }
        return count;
    }
    std::vector<Slot> slots(count);
    std::mutex m;
    std::condition_variable cv;
    std::atomic<unsigned> next{0};
    std::atomic<bool> halt{false};
    unsigned idle = 0;  // workers that took their last step, under m

    auto worker = [&] {
        for (;;) {
            if (halt.load() || (stopStarting && stopStarting())) break;
            const unsigned k = next.fetch_add(1);
            if (k >= count) break;
            Slot& slot = slots[k];
            {
                ScopedOutputHold hold(slot.output);
                try {
                    step(k);
                } catch (...) {
                    slot.error = std::current_exception();
                }
            }
            std::lock_guard<std::mutex> lock(m);
            slot.done = true;
            cv.notify_all();
        }
        std::lock_guard<std::mutex> lock(m);
        ++idle;
        cv.notify_all();
    };
    std::vector<std::thread> pool;
    // Fewer workers when the system refuses some; none at all is an error.
    StartPool(pool, std::max(1u, std::min(threads, count)), worker, true);
    const unsigned workers = static_cast<unsigned>(pool.size());

    unsigned committed = 0;
    std::exception_ptr error;
    for (unsigned k = 0; k < count; ++k) {
        Slot& slot = slots[k];
        slot.output.Release();  // what it printed so far; its next lines go straight out
        bool done = false;
        {
            std::unique_lock<std::mutex> lock(m);
            cv.wait(lock, [&] { return slot.done || idle == workers; });
            done = slot.done;
        }
        if (!done) break;  // no worker will take it: starting was stopped
        if (slot.error) {
            error = slot.error;
            break;
        }
        ++committed;
        if (commit && !commit(k)) break;
    }
    halt.store(true);
    const unsigned ended = error ? committed + 1 : committed;
    for (unsigned k = ended; k < count; ++k) slots[k].output.Discard();
    for (std::thread& t : pool) t.join();
    const unsigned started = std::min(next.load(), count);
    if (undo)
        for (unsigned k = ended; k < started; ++k) undo(k);
    if (error) std::rethrow_exception(error);
    return committed;
}
