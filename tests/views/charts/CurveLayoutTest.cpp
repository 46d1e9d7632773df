#include "views/charts/CurveLayout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace charts;

namespace {

// 400 x 300 window, margins 40 all round, one data unit per pixel, data y = 300 - row.
ChartView View()
{
    ChartView v;
    v.scrX = 400;
    v.scrY = 300;
    v.marginTop = v.marginRight = v.marginBottom = v.marginLeft = 40;
    v.posX = 0;
    v.posY = 300;
    return v;
}

const PlotArea kArea{40, 360, 40, 260};

}  // namespace

TEST(CurveLayout, ClipSegmentTable)
{
    struct Case {
        const char* what;
        double ax, ay, bx, by;
        bool visible;
        double cax, cay, cbx, cby;
    } cases[] = {
        {"inside", 50, 50, 100, 100, true, 50, 50, 100, 100},
        {"one point inside", 60, 70, 60, 70, true, 60, 70, 60, 70},
        {"crosses the top", 100, 100, 200, 0, true, 100, 100, 160, 40},
        {"enters from the top", 200, 0, 300, 100, true, 240, 40, 300, 100},
        {"crosses the left edge", 0, 100, 80, 140, true, 40, 120, 80, 140},
        {"runs right to left", 400, 100, 200, 100, true, 360, 100, 200, 100},
        {"both above", 50, 0, 300, 10, false, 0, 0, 0, 0},
        {"passes by a corner", 0, 60, 60, 0, false, 0, 0, 0, 0},
        {"left of the area", 0, 100, 39, 200, false, 0, 0, 0, 0},
        {"through the whole area", 0, 0, 400, 300, true, 53.333333, 40, 346.666667, 260},
        {"far away end", 100, 100, 1e12, 100, true, 100, 100, 360, 100},
    };
    for (const Case& c : cases) {
        double ax = c.ax, ay = c.ay, bx = c.bx, by = c.by;
        ASSERT_EQ(ClipSegment(ax, ay, bx, by, kArea), c.visible) << c.what;
        if (!c.visible) continue;
        EXPECT_NEAR(ax, c.cax, 1e-5) << c.what;
        EXPECT_NEAR(ay, c.cay, 1e-5) << c.what;
        EXPECT_NEAR(bx, c.cbx, 1e-5) << c.what;
        EXPECT_NEAR(by, c.cby, 1e-5) << c.what;
    }
}

TEST(CurveLayout, ContinuousSeriesLeavesAndReentersTheArea)
{
    const ChartView v = View();
    // Rows 200, -100 (above the area), 200.
    const CurveDrawing d = TraceFXY(v, kArea, false, true, {{100, 100}, {200, 400}, {300, 100}});
    ASSERT_EQ(d.lines.size(), 3u);
    EXPECT_EQ(d.lines[0], (ChartLine{100, 200, 100, 200}));  // the first point to itself
    EXPECT_EQ(d.lines[1], (ChartLine{100, 200, 153, 40}));
    EXPECT_EQ(d.lines[2], (ChartLine{246, 40, 300, 200}));
    EXPECT_TRUE(d.hasBounds);
    EXPECT_EQ(d.bounds.minY, 40);
    EXPECT_EQ(d.bounds.maxX, 300);
}

TEST(CurveLayout, SeriesWithoutVisiblePartsDrawNothing)
{
    const ChartView v = View();
    EXPECT_TRUE(TraceFXY(v, kArea, false, true, {{0, 100}, {20, 200}, {30, 150}}).lines.empty());
    const CurveDrawing empty = TraceFXY(v, kArea, false, true, {});
    EXPECT_TRUE(empty.lines.empty());
    EXPECT_FALSE(empty.hasBounds);
    // A point that is not a number breaks the line instead of drawing to a made-up pixel.
    const CurveDrawing gap = TraceFXY(v, kArea, false, true, {{100, 100}, {150, std::nan("")}, {200, 100}, {250, 100}});
    ASSERT_EQ(gap.lines.size(), 2u);
    EXPECT_EQ(gap.lines[1], (ChartLine{200, 200, 250, 200}));
}

TEST(CurveLayout, PointSeriesMarksOnlyInsideUnlessAllowedOutside)
{
    const ChartView v = View();
    const std::vector<std::pair<double, double>> pts{{100, 100}, {10, 100}, {200, 290}};
    const CurveDrawing inside = TraceFXY(v, kArea, false, false, pts);
    ASSERT_EQ(inside.marks.size(), 1u);
    EXPECT_EQ(inside.marks[0], (ChartLine{100, 200, 100, 200}));
    const CurveDrawing all = TraceFXY(v, AreaOf(v, true), true, false, pts);
    EXPECT_EQ(all.marks.size(), 3u);
    EXPECT_EQ(all.bounds.minX, 10);
    EXPECT_EQ(all.bounds.minY, 10);
}

TEST(CurveLayout, NamePositions)
{
    const DrawnBounds b{100, 300, 50, 200};
    EXPECT_EQ(NameOfFXY(0, b, 40, 12), std::make_pair(300 - 40 - 8, 200 + 8));
    EXPECT_EQ(NameOfFXY(1, b, 40, 12), std::make_pair(108, 208));
    EXPECT_EQ(NameOfFXY(2, b, 40, 12), std::make_pair(108, 50 - 12 - 8));
    EXPECT_EQ(NameOfFXY(7, b, 40, 12), std::make_pair(252, 30));
    const ChartView v = View();
    EXPECT_EQ(NameXOfFX(0, v, 50), 400 - 50 - 40 - 8);
    EXPECT_EQ(NameXOfFX(1, v, 50), 40 + (400 - 80 - 50) / 2);
    EXPECT_EQ(NameXOfFX(2, v, 50), 48);
    EXPECT_EQ(NameYOfFY(0, v, 12), 48);
    EXPECT_EQ(NameYOfFY(3, v, 12), 300 - 12 - 40 - 8);
}

TEST(CurveLayout, FunctionsSampledPerPixel)
{
    const ChartView v = View();
    // y = x: rows 300 - x; with the margins respected only rows 40..260 show.
    const CurveDrawing fx = TraceFX(v, kArea, false, [](double x) { return x; });
    ASSERT_FALSE(fx.marks.empty());
    EXPECT_EQ(fx.marks.front(), (ChartLine{40, 260, 40, 260}));
    EXPECT_EQ(fx.marks.back(), (ChartLine{260, 40, 260, 40}));
    // x = 1000: far right of the area, nothing inside; rows stay inside the area.
    EXPECT_TRUE(TraceFY(v, kArea, false, [](double) { return 1000.0; }).marks.empty());
    const CurveDrawing fy = TraceFY(v, kArea, false, [](double) { return 100.0; });
    ASSERT_EQ(fy.marks.size(), 220u);
    EXPECT_EQ(fy.marks.front().y0, 40);
    EXPECT_EQ(fy.marks.back().y0, 259);
    const CurveDrawing profile = TraceProfile(v, kArea, false, [](double x) { return x; });
    ASSERT_EQ(profile.lines.size(), 320u);
    EXPECT_EQ(profile.lines.front(), (ChartLine{40, 260, 41, 259}));
    EXPECT_EQ(profile.lines.back(), (ChartLine{359, 40, 360, 40}));
}
