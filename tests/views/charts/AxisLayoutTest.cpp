#include "views/charts/AxisLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

using namespace charts;

namespace {

// Every character 7 pixels wide, every text `height` pixels high.
TextMeasure FixedMeasure(int height = 14, int charWidth = 7)
{
    return [=](const std::string& s) { return TextSize{int(s.size()) * charWidth, height}; };
}

ChartView View(int w, int h, double scaleX, double scaleY, double posX, double posY)
{
    ChartView v;
    v.scrX = w;
    v.scrY = h;
    v.scaleX = scaleX;
    v.scaleY = scaleY;
    v.posX = posX;
    v.posY = posY;
    return v;
}

}  // namespace

TEST(AxisLayout, TickStepIsTheLargestPowerOfTenWithin128Pixels)
{
    struct Case {
        double scale;
        int dig;
        double step;
    } cases[] = {{10, 1, 10}, {35.6, 0, 1}, {1000, -1, 0.1}, {12.8, 1, 10}, {0.02, 3, 1000}};
    for (const Case& c : cases) {
        const TickStep t = TickStepFor(c.scale);
        EXPECT_EQ(t.dig, c.dig) << c.scale;
        EXPECT_NEAR(t.step, c.step, c.step * 1e-12) << c.scale;
    }
    EXPECT_EQ(AutoFormatX(1), "%.f");
    EXPECT_EQ(AutoFormatX(0), "%.2f");
    EXPECT_EQ(AutoFormatX(-5), "%.2f");
}

TEST(AxisLayout, TickLoopsEndWhateverTheStep)
{
    int calls = 0;
    ForEachTick(1e6, 1e-12, 2e6, [&](double) { ++calls; });  // the step no longer advances
    EXPECT_EQ(calls, 1);
    calls = 0;
    ForEachTick(0, std::nan(""), 10, [&](double) { ++calls; });
    ForEachTick(0, 0, 10, [&](double) { ++calls; });
    ForEachTick(0, -1, 10, [&](double) { ++calls; });
    EXPECT_EQ(calls, 0);
    ForEachTick(0, 1e-9, 1, [&](double) { ++calls; });
    EXPECT_EQ(calls, kMaxTicks);
    calls = 0;
    ForEachTick(0, 1, 3, [&](double) { ++calls; });
    EXPECT_EQ(calls, 3);
}

TEST(AxisLayout, VerticalAutomaticFormatFollowsTheDesiredRange)
{
    EXPECT_EQ(AutoFormatY(0, 0.0005), "%.1e");
    EXPECT_EQ(AutoFormatY(0, 5), "%.2f");
    EXPECT_EQ(AutoFormatY(-20, 10000), "%.1e");
    EXPECT_EQ(AutoFormatY(-9999, 0), "%.2f");
}

TEST(AxisLayout, OnlyFormatsOfOneNumberAreUsed)
{
    struct Case {
        const char* format;
        bool ok;
    } cases[] = {{"%.0f", true},   {"%1.1f", true}, {"%.f", true},  {"x = %+08.3e s", true},
                 {"%.0f%%", true}, {"%g", true},    {"%s", false},  {"%d", false},
                 {"%f %f", false}, {"abc", false},  {"%*f", false}, {"%", false},
                 {"%Lf", false},   {"", false},     {"%n", false}};
    for (const Case& c : cases) EXPECT_EQ(IsNumberFormat(c.format), c.ok) << c.format;
    // An unusable format falls back to the automatic one.
    EXPECT_EQ(LabelX(kLabelNumber, "%s", 0, 1.5, 10), "1.50");
    EXPECT_EQ(LabelX(kLabelNumber, "%.0f", 0, 4, 10), "4");
    EXPECT_EQ(LabelX(kLabelNumber, "", 2, 300, 1000), "300");
}

