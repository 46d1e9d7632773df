#include "desktop/ResponsePlots.h"

#include <gtest/gtest.h>

#include <cmath>

#include "desktop/PlotColours.h"
#include "desktop/PlotResultsFixture.h"
#include "views/Plot2DModel.h"

namespace {

// Two sources; receivers of one and two channels: 2 x 3 curves.
class ResponsePlotsTest : public ::testing::Test {
protected:
    PlotResultsFixture fx{2, {1, 2}};
    Plot2DModel plot{400, 300};
    ResponsePlots plots;

    void SetUp() override { plots.DrawCurves(plot, *fx.room, VIEW_PRESSURE_LIN); }

    std::vector<bool> Shown() const
    {
        std::vector<bool> v;
        for (unsigned int i = 0; i < plot.getNumGraphs(); ++i) v.push_back(plot.Graph(i).GetViewState());
        return v;
    }
    double MaxY(unsigned int i) const
    {
        double m = -INFINITY;
        const TGraph& g = plot.Graph(i);
        for (unsigned int n = 0; n < g.GetLength(); ++n) m = std::max(m, g.Points()[n].y);
        return m;
    }
};

TEST(ResponseCurveLayoutTest, SourcesOutermostThenReceiversThenChannels)
{
    const ResponseCurveLayout layout(2, {1, 2});
    EXPECT_EQ(layout.NumCurves(), 6u);
    EXPECT_EQ(layout.NumPairs(), 4u);
    const unsigned int expected[][3] = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}};
    const auto curves = layout.Curves();
    ASSERT_EQ(curves.size(), 6u);
    for (unsigned int i = 0; i < 6; ++i) {
        EXPECT_EQ(curves[i].source, expected[i][0]);
        EXPECT_EQ(curves[i].receiver, expected[i][1]);
        EXPECT_EQ(curves[i].channel, expected[i][2]);
        EXPECT_EQ(layout.CurveIndex(curves[i].source, curves[i].receiver, curves[i].channel), i);
    }
    EXPECT_EQ(layout.FirstCurve(1, 1), 4u);
    EXPECT_FALSE(layout.HasPair(2, 0));
    EXPECT_FALSE(layout.HasPair(0, 2));
}

TEST_F(ResponsePlotsTest, DrawsOneLinearCurvePerSourceReceiverAndChannelInItsColour)
{
    ASSERT_EQ(plot.getNumGraphs(), 6u);
    EXPECT_EQ(plots.Layout().NumPairs(), 4u);
    EXPECT_TRUE(plots.Valid());
    unsigned int i = 0;
    for (const ResponseCurveLayout::Curve& c : plots.Layout().Curves()) {
        const TGraph& g = plot.Graph(i);
        ASSERT_EQ(g.GetLength(), 2205u) << i;
        EXPECT_FLOAT_EQ(g.Points()[0].y, PlotResultsFixture::Identity(c.source, c.receiver, c.channel)) << i;
        EXPECT_NEAR(g.Points()[441].x, 0.01, 1e-7);
        const TPoint3D colour = plot.GetGraphColor(static_cast<int>(i));
        const TPoint3D expected = PlotColour(i);
        EXPECT_FLOAT_EQ(colour.x, expected.x);
        EXPECT_FLOAT_EQ(colour.y, expected.y);
        EXPECT_FLOAT_EQ(colour.z, expected.z);
        ++i;
    }
}

