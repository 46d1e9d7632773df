#include "simulation/ParallelFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "simulation/ThreadStart.h"

namespace {

// Refuses every thread start after the first `allowed`, while alive.
class RefusedStartsAfter {
public:
    explicit RefusedStartsAfter(unsigned allowed)
    {
        SetThreadStartFault([this, allowed] { return count_++ >= allowed; });
    }
    ~RefusedStartsAfter() { SetThreadStartFault({}); }

private:
    std::atomic<unsigned> count_{0};
};

// Counts the indices run, each exactly once, with a thread count fixed or asked anew.
std::vector<int> RunCounts(std::size_t count, unsigned threads, bool asked)
{
    std::vector<std::atomic<int>> runs(count);
    auto body = [&](std::size_t k) { ++runs[k]; };
    if (asked) {
        unsigned calls = 0;  // a share that changes on the way: 1, threads, 2, threads, ...
        ParallelFor(
            count, [&] { return ++calls % 2 ? threads : 2u; }, body);
    } else {
        ParallelFor(count, threads, body);
    }
    std::vector<int> out;
    for (auto& r : runs) out.push_back(r.load());
    return out;
}

}  // namespace

TEST(ParallelFor, EveryIndexRunsOnce)
{
    struct Case {
        std::size_t count;
        unsigned threads;
    };
    for (const Case& c : {Case{0, 4}, Case{1, 4}, Case{2, 1}, Case{7, 3}, Case{100, 8}, Case{3, 16}})
        for (bool asked : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.count << " indices, " << c.threads << " threads, asked " << asked);
            EXPECT_EQ(RunCounts(c.count, c.threads, asked), std::vector<int>(c.count, 1));
        }
}

// Threads freed while the loop runs join it: a share of one at the start and four after the
// first index lets four bodies run at once.
TEST(ParallelFor, ShareGrowingStartsMoreThreads)
{
    std::mutex m;
    std::condition_variable cv;
    std::set<std::thread::id> together;
    bool met = false;
    std::atomic<unsigned> share{1};
    ParallelFor(
        5, [&] { return share.load(); },
        [&](std::size_t k) {
            if (k == 0) {
                share = 4;
                return;
            }
            std::unique_lock<std::mutex> lock(m);
            together.insert(std::this_thread::get_id());
            if (together.size() == 4) met = true;
            cv.notify_all();
            // Bounded only so that a fault fails instead of hanging.
            cv.wait_for(lock, std::chrono::seconds(60), [&] { return met; });
        });
    EXPECT_TRUE(met);
    EXPECT_EQ(together.size(), 4u);
}

// A body's exception reaches the caller after every thread stopped; a refused thread start
// leaves the work to the threads that started, the caller among them.
TEST(ParallelFor, FailuresAndRefusedThreads)
{
    for (bool asked : {false, true}) {
        SCOPED_TRACE(asked ? "asked" : "fixed");
        std::atomic<int> after{0};
        auto failing = [&](std::size_t k) {
            if (k == 3) throw std::runtime_error("index 3");
            ++after;
        };
        try {
            if (asked)
                ParallelFor(
                    50, [] { return 4u; }, failing);
            else
                ParallelFor(50, 4u, failing);
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "index 3");
        }
        EXPECT_LT(after.load(), 50);

        RefusedStartsAfter refuse(1);
        std::mutex m;
        std::set<std::thread::id> seen;
        std::vector<std::atomic<int>> runs(40);
        auto body = [&](std::size_t k) {
            ++runs[k];
            std::lock_guard<std::mutex> lock(m);
            seen.insert(std::this_thread::get_id());
        };
        if (asked)
            ParallelFor(
                40, [] { return 6u; }, body);
        else
            ParallelFor(40, 6u, body);
        for (auto& r : runs) EXPECT_EQ(r.load(), 1);
        EXPECT_LE(seen.size(), 2u);
    }
}
