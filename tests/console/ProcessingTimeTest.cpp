#include "console/ProcessingTime.h"

#include <gtest/gtest.h>

TEST(ProcessingTime, WholeSecondsInTwoDigitFields)
{
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0.0, "00:00:00"},    {0.999, "00:00:00"},   {59.99, "00:00:59"},     {60.0, "00:01:00"},
        {3725.9, "01:02:05"}, {86399.5, "23:59:59"}, {360000.0, "100:00:00"}, {-1.0, "00:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProcessingTimeText(c.seconds), std::string("Processing Time: ") + c.text + " (H:M:S)\n") << c.seconds;
}