TEST_F(ResponsePlotsTest, GridCellOfSecondSourceAndReceiverTogglesCurvesFourAndFive)
{
    // Drawn curves are shown, and the cells say so; every click flips the pair and its cell.
    for (unsigned int S = 0; S < 2; ++S)
        for (unsigned int R = 0; R < 2; ++R) EXPECT_TRUE(plots.PairShown(plot, *fx.room, S, R)) << S << R;
    const struct {
        const char* after;
        bool shown;
    } steps[] = {{"0", false}, {"1", true}, {"0", false}};
    for (const auto& s : steps) {
        const auto text = plots.ToggleCell(plot, *fx.room, 1, 1);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(*text, s.after);
        EXPECT_EQ(plots.PairShown(plot, *fx.room, 1, 1), s.shown);
        EXPECT_EQ(Shown(), (std::vector<bool>{true, true, true, true, s.shown, s.shown}));
    }
    // A one-channel pair hides its one curve; the other pairs keep their state.
    EXPECT_EQ(plots.ToggleCell(plot, *fx.room, 0, 0), "0");
    EXPECT_EQ(Shown(), (std::vector<bool>{false, true, true, true, false, false}));
    EXPECT_TRUE(plots.PairShown(plot, *fx.room, 1, 0));
    EXPECT_FALSE(plots.ToggleCell(plot, *fx.room, 2, 0).has_value());
    EXPECT_FALSE(plots.ToggleCell(plot, *fx.room, 0, 2).has_value());
    EXPECT_FALSE(plots.PairShown(plot, *fx.room, 2, 0));
    // New curves are all shown again.
    plots.DrawCurves(plot, *fx.room, VIEW_PRESSURE_LIN);
    EXPECT_TRUE(plots.PairShown(plot, *fx.room, 0, 0));
    EXPECT_TRUE(plots.PairShown(plot, *fx.room, 1, 1));
}

// New results are drawn in the view that is chosen, with that view's ranges, and the plot
// reports which view it shows.
TEST_F(ResponsePlotsTest, NewCurvesAreDrawnInTheChosenView)
{
    struct Case {
        int view;
        unsigned int length;
        AxisUnit unit;
    };
    const Case cases[] = {{VIEW_PRESSURE_LIN, 2205, AxisUnit::Seconds},
                          {VIEW_PRESSURE_LOG, 2205, AxisUnit::Seconds},
                          {VIEW_DECAY, 2205, AxisUnit::Seconds},
                          {VIEW_DECAY_NORMALIZED, 2205, AxisUnit::Seconds},
                          {VIEW_SPECTRUM, 4096, AxisUnit::Hertz}};
    for (const Case& c : cases) {
        plots.DrawCurves(plot, *fx.room, c.view);
        EXPECT_EQ(plots.ShownView(), c.view);
        ASSERT_EQ(plot.getNumGraphs(), 6u);
        EXPECT_EQ(plot.Graph(5).GetLength(), c.length) << c.view;
        // The same points as choosing the view afterwards.
        const std::vector<TPoint3D> drawn(plot.Graph(5).Points(), plot.Graph(5).Points() + plot.Graph(5).GetLength());
        const TPoint3D yRange = plot.GetYRange();
        ASSERT_TRUE(plots.ShowView(plot, *fx.room, c.view, false));
        for (unsigned int n = 0; n < c.length; n += 97)
            EXPECT_EQ(drawn[n], plot.Graph(5).Points()[n]) << c.view << " " << n;
        EXPECT_FLOAT_EQ(plot.GetYRange().x, yRange.x) << c.view;
        EXPECT_FLOAT_EQ(plot.GetYRange().y, yRange.y) << c.view;
        if (c.unit == AxisUnit::Hertz) {
            EXPECT_GT(plot.GetXRange().y, 20000.0f);
        }
    }
    plots.DrawCurves(plot, *fx.room, VIEW_DECAY_NORMALIZED);
    EXPECT_FLOAT_EQ(plot.GetYRange().x, -100.0f);
    EXPECT_FLOAT_EQ(plot.GetYRange().y, 0.0f);
    plots.DrawCurves(plot, *fx.room, NumResponseViews);  // out of range: linear pressure
    EXPECT_EQ(plots.ShownView(), VIEW_PRESSURE_LIN);
}

