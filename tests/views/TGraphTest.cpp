#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "views/TGraph.h"

namespace {
const double inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

TEST(TGraph, PointsExtentsColourAndState)
{
    const float x[] = {0, 1, 2};
    const float y[] = {0, 2, -1};
    TGraph g(x, y, 3);
    EXPECT_EQ(g.GetLength(), 3u);
    EXPECT_EQ(g.GetXmin(), 0);
    EXPECT_EQ(g.GetXmax(), 2);
    EXPECT_EQ(g.GetYmin(), -1);
    EXPECT_EQ(g.GetYmax(), 2);
    EXPECT_EQ(g.GetColor(), TPoint3D(1, 0, 0));
    EXPECT_TRUE(g.GetViewState());
    EXPECT_EQ(g.GetData(1), TPoint3D(1, 2, 0));
    EXPECT_EQ(g.GetData(g.GetLength()), TPoint3D(0, 0, 0));

    g.SetColor(0, 0.5f, 1);
    g.SetViewState(false);
    EXPECT_EQ(g.GetColor(), TPoint3D(0, 0.5, 1));
    EXPECT_FALSE(g.GetViewState());
    EXPECT_EQ(g.GetLength(), 3u);
    EXPECT_EQ(g.GetYmax(), 2);
}

TEST(TGraph, OtherConstructors)
{
    const float y[] = {5, -3, 4};
    TGraph indexed(y, 3);
    EXPECT_EQ(indexed.GetData(2), TPoint3D(2, 4, 0));
    EXPECT_EQ(indexed.GetXmax(), 2);
    EXPECT_EQ(indexed.GetYmin(), -3);

    TGraph zeros(4u);
    EXPECT_EQ(zeros.GetLength(), 4u);
    EXPECT_EQ(zeros.GetXmin(), 0);
    EXPECT_EQ(zeros.GetYmax(), 0);

    indexed.SetColor(0, 1, 0);
    indexed.SetViewState(false);
    TGraph copy(&indexed);
    EXPECT_EQ(copy.GetLength(), 3u);
    EXPECT_EQ(copy.GetData(1), indexed.GetData(1));
    EXPECT_EQ(copy.GetColor(), TPoint3D(1, 0, 0));
    EXPECT_TRUE(copy.GetViewState());

    TGraph none;
    EXPECT_EQ(none.GetLength(), 0u);
    EXPECT_EQ(none.GetXmax(), 1.7976931348623158e307);
    EXPECT_EQ(none.GetXmin(), -1.7976931348623158e307);
}

TEST(TGraph, EmptySeriesHasReversedInfiniteExtents)
{
    TGraph g(nullptr, nullptr, 0);
    EXPECT_EQ(g.GetLength(), 0u);
    EXPECT_EQ(g.GetXmin(), inf);
    EXPECT_EQ(g.GetXmax(), -inf);
    EXPECT_FALSE(g.HasExtents());
    EXPECT_EQ(g.GetData(0), TPoint3D());
}

// A decay curve in dB ends in -inf; a spectrum may hold NaN. Only finite points count.
TEST(TGraph, ExtentsSkipPointsThatAreNotFinite)
{
    const TPoint3D decay[] = {{0, 0}, {0.5, -30}, {1, -60}, {1.5, -inf}, {2, -inf}};
    TGraph g(0u);
    ASSERT_TRUE(g.SetData(decay, 5));
    EXPECT_EQ(g.GetYmin(), -60);
    EXPECT_EQ(g.GetYmax(), 0);
    EXPECT_EQ(g.GetXmax(), 1);  // the x of a point with an infinite y does not count either

    const TPoint3D mixed[] = {{NaN, 5}, {1, NaN}, {2, 3}, {inf, 9}, {4, -1}};
    ASSERT_TRUE(g.SetData(mixed, 5));
    EXPECT_EQ(g.GetXmin(), 2);
    EXPECT_EQ(g.GetXmax(), 4);
    EXPECT_EQ(g.GetYmin(), -1);
    EXPECT_EQ(g.GetYmax(), 3);

    const TPoint3D nothing[] = {{NaN, NaN}, {0, -inf}};
    ASSERT_TRUE(g.SetData(nothing, 2));
    EXPECT_EQ(g.GetLength(), 2u);
    EXPECT_FALSE(g.HasExtents());
}

TEST(TGraph, SetDataTakesExactlyTheNewPoints)
{
    const TPoint3D three[] = {{0, 1, 7}, {1, 5}, {2, -2}};
    const TPoint3D two[] = {{10, 10}, {11, 12}};
    TGraph g(nullptr, nullptr, 0);
    ASSERT_TRUE(g.SetData(three, 3));
    EXPECT_EQ(g.GetLength(), 3u);
    EXPECT_EQ(g.GetData(0), TPoint3D(0, 1, 7));  // whole points
    EXPECT_EQ(g.GetYmax(), 5);

    ASSERT_TRUE(g.SetData(two, 2));
    EXPECT_EQ(g.GetLength(), 2u);
    EXPECT_EQ(g.GetData(2), TPoint3D());
    EXPECT_EQ(g.GetXmin(), 10);
    EXPECT_EQ(g.GetYmax(), 12);

    // Same length, overwritten; and the series' own points given back to it.
    ASSERT_TRUE(g.SetData(three + 1, 2));
    EXPECT_EQ(g.GetData(1), TPoint3D(2, -2));
    ASSERT_TRUE(g.SetData(g.Points(), 1));
    EXPECT_EQ(g.GetLength(), 1u);
    EXPECT_EQ(g.GetData(0), TPoint3D(1, 5));

    ASSERT_TRUE(g.SetData(nullptr, 0));
    EXPECT_EQ(g.GetLength(), 0u);
    EXPECT_FALSE(g.HasExtents());
}

TEST(TGraph, SetDataRefusesANegativeLengthOrMissingPoints)
{
    const TPoint3D two[] = {{1, 1}, {2, 4}};
    TGraph g(0u);
    ASSERT_TRUE(g.SetData(two, 2));
    EXPECT_FALSE(g.SetData(two, -1));
    EXPECT_FALSE(g.SetData(nullptr, 3));
    EXPECT_EQ(g.GetLength(), 2u);
    EXPECT_EQ(g.GetYmax(), 4);
}
