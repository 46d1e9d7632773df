#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/ParamName.h"
#include "views/Plot2DModel.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// A canvas whose plot area is 400 x 300 pixels: the canvas is reduced by 5 pixels and then by
// the margins (35 + 15 across, 25 + 15 down).
struct Plot : Plot2DModel {
    Plot() : Plot2DModel(455, 345)
    {
        Resize(455, 345);
        SetViewPort();
    }
    void Add(std::vector<float> x, std::vector<float> y)
    {
        AddGraph(x.data(), y.data(), static_cast<unsigned int>(x.size()));
    }
};

void ExpectRange(TPoint3D r, double lo, double hi, double tol = 0.0)
{
    EXPECT_NEAR(r.x, lo, tol);
    EXPECT_NEAR(r.y, hi, tol);
    EXPECT_EQ(r.z, 0.0);
}

}  // namespace

TEST(Plot2DModel, NewCanvas)
{
    Plot2DModel m(300, 200);
    EXPECT_EQ(m.getNumGraphs(), 0u);
    ExpectRange(m.GetXRange(), 0, 0);
    ExpectRange(m.GetYRange(), 1, 1);
    EXPECT_FALSE(m.HasSize());
    // Before any data the window is drawn and converted around (0, 1): no division by zero.
    const PlotMapping map = m.Mapping();
    EXPECT_GT(map.xspan, 0);
    EXPECT_GT(map.yspan, 0);
}

TEST(Plot2DModel, FitAndClampedRanges)
{
    Plot p;
    p.Add({0, 1, 2}, {0, 2, -1});
    EXPECT_EQ(p.MinData, TPoint3D(0, -1));
    EXPECT_EQ(p.MaxData, TPoint3D(2, 2));
    EXPECT_EQ(p.Crop_min, p.MinData);
    EXPECT_EQ(p.Crop_max, p.MaxData);

    // x limited to 0 - 2*2 .. 2 + 2*2.
    ExpectRange(p.SetXRange(-10, 10), -4, 6);
    // y: the maximum clamps to 2 + 2*3 = 8 below the minimum; the window is reversed.
    ExpectRange(p.SetYRange(10, 20), 10, 8);
    ExpectRange(p.GetXRange(), -4, 6);
}

TEST(Plot2DModel, ExtentsOverAllCurvesHiddenOnesIncluded)
{
    Plot p;
    p.Add({0, 1}, {0, 1});
    p.Add({-3, 5}, {0.5f, 0.25f});
    EXPECT_EQ(p.SetGraphViewStatus(1, false), 0);
    p.Add({2, 3}, {-7, 1});
    EXPECT_EQ(p.MinData, TPoint3D(-3, -7));
    EXPECT_EQ(p.MaxData, TPoint3D(5, 1));
    // Adding a curve keeps the others' colour and state.
    EXPECT_FALSE(p.Graph(1).GetViewState());

    // Further curves count in single precision; the first one as it is.
    const TPoint3D first[] = {{0.1, 0}, {0.2, 1}};
    const TPoint3D second[] = {{0.1, 0}, {0.3, 1}};
    p.DeleteGraphs();
    p.AddGraph(nullptr, nullptr, 0);
    p.AddGraph(nullptr, nullptr, 0);
    p.SetGraphData(0, first, 2);
    p.SetGraphData(1, second, 2);
    EXPECT_EQ(p.MinData.x, 0.1);
    EXPECT_EQ(p.MaxData.x, static_cast<double>(0.3f));
}

