// The main window's response curves, pair grid and parameter charts after results arrive.

#include <memory>
#include <string>
#include <vector>

#include <wx/choice.h>
#include <wx/grid.h>
#include <wx/notebook.h>
#include <wx/uiaction.h>

#include "desktop/DesktopTestFolder.h"
#include "desktop/PlotResultsFixture.h"
#include "desktop/SorviwxFrame.h"
#include "support/gui/GuiTest.h"
#include "views/GL_Plot2D.h"
#include "views/GL_Window.h"
#include "views/ViewTestRooms.h"
#include "views/charts/mpFXYVector.h"
#include "views/charts/mpInfoLayer.h"
#include "views/charts/mpWindow.h"

using namespace desktoptest;

namespace {

class SorviwxFramePlotsTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        folder_ = std::make_unique<ScopedWorkingFolder>();
        projtest::Quietly([this] { frame = new SorviwxFrame(nullptr, -1); });
        frame->Show();
        PumpEvents();
    }
    void TearDown() override
    {
        projtest::Quietly([this] {
            frame->Destroy();
            PumpEvents();
        });
        GuiTest::TearDown();
        folder_.reset();
    }

    // Hands the fixture's room to the window as a run's end would, and draws its results.
    void ShowResults(PlotResultsFixture& fx)
    {
        projtest::Quietly([&] {
            delete frame->sala;
            frame->sala = fx.room.release();
            frame->MyGLCanvas->SetRoom(frame->sala);
            frame->CreatePlotResults();
        });
    }
    void ClickCell(int row, int col)
    {
        wxGridEvent event(frame->SRPlotGrid->GetId(), wxEVT_GRID_CELL_LEFT_CLICK, frame->SRPlotGrid, row, col);
        frame->SRPlotGrid->GetEventHandler()->ProcessEvent(event);
    }
    void ChooseView(int view)
    {
        frame->graphChoice->SetSelection(view);
        wxCommandEvent event(wxEVT_CHOICE, frame->graphChoice->GetId());
        event.SetEventObject(frame->graphChoice);
        event.SetInt(view);
        frame->graphChoice->GetEventHandler()->ProcessEvent(event);
    }
    const Plot2DModel& Plot() const { return frame->My2DPlot->Model(); }
    std::vector<bool> Shown() const
    {
        std::vector<bool> v;
        for (unsigned int i = 0; i < Plot().getNumGraphs(); ++i) v.push_back(Plot().Graph(i).GetViewState());
        return v;
    }
    double Peak(unsigned int i) const
    {
        double m = -INFINITY;
        for (unsigned int n = 0; n < Plot().Graph(i).GetLength(); ++n) m = std::max(m, Plot().Graph(i).Points()[n].y);
        return m;
    }

    SorviwxFrame* frame = nullptr;
    // Destroyed after the window: the rooms' receivers point at their patterns.
    PlotResultsFixture big{2, {1, 2}};
    PlotResultsFixture small{1, {1}};

private:
    std::unique_ptr<ScopedWorkingFolder> folder_;
};

TEST_F(SorviwxFramePlotsTest, ResultsGiveCurvesGridAndCharts)
{
    ShowResults(big);
    EXPECT_EQ(Plot().getNumGraphs(), 6u);
    EXPECT_EQ(frame->NumPlotsCreated, 4u);
    wxGrid& grid = *frame->SRPlotGrid;
    EXPECT_TRUE(grid.IsEnabled());
    ASSERT_EQ(grid.GetNumberRows(), 2);
    ASSERT_EQ(grid.GetNumberCols(), 2);
    EXPECT_EQ(grid.GetRowLabelValue(1), "S02");
    EXPECT_EQ(grid.GetColLabelValue(1), "R02");
    for (int i = 0; i < 4; ++i) {
        mpWindow& chart = *frame->param_plot[i];
        ASSERT_EQ(chart.CountAllLayers(), i == 0 ? 7u : 6u) << i;
        EXPECT_EQ(chart.GetLayer(0), reinterpret_cast<mpLayer*>(frame->xaxis_param));
        EXPECT_EQ(chart.GetLayer(2)->GetName(), "S01-R01");
        EXPECT_EQ(chart.GetLayer(5)->GetName(), "S02-R02");
        EXPECT_DOUBLE_EQ(chart.GetDesiredXmin(), 0.5);
        EXPECT_DOUBLE_EQ(chart.GetDesiredXmax(), 9.5);
    }
    EXPECT_NE(dynamic_cast<mpInfoLegend*>(frame->param_plot[0]->GetLayer(6)), nullptr);
}