TEST_F(ResponsePlotsTest, TimeViewsGiveLevelAndDecayCurves)
{
    const std::vector<float> p = fx.Response(1, 1, 1);

    ASSERT_TRUE(plots.ShowView(plot, *fx.room, VIEW_PRESSURE_LOG, false));
    for (unsigned int n : {0u, 7u, 2204u})
        EXPECT_NEAR(plot.Graph(5).Points()[n].y, 10.0 * std::log10(std::fabs(p[n]) + 1e-7), 1e-4);

    ASSERT_TRUE(plots.ShowView(plot, *fx.room, VIEW_DECAY, false));
    // Schroeder curve: total energy at the start, falling throughout.
    double energy = 0;
    for (float v : p) energy += static_cast<double>(v) * v;
    EXPECT_NEAR(plot.Graph(5).Points()[0].y, 10.0 * std::log10(energy), 1e-3);
    EXPECT_GT(plot.Graph(5).Points()[100].y, plot.Graph(5).Points()[1000].y);
    EXPECT_FLOAT_EQ(plot.GetYRange().x, -100.0f);
    EXPECT_NEAR(plot.GetYRange().y, MaxY(5), 1e-3);  // the loudest curve's start

    ASSERT_TRUE(plots.ShowView(plot, *fx.room, VIEW_DECAY_NORMALIZED, false));
    for (unsigned int i = 0; i < 6; ++i) EXPECT_NEAR(MaxY(i), 0.0, 1e-6) << i;
    EXPECT_FLOAT_EQ(plot.GetYRange().x, -100.0f);
    EXPECT_FLOAT_EQ(plot.GetYRange().y, 0.0f);

    ASSERT_TRUE(plots.ShowView(plot, *fx.room, VIEW_PRESSURE_LIN, false));
    EXPECT_FLOAT_EQ(plot.Graph(5).Points()[3].y, p[3]);
    EXPECT_FALSE(plots.ShowView(plot, *fx.room, NumResponseViews, false));
}

TEST_F(ResponsePlotsTest, XRangeIsKeptWithinAUnitAndResetWhenTheUnitChanges)
{
    plot.SetXRange(0.01f, 0.02f);
    ASSERT_TRUE(plots.ShowView(plot, *fx.room, VIEW_DECAY, false));
    EXPECT_FLOAT_EQ(plot.GetXRange().x, 0.01f);
    EXPECT_FLOAT_EQ(plot.GetXRange().y, 0.02f);

    ASSERT_TRUE(plots.ShowView(plot, *fx.room, VIEW_SPECTRUM, false));
    EXPECT_FLOAT_EQ(plot.GetXRange().x, 0.0f);
    EXPECT_GT(plot.GetXRange().y, 20000.0f);  // hertz, up to just below 22050
    EXPECT_LT(plot.GetXRange().y, 22050.0f);

    plot.SetXRange(1000.0f, 2000.0f);
    ASSERT_TRUE(plots.ShowView(plot, *fx.room, VIEW_SPECTRUM, false));
    EXPECT_FLOAT_EQ(plot.GetXRange().x, 1000.0f);

    ASSERT_TRUE(plots.ShowView(plot, *fx.room, VIEW_PRESSURE_LIN, false));
    EXPECT_FLOAT_EQ(plot.GetXRange().x, 0.0f);
    EXPECT_NEAR(plot.GetXRange().y, 2204 / 44100.0, 1e-6);
}

