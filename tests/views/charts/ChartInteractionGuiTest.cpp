// The chart window's mouse handling and context menu, driven by real events.

#include <wx/filename.h>

#include "views/charts/ChartFixture.h"
#include "views/charts/mpFXYVector.h"
#include "views/charts/mpInfoLayer.h"

namespace {

// Records where the context menu would open instead of opening it.
class MenuChart : public mpWindow {
public:
    using mpWindow::mpWindow;
    using mpWindow::PaintOn;
    std::vector<wxPoint> menus;

protected:
    bool ShowPopupMenu(wxMenu*, const wxPoint& position) override
    {
        menus.push_back(position);
        return true;
    }
};

class ChartInteractionGuiTest : public ChartFixture {
protected:
    // A shown 400 x 290 chart with margins 50, 40, 40, 40 fitted to 0..10 on both axes.
    MenuChart* MakeMenuChart()
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "chart", wxDefaultPosition, wxSize(600, 490));
        auto* chart = new MenuChart(new wxPanel(frame), wxID_ANY, wxPoint(0, 0), wxSize(400, 290));
        frame->Show();
        EXPECT_TRUE(WaitUntil([&] { return chart->IsShownOnScreen() && chart->GetClientSize() == wxSize(400, 290); }));
        chart->SetMargins(50, 40, 40, 40);
        chart->Fit(0, 10, 0, 10);
        return chart;
    }

    static void Mouse(mpWindow* chart, wxEventType type, int x, int y, bool left = false, bool right = false)
    {
        wxMouseEvent event(type);
        event.SetEventObject(chart);
        event.m_x = x;
        event.m_y = y;
        event.m_leftDown = left;
        event.m_rightDown = right;
        chart->GetEventHandler()->ProcessEvent(event);
    }

    static void Wheel(mpWindow* chart, int x, int y, int rotation, bool ctrl = false, bool shift = false,
                      wxMouseWheelAxis axis = wxMOUSE_WHEEL_VERTICAL)
    {
        wxMouseEvent event(wxEVT_MOUSEWHEEL);
        event.SetEventObject(chart);
        event.m_x = x;
        event.m_y = y;
        event.m_wheelRotation = rotation;
        event.m_wheelDelta = 120;
        event.m_wheelAxis = axis;
        event.m_controlDown = ctrl;
        event.m_shiftDown = shift;
        chart->GetEventHandler()->ProcessEvent(event);
    }

    static void Menu(mpWindow* chart, int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(chart);
        chart->GetEventHandler()->ProcessEvent(event);
    }
};

TEST_F(ChartInteractionGuiTest, CenterBringsTheMenuPointToTheMiddle)
{
    MenuChart* chart = MakeMenuChart();
    Mouse(chart, wxEVT_RIGHT_DOWN, 100, 120, false, true);
    Mouse(chart, wxEVT_RIGHT_UP, 100, 120);
    ASSERT_EQ(chart->menus.size(), 1u);
    EXPECT_EQ(chart->menus[0], wxPoint(100, 120));
    const double x = chart->p2x(100), y = chart->p2y(120);
    Menu(chart, mpID_CENTER);
    EXPECT_EQ(chart->x2p(x), 200);
    EXPECT_EQ(chart->y2p(y), 150);
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmin(), 0);
    // The next resize returns to the desired range.
    chart->Fit(chart->GetDesiredXmin(), chart->GetDesiredXmax(), chart->GetDesiredYmin(), chart->GetDesiredYmax());
    EXPECT_EQ(chart->x2p(0), 40);
}

