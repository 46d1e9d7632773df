// The chart window on the display: fitting, zooming, layer ownership and painting.

#include <wx/dcmemory.h>

#include "views/charts/ChartFixture.h"
#include "views/charts/mpFXYVector.h"
#include "views/charts/mpInfoLayer.h"
#include "views/charts/mpScaleY.h"

namespace {

class ChartWindowGuiTest : public ChartFixture {};

// Counts the layers alive; ASan reports a layer deleted twice.
class CountingLayer : public mpLayer {
public:
    static inline int alive = 0;
    CountingLayer() { ++alive; }
    ~CountingLayer() override { --alive; }
    void Plot(wxDC&, mpWindow&) override {}
};

TEST_F(ChartWindowGuiTest, FitsTheExampleRangeWithAndWithoutLockedAspect)
{
    mpWindow* chart = MakeChart(400, 290);
    chart->SetMargins(50, 40, 40, 40);
    chart->Fit(0, 10, 0, 10);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 32);
    EXPECT_DOUBLE_EQ(chart->GetScaleY(), 20);
    EXPECT_DOUBLE_EQ(chart->GetPosX(), -1.25);
    EXPECT_DOUBLE_EQ(chart->GetPosY(), 12.5);
    EXPECT_EQ(chart->x2p(0), 40);
    EXPECT_EQ(chart->y2p(0), 250);
    EXPECT_EQ(chart->x2p(10), 360);
    EXPECT_EQ(chart->y2p(10), 50);

    chart->LockAspect(true);
    EXPECT_TRUE(chart->GetPopupMenu()->IsChecked(mpID_LOCKASPECT));
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 20);
    EXPECT_EQ(chart->x2p(0), 100);
    EXPECT_EQ(chart->x2p(10), 300);
    chart->LockAspect(false);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 32);

    // A resize fits the desired range again.
    chart->SetPos(3, 3);
    chart->SetSize(400, 290);
    chart->GetParent()->GetParent()->SendSizeEvent();
    chart->Fit(chart->GetDesiredXmin(), chart->GetDesiredXmax(), chart->GetDesiredYmin(), chart->GetDesiredYmax());
    EXPECT_DOUBLE_EQ(chart->GetPosX(), -1.25);
}

TEST_F(ChartWindowGuiTest, TwoHundredZoomInsThenAPaintThatReturns)
{
    mpWindow* chart = MakeChart();
    chart->SetMargins(50, 40, 40, 40);
    chart->AddLayer(new mpScaleX("Frequency (Hz)", mpAXIS_NEAR_MARGIN, true, mpLABEL_NUMBER));
    chart->AddLayer(new mpScaleY("T_30 (s)", mpAXIS_NEAR_MARGIN, true));
    chart->AddLayer(Curve("S01-R01", {1, 2, 3, 4, 5, 6, 7, 8, 9}, {1.2, 1.1, 1.0, 0.9, 0.9, 0.8, 0.7, 0.6, 0.5}));
    chart->Fit(0.5, 9.5, 0.5, 1.2);
    for (int i = 0; i < 200; ++i) chart->ZoomIn(wxPoint(150, 120));
    EXPECT_TRUE(std::isfinite(chart->GetScaleX()));
    chart->Refresh();
    chart->Update();
    PumpEvents();
    for (int i = 0; i < 600; ++i) chart->ZoomOut(wxPoint(150, 120));
    chart->Refresh();
    chart->Update();
    PumpEvents();
    wxBitmap bitmap(400, 290, 24);
    wxMemoryDC dc(bitmap);
    chart->PlotLayers(dc);
    SUCCEED();
}

