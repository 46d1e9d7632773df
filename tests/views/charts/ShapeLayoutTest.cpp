#include "views/charts/ShapeLayout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace charts;

TEST(ShapeLayout, EllipsePointsOfADiagonalMatrix)
{
    const EllipseShape e = CovarianceEllipse(4, 1, 0, 1, 5);
    ASSERT_TRUE(e.error.empty());
    const double want[5][2] = {{2, 0}, {0, 1}, {-2, 0}, {0, -1}, {2, 0}};
    ASSERT_EQ(e.xs.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        // The angle step uses 6.283185308 for two pi.
        EXPECT_NEAR(e.xs[i], want[i][0], 1e-8) << i;
        EXPECT_NEAR(e.ys[i], want[i][1], 1e-8) << i;
    }
}

TEST(ShapeLayout, EllipsePointsLieOnTheQuantileContour)
{
    // x' inv(C) x = q^2 for every point, also for a tilted and a round matrix.
    struct Case {
        double c00, c11, c01, q;
    } cases[] = {{2, 2, 1, 1.5}, {1, 1, 0, 2}, {3, 1, -1, 1}, {0, 1, 0, 1}};
    for (const Case& c : cases) {
        const EllipseShape e = CovarianceEllipse(c.c00, c.c11, c.c01, c.q, 33);
        ASSERT_TRUE(e.error.empty());
        const double det = c.c00 * c.c11 - c.c01 * c.c01;
        for (std::size_t i = 0; i < e.xs.size(); ++i) {
            const double x = e.xs[i], y = e.ys[i];
            if (det > 0) {
                const double m = (c.c11 * x * x - 2 * c.c01 * x * y + c.c00 * y * y) / det;
                EXPECT_NEAR(m, c.q * c.q, 1e-8) << c.c00 << " " << c.c01 << " " << i;
            } else {
                EXPECT_NEAR(x, 0, 1e-12);  // a degenerate ellipse: a segment along y
                EXPECT_LE(std::fabs(y), c.q + 1e-12);
            }
        }
        EXPECT_NEAR(e.xs.front(), e.xs.back(), 1e-8);
    }
}

TEST(ShapeLayout, EllipseRefusals)
{
    struct Case {
        double c00, c11, c01, q;
        int segments;
        const char* error;
    } cases[] = {
        {1, 1, 0, -1, 5, "[mpCovarianceEllipse] Error: quantiles must be non-negative"},
        {-1, 1, 0, 1, 5, "[mpCovarianceEllipse] Error: cov(0,0) must be non-negative"},
        {1, -1, 0, 1, 5, "[mpCovarianceEllipse] Error: cov(1,1) must be non-negative"},
        {1, 1, 2, 1, 5, "[mpCovarianceEllipse] Error: cov is not positive definite"},
        {1, 1, 0, 1, 1, "[mpCovarianceEllipse] Error: segments must be at least 2"},
        {1, 1, 0, 1, 0, "[mpCovarianceEllipse] Error: segments must be at least 2"},
        {1, 1, 0, 1, -4, "[mpCovarianceEllipse] Error: segments must be at least 2"},
    };
    for (const Case& c : cases) {
        const EllipseShape e = CovarianceEllipse(c.c00, c.c11, c.c01, c.q, c.segments);
        EXPECT_EQ(e.error, c.error);
        EXPECT_TRUE(e.xs.empty());
    }
    EXPECT_EQ(CovarianceEllipse(1, 1, 0, 1, 2).xs.size(), 2u);
}

TEST(ShapeLayout, PlacementRotatesThenMoves)
{
    const PlacedShape p = PlaceShape({1, 0}, {0, 2}, 10, 20, M_PI / 2);
    EXPECT_NEAR(p.xs[0], 10, 1e-12);
    EXPECT_NEAR(p.ys[0], 21, 1e-12);
    EXPECT_NEAR(p.xs[1], 8, 1e-12);
    EXPECT_NEAR(p.ys[1], 20, 1e-12);
    EXPECT_NEAR(p.minX, 8, 1e-12);
    EXPECT_NEAR(p.maxY, 21, 1e-12);
    const PlacedShape empty = PlaceShape({}, {}, 1, 1, 0);
    EXPECT_EQ(empty.minX, 1e300);
    EXPECT_EQ(empty.maxY, -1e300);
}

TEST(ShapeLayout, TextInPercentOfThePlotArea)
{
    ChartView v;
    v.scrX = 600;
    v.scrY = 400;
    v.marginTop = v.marginRight = v.marginBottom = v.marginLeft = 40;
    EXPECT_EQ(TextPosition(50, 50, v), (PixelPoint{260, 160}));
    EXPECT_EQ(TextPosition(5, 30, v), (PixelPoint{26, 96}));
    EXPECT_EQ(TextPosition(100, 0, v), (PixelPoint{520, 0}));
}

TEST(ShapeLayout, BitmapPlacementTable)
{
    struct Case {
        const char* what;
        int x0, y0, x1, y1, imageW, imageH;
        bool visible, sampled;
        int dx, dy, dw, dh, ox, oy, cw, ch;
    } cases[] = {
        // 10 x 10 image on 100 x 100 screen pixels inside a 400 x 300 window.
        {"inside", 50, 50, 150, 150, 10, 10, true, false, 50, 50, 101, 101, 0, 0, 10, 10},
        // Left half off the window: the crop starts inside the image, a border of one image pixel.
        {"off the left", -50, 50, 50, 150, 10, 10, true, false, -11, 50, 62, 101, 3, 0, 6, 10},
        // Larger than the window on every side: the crop is kept inside the image.
        {"covers the window", -1000, -1000, 1400, 1300, 24, 23, true, false, -101, -101, 603, 503, 8, 8, 6, 5},
        {"one image pixel wider than the window", -500, -500, 500, 500, 2, 2, true, true, 0, 0, 400, 300, 1, 1, 1, 1},
        {"inverted rectangle", 150, 50, 50, 150, 10, 10, false, false, 0, 0, 0, 0, 0, 0, 0, 0},
        {"no width", 50, 50, 50, 150, 10, 10, false, false, 0, 0, 0, 0, 0, 0, 0, 0},
        {"left of the window", -300, 50, -200, 150, 10, 10, false, false, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const BitmapPlacement p = PlaceBitmap(c.x0, c.y0, c.x1, c.y1, c.imageW, c.imageH, 400, 300);
        EXPECT_EQ(p.visible, c.visible) << c.what;
        if (!c.visible || !p.visible) continue;
        EXPECT_EQ(p.sampled, c.sampled) << c.what;
        EXPECT_EQ(p.dx, c.dx) << c.what;
        EXPECT_EQ(p.dy, c.dy) << c.what;
        EXPECT_EQ(p.dw, c.dw) << c.what;
        EXPECT_EQ(p.dh, c.dh) << c.what;
        EXPECT_EQ(p.ox, c.ox) << c.what;
        EXPECT_EQ(p.oy, c.oy) << c.what;
        EXPECT_EQ(p.cw, c.cw) << c.what;
        EXPECT_EQ(p.ch, c.ch) << c.what;
        EXPECT_LE(p.ox + p.cw, c.imageW) << c.what;
        EXPECT_LE(p.oy + p.ch, c.imageH) << c.what;
    }
}