TEST_F(ChartInteractionGuiTest, RightDragPansAndOpensNoMenu)
{
    MenuChart* chart = MakeMenuChart();
    const double x = chart->p2x(100), y = chart->p2y(120);
    Mouse(chart, wxEVT_RIGHT_DOWN, 100, 120, false, true);
    Mouse(chart, wxEVT_MOTION, 130, 100, false, true);
    Mouse(chart, wxEVT_MOTION, 160, 140, false, true);
    Mouse(chart, wxEVT_RIGHT_UP, 160, 140);
    EXPECT_TRUE(chart->menus.empty());
    // The data under the press followed the cursor, and the desired range moved along.
    EXPECT_NEAR(chart->p2x(160), x, 1e-12);
    EXPECT_NEAR(chart->p2y(140), y, 1e-12);
    EXPECT_NEAR(chart->GetDesiredXmin(), -60.0 / 32, 1e-12);
    EXPECT_NEAR(chart->GetDesiredYmax(), 10 + 20.0 / 20, 1e-12);
    // A middle release right after the drag opens no menu either; the next plain click does.
    Mouse(chart, wxEVT_MIDDLE_UP, 10, 10);
    EXPECT_TRUE(chart->menus.empty());
    Mouse(chart, wxEVT_RIGHT_DOWN, 50, 60, false, true);
    Mouse(chart, wxEVT_RIGHT_UP, 50, 60);
    EXPECT_EQ(chart->menus.size(), 1u);
}

TEST_F(ChartInteractionGuiTest, WheelZoomsAboutTheCursor)
{
    MenuChart* chart = MakeMenuChart();
    const double x = chart->p2x(150), y = chart->p2y(100);
    Wheel(chart, 150, 100, 120);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 48);
    EXPECT_NEAR(chart->p2x(150), x, 1e-12);
    EXPECT_NEAR(chart->p2y(100), y, 1e-12);
    Wheel(chart, 150, 100, -120);
    EXPECT_NEAR(chart->GetScaleX(), 32, 1e-12);
    EXPECT_NEAR(chart->p2x(150), x, 1e-12);
    // Shift alone zooms too; no rotation and a sideways wheel do nothing.
    Wheel(chart, 150, 100, 120, false, true);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 48);
    const double pos = chart->GetPosX();
    Wheel(chart, 150, 100, 0);
    Wheel(chart, 150, 100, 120, false, false, wxMOUSE_WHEEL_HORIZONTAL);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 48);
    EXPECT_DOUBLE_EQ(chart->GetPosX(), pos);
}

TEST_F(ChartInteractionGuiTest, CtrlWheelScrollsBothEndsOfTheDesiredRange)
{
    MenuChart* chart = MakeMenuChart();
    Wheel(chart, 150, 100, 40, true);  // vertical: 40 pixels
    EXPECT_DOUBLE_EQ(chart->GetDesiredYmin(), 2);
    EXPECT_DOUBLE_EQ(chart->GetDesiredYmax(), 12);
    EXPECT_DOUBLE_EQ(chart->GetPosY(), 14.5);
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmin(), 0);
    Wheel(chart, 150, 100, 64, true, true);  // horizontal: 64 pixels
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmin(), -2);
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmax(), 8);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 32);
}

TEST_F(ChartInteractionGuiTest, RubberBandZoomsOnlyWhenThePointerMoved)
{
    MenuChart* chart = MakeMenuChart();
    // A release before any press in this window does nothing.
    Mouse(chart, wxEVT_LEFT_UP, 200, 200);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 32);
    Mouse(chart, wxEVT_LEFT_DOWN, 120, 100, true);
    Mouse(chart, wxEVT_LEFT_UP, 120, 100);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 32);
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmin(), 0);

    const double x0 = chart->p2x(10), x1 = chart->p2x(11);
    Mouse(chart, wxEVT_LEFT_DOWN, 10, 10, true);
    Mouse(chart, wxEVT_MOTION, 11, 100, true);
    chart->Update();  // paints the rubber band
    Mouse(chart, wxEVT_LEFT_UP, 11, 200);
    EXPECT_NEAR(chart->GetDesiredXmin(), x0, 1e-12);
    EXPECT_NEAR(chart->GetDesiredXmax(), x1, 1e-12);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 320 * 32);
    chart->Update();
}