TEST(Plot2DModel, IndexesOutOfRange)
{
    Plot p;
    p.Add({0, 1, 2}, {0, 2, -1});
    EXPECT_EQ(p.SetGraphViewStatus(p.getNumGraphs(), true), -1);
    EXPECT_EQ(p.SetGraphViewStatus(-1, true), -1);
    EXPECT_EQ(p.SetGraphViewStatus(0, false), 0);
    EXPECT_EQ(p.SetGraphViewStatus(0, true), 1);

    // Nothing changes and nothing refits: the window set by hand stays.
    p.SetXRange(0.5f, 1.5f);
    const TPoint3D big[] = {{-100, 0}, {100, 50}};
    p.SetGraphData(-1, big, 2);
    p.SetGraphData(1, big, 2);
    p.SetGraphData(0, big, -2);
    ExpectRange(p.GetXRange(), 0.5, 1.5);
    EXPECT_EQ(p.Graph(0).GetLength(), 3u);

    p.SetGraphColor(5, TPoint3D(0, 1, 0));
    EXPECT_EQ(p.GetGraphColor(5), TPoint3D());
    p.SetGraphColor(0, TPoint3D(0, 0.5, 1));
    EXPECT_EQ(p.GetGraphColor(0), TPoint3D(0, 0.5, 1));

    // A valid change refits.
    p.SetGraphData(0, big, 2);
    ExpectRange(p.GetXRange(), -100, 100);
}

TEST(Plot2DModel, DeletingCurves)
{
    Plot p;
    p.Add({0, 1}, {0, 1});
    p.Add({0, 10}, {0, 20});
    p.Add({0, 2}, {0, 3});
    p.SetGraphColor(2, TPoint3D(0, 0, 1));
    p.DelGraph(1);
    ASSERT_EQ(p.getNumGraphs(), 2u);
    EXPECT_EQ(p.Graph(1).GetXmax(), 2);
    EXPECT_EQ(p.GetGraphColor(1), TPoint3D(0, 0, 1));
    ExpectRange(p.GetXRange(), 0, 2);

    // An index out of range removes nothing but refits.
    p.SetXRange(0.5f, 1);
    p.DelGraph(-1);
    EXPECT_EQ(p.getNumGraphs(), 2u);
    ExpectRange(p.GetXRange(), 0, 2);

    // Deleting all keeps extents and window.
    p.DeleteGraphs();
    EXPECT_EQ(p.getNumGraphs(), 0u);
    ExpectRange(p.GetXRange(), 0, 2);
    EXPECT_EQ(p.MaxData, TPoint3D(2, 3));

    // CreateGraphs copies the caller's series; an empty list changes no curve.
    const float y[] = {4, 8, 6};
    TGraph a(y, 3);
    const TGraph* list[] = {&a, &a};
    p.CreateGraphs(list, 2);
    EXPECT_EQ(p.getNumGraphs(), 2u);
    ExpectRange(p.GetYRange(), 4, 8);
    p.CreateGraphs(list, 0);
    EXPECT_EQ(p.getNumGraphs(), 2u);
}

// Empty curves, single values and a -kInf tail never give an empty or infinite window.
TEST(Plot2DModel, WindowsStayFiniteAndWide)
{
    Plot p;
    p.AddGraph(nullptr, nullptr, 0);
    TPoint3D x = p.GetXRange(), y = p.GetYRange();
    EXPECT_LT(x.x, x.y);
    EXPECT_LT(y.x, y.y);

    // One point: a window around it.
    p.DeleteGraphs();
    p.Add({3}, {-2});
    x = p.GetXRange();
    y = p.GetYRange();
    EXPECT_LT(x.x, 3);
    EXPECT_GT(x.y, 3);
    EXPECT_LT(y.x, -2);
    EXPECT_GT(y.y, -2);
    EXPECT_EQ(p.world2view(TPoint3D(3, -2)).x, 35 + 200);
    // A range of one number: a window around it.
    p.Add({0, 10}, {0, 1});
    ExpectRange(p.SetXRange(5, 5), 2.5, 7.5);

    // A decay curve: 0 dB falling to -60 dB, then -kInf.
    p.DeleteGraphs();
    p.Add({0, 0.5f, 1, 1.5f, 2}, {0, -30, -60, -INFINITY, -INFINITY});
    ExpectRange(p.GetXRange(), 0, 1);
    ExpectRange(p.GetYRange(), -60, 0);
    p.WheelZoom(PlotPixel{100, 100}, -120);
    p.ViewExtent();
    ExpectRange(p.GetXRange(), 0, 1);
    ExpectRange(p.GetYRange(), -60, 0);
    ExpectRange(p.SetYRange(-100, INFINITY), -100, 120);  // clamped to 0 + 2 * 60
    ExpectRange(p.SetYRange(NAN, 10), -100, 10);
}