// Every box is ticked exactly when its pair's curves are shown: all after results arrive,
// and each click flips both.
TEST_F(SorviwxFramePlotsTest, GridClicksToggleThePairsCurves)
{
    ShowResults(big);
    wxGrid& grid = *frame->SRPlotGrid;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) EXPECT_EQ(grid.GetCellValue(r, c), "1") << r << c;
    ClickCell(1, 1);
    EXPECT_EQ(grid.GetCellValue(1, 1), "0");
    EXPECT_EQ(Shown(), (std::vector<bool>{true, true, true, true, false, false}));
    ClickCell(1, 1);
    EXPECT_EQ(grid.GetCellValue(1, 1), "1");
    EXPECT_EQ(Shown(), (std::vector<bool>{true, true, true, true, true, true}));
    ClickCell(0, 0);
    EXPECT_EQ(grid.GetCellValue(0, 0), "0");
    EXPECT_EQ(Shown(), (std::vector<bool>{false, true, true, true, true, true}));
    // New results: all shown, all ticked again.
    ShowResults(small);
    EXPECT_EQ(grid.GetCellValue(0, 0), "1");
    EXPECT_EQ(Shown(), (std::vector<bool>{true}));
}

TEST_F(SorviwxFramePlotsTest, ViewChoiceRecomputesUnlessStaleOrRunning)
{
    ShowResults(big);
    ChooseView(VIEW_DECAY_NORMALIZED);
    for (unsigned int i = 0; i < 6; ++i) EXPECT_NEAR(Peak(i), 0.0, 1e-6) << i;
    EXPECT_FLOAT_EQ(Plot().GetYRange().x, -100.0f);
    EXPECT_FLOAT_EQ(Plot().GetYRange().y, 0.0f);

    {
        const view_test::HeldRun run(*frame->sala);
        ChooseView(VIEW_SPECTRUM);
        EXPECT_EQ(Plot().Graph(0).GetLength(), 2205u);                         // still the decay curve
        EXPECT_EQ(frame->graphChoice->GetSelection(), VIEW_DECAY_NORMALIZED);  // and the choice says so
    }
    ChooseView(VIEW_SPECTRUM);
    EXPECT_EQ(Plot().Graph(0).GetLength(), 4096u);  // 2205 samples: FFT 8192, every bin below fs/2
    EXPECT_GT(Plot().Graph(0).Points()[1].x, 0.0);

    frame->InvalidatePlots();
    ChooseView(VIEW_PRESSURE_LIN);
    EXPECT_EQ(Plot().Graph(0).GetLength(), 4096u);
    EXPECT_EQ(frame->graphChoice->GetSelection(), VIEW_SPECTRUM);
    ClickCell(0, 0);
    EXPECT_EQ(frame->SRPlotGrid->GetCellValue(0, 0), "1");
    EXPECT_EQ(Shown()[0], true);

    // The next results are drawn in the chosen view and work with the views.
    projtest::Quietly([&] { frame->CreatePlotResults(); });
    EXPECT_EQ(Plot().Graph(0).GetLength(), 4096u);
    EXPECT_EQ(frame->graphChoice->GetSelection(), VIEW_SPECTRUM);
    ChooseView(VIEW_PRESSURE_LOG);
    EXPECT_NEAR(Plot().Graph(0).Points()[0].y, 10 * std::log10(PlotResultsFixture::Identity(0, 0, 0) + 1e-7), 1e-4);
}

