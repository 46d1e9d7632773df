#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

#include "views/PlotReduction.h"

namespace {

PlotMapping Window(double x0, double x1, double y0, double y1, int w, int h)
{
    PlotMapping m;
    m.xmin = x0;
    m.xspan = x1 - x0;
    m.ymin = y0;
    m.yspan = y1 - y0;
    m.width = w;
    m.height = h;
    return m;
}

// A long, noisy response: 88200 samples of a decaying oscillation.
std::vector<TPoint3D> Response(size_t n)
{
    std::vector<TPoint3D> p(n);
    for (size_t i = 0; i < n; i++) {
        const double t = i / 44100.0;
        p[i] = TPoint3D(t, std::exp(-3 * t) * std::sin(2200 * t + 0.001 * i * i) + 0.01 * std::sin(7.0 * i));
    }
    return p;
}

}  // namespace

TEST(PlotReduction, KeepsEveryColumnsExtremesAndTheEnds)
{
    const std::vector<TPoint3D> pts = Response(88200);
    const PlotMapping map = Window(0.2, 1.7, -1.2, 1.2, 300, 200);
    PlotPolyline line;
    ReduceCurve(pts.data(), pts.size(), map, line);

    ASSERT_EQ(line.strips.size(), 1u);
    EXPECT_LE(line.vertices(), 4u * (300 + 2));
    // First and last vertex: the curve's ends (clipping does not touch them here).
    EXPECT_FLOAT_EQ(line.xy[0], static_cast<float>(map.X(pts.front().x)));
    EXPECT_FLOAT_EQ(line.xy[line.xy.size() - 1], static_cast<float>(map.Y(pts.back().y)));

    // Per column inside the plot: the lowest and highest y of the points and of the vertices.
    std::map<int, std::pair<float, float>> want, got;
    auto widen = [](std::map<int, std::pair<float, float>>& m, int c, float y) {
        auto [it, fresh] = m.try_emplace(c, y, y);
        if (!fresh) it->second = {std::min(it->second.first, y), std::max(it->second.second, y)};
    };
    for (const TPoint3D& p : pts) {
        const double x = map.X(p.x);
        if (x >= 0 && x < 300) widen(want, static_cast<int>(x), static_cast<float>(map.Y(p.y)));
    }
    for (size_t v = 0; v < line.vertices(); v++) {
        const double x = line.xy[2 * v];
        if (x >= 0 && x < 300) widen(got, static_cast<int>(x), line.xy[2 * v + 1]);
    }
    ASSERT_EQ(want.size(), 300u);
    EXPECT_EQ(got, want);
}

TEST(PlotReduction, PointsThatAreNotFiniteBreakTheLine)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    const PlotMapping map = Window(0, 10, -1, 1, 100, 100);
    // 0..3 finite, a NaN, 5..6 finite, a lone point between NaN and -inf, a -inf tail.
    const std::vector<TPoint3D> pts = {{0, 0},   {1, 0.5}, {2, 0},   {3, -0.5}, {4, NaN},  {5, 0},
                                       {6, 0.5}, {NaN, 0}, {7, 0.2}, {8, -inf}, {9, -inf}, {10, -inf}};
    PlotPolyline line;
    ReduceCurve(pts.data(), pts.size(), map, line);
    ASSERT_EQ(line.strips.size(), 2u);
    EXPECT_EQ(line.strips[0].count, 4u);
    EXPECT_EQ(line.strips[1].count, 2u);
    EXPECT_EQ(line.xy[2 * (line.strips[1].first + 1)], 60.0f);  // ends at x = 6
    for (float v : line.xy) EXPECT_TRUE(std::isfinite(v));

    line.clear();
    ReduceCurve(pts.data() + 7, 5, map, line);
    EXPECT_TRUE(line.strips.empty());
    EXPECT_TRUE(line.xy.empty());
}

TEST(PlotReduction, FarPointsAreClippedAlongTheirLine)
{
    // Deep zoom: the window is 1e-9 wide, the line's ends are a billion windows away.
    const PlotMapping map = Window(0, 1e-9, 0, 1e-9, 200, 100);
    const std::vector<TPoint3D> pts = {{-1, -1}, {1, 1}};
    PlotPolyline line;
    ReduceCurve(pts.data(), pts.size(), map, line);
    ASSERT_EQ(line.strips.size(), 1u);
    ASSERT_EQ(line.vertices(), 2u);
    for (float v : line.xy) EXPECT_LT(std::fabs(v), 1000.0f);
    // Still the line y = x in data, i.e. y = x / 2 in these pixels.
    EXPECT_NEAR(line.xy[1], line.xy[0] / 2, 1e-3);
    EXPECT_NEAR(line.xy[3], line.xy[2] / 2, 1e-3);

    // A line wholly outside the band is not drawn.
    const std::vector<TPoint3D> away = {{-1, 1}, {-0.5, 2}};
    line.clear();
    ReduceCurve(away.data(), away.size(), map, line);
    EXPECT_TRUE(line.strips.empty());

    line.clear();
    AddLine(TPoint3D(-1, 5e-10), TPoint3D(1, 5e-10), map, line);
    ASSERT_EQ(line.strips.size(), 1u);
    EXPECT_FLOAT_EQ(line.xy[1], 50.0f);
}

TEST(PlotReduction, PointsBesideThePlotCollapse)
{
    // All 10000 points left of the window: one run of at most four vertices.
    std::vector<TPoint3D> pts(10000);
    for (size_t i = 0; i < pts.size(); i++) pts[i] = TPoint3D(-1 + i * 1e-5, std::sin(0.01 * i));
    PlotPolyline line;
    ReduceCurve(pts.data(), pts.size(), Window(0, 1, -1, 1, 100, 100), line);
    EXPECT_LE(line.vertices(), 4u);
}