TEST_F(ChartInteractionGuiTest, DraggingTheLegendMovesItWithoutZooming)
{
    MenuChart* chart = MakeMenuChart();
    auto* curve = new mpFXYVector("S01-R01");
    curve->SetData({1, 2}, {1, 2});
    chart->AddLayer(curve);
    auto* legend = new mpInfoLegend(wxRect(200, 20, 40, 40), wxTRANSPARENT_BRUSH);
    chart->AddLayer(legend);
    Render(*chart, 0, 10, 0, 10);
    chart->Fit(0, 10, 0, 10);
    const wxPoint start = legend->GetPosition();

    Mouse(chart, wxEVT_LEFT_DOWN, start.x + 5, start.y + 5, true);
    Mouse(chart, wxEVT_MOTION, start.x + 15, start.y + 25, true);
    Mouse(chart, wxEVT_MOTION, start.x + 35, start.y + 45, true);
    Mouse(chart, wxEVT_LEFT_UP, start.x + 35, start.y + 45);
    EXPECT_EQ(legend->GetPosition(), start + wxPoint(30, 40));
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 32);
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmax(), 10);

    // A hidden legend neither moves nor swallows the rubber band.
    legend->SetVisible(false);
    const wxPoint hiddenAt = legend->GetPosition();
    Mouse(chart, wxEVT_LEFT_DOWN, hiddenAt.x + 5, hiddenAt.y + 5, true);
    Mouse(chart, wxEVT_MOTION, hiddenAt.x + 60, hiddenAt.y + 60, true);
    Mouse(chart, wxEVT_LEFT_UP, hiddenAt.x + 60, hiddenAt.y + 60);
    EXPECT_EQ(legend->GetPosition(), hiddenAt);
    EXPECT_GT(chart->GetScaleX(), 32);
}

TEST_F(ChartInteractionGuiTest, DeletingTheGrabbedLayerEndsTheDrag)
{
    MenuChart* chart = MakeMenuChart();
    auto* box = new mpInfoLayer(wxRect(100, 100, 50, 50), wxTRANSPARENT_BRUSH);
    chart->AddLayer(box);
    Mouse(chart, wxEVT_LEFT_DOWN, 110, 110, true);
    chart->DelLayer(box, true);
    Mouse(chart, wxEVT_MOTION, 150, 150, true);
    Mouse(chart, wxEVT_LEFT_UP, 150, 150);  // ASan would catch a use of the deleted layer
    EXPECT_EQ(chart->CountAllLayers(), 0u);
}

TEST_F(ChartInteractionGuiTest, MenuZoomsFitAndLockAspect)
{
    MenuChart* chart = MakeMenuChart();
    // "Zoom in" before any right press zooms about the middle of the plot area.
    const double mx = chart->p2x(200), my = chart->p2y(150);
    Menu(chart, mpID_ZOOM_IN);
    EXPECT_NEAR(chart->p2x(200), mx, 1e-12);
    EXPECT_NEAR(chart->p2y(150), my, 1e-12);
    Menu(chart, mpID_ZOOM_OUT);
    EXPECT_NEAR(chart->GetScaleX(), 32, 1e-12);

    Mouse(chart, wxEVT_RIGHT_DOWN, 60, 70, false, true);
    Mouse(chart, wxEVT_RIGHT_UP, 60, 70);
    const double x = chart->p2x(60), y = chart->p2y(70);
    Menu(chart, mpID_ZOOM_IN);
    EXPECT_NEAR(chart->p2x(60), x, 1e-12);
    EXPECT_NEAR(chart->p2y(70), y, 1e-12);
    // "Zoom out" ignores where the menu opened.
    const double cx = chart->p2x(200);
    Menu(chart, mpID_ZOOM_OUT);
    EXPECT_NEAR(chart->p2x(200), cx, 1e-12);

    chart->Fit(0, 10, 0, 10);
    Menu(chart, mpID_LOCKASPECT);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 20);
    Menu(chart, mpID_LOCKASPECT);
    EXPECT_DOUBLE_EQ(chart->GetScaleX(), 32);
    EXPECT_EQ(chart->x2p(0), 40);

    auto* curve = new mpFXYVector("c");
    curve->SetData({2, 4}, {1, 3});
    chart->AddLayer(curve);
    Menu(chart, mpID_FIT);
    EXPECT_DOUBLE_EQ(chart->GetDesiredXmin(), 1.5);
    EXPECT_DOUBLE_EQ(chart->GetDesiredYmax(), 3.5);
}