TEST(AxisLayout, TimeAndDateLabels)
{
    setenv("TZ", "UTC", 1);
    tzset();
    struct Case {
        unsigned mode;
        double value, rightEdge;
        const char* text;
    } cases[] = {
        {kLabelHours, -3725, 0, "-1:02:05"},      {kLabelHours, 0, 0, "00:00:00"},
        {kLabelHours, 3661.9, 0, "01:01:01"},     {kLabelTime, 75.5, 100, "01:15.500"},
        {kLabelTime, 75.5, 120, "00:01:15"},      {kLabelDate, 0, 0, "1970-01-01"},
        {kLabelDate, 951782400, 0, "2000-02-29"}, {kLabelDateTime, 86399.7, 0, "1970-01-01T23:59:59"},
        {kLabelDate, std::nan(""), 0, ""},        {7, 12, 0, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(LabelX(c.mode, "", 0, c.value, c.rightEdge), c.text) << c.value;
}

TEST(AxisLayout, HorizontalLabelsAreThinnedToTheirWidth)
{
    // Ticks 35.6 pixels apart, labels "0.00" .. 28 pixels wide: ceil((28 + 64) / 35.6) = 3 steps.
    ChartView v = View(400, 300, 35.6, 10, 0, 10);
    AxisSettings axis;
    axis.name = "x";
    axis.flags = kAxisNearMargin;
    const AxisDrawing d = LayoutScaleX(v, axis, FixedMeasure());
    ASSERT_EQ(d.marks.size(), 12u);  // 0 .. 11 within 400 pixels
    EXPECT_EQ(d.marks[1], (ChartLine{35, 40, 35, 44}));
    ASSERT_EQ(d.labels.size(), 4u);
    EXPECT_EQ(d.labels[0].text, "0.00");
    EXPECT_EQ(d.labels[1].text, "3.00");
    EXPECT_EQ(d.labels[1].x, 106 - 14);
    EXPECT_EQ(d.labels[1].y, 40 + 4);
    // Drawing into the margins puts the near-margin axis 40 pixels below the top.
    EXPECT_EQ(d.axis, (ChartLine{0, 40, 400, 40}));
}

TEST(AxisLayout, HorizontalNameByPlacement)
{
    ChartView v = View(400, 300, 10, 10, 0, 10);
    v.marginBottom = 40;
    v.marginLeft = 40;
    v.marginRight = 40;
    AxisSettings axis;
    axis.name = "Frequency";  // 63 x 17
    axis.flags = kAxisNearMargin;
    axis.drawOutsideMargins = false;
    // 40 is not more than 17 + 17 + 8: the name goes right-aligned above the axis line.
    AxisDrawing d = LayoutScaleX(v, axis, FixedMeasure(17));
    EXPECT_EQ(d.axis.y0, 260);
    EXPECT_EQ(d.name, (ChartText{"Frequency", 400 - 63 - 4, 260 - 4 - 17, 0}));
    // With room below, centred on half the plot-area width.
    d = LayoutScaleX(v, axis, FixedMeasure(10));
    EXPECT_EQ(d.name, (ChartText{"Frequency", (320 - 63) / 2, 260 + 6 + 10, 0}));
    axis.flags = 3;
    d = LayoutScaleX(v, axis, FixedMeasure());
    EXPECT_FALSE(d.hasName);
    EXPECT_EQ(d.axis.y0, 0);
}

TEST(AxisLayout, GridLinesSpanThePlotArea)
{
    ChartView v = View(400, 300, 10, 10, 0, 30);
    v.marginTop = 50;
    v.marginBottom = 40;
    v.marginLeft = 40;
    v.marginRight = 40;
    AxisSettings axis;
    axis.flags = kAxisNearMargin;
    axis.ticks = false;
    axis.drawOutsideMargins = false;
    const AxisDrawing x = LayoutScaleX(v, axis, FixedMeasure());
    EXPECT_TRUE(x.grid);
    ASSERT_FALSE(x.marks.empty());
    EXPECT_EQ(x.marks[0], (ChartLine{100, 264, 100, 50}));
    const AxisDrawing y = LayoutScaleY(v, axis, FixedMeasure());
    ASSERT_FALSE(y.marks.empty());
    EXPECT_EQ(y.marks[0].x0, 36);
    EXPECT_EQ(y.marks[0].x1, 360);
}

TEST(AxisLayout, VerticalLabelsKeep32PixelsApart)
{
    struct Case {
        double scale;
        std::size_t every;
    } cases[] = {{20, 2}, {33, 1}};
    for (const Case& c : cases) {
        ChartView v = View(300, 400, 10, c.scale, 0, 400 / c.scale);
        AxisSettings axis;
        axis.flags = kAxisNearMargin;
        axis.labelFormat = "%.0f";
        const AxisDrawing d = LayoutScaleY(v, axis, FixedMeasure());
        ASSERT_GT(d.marks.size(), 4u);
        EXPECT_EQ(d.labels.size(), (d.marks.size() + c.every - 1) / c.every) << c.scale;
        EXPECT_EQ(d.labels[0].text, "0");
        EXPECT_EQ(d.labels[0].x, 60 - 4 - 7);
        EXPECT_EQ(d.labels[0].y, v.y2p(0) - 7);
    }
}

TEST(AxisLayout, VerticalTicksReachTheBottomOfThePlotArea)
{
    // Margins top 50, bottom 40: ticks in the lowest 50 pixels of the area are kept.
    ChartView v = View(400, 290, 10, 1, 0, 0);
    v.marginTop = 50;
    v.marginBottom = 40;
    v.marginLeft = 40;
    v.marginRight = 40;
    v.Fit(0, 10, 0.2, 1.2);  // 200 pixels per unit, step 0.1; 0.2 .. 1.2 on rows 250 .. 50
    AxisSettings axis;
    axis.flags = kAxisNearMargin;
    axis.drawOutsideMargins = false;
    const AxisDrawing d = LayoutScaleY(v, axis, FixedMeasure());
    ASSERT_FALSE(d.marks.empty());
    EXPECT_EQ(d.marks[0].y0, v.y2p(0.2));
    EXPECT_EQ(d.labels[0].text, "0.20");
}

TEST(AxisLayout, VerticalNameRotatedInTheLeftMargin)
{
    ChartView v = View(400, 290, 10, 10, 0, 29);
    v.marginTop = 50;
    v.marginBottom = 40;
    v.marginLeft = 60;
    v.marginRight = 40;
    AxisSettings axis;
    axis.name = "T_30 (s)";  // 56 x 10
    axis.flags = kAxisNearMargin;
    axis.labelFormat = "%1.1f";
    axis.drawOutsideMargins = false;
    const AxisDrawing d = LayoutScaleY(v, axis, FixedMeasure(10));
    // Widest label "20.0" is 28 wide: 60 > 28 + 10 + 8.
    EXPECT_EQ(d.name, (ChartText{"T_30 (s)", 60 - 6 - 28 - 10, (250 - 50 + 56) / 2, 90}));
}

TEST(AxisLayout, ExtremeZoomStillEndsWithFewTicks)
{
    ChartView v = View(400, 300, 1, 1, 0, 0);
    v.Fit(1e6, 1e6 + 10, -1, 1);
    for (int i = 0; i < 200; ++i) v.Zoom(1.5, 200, 150);
    AxisSettings axis;
    const AxisDrawing x = LayoutScaleX(v, axis, FixedMeasure());
    const AxisDrawing y = LayoutScaleY(v, axis, FixedMeasure());
    EXPECT_LE(x.marks.size(), 400u);
    EXPECT_LE(y.marks.size(), 400u);
    EXPECT_GT(x.marks.size(), 0u);
}

namespace {

std::vector<AxisTick> Bands()
{
    const char* const names[] = {"63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"};
    std::vector<AxisTick> ticks;
    for (int b = 0; b < 9; ++b) ticks.push_back({b + 1.0, names[b]});
    return ticks;
}

std::vector<std::string> Texts(const AxisDrawing& d)
{
    std::vector<std::string> out;
    for (const ChartText& t : d.labels) out.push_back(t.text);
    return out;
}

}  // namespace

// Ticks of its own (band frequencies at the band numbers): marks and labels only at those
// values, whatever the zoom, so that no label repeats or shows a band number; labels that
// would run into each other are left out, never drawn on top of each other.
TEST(AxisLayout, OwnTicksStayAtTheirValuesAtEveryZoom)
{
    AxisSettings axis;
    axis.name = "Frequency (Hz)";
    axis.flags = kAxisNearMargin;
    axis.drawOutsideMargins = false;
    axis.labelFormat = "%.0f";
    axis.fixedTicks = Bands();
    struct Case {
        double xmin, xmax;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {0.5, 9.5, {"63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"}},
        {1.8, 3.6, {"125", "250"}},  // zoomed in: once "2 2 3 3"
        {4.5, 5.5, {"1k"}},
        {9.6, 12, {}},
    };
    for (const Case& c : cases) {
        ChartView v = View(400, 300, 1, 1, 0, 0);
        v.marginLeft = v.marginRight = 40;
        v.marginTop = 20;
        v.marginBottom = 50;
        v.Fit(c.xmin, c.xmax, 0, 1);
        const AxisDrawing d = LayoutScaleX(v, axis, FixedMeasure(14, 7));
        EXPECT_EQ(Texts(d), c.labels) << c.xmin << ".." << c.xmax;
        EXPECT_EQ(d.marks.size(), c.labels.size()) << c.xmin << ".." << c.xmax;
        for (std::size_t k = 0; k < d.labels.size(); ++k) {
            // Centred under its band's mark.
            const int p = d.marks[k].x0;
            double band = 0;
            for (const AxisTick& t : axis.fixedTicks)
                if (t.label == c.labels[k]) band = t.value;
            EXPECT_EQ(p, v.x2p(band)) << c.labels[k];
            EXPECT_EQ(d.labels[k].x, p - 7 * static_cast<int>(c.labels[k].size()) / 2);
        }
        // With room below the labels the name is centred under them, clear of the plot.
        EXPECT_EQ(d.name.y, 250 + 6 + (c.labels.empty() ? 0 : 14));
    }

    // Narrower axes: every second, third ... label, evenly, never two touching.
    struct Narrow {
        int width;
        std::vector<std::string> labels;
    };
    const Narrow narrow[] = {{160, {"63", "250", "1k", "4k", "16k"}}, {90, {"63", "500", "4k"}}};
    for (const Narrow& n : narrow) {
        ChartView v = View(n.width, 100, 1, 1, 0, 0);
        v.Fit(0.5, 9.5, 0, 1);
        const AxisDrawing d = LayoutScaleX(v, axis, FixedMeasure(14, 7));
        EXPECT_EQ(d.marks.size(), 9u);
        EXPECT_EQ(Texts(d), n.labels) << n.width;
        for (std::size_t k = 1; k < d.labels.size(); ++k) {
            const ChartText& a = d.labels[k - 1];
            const ChartText& b = d.labels[k];
            EXPECT_GE(b.x, a.x + 7 * static_cast<int>(a.text.size()) + 4) << a.text << " " << b.text;
        }
    }
}
