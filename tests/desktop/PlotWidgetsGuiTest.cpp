// The parameter charts' curves in a chart window and the pair grid, on the display.

#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/panel.h>

#include "desktop/PairGrid.h"
#include "desktop/ParameterChartFill.h"
#include "desktop/PlotColours.h"
#include "desktop/PlotResultsFixture.h"
#include "support/gui/GuiTest.h"
#include "views/charts/mpFXYVector.h"
#include "views/charts/mpInfoLayer.h"
#include "views/charts/mpScaleX.h"
#include "views/charts/mpScaleY.h"
#include "views/charts/mpWindow.h"

namespace {

class PlotWidgetsTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        frame = new wxFrame(nullptr, wxID_ANY, "plots", wxDefaultPosition, wxSize(700, 500));
        panel = new wxPanel(frame);
    }

    mpWindow* MakeChart()
    {
        auto* chart = new mpWindow(panel, wxID_ANY, wxPoint(0, 0), wxSize(400, 290));
        chart->AddLayer(new mpScaleX("Frequency (Hz)", mpAXIS_NEAR_MARGIN));
        chart->AddLayer(new mpScaleY("T_30 (s)", mpAXIS_NEAR_MARGIN));
        frame->Show();
        return chart;
    }

    wxFrame* frame = nullptr;
    wxPanel* panel = nullptr;
};

TEST_F(PlotWidgetsTest, ChartHoldsTheAxesThenOneCurvePerPairAndALegend)
{
    mpWindow* chart = MakeChart();
    mpLayer* xaxis = chart->GetLayer(0);
    mpLayer* yaxis = chart->GetLayer(1);

    PlotResultsFixture big(2, {1, 2});
    FillParameterChart(*chart, ParameterCurves(*big.room, 0), true);
    ASSERT_EQ(chart->CountAllLayers(), 2u + 4u + 1u);
    const char* const names[] = {"S01-R01", "S02-R01", "S01-R02", "S02-R02"};
    for (unsigned int i = 0; i < 4; ++i) {
        auto* curve = dynamic_cast<mpFXYVector*>(chart->GetLayer(2 + i));
        ASSERT_NE(curve, nullptr) << i;
        EXPECT_EQ(curve->GetName(), names[i]);
        EXPECT_TRUE(curve->GetContinuity());
        EXPECT_FALSE(curve->GetDrawOutsideMargins());
        EXPECT_EQ(curve->GetPen().GetWidth(), 2);
        EXPECT_EQ(curve->GetPen().GetColour().GetRGB(), PlotColourValue(i));
        // Names at the curves' ends would lie on top of each other: the legend names them.
        EXPECT_FALSE(curve->GetShowName());
    }
    auto* legend = dynamic_cast<mpInfoLegend*>(chart->GetLayer(6));
    ASSERT_NE(legend, nullptr);
    EXPECT_TRUE(legend->IsVisible());
    // The x axis reads the bands' frequencies at the bands.
    const std::vector<charts::AxisTick>& ticks = dynamic_cast<mpScaleX*>(xaxis)->GetTickLabels();
    ASSERT_EQ(ticks.size(), 9u);
    EXPECT_EQ(ticks.front(), (charts::AxisTick{1.0, "63"}));
    EXPECT_EQ(ticks[4], (charts::AxisTick{5.0, "1k"}));
    EXPECT_EQ(ticks.back(), (charts::AxisTick{9.0, "16k"}));
    EXPECT_EQ(dynamic_cast<mpScaleX*>(xaxis)->SetLabelFormat(), "%.0f");
    EXPECT_EQ(dynamic_cast<mpScaleY*>(yaxis)->SetLabelFormat(), "%1.1f");
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmin(), 0.5);
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmax(), 9.5);
    EXPECT_NEAR(chart->GetDesiredYmin(), 0.0, 1e-6);  // T30 = S + R + b / 10
    EXPECT_NEAR(chart->GetDesiredYmax(), 2.8, 1e-6);

    // A project with fewer pairs: only its curves, the same axes.
    PlotResultsFixture small(1, {1});
    FillParameterChart(*chart, ParameterCurves(*small.room, 0), false);
    ASSERT_EQ(chart->CountAllLayers(), 3u);
    EXPECT_EQ(chart->GetLayer(0), xaxis);
    EXPECT_EQ(chart->GetLayer(1), yaxis);
    EXPECT_EQ(chart->GetLayer(2)->GetName(), "S01-R01");

    // No pairs: the axes alone and the default range.
    FillParameterChart(*chart, ParameterChart{}, false);
    EXPECT_EQ(chart->CountAllLayers(), 2u);
    EXPECT_DOUBLE_EQ(chart->GetDesiredYmin(), ParameterDefaultYMin);
    EXPECT_DOUBLE_EQ(chart->GetDesiredYmax(), ParameterDefaultYMax);
}

TEST_F(PlotWidgetsTest, PairGridHasARowPerSourceAndAColumnPerReceiver)
{
    auto* grid = new wxGrid(panel, wxID_ANY);
    grid->CreateGrid(0, 0);
    frame->Show();
    FillPairGrid(*grid, 3, 2, [](unsigned int S, unsigned int R) { return S == 2 && R == 0; });
    ASSERT_EQ(grid->GetNumberRows(), 3);
    ASSERT_EQ(grid->GetNumberCols(), 2);
    EXPECT_TRUE(grid->IsEnabled());
    EXPECT_EQ(grid->GetRowLabelValue(2), "S03");
    EXPECT_EQ(grid->GetColLabelValue(1), "R02");
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c) {
            EXPECT_TRUE(grid->IsReadOnly(r, c));
            // Ticked exactly where the pair's curves are shown.
            EXPECT_EQ(grid->GetCellValue(r, c), r == 2 && c == 0 ? "1" : "") << r << c;
        }
    grid->SetCellValue(0, 0, "1");
    FillPairGrid(*grid, 1, 1, [](unsigned int, unsigned int) { return false; });
    EXPECT_EQ(grid->GetNumberRows(), 1);
    EXPECT_EQ(grid->GetCellValue(0, 0), "");

    FillPairGrid(*grid, 0, 4, [](unsigned int, unsigned int) { return true; });
    EXPECT_FALSE(grid->IsEnabled());
    EXPECT_EQ(grid->GetNumberRows(), 1);
    EXPECT_EQ(grid->GetNumberCols(), 1);
}

}  // namespace
