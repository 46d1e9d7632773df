#include "desktop/ParameterCurves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "desktop/PlotColours.h"
#include "desktop/PlotResultsFixture.h"
#include "support/ErrorCapture.h"

namespace {

TEST(ParameterCurvesTest, OneCurvePerPairReceiversOutermostWithBandValues)
{
    PlotResultsFixture fx(2, {1, 2});
    const char* const names[] = {"S01-R01", "S02-R01", "S01-R02", "S02-R02"};
    const unsigned int pairS[] = {0, 1, 0, 1}, pairR[] = {0, 0, 1, 1};
    for (int chart = 0; chart < NumParameterCharts; ++chart) {
        const ParameterChart c = ParameterCurves(*fx.room, chart);
        ASSERT_EQ(c.curves.size(), 4u);
        for (unsigned int i = 0; i < 4; ++i) {
            const ParameterCurve& curve = c.curves[i];
            EXPECT_EQ(curve.name, names[i]);
            EXPECT_EQ(curve.colour, PlotColourValue(i));
            ASSERT_EQ(curve.x.size(), 9u);
            ASSERT_EQ(curve.y.size(), 9u);
            EXPECT_EQ(curve.x.front(), 1.0);
            EXPECT_EQ(curve.x.back(), 9.0);
            const TMonoParams& p = fx.room->spcresult[pairR[i]][pairS[i]]->Param[4];
            const float expected[] = {p.T30, p.EDT, p.C80, p.CT};
            EXPECT_FLOAT_EQ(curve.y[4], expected[chart]) << chart << " " << i;
        }
    }
    // C80 = b - R over b = 0..8, R = 0..1.
    const ParameterChart c80 = ParameterCurves(*fx.room, 2);
    EXPECT_DOUBLE_EQ(c80.ymin, -1.0);
    EXPECT_DOUBLE_EQ(c80.ymax, 8.0);
}

// The x axis is ticked at the curves' band positions and reads their centre frequencies (not
// band numbers); a room without results gets the same ticks.
TEST(ParameterCurvesTest, TicksAtTheBandsReadTheirFrequencies)
{
    PlotResultsFixture fx(1, {1});
    const char* const labels[] = {"63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"};
    for (bool results : {true, false}) {
        fx.room->ResultsCreated = results;
        const ParameterChart c = ParameterCurves(*fx.room, 1);
        ASSERT_EQ(c.ticks.size(), 9u);
        for (unsigned int b = 0; b < 9; ++b) {
            EXPECT_EQ(c.ticks[b].label, labels[b]);
            EXPECT_EQ(c.ticks[b].x, b + 1.0);
            if (results) {
                EXPECT_EQ(c.ticks[b].x, c.curves[0].x[b]);
            }
        }
    }
    EXPECT_TRUE(ParameterBandTicks(0).empty());
}

TEST(ParameterCurvesTest, RangeLeavesOutValuesThatAreNotFinite)
{
    PlotResultsFixture fx(1, {1});
    auto& param = fx.room->spcresult[0][0]->Param;
    param[0].T30 = std::numeric_limits<float>::quiet_NaN();
    param[8].T30 = std::numeric_limits<float>::infinity();
    param[1].T30 = -std::numeric_limits<float>::infinity();
    const ParameterChart c = ParameterCurves(*fx.room, 0);
    EXPECT_NEAR(c.ymin, 0.2, 1e-6);
    EXPECT_NEAR(c.ymax, 0.7, 1e-6);
    EXPECT_TRUE(std::isnan(c.curves[0].y[0]));

    for (auto& p : param) p.T30 = std::numeric_limits<float>::quiet_NaN();
    const ParameterChart none = ParameterCurves(*fx.room, 0);
    EXPECT_EQ(none.curves.size(), 1u);
    EXPECT_EQ(none.ymin, ParameterDefaultYMin);
    EXPECT_EQ(none.ymax, ParameterDefaultYMax);
}

TEST(ParameterCurvesTest, NoResultsOrUnknownChartGiveNoCurves)
{
    PlotResultsFixture fx(2, {1});
    fx.room->ResultsCreated = false;
    const ParameterChart empty = ParameterCurves(*fx.room, 1);
    EXPECT_TRUE(empty.curves.empty());
    EXPECT_EQ(empty.ymin, ParameterDefaultYMin);
    EXPECT_EQ(empty.ymax, ParameterDefaultYMax);

    fx.room->ResultsCreated = true;
    ErrorCapture errors;
    EXPECT_TRUE(ParameterCurves(*fx.room, 4).curves.empty());
    EXPECT_TRUE(ParameterCurves(*fx.room, -1).curves.empty());
    ASSERT_EQ(errors.messages.size(), 2u);
    EXPECT_EQ(errors.messages[0], "Parameter Not Defined!");
}

}  // namespace