TEST_F(ResponsePlotsTest, StaleCurvesIgnoreViewsAndClicksUntilRedrawn)
{
    const float first = plot.Graph(0).Points()[0].y;
    EXPECT_FALSE(plots.ShowView(plot, *fx.room, VIEW_PRESSURE_LOG, true));  // run active
    plots.Invalidate();
    EXPECT_FALSE(plots.ShowView(plot, *fx.room, VIEW_PRESSURE_LOG, false));
    EXPECT_FALSE(plots.ToggleCell(plot, *fx.room, 0, 0).has_value());
    EXPECT_FLOAT_EQ(plot.Graph(0).Points()[0].y, first);

    plots.DrawCurves(plot, *fx.room, VIEW_PRESSURE_LIN);
    EXPECT_TRUE(plots.ShowView(plot, *fx.room, VIEW_PRESSURE_LOG, false));

    // A receiver added behind the plots' back: the curves no longer match the room.
    fx.AddReceiver(1);
    EXPECT_FALSE(plots.ShowView(plot, *fx.room, VIEW_PRESSURE_LIN, false));
    EXPECT_FALSE(plots.ToggleCell(plot, *fx.room, 0, 0).has_value());
    fx.FillResults();
    plots.DrawCurves(plot, *fx.room, VIEW_PRESSURE_LIN);
    EXPECT_EQ(plot.getNumGraphs(), 8u);
    EXPECT_EQ(plots.Layout().NumPairs(), 6u);
    EXPECT_TRUE(plots.ShowView(plot, *fx.room, VIEW_PRESSURE_LIN, false));
}

TEST_F(ResponsePlotsTest, RoomWithoutResultsLeavesThePlotEmpty)
{
    fx.room->ResultsCreated = false;
    plots.DrawCurves(plot, *fx.room, VIEW_PRESSURE_LIN);
    EXPECT_EQ(plot.getNumGraphs(), 0u);
    EXPECT_EQ(plots.Layout().NumPairs(), 4u);
    EXPECT_FALSE(plots.Valid());
    EXPECT_FALSE(plots.ShowView(plot, *fx.room, VIEW_PRESSURE_LOG, false));
}

TEST_F(ResponsePlotsTest, LinLogSwitchRedrawsAndNamesTheScaleLeft)
{
    bool linScale = true;
    EXPECT_EQ(plots.SwitchLinLog(plot, *fx.room, linScale, false), "Linear Scale");
    EXPECT_FALSE(linScale);
    const float p0 = PlotResultsFixture::Identity(0, 0, 0);
    EXPECT_NEAR(plot.Graph(0).Points()[0].y, 10.0 * std::log10(p0 + 1e-7), 1e-4);
    plots.DrawCurves(plot, *fx.room, linScale ? VIEW_PRESSURE_LIN : VIEW_PRESSURE_LOG);
    EXPECT_NEAR(plot.Graph(0).Points()[0].y, 10.0 * std::log10(p0 + 1e-7), 1e-4);
    plots.Invalidate();  // the scale still switches on stale curves, which stay as they are
    EXPECT_EQ(plots.SwitchLinLog(plot, *fx.room, linScale, false), "Log Scale");
    EXPECT_TRUE(linScale);
    EXPECT_NEAR(plot.Graph(0).Points()[0].y, 10.0 * std::log10(p0 + 1e-7), 1e-4);
    plots.DrawCurves(plot, *fx.room, linScale ? VIEW_PRESSURE_LIN : VIEW_PRESSURE_LOG);
    EXPECT_FLOAT_EQ(plot.Graph(0).Points()[0].y, p0);
}

TEST(PlotColoursTest, FiftySixthCurveTakesTheFirstColour)
{
    EXPECT_EQ(ColourValues[0], 0xFF0000u);  // blue: red in the lowest byte
    EXPECT_EQ(ColourValues[54], 0x00E0E0u);
    const TPoint3D green = PlotColour(1);
    EXPECT_DOUBLE_EQ(green.y, 128 / 255.0);
    EXPECT_DOUBLE_EQ(green.x + green.z, 0.0);

    PlotResultsFixture fx(28, {1, 1}, 16);
    Plot2DModel plot(400, 300);
    ResponsePlots plots;
    plots.DrawCurves(plot, *fx.room, VIEW_PRESSURE_LIN);
    ASSERT_EQ(plot.getNumGraphs(), 56u);
    EXPECT_EQ(plot.GetGraphColor(55).x, plot.GetGraphColor(0).x);
    EXPECT_EQ(plot.GetGraphColor(55).z, plot.GetGraphColor(0).z);
    EXPECT_NE(plot.GetGraphColor(54).z, plot.GetGraphColor(0).z);
}

}  // namespace