TEST_F(ChartInteractionGuiTest, MouseHelpGoesThroughThePrompter)
{
    MenuChart* chart = MakeMenuChart();
    prompter.AnswerMessageBox(wxOK);
    Menu(chart, mpID_HELP_MOUSE);
    ASSERT_EQ(prompter.Asked().size(), 1u);
    EXPECT_EQ(prompter.Asked()[0].caption, "Plot help");
    EXPECT_TRUE(prompter.Asked()[0].message.StartsWith("Mouse actions:\n         - Left button down"));
}

TEST_F(ChartInteractionGuiTest, HoverUpdatesVisibleReadouts)
{
    MenuChart* chart = MakeMenuChart();
    auto* readout = new mpInfoCoords(wxRect(10, 10, 10, 10), wxTRANSPARENT_BRUSH);
    auto* hidden = new mpInfoCoords(wxRect(10, 100, 10, 10), wxTRANSPARENT_BRUSH);
    hidden->SetVisible(false);
    chart->AddLayer(readout);
    chart->AddLayer(hidden);
    Mouse(chart, wxEVT_MOTION, 100, 90);
    hidden->SetVisible(true);
    Render(*chart, 0, 10, 0, 10);
    EXPECT_GT(readout->GetSize().GetWidth(), 60);
    EXPECT_LE(hidden->GetSize().GetWidth(), 20);  // it was hidden: no text yet
}

TEST_F(ChartInteractionGuiTest, ScreenshotIsSavedAndTheViewKept)
{
    MenuChart* chart = MakeMenuChart();
    auto* curve = new mpFXYVector("c");
    curve->SetData({2, 4}, {1, 3});
    curve->SetContinuity(true);
    chart->AddLayer(curve);
    chart->Fit(0, 10, 0, 10);
    const wxString base = wxFileName::CreateTempFileName("chart");  // made empty, removed below
    const wxString path = base + ".bmp";
    EXPECT_TRUE(chart->SaveScreenshot(path, wxBITMAP_TYPE_BMP, wxSize(200, 150), true));
    wxImage image;
    ASSERT_TRUE(image.LoadFile(path, wxBITMAP_TYPE_BMP));
    EXPECT_EQ(image.GetSize(), wxSize(200, 150));
    EXPECT_GT(NonWhiteInRect(image, 0, 0, 200, 150), 0);
    EXPECT_EQ(chart->GetScrX(), 400);
    wxRemoveFile(path);
    wxRemoveFile(base);
    EXPECT_FALSE(chart->SaveScreenshot("/nonexistent-dir/x.bmp", wxBITMAP_TYPE_BMP));
    log.Take();  // the failed save logs its own error
}

TEST_F(ChartInteractionGuiTest, RubberBandIsPaintedWhileDragging)
{
    MenuChart* chart = MakeMenuChart();
    auto paint = [&] {
        wxBitmap shot(400, 290, 24);
        {
            wxMemoryDC dc(shot);
            chart->PaintOn(dc);
        }
        return shot.ConvertToImage();
    };
    Mouse(chart, wxEVT_LEFT_DOWN, 100, 80, true);
    Mouse(chart, wxEVT_MOTION, 300, 200, true);
    wxImage image = paint();
    // A dotted outline from the press to the pointer, not filled.
    const int top = NonWhiteInRow(image, 80, 100, 301);
    EXPECT_GT(top, 40);
    EXPECT_LT(top, 190);
    EXPECT_GT(NonWhiteInRow(image, 199, 100, 301) + NonWhiteInRow(image, 200, 100, 301), 40);
    EXPECT_EQ(NonWhiteInRow(image, 140, 120, 280), 0);
    EXPECT_EQ(NonWhiteInRow(image, 60, 0, 400), 0);
    // The release ends it.
    Mouse(chart, wxEVT_LEFT_UP, 300, 200);
    image = paint();
    EXPECT_EQ(NonWhiteInRect(image, 0, 0, 400, 290), 0);
}

}  // namespace
