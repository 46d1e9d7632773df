#include <gtest/gtest.h>

#include "support/ErrorCapture.h"

TEST(ErrorHandler, CaptureReceivesTextsAndRestoresPrevious)
{
    {
        ErrorCapture outer;
        {
            ErrorCapture inner;
            ShowErrorText("first");
            EXPECT_EQ(inner.messages, std::vector<std::string>{"first"});
        }
        ShowErrorText("second");
        EXPECT_EQ(outer.messages, std::vector<std::string>{"second"});
    }
}

TEST(ErrorHandler, FatalErrorIsShownOnceThenThrownWithItsStatus)
{
    ErrorCapture shown;
    try {
        ShowErrorAndThrowExit(10003, "DAFF file corrupted");
        FAIL() << "no throw";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 10003);
        EXPECT_STREQ(e.what(), "DAFF file corrupted");
    }
    EXPECT_EQ(shown.messages, std::vector<std::string>{"DAFF file corrupted"});
}
