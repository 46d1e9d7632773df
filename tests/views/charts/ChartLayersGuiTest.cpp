// The chart layers drawn off-screen: axes, curves, legend and info layers.

#include <wx/dcmemory.h>

#include "views/charts/ChartFixture.h"
#include "views/charts/mpFX.h"
#include "views/charts/mpFXYVector.h"
#include "views/charts/mpFY.h"
#include "views/charts/mpInfoLayer.h"
#include "views/charts/mpProfile.h"
#include "views/charts/mpScaleY.h"

namespace {

class ChartLayersGuiTest : public ChartFixture {};

TEST_F(ChartLayersGuiTest, SetDataKeepsCopiesAndRefusesUnequalVectors)
{
    mpFXYVector curve("c");
    std::vector<double> xs{1, 2, 3}, ys{10, 20, 5};
    curve.SetData(xs, ys);
    xs.clear();
    EXPECT_DOUBLE_EQ(curve.GetMinX(), 0.5);
    EXPECT_DOUBLE_EQ(curve.GetMaxX(), 3.5);
    EXPECT_DOUBLE_EQ(curve.GetMinY(), 4.5);
    EXPECT_DOUBLE_EQ(curve.GetMaxY(), 20.5);

    curve.SetData({1, 2, 3}, {1, 2, 3, 4});
    const std::vector<LogEntry> logged = log.Take();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].level, wxLOG_Error);
    EXPECT_EQ(logged[0].text, "wxMathPlot error: X and Y vector are not of the same length!");
    EXPECT_DOUBLE_EQ(curve.GetMaxY(), 20.5);
    double x = 0, y = 0;
    curve.Rewind();
    int n = 0;
    while (curve.GetNextXY(x, y)) ++n;
    EXPECT_EQ(n, 3);
    EXPECT_DOUBLE_EQ(y, 5);

    curve.Clear();  // the points go, the bounds stay
    curve.Rewind();
    EXPECT_FALSE(curve.GetNextXY(x, y));
    EXPECT_DOUBLE_EQ(curve.GetMaxY(), 20.5);
    curve.SetData({}, {});
    EXPECT_DOUBLE_EQ(curve.GetMinX(), -1);
    EXPECT_DOUBLE_EQ(curve.GetMaxY(), 1);
}

TEST_F(ChartLayersGuiTest, HorizontalAxisRowWithTicksAndLabels)
{
    mpWindow* chart = MakeChart();
    chart->SetMargins(50, 40, 40, 40);
    auto* axis = new mpScaleX("Frequency (Hz)", mpAXIS_NEAR_MARGIN, true, mpLABEL_NUMBER);
    axis->SetPen(*wxBLACK_PEN);
    axis->SetDrawOutsideMargins(false);
    axis->SetLabelFormat("%.0f");
    chart->AddLayer(axis);
    const wxImage image = Render(*chart, 0.5, 9.5, 0, 1);
    // The axis line spans the window on the row of the plot area's bottom edge.
    EXPECT_EQ(NonWhiteInRow(image, 250, 0, 400), 400);
    EXPECT_EQ(NonWhiteInRow(image, 249, 0, 400), 0);
    // A 4-pixel tick below the axis at band 1, none between ticks.
    const int x1 = chart->x2p(1);
    for (int y = 251; y < 254; ++y) EXPECT_FALSE(IsWhite(image, x1, y)) << y;
    EXPECT_TRUE(IsWhite(image, x1 + 10, 252));
    // Labels and the name below the ticks; nothing above the axis.
    EXPECT_GT(NonWhiteInRect(image, 0, 255, 400, 290), 0);
    EXPECT_EQ(NonWhiteInRect(image, 0, 0, 400, 250), 0);
}

TEST_F(ChartLayersGuiTest, GridLinesLeaveTheAxisPenAsGiven)
{
    mpWindow* chart = MakeChart();
    auto* axis = new mpScaleY("y", mpAXIS_NEAR_MARGIN, false);
    axis->SetPen(wxPen(*wxBLACK, 1, wxPENSTYLE_SHORT_DASH));
    chart->AddLayer(axis);
    Render(*chart, 0, 10, 0, 10);
    Render(*chart, 0, 10, 0, 10);
    EXPECT_EQ(axis->GetPen().GetStyle(), wxPENSTYLE_SHORT_DASH);
}