TEST(Plot2DModel, PixelsAndData)
{
    Plot p;
    p.Add({0, 10}, {-1, 2});
    EXPECT_EQ(p.width, 400);
    EXPECT_EQ(p.height, 300);
    // Rows are flipped with the canvas height less 5 (340).
    const PlotPixel lowerLeft = p.world2view(TPoint3D(0, -1));
    EXPECT_EQ(lowerLeft.x, 35);
    EXPECT_EQ(lowerLeft.y, 340 - 25);
    const PlotPixel upperRight = p.world2view(TPoint3D(10, 2));
    EXPECT_EQ(upperRight.x, 35 + 400);
    EXPECT_EQ(upperRight.y, 340 - 25 - 300);
    // Truncated toward zero: 4.99 pixels is pixel 4.
    EXPECT_EQ(p.world2view(TPoint3D(0.1248, -1)).x, 35 + 4);

    EXPECT_EQ(p.view2world(PlotPixel{35 + 200, 340 - 25 - 150}), TPoint3D(5, 0.5));
    for (PlotPixel s : {PlotPixel{35, 315}, PlotPixel{47, 200}, PlotPixel{400, 20}}) {
        const PlotPixel back = p.world2view(p.view2world(s));
        EXPECT_EQ(back.x, s.x);
        EXPECT_EQ(back.y, s.y);
    }
    // A point far away gives a pixel far outside, not an overflow.
    EXPECT_LT(p.world2view(TPoint3D(-1e300, -kInf)).x, -1000000);
    EXPECT_GT(p.world2view(TPoint3D(1e300, 0)).x, 1000000);
}

TEST(Plot2DModel, WheelZoomKeepsThePointUnderThePointer)
{
    Plot p;
    p.Add({0, 10}, {0, 10});
    const PlotPixel over5{35 + 200, 340 - 25 - 150};
    ASSERT_EQ(p.view2world(over5), TPoint3D(5, 5));
    p.WheelZoom(over5, 120);
    ExpectRange(p.GetXRange(), 1.6667, 8.3333, 1e-4);
    ExpectRange(p.GetYRange(), 1.6667, 8.3333, 1e-4);
    EXPECT_EQ(p.LastCrop_max, TPoint3D(10, 10));
    p.WheelZoom(over5, -120);
    ExpectRange(p.GetXRange(), 0, 10, 1e-5);
    // Zooming out is not clamped.
    p.WheelZoom(over5, 0);
    ExpectRange(p.GetXRange(), -2.5, 12.5, 1e-5);
    // A factor that would leave no window is refused on its axis.
    p.Zoom(TPoint3D(5, 5), INFINITY, 2);
    ExpectRange(p.GetXRange(), -2.5, 12.5, 1e-5);
    ExpectRange(p.GetYRange(), 1.25, 8.75, 1e-5);
}

TEST(Plot2DModel, PanDragKeepsTheGrabbedPointAndReturns)
{
    Plot p;
    p.Add({0, 10}, {0, 10});
    const PlotPixel press{100, 200};
    p.StartPan(press);
    EXPECT_TRUE(p.IsPanning);
    const TPoint3D grabbed = p.MouseFirstPoint;
    p.MouseMoved(PlotPixel{180, 150}, false, false, true);
    const TPoint3D under = p.view2world(PlotPixel{180, 150});
    EXPECT_NEAR(under.x, grabbed.x, 1e-5);
    EXPECT_NEAR(under.y, grabbed.y, 1e-5);
    ExpectRange(p.GetXRange(), -2, 8, 1e-5);  // 80 pixels of 400 to the right
    p.MouseMoved(PlotPixel{130, 260}, false, false, true);
    p.MouseMoved(press, false, false, true);
    ExpectRange(p.GetXRange(), 0, 10, 1e-5);
    ExpectRange(p.GetYRange(), 0, 10, 1e-5);

    // A held left button suppresses the step; without the right button nothing pans.
    p.MouseMoved(PlotPixel{300, 10}, true, false, true);
    p.MouseMoved(PlotPixel{200, 10}, false, false, false);
    ExpectRange(p.GetXRange(), 0, 10, 1e-5);
    p.StopPan();
    EXPECT_FALSE(p.IsPanning);
}