// A second run's results show the view the choice reads (once they came as linear pressure
// under "Frequency Response (LOG scale)").
TEST_F(SorviwxFramePlotsTest, NewResultsShowTheChosenView)
{
    ShowResults(big);
    ChooseView(VIEW_DECAY_NORMALIZED);
    projtest::Quietly([&] { frame->CreatePlotResults(); });  // the next run's results
    EXPECT_EQ(frame->graphChoice->GetSelection(), VIEW_DECAY_NORMALIZED);
    ASSERT_EQ(Plot().getNumGraphs(), 6u);
    for (unsigned int i = 0; i < 6; ++i) EXPECT_NEAR(Peak(i), 0.0, 1e-6) << i;
    EXPECT_FLOAT_EQ(Plot().GetYRange().x, -100.0f);
    EXPECT_FLOAT_EQ(Plot().GetYRange().y, 0.0f);

    ChooseView(VIEW_SPECTRUM);
    ShowResults(small);
    EXPECT_EQ(frame->graphChoice->GetSelection(), VIEW_SPECTRUM);
    ASSERT_EQ(Plot().getNumGraphs(), 1u);
    EXPECT_EQ(Plot().Graph(0).GetLength(), 4096u);
    EXPECT_GT(Plot().GetXRange().y, 20000.0);  // hertz
}

TEST_F(SorviwxFramePlotsTest, FewerPairsRebuildEveryChartWithOnlyTheNewCurves)
{
    ShowResults(big);
    ShowResults(small);
    EXPECT_EQ(Plot().getNumGraphs(), 1u);
    EXPECT_EQ(frame->SRPlotGrid->GetNumberRows(), 1);
    EXPECT_EQ(frame->SRPlotGrid->GetNumberCols(), 1);
    for (int i = 0; i < 4; ++i) {
        mpWindow& chart = *frame->param_plot[i];
        ASSERT_EQ(chart.CountAllLayers(), i == 0 ? 4u : 3u) << i;
        EXPECT_EQ(chart.GetLayer(0), reinterpret_cast<mpLayer*>(frame->xaxis_param));
        EXPECT_EQ(chart.GetLayer(1), reinterpret_cast<mpLayer*>(frame->yaxis_param[i]));
        EXPECT_EQ(chart.GetLayer(2)->GetName(), "S01-R01");
    }
}

// A real click on a grid cell, through the window system (one test at a time on the display).
class SorviwxFramePlotsRealInput : public SorviwxFramePlotsTest {};

TEST_F(SorviwxFramePlotsRealInput, ClickingACellTogglesThePairsCurves)
{
    ShowResults(big);
    frame->Notebook2->SetSelection(1);  // "Time/Freq. Responses"
    wxGrid& grid = *frame->SRPlotGrid;
    ASSERT_TRUE(WaitUntil([&] { return grid.IsShownOnScreen(); }));
    const wxRect cell = grid.CellToRect(1, 1);
    const wxPoint at = grid.GetGridWindow()->ClientToScreen(
        grid.CalcScrolledPosition(wxPoint(cell.x + cell.width / 2, cell.y + cell.height / 2)));
    wxUIActionSimulator input;
    input.MouseMove(at);
    ASSERT_TRUE(WaitUntil([&] { return wxGetMousePosition() == at; }));
    ASSERT_EQ(grid.GetCellValue(1, 1), "1");
    input.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return grid.GetCellValue(1, 1) == "0"; }, std::chrono::seconds(5)));
    EXPECT_EQ(Shown(), (std::vector<bool>{true, true, true, true, false, false}));
    // Past the double-click interval, or the second click counts as a double click.
    const auto later = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
    WaitUntil([&] { return std::chrono::steady_clock::now() > later; });
    input.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return grid.GetCellValue(1, 1) == "1"; }, std::chrono::seconds(5)));
    EXPECT_EQ(Shown(), (std::vector<bool>{true, true, true, true, true, true}));
}

}  // namespace
