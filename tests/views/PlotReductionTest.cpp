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

struct Segment {
    float x0, y0, x1, y1;
};

std::vector<Segment> Segments(const PlotSegments& s)
{
    std::vector<Segment> list;
    for (size_t i = 0; i + 3 < s.xy.size(); i += 4) list.push_back({s.xy[i], s.xy[i + 1], s.xy[i + 2], s.xy[i + 3]});
    return list;
}

using Extents = std::map<int, std::pair<double, double>>;

void Widen(Extents& m, int c, double y)
{
    auto [it, fresh] = m.try_emplace(c, y, y);
    if (!fresh) it->second = {std::min(it->second.first, y), std::max(it->second.second, y)};
}

}  // namespace

// Every column's lowest and highest point is covered (half a pixel beyond, for the pixels at the
// ends), nothing reaches further, and the lines between columns are the curve's own.
TEST(PlotReduction, KeepsEveryColumnsExtremes)
{
    const std::vector<TPoint3D> pts = Response(88200);
    const PlotMapping map = Window(0.2, 1.7, -1.2, 1.2, 300, 200);
    PlotSegments out;
    ReduceCurve(pts.data(), pts.size(), map, out);
    EXPECT_LE(out.segments(), 2u * (300 + 2));

    Extents want, got;
    for (const TPoint3D& p : pts) {
        const double x = map.X(p.x);
        if (x >= 0 && x < 300) Widen(want, static_cast<int>(x), map.Y(p.y));
    }
    for (const Segment& s : Segments(out)) {
        const int c0 = static_cast<int>(std::floor(s.x0)), c1 = static_cast<int>(std::floor(s.x1));
        if (c0 != c1) continue;  // a line between columns
        if (s.x0 >= 0 && s.x0 < 300) {
            Widen(got, c0, s.y0);
            Widen(got, c0, s.y1);
        }
    }
    ASSERT_EQ(want.size(), 300u);
    ASSERT_EQ(got.size(), 300u);
    for (const auto& [column, range] : want) {
        EXPECT_NEAR(got[column].first, range.first - 0.5, 1e-3) << column;
        EXPECT_NEAR(got[column].second, range.second + 0.5, 1e-3) << column;
    }
}

TEST(PlotReduction, SparsePointsKeepTheirLines)
{
    // Fewer points than columns: the curve itself, segment by segment.
    const std::vector<TPoint3D> pts = {{0, 0}, {1, 1}, {2, -1}, {3, 0.5}};
    PlotSegments out;
    ReduceCurve(pts.data(), pts.size(), Window(0, 3, -1, 1, 300, 100), out);
    const std::vector<Segment> s = Segments(out);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].x0, 0.0f);
    EXPECT_EQ(s[0].y1, 100.0f);
    EXPECT_EQ(s[1].x0, 100.0f);
    EXPECT_EQ(s[1].y1, 0.0f);
    EXPECT_EQ(s[2].x1, 300.0f);
    EXPECT_EQ(s[2].y1, 75.0f);
}

TEST(PlotReduction, PointsThatAreNotFiniteBreakTheLine)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    const PlotMapping map = Window(0, 10, -1, 1, 100, 100);
    // 0..3 finite, a NaN, 5..6 finite, a lone point between NaN and -inf, a -inf tail.
    const std::vector<TPoint3D> pts = {{0, 0},   {1, 0.5}, {2, 0},   {3, -0.5}, {4, NaN},  {5, 0},
                                       {6, 0.5}, {NaN, 0}, {7, 0.2}, {8, -inf}, {9, -inf}, {10, -inf}};
    PlotSegments out;
    ReduceCurve(pts.data(), pts.size(), map, out);
    const std::vector<Segment> s = Segments(out);
    ASSERT_EQ(s.size(), 4u);  // 0-1, 1-2, 2-3 and 5-6
    EXPECT_EQ(s[2].x1, 30.0f);
    EXPECT_EQ(s[3].x0, 50.0f);
    EXPECT_EQ(s[3].x1, 60.0f);
    for (float v : out.xy) EXPECT_TRUE(std::isfinite(v));

    out.clear();
    ReduceCurve(pts.data() + 7, 5, map, out);
    EXPECT_TRUE(out.xy.empty());
}

TEST(PlotReduction, FarPointsAreClippedAlongTheirLine)
{
    // Deep zoom: the window is 1e-9 wide, the line's ends are a billion windows away.
    const PlotMapping map = Window(0, 1e-9, 0, 1e-9, 200, 100);
    const std::vector<TPoint3D> pts = {{-1, -1}, {1, 1}};
    PlotSegments out;
    ReduceCurve(pts.data(), pts.size(), map, out);
    ASSERT_EQ(out.segments(), 1u);
    for (float v : out.xy) EXPECT_LT(std::fabs(v), 1000.0f);
    // Still the line y = x in data, i.e. y = x / 2 in these pixels.
    EXPECT_NEAR(out.xy[1], out.xy[0] / 2, 1e-3);
    EXPECT_NEAR(out.xy[3], out.xy[2] / 2, 1e-3);

    // A line wholly outside the band is not drawn.
    const std::vector<TPoint3D> away = {{-1, 1}, {-0.5, 2}};
    out.clear();
    ReduceCurve(away.data(), away.size(), map, out);
    EXPECT_TRUE(out.xy.empty());

    out.clear();
    AddLine(TPoint3D(-1, 5e-10), TPoint3D(1, 5e-10), map, out);
    ASSERT_EQ(out.segments(), 1u);
    EXPECT_FLOAT_EQ(out.xy[1], 50.0f);
    AddLine(TPoint3D(0, 0), TPoint3D(0, -std::numeric_limits<double>::infinity()), map, out);
    EXPECT_EQ(out.segments(), 1u);
}

TEST(PlotReduction, PointsBesideThePlotCollapse)
{
    // All 10000 points left of the window: one column's segment.
    std::vector<TPoint3D> pts(10000);
    for (size_t i = 0; i < pts.size(); i++) pts[i] = TPoint3D(-1 + i * 1e-5, std::sin(0.01 * i));
    PlotSegments out;
    ReduceCurve(pts.data(), pts.size(), Window(0, 1, -1, 1, 100, 100), out);
    EXPECT_EQ(out.segments(), 1u);
}