TEST(Plot2DModel, ZoomDragByDirection)
{
    Plot p;
    p.Add({0, 10}, {0, 10});
    const PlotPixel press{35 + 200, 340 - 25 - 150};  // (5, 5)
    p.StartZoom(press);
    EXPECT_TRUE(p.IsZooming);
    // A quarter width to the right: x zooms in by 1.5 about the anchor; y did not move and its
    // factor is 1.
    p.MouseMoved(PlotPixel{press.x + 100, press.y}, false, true, false);
    ExpectRange(p.GetXRange(), 5 - 5 / 1.5, 5 + 5 / 1.5, 1e-4);
    ExpectRange(p.GetYRange(), 0, 10, 1e-5);
    EXPECT_NEAR(p.MouseActualLocation.x, 7.5, 1e-6);

    // Back to the left: zooms out, by a factor from the new window.
    p.StartZoom(press);
    p.MouseMoved(PlotPixel{press.x - 60, press.y + 30}, false, true, false);
    const double wx = 10 / 1.5, fx = 2 * (60.0 / 400 * wx) / wx + 1;
    const double wy = 10, fy = 2 * (30.0 / 300 * wy) / wy + 1;
    EXPECT_NEAR(p.GetXRange().y - p.GetXRange().x, wx * fx, 1e-4);
    EXPECT_NEAR(p.GetYRange().y - p.GetYRange().x, wy * fy, 1e-4);  // moved down: out
    p.StopZoom();
    EXPECT_FALSE(p.IsZooming);

    // The fit brings back the data.
    p.ViewExtent();
    ExpectRange(p.GetXRange(), 0, 10);
    ExpectRange(p.GetYRange(), 0, 10);
}

struct LabelCase {
    float lo, hi;
    const char* first;
    const char* second;
};

class Plot2DLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(Plot2DLabels, FirstLabelsAndGridOnMultiples)
{
    const LabelCase c = GetParam();
    Plot p;
    p.Add({-1000, 1000}, {-1000, 1000});
    p.SetXRange(c.lo, c.hi);
    const std::vector<PlotLabel> labels = p.LabelsX();
    ASSERT_EQ(labels.size(), 21u);
    EXPECT_EQ(labels[0].text, c.first);
    EXPECT_EQ(labels[1].text, c.second);
    EXPECT_EQ(p.TicksX().size(), 21u);