TEST_F(ChartWindowGuiTest, LayersAreDeletedOnlyWhenAskedAndOnlyOnce)
{
    mpWindow* chart = MakeChart();
    auto* twice = new CountingLayer;
    auto* kept = new CountingLayer;
    EXPECT_FALSE(chart->AddLayer(nullptr));
    chart->AddLayer(twice);
    chart->AddLayer(kept);
    chart->AddLayer(twice);
    EXPECT_EQ(CountingLayer::alive, 2);

    // Deleting a layer takes all its entries with it; no dangling pointer stays in the list.
    EXPECT_TRUE(chart->DelLayer(twice, true, false));
    EXPECT_EQ(chart->CountAllLayers(), 1u);
    EXPECT_EQ(chart->GetLayer(0), kept);
    EXPECT_EQ(CountingLayer::alive, 1);
    EXPECT_FALSE(chart->DelLayer(twice, false, false));

    // Detaching keeps the object.
    EXPECT_TRUE(chart->DelLayer(kept, false, false));
    EXPECT_EQ(CountingLayer::alive, 1);
    delete kept;

    auto* a = new CountingLayer;
    auto* b = new CountingLayer;
    for (mpLayer* l : {static_cast<mpLayer*>(a), static_cast<mpLayer*>(b), static_cast<mpLayer*>(a)})
        chart->AddLayer(l, false);
    EXPECT_EQ(chart->GetLayer(-1), nullptr);
    EXPECT_EQ(chart->GetLayer(3), nullptr);
    chart->DelAllLayers(true, false);
    EXPECT_EQ(chart->CountAllLayers(), 0u);
    EXPECT_EQ(CountingLayer::alive, 0);

    // What the window still holds goes with it, each layer once.
    auto* left = new CountingLayer;
    chart->AddLayer(left);
    chart->AddLayer(left);
    chart->Destroy();
    EXPECT_EQ(CountingLayer::alive, 0);
}

TEST_F(ChartWindowGuiTest, TwoChartsShareOneAxisUntilOneIsDestroyed)
{
    mpWindow* first = MakeChart();
    mpWindow* second = MakeChart();
    auto* xaxis = new mpScaleX("Frequency (Hz)", mpAXIS_NEAR_MARGIN, true, mpLABEL_NUMBER);
    auto* y1 = new mpScaleY("T_30 (s)", mpAXIS_NEAR_MARGIN, true);
    auto* y2 = new mpScaleY("EDT (s)", mpAXIS_NEAR_MARGIN, true);
    xaxis->SetDrawOutsideMargins(false);
    for (mpWindow* chart : {first, second}) {
        chart->SetMargins(50, 40, 40, 40);
        chart->AddLayer(xaxis);
    }
    first->AddLayer(y1);
    second->AddLayer(y2);
    second->AddLayer(Curve("S01-R01", {1, 2, 3}, {1, 2, 1}));

    first->DelAllLayers(false, false);
    first->Destroy();
    delete y1;

    second->Refresh();
    second->Update();
    PumpEvents();
    const wxImage image = Render(*second, 0.5, 3.5, 0.5, 2.5);
    EXPECT_GT(NonWhiteInRow(image, 250, 0, 400), 300);  // the shared axis still draws
    // The second chart deletes the axis, its own y axis and the curve when it goes.
}

TEST_F(ChartWindowGuiTest, BoundingBoxCountsHiddenCurvesAndFitUsesIt)
{
    mpWindow* chart = MakeChart();
    chart->AddLayer(new mpScaleX);
    EXPECT_FALSE(chart->UpdateBBox());
    chart->Fit();
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmax(), 1);  // nothing to fit to
    mpFXYVector* hidden = Curve("hidden", {1, 2, 3}, {10, 20, 5});
    hidden->SetVisible(false);
    chart->AddLayer(hidden);
    chart->AddLayer(Curve("other", {0, 1}, {30, 31}));
    EXPECT_EQ(chart->CountLayers(), 2u);
    chart->Fit();
    double bbox[4];
    chart->GetBoundingBox(bbox);
    EXPECT_DOUBLE_EQ(bbox[0], -0.5);
    EXPECT_DOUBLE_EQ(bbox[1], 3.5);
    EXPECT_DOUBLE_EQ(bbox[2], 4.5);
    EXPECT_DOUBLE_EQ(bbox[3], 31.5);
    EXPECT_DOUBLE_EQ(chart->GetDesiredYmin(), 4.5);
    EXPECT_EQ(chart->GetLayerByName("other"), chart->GetLayer(2));
    EXPECT_EQ(chart->GetLayerByName("Other"), nullptr);
    EXPECT_FALSE(chart->IsLayerVisible("hidden"));
    chart->SetLayerVisible("hidden", true);
    EXPECT_TRUE(chart->IsLayerVisible(1u));
    chart->SetLayerVisible(7u, false);  // no such layer: nothing happens
}

