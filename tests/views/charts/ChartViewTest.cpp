#include "views/charts/ChartView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using charts::ChartView;

namespace {

// The window of the examples: 400 x 290 pixels, margins top 50, right 40, bottom 40, left 40.
ChartView ExampleView()
{
    ChartView v;
    v.scrX = 400;
    v.scrY = 290;
    v.marginTop = 50;
    v.marginRight = 40;
    v.marginBottom = 40;
    v.marginLeft = 40;
    return v;
}

}  // namespace

TEST(ChartView, FitFillsThePlotArea)
{
    ChartView v = ExampleView();
    v.Fit(0, 10, 0, 10);
    EXPECT_DOUBLE_EQ(v.scaleX, 32);
    EXPECT_DOUBLE_EQ(v.scaleY, 20);
    EXPECT_DOUBLE_EQ(v.posX, -1.25);
    EXPECT_DOUBLE_EQ(v.posY, 12.5);
    EXPECT_EQ(v.x2p(0), 40);
    EXPECT_EQ(v.y2p(0), 250);
    EXPECT_EQ(v.x2p(10), 360);
    EXPECT_EQ(v.y2p(10), 50);
    EXPECT_EQ(v.desiredXmax, 10);
}

TEST(ChartView, FitWithLockedAspectCentresTheNarrowerAxis)
{
    ChartView v = ExampleView();
    v.lockAspect = true;
    v.Fit(0, 10, 0, 10);
    EXPECT_DOUBLE_EQ(v.scaleX, 20);
    EXPECT_DOUBLE_EQ(v.scaleY, 20);
    EXPECT_DOUBLE_EQ(v.posX, -5);
    EXPECT_EQ(v.x2p(0), 100);
    EXPECT_EQ(v.x2p(10), 300);
    EXPECT_EQ(v.y2p(0), 250);
}

TEST(ChartView, ZeroWidthRangeGetsScaleOne)
{
    ChartView v = ExampleView();
    v.Fit(3, 3, 0, 1);
    EXPECT_DOUBLE_EQ(v.scaleX, 1);
    EXPECT_EQ(v.x2p(3), 40 + 320 / 2);
    v.ZoomRect(10, 10, 10, 200);
    EXPECT_DOUBLE_EQ(v.scaleX, 1);
}

TEST(ChartView, PlotAreaWithoutSizeKeepsTheViewButTakesTheRange)
{
    ChartView v = ExampleView();
    v.Fit(0, 10, 0, 10);
    const ChartView before = v;
    v.scrX = 60;  // narrower than both side margins together
    v.Fit(-5, 5, 1, 2);
    EXPECT_EQ(v.scaleX, before.scaleX);
    EXPECT_EQ(v.posY, before.posY);
    EXPECT_EQ(v.desiredXmin, -5);
    v.scrX = 400;
    v.Fit(v.desiredXmin, v.desiredXmax, v.desiredYmin, v.desiredYmax);
    EXPECT_EQ(v.x2p(-5), 40);
}

TEST(ChartView, ZoomKeepsTheDataUnderThePixelAndTheDesiredRangeIsThePlotArea)
{
    ChartView v = ExampleView();
    v.Fit(0, 10, 0, 10);
    const double x = v.p2x(123), y = v.p2y(77);
    v.Zoom(1.5, 123, 77);
    EXPECT_DOUBLE_EQ(v.scaleX, 48);
    EXPECT_NEAR(v.p2x(123), x, 1e-12);
    EXPECT_NEAR(v.p2y(77), y, 1e-12);
    // A later fit of the desired range (a resize) shows the same data in the plot area.
    const ChartView zoomed = v;
    v.Fit(v.desiredXmin, v.desiredXmax, v.desiredYmin, v.desiredYmax);
    EXPECT_NEAR(v.scaleX, zoomed.scaleX, 1e-9);
    EXPECT_NEAR(v.posX, zoomed.posX, 1e-9);
    EXPECT_NEAR(v.posY, zoomed.posY, 1e-9);

    v.Zoom(1 / 1.5, 123, 77);
    EXPECT_NEAR(v.scaleX, 32, 1e-9);
    EXPECT_NEAR(v.scaleY, 20, 1e-9);
    EXPECT_NEAR(v.p2x(123), x, 1e-12);
}

TEST(ChartView, ManyZoomInsStayBoundedAndConvertible)
{
    ChartView v = ExampleView();
    v.Fit(0, 10, 0, 10);
    for (int i = 0; i < 200; ++i) v.Zoom(1.5, 200, 150);
    EXPECT_TRUE(std::isfinite(v.scaleX));
    EXPECT_LE(v.scaleX, charts::kMaxScale);
    // A pixel still changes the data value it stands for.
    EXPECT_NE(v.p2x(201), v.p2x(200));
    EXPECT_LE(std::abs(v.x2p(1e300)), int(charts::kPixelLimit));
    for (int i = 0; i < 400; ++i) v.Zoom(1 / 1.5, 200, 150);
    EXPECT_GE(v.scaleX, charts::kMinScale);
    EXPECT_TRUE(std::isfinite(v.posX));
}

TEST(ChartView, PixelConversionClamps)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double px;
        int expected;
    } cases[] = {{12.9, 12},
                 {-12.9, -12},
                 {inf, int(charts::kPixelLimit)},
                 {-inf, -int(charts::kPixelLimit)},
                 {std::nan(""), 0},
                 {1e300, int(charts::kPixelLimit)}};
    for (const Case& c : cases) EXPECT_EQ(charts::ClampPixel(c.px), c.expected) << c.px;
}

TEST(ChartView, BoundScaleKeepsScalesUsable)
{
    EXPECT_EQ(charts::BoundScale(0, 1), 1);
    EXPECT_EQ(charts::BoundScale(std::nan(""), 1), 1);
    EXPECT_EQ(charts::BoundScale(32, 10), 32);
    EXPECT_EQ(charts::BoundScale(-32, 10), -32);
    // Around x = 1e6 a pixel is at least 1e-6.
    EXPECT_DOUBLE_EQ(charts::BoundScale(1e20, 1e6), 1e6);
    EXPECT_EQ(charts::BoundScale(1e-300, 1), charts::kMinScale);
}

TEST(ChartView, ShiftMovesViewAndDesiredRange)
{
    ChartView v = ExampleView();
    v.Fit(0, 10, 0, 10);
    v.Shift(2, -1);
    EXPECT_DOUBLE_EQ(v.posX, -1.25 + 2);
    EXPECT_DOUBLE_EQ(v.desiredXmin, 2);
    EXPECT_DOUBLE_EQ(v.desiredYmax, 9);
}

TEST(ChartView, ScrollBarsFollowTheViewAndBack)
{
    ChartView v = ExampleView();
    v.minX = 0;
    v.maxX = 20;
    v.minY = 0;
    v.maxY = 10;
    v.Fit(0, 10, 0, 10);
    const charts::ScrollBarState h = v.HorizontalScrollBar(400);
    EXPECT_EQ(h.range, 640);  // 0..20 at 32 pixels per unit
    EXPECT_EQ(h.position, 0);
    EXPECT_EQ(h.thumb, 320);
    EXPECT_DOUBLE_EQ(v.ScrollPosX(h.position), v.posX);
    const charts::ScrollBarState s = v.VerticalScrollBar(290);
    EXPECT_EQ(s.thumb, 200);
    EXPECT_DOUBLE_EQ(v.ScrollPosY(s.position), v.posY);
    EXPECT_DOUBLE_EQ(v.ScrollPosX(64), v.posX + 2);
}
