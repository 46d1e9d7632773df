#include "views/charts/InfoLayout.h"

#include <gtest/gtest.h>

using namespace charts;

TEST(InfoLayout, LegendWidthFollowsTheWidestName)
{
    struct Case {
        std::vector<TextSize> entries;
        int width;
    } cases[] = {{{}, 20}, {{{100, 14}}, 125}, {{{100, 14}, {104, 14}}, 125}, {{{100, 14}, {105, 14}}, 130}};
    for (const Case& c : cases) EXPECT_EQ(LayoutLegend(0, 0, c.entries).width, c.width);
    EXPECT_FALSE(LayoutLegend(0, 0, {}).drawn);
    EXPECT_FALSE(LayoutLegend(0, 0, {{50, 0}}).drawn);
}

TEST(InfoLayout, LegendEntriesStackByTheirTextHeight)
{
    const LegendDrawing d = LayoutLegend(200, 20, {{30, 14}, {40, 14}, {35, 14}});
    ASSERT_TRUE(d.drawn);
    EXPECT_EQ(d.height, 52);
    ASSERT_EQ(d.samples.size(), 3u);
    EXPECT_EQ(d.samples[0], (ChartLine{205, 32, 215, 32}));
    EXPECT_EQ(d.samples[1].y0, 20 + 26);
    EXPECT_EQ(d.samples[2].y0, 20 + 40);
    EXPECT_EQ(d.names[2].x, 220);
    EXPECT_EQ(d.names[2].y, 20 + 5 + 28);
}

TEST(InfoLayout, BoxFollowsResizesInProportion)
{
    InfoBox box{150, 60, 40, 40};
    int winX = 1, winY = 1;
    EXPECT_TRUE(KeepPlaceOnResize(box, winX, winY, 400, 300));
    EXPECT_EQ(box, (InfoBox{150, 60, 40, 40}));  // the first paint only records the size
    EXPECT_FALSE(KeepPlaceOnResize(box, winX, winY, 400, 300));
    KeepPlaceOnResize(box, winX, winY, 800, 300);
    EXPECT_EQ(box, (InfoBox{300, 60, 40, 40}));
    // A window of no size counts as 1 pixel and divides nothing by zero later.
    KeepPlaceOnResize(box, winX, winY, 0, 0);
    EXPECT_EQ(box, (InfoBox{0, 0, 40, 40}));
    EXPECT_EQ(winX, 1);
    KeepPlaceOnResize(box, winX, winY, 500, 200);
    EXPECT_EQ(box.x, 0);
}

TEST(InfoLayout, ReadoutBoxOnlyGrows)
{
    InfoBox box{0, 0, 10, 10};
    GrowToText(box, {60, 28});
    EXPECT_EQ(box, (InfoBox{0, 0, 70, 38}));
    GrowToText(box, {20, 10});
    EXPECT_EQ(box, (InfoBox{0, 0, 70, 38}));
}