TEST_F(ChartWindowGuiTest, ColourThemeRecoloursAxesAndInfoLayersOnly)
{
    mpWindow* chart = MakeChart();
    auto* axis = new mpScaleX;
    auto* legend = new mpInfoLegend(wxRect(200, 20, 40, 40), wxTRANSPARENT_BRUSH);
    mpFXYVector* curve = Curve("c", {1}, {1});
    curve->SetPen(wxPen(*wxGREEN, 2));
    for (mpLayer* l : {static_cast<mpLayer*>(axis), static_cast<mpLayer*>(legend), static_cast<mpLayer*>(curve)})
        chart->AddLayer(l);
    chart->SetColourTheme(*wxBLACK, *wxWHITE, *wxRED);
    EXPECT_EQ(axis->GetPen().GetColour(), *wxRED);
    EXPECT_EQ(legend->GetPen().GetColour(), *wxWHITE);
    EXPECT_EQ(curve->GetPen().GetColour(), *wxGREEN);
    EXPECT_EQ(chart->GetAxesColour(), *wxRED);
    EXPECT_EQ(chart->GetBackgroundColour(), *wxBLACK);
}

TEST_F(ChartWindowGuiTest, ScrollBarsFollowTheView)
{
    // Without scroll bars of its own the window ignores them.
    mpWindow* plain = MakeChart();
    plain->SetMPScrollbars(true);
    EXPECT_TRUE(plain->GetMPScrollbars());

    auto* frame = new wxFrame(nullptr, wxID_ANY, "scroll", wxDefaultPosition, wxSize(600, 500));
    auto* chart = new mpWindow(new wxPanel(frame), wxID_ANY, wxPoint(0, 0), wxSize(400, 290), wxHSCROLL | wxVSCROLL);
    frame->Show();
    ASSERT_TRUE(WaitUntil([&] { return chart->IsShownOnScreen(); }));
    chart->AddLayer(Curve("c", {0.5, 19.5}, {0.5, 9.5}));
    chart->Fit(0, 10, 0, 10);
    chart->SetMPScrollbars(true);
    const int cx = chart->GetClientSize().GetWidth();
    EXPECT_EQ(chart->GetScrollThumb(wxHORIZONTAL), cx);
    EXPECT_EQ(chart->GetScrollRange(wxHORIZONTAL), int(20 * chart->GetScaleX()));
    EXPECT_EQ(chart->GetScrollPos(wxHORIZONTAL), 0);
    chart->SetMPScrollbars(false);
    EXPECT_FALSE(chart->GetMPScrollbars());
    EXPECT_LE(chart->GetScrollRange(wxHORIZONTAL), 1);  // the toolkit keeps at least 1
}

TEST_F(ChartWindowGuiTest, OneAxisZoomsAndDirectSettersLeaveTheDesiredRange)
{
    mpWindow* chart = MakeChart();
    chart->Fit(0, 10, 0, 10);
    const double sx = chart->GetScaleX(), sy = chart->GetScaleY();
    chart->ZoomInX();
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), sx * 1.5);
    chart->ZoomOutX();
    chart->ZoomInY();
    chart->ZoomOutY();
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), sx);
    EXPECT_DOUBLE_EQ(chart->GetScaleY(), sy);
    chart->SetScaleX(0);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), sx);
    chart->SetScaleY(7);
    EXPECT_DOUBLE_EQ(chart->GetYscl(), 7);
    EXPECT_DOUBLE_EQ(chart->GetDesiredYmax(), 10);

    const double x = chart->p2x(100);
    chart->DoZoomInXCalc(100);
    EXPECT_NEAR(chart->p2x(100), x, 1e-12);
    chart->DoZoomOutXCalc(100);
    EXPECT_NEAR(chart->GetScaleX(), sx, 1e-12);
    chart->DoZoomInYCalc(50);
    chart->DoZoomOutYCalc(50);
    EXPECT_NEAR(chart->GetScaleY(), 7, 1e-12);

    chart->ZoomIn();  // about the middle of the plot area
    const wxSize c = chart->GetClientSize();
    const double mx = chart->p2x(c.x / 2);
    chart->ZoomOut();
    EXPECT_NEAR(chart->p2x(c.x / 2), mx, 1e-9);

    chart->ZoomRect(wxPoint(10, 10), wxPoint(11, 200));
    EXPECT_NEAR(chart->GetDesiredXmax() - chart->GetDesiredXmin(), 1 / sx, 1e-9);
}

TEST_F(ChartWindowGuiTest, DoubleBufferedPaintFollowsAResize)
{
    mpWindow* chart = MakeChart();
    chart->AddLayer(new mpScaleX("x", mpAXIS_ORIGIN, true, mpLABEL_NUMBER));
    chart->EnableDoubleBuffer(true);
    chart->Fit(-1, 1, -1, 1);
    chart->Update();
    chart->SetSize(300, 200);
    chart->Refresh();
    EXPECT_TRUE(WaitUntil([&] {
        chart->Update();
        return chart->GetScrX() == 300;
    }));
}

}  // namespace
