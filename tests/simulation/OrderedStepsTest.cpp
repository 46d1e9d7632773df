#include "simulation/OrderedSteps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "geometry/HeldOutput.h"
#include "geometry/util.h"
#include "support/ErrorCapture.h"

namespace {

// Later steps end first: step k sleeps longer the smaller k is.
void Stagger(unsigned k, unsigned count)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * (count - k)));
}

std::string Expected(unsigned from, unsigned to)
{
    std::string text;
    for (unsigned k = from; k < to; ++k)
        text += "step " + std::to_string(k) + " begins\nstep " + std::to_string(k) + " ends\n";
    return text;
}

}  // namespace

// The printed lines and error texts come out as from a serial run, whatever the thread count,
// and commit sees the steps in order, each after its step ended.
TEST(OrderedSteps, OutputAndCommitsFollowTheStepOrder)
{
    constexpr unsigned kCount = 12;
    for (unsigned threads : {1u, 3u, 8u, 20u}) {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        ErrorCapture errors;
        std::vector<std::atomic<bool>> ended(kCount);
        std::vector<unsigned> committed;
        OrderedSteps steps;
        steps.step = [&](unsigned k) {
            Print("step %u begins\n", k);
            if (k % 4 == 1) ErrorMessage("error of step %u", k);
            Stagger(k, kCount);
            Print("step %u ends\n", k);
            ended[k] = true;
        };
        steps.commit = [&](unsigned k) {
            EXPECT_TRUE(ended[k].load());
            committed.push_back(k);
            return true;
        };
        testing::internal::CaptureStdout();
        EXPECT_EQ(steps.Run(kCount, threads), kCount);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), Expected(0, kCount));
        ASSERT_EQ(committed.size(), kCount);
        for (unsigned k = 0; k < kCount; ++k) EXPECT_EQ(committed[k], k);
        EXPECT_EQ(errors.messages, (std::vector<std::string>{"error of step 1", "error of step 5", "error of step 9"}));
    }
}

// A commit that ends the run and a step that throws: the output ends where a serial run would
// have ended; later steps that ran are undone and print nothing. A stop of the starting lets
// the steps already started end and commit in order.
TEST(OrderedSteps, EndingEarlyUndoesTheLaterStepsThatRan)
{
    constexpr unsigned kCount = 10;
    enum class End { Commit, Throw, Stop };
    for (End end : {End::Commit, End::Throw, End::Stop}) {
        for (unsigned threads : {1u, 4u}) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(end) << ", " << threads << " threads");
            ErrorCapture errors;
            std::mutex m;
            std::vector<unsigned> ran, undone;
            std::atomic<bool> stop{false};
            OrderedSteps steps;
            steps.step = [&](unsigned k) {
                Print("step %u begins\n", k);
                {
                    std::lock_guard<std::mutex> lock(m);
                    ran.push_back(k);
                }
                Stagger(k, kCount);
                if (k == 3 && end == End::Throw) {
                    ErrorMessage("step 3 failed");
                    throw std::runtime_error("step 3");
                }
                Print("step %u ends\n", k);
            };
            steps.commit = [&](unsigned k) {
                if (k == 3 && end == End::Stop) stop = true;
                return !(k == 3 && end == End::Commit);
            };
            steps.stopStarting = [&] { return stop.load(); };
            steps.undo = [&](unsigned k) { undone.push_back(k); };
            testing::internal::CaptureStdout();
            unsigned committed = 0;
            bool threw = false;
            try {
                committed = steps.Run(kCount, threads);
            } catch (const std::runtime_error& e) {
                threw = true;
                EXPECT_STREQ(e.what(), "step 3");
            }
            const std::string out = testing::internal::GetCapturedStdout();
            EXPECT_EQ(threw, end == End::Throw);
            if (end == End::Throw) {
                EXPECT_EQ(out, Expected(0, 3) + "step 3 begins\n");
                EXPECT_EQ(errors.messages, std::vector<std::string>{"step 3 failed"});
            } else if (end == End::Commit) {
                EXPECT_EQ(committed, 4u);
                EXPECT_EQ(out, Expected(0, 4));
                EXPECT_TRUE(errors.messages.empty());
            } else {
                EXPECT_GE(committed, 4u);  // how many had started by then depends on the threads' pace
                EXPECT_EQ(out, Expected(0, committed));
                EXPECT_EQ(ran.size(), committed);
                EXPECT_TRUE(undone.empty());
                continue;
            }
            // Every step after the last committed (or failed) one that ran was undone, once.
            std::vector<unsigned> later;
            for (unsigned k : ran)
                if (k > 3) later.push_back(k);
            std::sort(later.begin(), later.end());
            std::sort(undone.begin(), undone.end());
            EXPECT_EQ(undone, later);
            if (threads == 1) {
                EXPECT_TRUE(undone.empty());
            }
        }
    }
}
