#include "geometry/HeldOutput.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "geometry/util.h"
#include "support/ErrorCapture.h"

// Lines and error texts of a holding thread come out when released, in the order they were
// made; after the release they go straight out; a discarded hold loses everything.
TEST(HeldOutput, ReleaseReplaysLinesAndErrorsInOrderThenGoesLive)
{
    ErrorCapture errors;
    HeldOutput held;
    testing::internal::CaptureStdout();
    std::thread worker([&] {
        ScopedOutputHold hold(held);
        Print("first %d\n", 1);
        ErrorMessage("bad %s", "input");
        Print("%s", std::string(2000, 'x').c_str());  // longer than any fixed buffer
        Print("\rprogress\n");
    });
    worker.join();
    Print("unheld\n");
    EXPECT_TRUE(errors.messages.empty());
    const std::string before = testing::internal::GetCapturedStdout();
    EXPECT_EQ(before, "unheld\n");

    testing::internal::CaptureStdout();
    held.Release();
    std::thread later([&] {
        ScopedOutputHold hold(held);
        Print("after %s\n", "release");
        ErrorMessage("late error");
    });
    later.join();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "first 1\n" + std::string(2000, 'x') + "\rprogress\nafter release\n");
    ASSERT_EQ(errors.messages.size(), 2u);
    EXPECT_EQ(errors.messages[0], "bad input");
    EXPECT_EQ(errors.messages[1], "late error");

    HeldOutput dropped;
    testing::internal::CaptureStdout();
    {
        ScopedOutputHold hold(dropped);
        Print("lost\n");
        dropped.Discard();
        Print("lost too\n");
        ErrorMessage("lost error");
        EXPECT_EQ(ThreadOutputHold(), &dropped);
    }
    EXPECT_EQ(ThreadOutputHold(), nullptr);
    dropped.Release();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(errors.messages.size(), 2u);
}
