#include <gtest/gtest.h>

#include <string>

#include "simulation/THitLine.h"
#include "simulation/TRay.h"

namespace {

TEST(THitLine, WritesAndReadsBackAHitLine)
{
    TRay r(9);
    r.index = 120;
    r.dir.Set(45, 10, 1);
    const unsigned hits[] = {0, 2, 7};
    std::string line;
    AppendHitLine(line, r, hits, 3, 1, 0.5f);
    EXPECT_EQ(line, "120 45.000000 10.000000 1 0.500000 0 2 7 \n");

    THitLine h;
    ASSERT_TRUE(h.ParseLine(line, 3));
    EXPECT_EQ(h.index, 120);
    EXPECT_EQ(h.count, 1);
    EXPECT_EQ(h.hits, (std::vector<uint32_t>{0, 2, 7}));
    h.count = 5;  // a clustered group
    std::string again;
    h.AppendLine(again);
    EXPECT_EQ(again, "120 45.000000 10.000000 5 0.500000 0 2 7 \n");

    std::string noLayers;
    AppendHitLine(noLayers, r, nullptr, 0, 1, 1.0f);
    EXPECT_EQ(noLayers, "120 45.000000 10.000000 1 1.000000 \n");
}

TEST(THitLine, RejectsLinesOfTheWrongShape)
{
    const char* bad[] = {"120 45.000000 10.000000 1 0.500000 0 2",      // a count short
                         "120 45.000000 10.000000 1 0.500000 0 2 7 9",  // one too many
                         "120 45.000000 10.000000",                     // cut in the head
                         "120 45.000000 ten 1 0.500000 0 2 7", ""};
    for (const char* line : bad) {
        THitLine h;
        h.index = 99;
        EXPECT_FALSE(h.ParseLine(line, 3)) << line;
        EXPECT_EQ(h.index, 99);
    }
}

}  // namespace