TEST_F(ChartLayersGuiTest, CurvesStayInsideTheMarginsAndEmptyOnesWriteNoName)
{
    mpWindow* chart = MakeChart();
    chart->SetMargins(50, 40, 40, 40);
    auto* empty = new mpFXYVector("nameless place");
    chart->AddLayer(empty);
    wxImage image = Render(*chart, 0, 10, 0, 10);
    EXPECT_EQ(NonWhiteInRect(image, 0, 0, 400, 290), 0);

    mpFXYVector* curve = Curve("", {-5, 5, 15}, {5, 12, 5});  // leaves through the top
    curve->SetPen(wxPen(*wxBLACK, 2));
    curve->SetDrawOutsideMargins(false);
    chart->AddLayer(curve);
    image = Render(*chart, 0, 10, 0, 10);
    EXPECT_GT(NonWhiteInRect(image, 40, 50, 361, 251), 0);
    EXPECT_EQ(NonWhiteInRect(image, 0, 0, 400, 48), 0);  // the top margin stays empty
    EXPECT_EQ(NonWhiteInRect(image, 0, 0, 38, 290), 0);  // and the left one
}

TEST_F(ChartLayersGuiTest, LegendSizeComesFromMeasuredNames)
{
    mpWindow* chart = MakeChart();
    chart->AddLayer(new mpScaleX);
    chart->AddLayer(Curve("S01-R01", {1, 2}, {1, 2}));
    chart->AddLayer(Curve("A much longer curve name", {1, 2}, {2, 1}));
    mpFXYVector* hidden = Curve("A hidden curve with the longest name of all", {1, 2}, {1, 1});
    hidden->SetVisible(false);
    chart->AddLayer(hidden);
    auto* legend = new mpInfoLegend(wxRect(200, 20, 40, 40), wxTRANSPARENT_BRUSH);
    chart->AddLayer(legend);
    Render(*chart, 0, 3, 0, 3);

    wxBitmap probe(10, 10, 24);
    wxMemoryDC dc(probe);
    dc.SetFont(legend->GetFont());
    wxCoord w1, h1, w2, h2;
    dc.GetTextExtent("S01-R01", &w1, &h1);
    dc.GetTextExtent("A much longer curve name", &w2, &h2);
    EXPECT_EQ(legend->GetSize(), wxSize(std::max(w1, w2) + 25, 5 + h1 + h2 + 5));

    // With no visible curve the box is 20 wide and keeps its height.
    for (unsigned i = 1; i < 3; ++i) chart->GetLayer(int(i))->SetVisible(false);
    Render(*chart, 0, 3, 0, 3);
    EXPECT_EQ(legend->GetSize(), wxSize(20, 5 + h1 + h2 + 5));
}

TEST_F(ChartLayersGuiTest, InfoLayersFollowResizesAndDrags)
{
    mpWindow* chart = MakeChart();
    auto* box = new mpInfoLayer(wxRect(150, 60, 40, 30), nullptr);
    chart->AddLayer(box);
    Render(*chart, 0, 1, 0, 1, 400, 300);
    EXPECT_EQ(box->GetPosition(), wxPoint(150, 60));
    Render(*chart, 0, 1, 0, 1, 800, 300);
    EXPECT_EQ(box->GetPosition(), wxPoint(300, 60));
    EXPECT_EQ(box->GetSize(), wxSize(40, 30));

    wxPoint inside(310, 70), outside(340, 70);
    EXPECT_TRUE(box->Inside(inside));
    EXPECT_FALSE(box->Inside(outside));
    EXPECT_EQ(chart->IsInsideInfoLayer(inside), box);
    box->Move(wxPoint(5, 5));
    box->Move(wxPoint(10, -20));  // relative to where the drag started
    EXPECT_EQ(box->GetPosition(), wxPoint(310, 40));
    box->UpdateReference();
    box->Move(wxPoint(1, 1));
    EXPECT_EQ(box->GetPosition(), wxPoint(311, 41));

    // The null brush stands for the transparent one: the box draws only its outline. The
    // layer's own brush is not the box's.
    box->SetBrush(*wxBLACK_BRUSH);
    const wxImage image = Render(*chart, 0, 1, 0, 1, 800, 300);
    EXPECT_TRUE(IsWhite(image, 311 + 20, 41 + 15));
    EXPECT_FALSE(IsWhite(image, 311, 41 + 15));
}