    const std::vector<double> grid = p.GridX();
    ASSERT_EQ(grid.size(), 22u);
    EXPECT_EQ(grid.front(), c.lo);
    EXPECT_EQ(grid.back(), c.hi);
    const double dx = static_cast<float>((c.hi - c.lo) / 20.0);
    for (size_t k = 1; k + 1 < grid.size(); k++) {
        const double steps = grid[k] / dx;
        EXPECT_NEAR(steps, std::round(steps), 1e-3) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, Plot2DLabels,
                         ::testing::Values(LabelCase{0, 0.5f, "25.00", "50.00"}, LabelCase{0, 1, "0.05", "0.10"},
                                           LabelCase{-0.3f, 0.7f, "-0.25", "-0.20"},
                                           LabelCase{-0.1f, 0.1f, "-90.00", "-80.00"},
                                           LabelCase{100, 300, "110.00", "120.00"}),
                         [](const testing::TestParamInfo<LabelCase>& i) {
                             return ParamName(i.param.lo) + "_to_" + ParamName(i.param.hi);
                         });

TEST(Plot2DModel, LabelsOfTheLeftMargin)
{
    Plot p;
    p.Add({0, 1}, {-1, 1});
    const std::vector<PlotLabel> labels = p.LabelsY();
    ASSERT_EQ(labels.size(), 21u);
    // The step 0.1f lies above 0.1, so the first tick is at -0.9 and the first label at -0.8;
    // positive labels get a leading blank and start further right.
    EXPECT_EQ(labels[0].text, "-0.80");
    EXPECT_EQ(labels[0].across, 0.05);
    EXPECT_EQ(labels[8].text, "0.00");
    EXPECT_EQ(labels[8].across, 0.05);
    EXPECT_EQ(labels[9].text, " 0.10");
    EXPECT_EQ(labels[9].across, 0.2);
    EXPECT_NEAR(labels[9].start, 0.1 - 0.1 / 7, 1e-6);
}

TEST(Plot2DModel, SizeAndPlotArea)
{
    Plot2DModel m(300, 200);
    EXPECT_FALSE(m.SetViewPort());  // no size event yet
    m.Resize(60, 200);              // 55 - 35 - 15: 5 pixels wide
    EXPECT_EQ(m.width, 5);          // for the pointer before the next frame
    EXPECT_EQ(m.height, 195 - 40);
    EXPECT_TRUE(m.SetViewPort());
    m.Resize(54, 200);
    EXPECT_FALSE(m.SetViewPort());
    EXPECT_EQ(m.view2world(PlotPixel{10, 10}).x, m.Mapping().xmin);
    m.Resize(455, 345);
    EXPECT_TRUE(m.SetViewPort());
    EXPECT_EQ(m.DrawingBottom(), 4);
}

TEST(Plot2DModel, ChangesMarkARedraw)
{
    Plot p;
    p.Add({0, 1}, {0, 1});
    p.FrameDrawn();
    EXPECT_FALSE(p.NeedsRedraw());
    p.MouseMoved(PlotPixel{50, 50}, false, false, false);
    EXPECT_FALSE(p.NeedsRedraw());
    p.SetGraphColor(0, TPoint3D(0, 1, 0));
    EXPECT_TRUE(p.NeedsRedraw());
    p.FrameDrawn();
    p.MouseDown(PlotPixel{235, 165});
    EXPECT_TRUE(p.NeedsRedraw());
    EXPECT_TRUE(p.HasCrossHair());
    EXPECT_EQ(p.CrossHairPoint(), TPoint3D(0.5, 0.5));
    p.FrameDrawn();
    EXPECT_FALSE(p.HasCrossHair());
}

// On a display scaled by 2 the canvas has twice the device pixels each way: the plot area and
// the margins double with it, so that the same data fill the same share of the canvas and a
// pointer (in device pixels) lands on the same data point.
TEST(Plot2DModel, ScaledDisplayFillsTheCanvasAndKeepsTheMarginsInProportion)
{
    Plot one;
    one.Add({0, 10}, {-1, 2});
    Plot2DModel two(455, 345);
    two.SetPixelScale(2);
    two.Resize(910, 690);
    ASSERT_TRUE(two.SetViewPort());
    const std::vector<float> x{0, 10}, y{-1, 2};
    two.AddGraph(x.data(), y.data(), 2);

    EXPECT_EQ(two.PixelScale(), 2.0);
    EXPECT_EQ(two.margin_left, 70);
    EXPECT_EQ(two.margin_bottom, 50);
    EXPECT_EQ(two.margin_right, 30);
    EXPECT_EQ(two.margin_top, 30);
    EXPECT_EQ(two.width, 905 - 100);
    EXPECT_EQ(two.height, 685 - 80);
    // The plot area's share of the canvas is that of scale 1 (up to the 5-pixel border).
    EXPECT_NEAR(double(two.width) / 910, double(one.width) / 455, 0.01);
    EXPECT_NEAR(double(two.height) / 690, double(one.height) / 345, 0.01);
    // The same place on the screen, counted in device pixels, is the same data point.
    for (PlotPixel s : {PlotPixel{100, 100}, PlotPixel{235, 165}, PlotPixel{400, 300}}) {
        const TPoint3D a = one.view2world(s);
        const TPoint3D b = two.view2world(PlotPixel{2 * s.x, 2 * s.y});
        EXPECT_NEAR(a.x, b.x, 0.1) << s.x << "," << s.y;
        EXPECT_NEAR(a.y, b.y, 0.1) << s.x << "," << s.y;
    }
    // Back to scale 1: the margins of scale 1; nonsense scales change nothing.
    two.SetPixelScale(1);
    EXPECT_EQ(two.margin_left, 35);
    for (double bad : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN()}) {
        two.SetPixelScale(bad);
        EXPECT_EQ(two.PixelScale(), 1.0);
        EXPECT_EQ(two.margin_bottom, 25);
    }
}
