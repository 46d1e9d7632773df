// The main window's title, band labels and number reading, without the toolkit.

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>

#include "desktop/FrameText.h"

TEST(FrameText, TitleFollowsTheProjectStatus)
{
    EXPECT_EQ(ProjectTitle(0, "hall.txt"), "SORVI - Untitled Project");
    EXPECT_EQ(ProjectTitle(1, "hall.txt"), "SORVI - hall.txt");
    EXPECT_EQ(ProjectTitle(2, "Temporary.txt"), "SORVI - Temporary.txt *modified");
    // A designed or imported room has no file yet.
    EXPECT_EQ(ProjectTitle(2, ""), "SORVI - Untitled Project *modified");
}

TEST(FrameText, BandLabelsOfTheNineOctaves)
{
    const char* expected[9] = {"63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"};
    for (int b = 0; b < 9; ++b) EXPECT_EQ(BandLabel(b), expected[b]) << b;
}

TEST(FrameText, NumbersAreReadWithADecimalPointOnly)
{
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"21.0", true, 21.0}, {" -60 ", true, -60}, {"1e3", true, 1000}, {"0.25\n", true, 0.25},
        {"1,5", false, 0},    {"", false, 0},       {"  ", false, 0},    {"abc", false, 0},
        {"3.0x", false, 0},   {"1.5 2", false, 0},  {"0x10", false, 0},
    };
    for (const Case& c : cases) {
        double value = -7;
        EXPECT_EQ(ReadNumber(c.text, value), c.ok) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ(value, c.ok ? c.value : -7) << '"' << c.text << '"';
    }
}

TEST(FrameText, NumbersIgnoreTheUsersLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    std::locale previous;
    try {
        std::locale::global(std::locale("de_DE.UTF-8"));
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    double value = 0;
    EXPECT_TRUE(ReadNumber("1.5", value));
    EXPECT_DOUBLE_EQ(value, 1.5);
    EXPECT_FALSE(ReadNumber("2,5", value));
    std::locale::global(previous);
    std::setlocale(LC_ALL, saved.c_str());
}