TEST_F(ChartLayersGuiTest, CoordinateReadoutShowsTheDataUnderTheMouse)
{
    mpWindow* chart = MakeChart();
    auto* readout = new mpInfoCoords(wxRect(10, 10, 10, 10), wxTRANSPARENT_BRUSH);
    chart->AddLayer(readout);
    chart->SetMargins(0, 0, 0, 0);
    Render(*chart, 0, 400, 0, 290);
    wxMouseEvent motion(wxEVT_MOTION);
    motion.m_x = 100;
    motion.m_y = 90;
    readout->UpdateInfo(*chart, motion);
    Render(*chart, 0, 400, 0, 290);
    EXPECT_GT(readout->GetSize().GetWidth(), 60);
    EXPECT_GT(readout->GetSize().GetHeight(), 20);
}

struct Line : mpFX {
    Line() : mpFX("line", 1) {}
    double GetY(double x) override { return x; }
};
struct Column : mpFY {
    Column() : mpFY("column", 1) {}
    double GetX(double) override { return 5; }
};
struct Ramp : mpProfile {
    Ramp() : mpProfile("ramp", 2) {}
    double GetY(double x) override { return 10 - x; }
};

TEST_F(ChartLayersGuiTest, FunctionLayersDrawInsideTheirArea)
{
    mpWindow* chart = MakeChart();
    chart->SetMargins(50, 40, 40, 40);
    for (mpLayer* layer :
         {static_cast<mpLayer*>(new Line), static_cast<mpLayer*>(new Column), static_cast<mpLayer*>(new Ramp)}) {
        layer->SetDrawOutsideMargins(false);
        layer->SetPen(wxPen(*wxBLACK, 3));
        chart->AddLayer(layer);
    }
    const wxImage image = Render(*chart, 0, 10, 0, 10);
    // The column x = 5 at pixel 200 from the top of the area to its bottom, not into the margins.
    EXPECT_FALSE(IsWhite(image, 200, 60));
    EXPECT_FALSE(IsWhite(image, 200, 240));
    EXPECT_EQ(NonWhiteInRect(image, 195, 0, 205, 45), 0);
    // The diagonals cross the area's corners.
    EXPECT_FALSE(IsWhite(image, chart->x2p(2), chart->y2p(2)));
    EXPECT_FALSE(IsWhite(image, chart->x2p(2), chart->y2p(8)));
}

TEST_F(ChartLayersGuiTest, ClassRecordsCreateLayersByName)
{
    std::unique_ptr<wxObject> axis(wxCreateDynamicObject("mpScaleX"));
    ASSERT_TRUE(dynamic_cast<mpScaleX*>(axis.get()));
    EXPECT_EQ(static_cast<mpScaleX*>(axis.get())->GetName(), "X");
    std::unique_ptr<wxObject> yaxis(wxCreateDynamicObject("mpScaleY"));
    EXPECT_EQ(static_cast<mpScaleY*>(yaxis.get())->GetName(), "Y");
    std::unique_ptr<wxObject> curve(wxCreateDynamicObject("mpFXYVector"));
    EXPECT_TRUE(dynamic_cast<mpFXYVector*>(curve.get()));
    std::unique_ptr<wxObject> info(wxCreateDynamicObject("mpInfoLayer"));
    EXPECT_TRUE(dynamic_cast<mpInfoLayer*>(info.get()));
    EXPECT_EQ(wxCreateDynamicObject("mpLayer"), nullptr);
    EXPECT_EQ(wxCreateDynamicObject("mpFXY"), nullptr);
    mpInfoLegend legend;
    EXPECT_STREQ(legend.GetClassInfo()->GetClassName(), L"mpInfoLayer");
    EXPECT_TRUE(legend.IsKindOf(wxCLASSINFO(mpLayer)));
}

TEST_F(ChartLayersGuiTest, ColourSquareTakesThePenColour)
{
    mpFXYVector curve("c");
    curve.SetPen(wxPen(*wxRED, 2));
    const wxImage square = curve.GetColourSquare(8).ConvertToImage();
    ASSERT_EQ(square.GetWidth(), 8);
    EXPECT_EQ(square.GetRed(4, 4), 255);
    EXPECT_EQ(square.GetGreen(4, 4), 0);
}

}  // namespace
