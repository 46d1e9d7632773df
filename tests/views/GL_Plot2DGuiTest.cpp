// The response canvas on the virtual display: curves land on the pixels that world2view
// predicts, hidden curves and non-finite points are left out, the mouse reaches the model and
// the canvas draws only when something changed.

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <vector>

#include <wx/frame.h>

#include "support/gui/GuiTest.h"
#include "views/GL_Plot2D.h"

namespace {

using Rgb = std::array<int, 3>;

class GL_Plot2DGuiTest : public GuiTest {
protected:
    // A canvas of 455 x 345 pixels: a plot area of 400 x 300.
    void Open(int w = 455, int h = 345)
    {
        frame = new wxFrame(nullptr, wxID_ANY, "plot");
        wxGLAttributes attributes;
        attributes.PlatformDefaults().RGBA().DoubleBuffer().EndList();
        plot = new GL_Plot2D(0.0f, frame, attributes);
        plot->SetAutoRedraw(false);
        frame->SetClientSize(w, h);
        frame->Show();
        ASSERT_TRUE(WaitUntil([&] {
            return plot->IsShownOnScreen() && plot->Model().HasSize() && plot->GetClientSize() == wxSize(w, h);
        }));
    }

    // The colour of the back buffer at a pixel counted from the canvas's top-left corner.
    Rgb At(int x, int y) const
    {
        unsigned char rgb[3] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(x, plot->GetClientSize().y - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        return {rgb[0], rgb[1], rgb[2]};
    }
    Rgb At(wxPoint p) const { return At(p.x, p.y); }

    // Pixels of a colour within a rectangle (top-left corner, size).
    int Count(int x, int y, int w, int h, Rgb colour) const
    {
        std::vector<unsigned char> rgb(3 * static_cast<size_t>(w) * h);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(x, plot->GetClientSize().y - y - h, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        int n = 0;
        for (size_t i = 0; i < rgb.size(); i += 3)
            n += rgb[i] == colour[0] && rgb[i + 1] == colour[1] && rgb[i + 2] == colour[2];
        return n;
    }

    void Add(std::vector<float> x, std::vector<float> y)
    {
        plot->AddGraph(x.data(), y.data(), static_cast<unsigned int>(x.size()));
    }

    void Send(wxEventType type, wxPoint at, bool middle = false, bool right = false, int wheel = 0)
    {
        wxMouseEvent event(type);
        event.SetEventObject(plot);
        event.SetPosition(at);
        event.m_middleDown = middle;
        event.m_rightDown = right;
        event.m_wheelRotation = wheel;
        event.m_wheelDelta = 120;
        plot->ProcessWindowEvent(event);
    }

    wxFrame* frame = nullptr;
    GL_Plot2D* plot = nullptr;
    const Rgb white{255, 255, 255}, red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
};

TEST_F(GL_Plot2DGuiTest, CurvesLandWhereWorld2ViewPredicts)
{
    Open();
    // Data 0..10 by 0..1: a pixel is 0.025 wide and 1/300 high. The grid lies on every 20th
    // column and 15th row; the points below sit half a pixel off the pixel edges, between grid
    // lines.
    Add({0, 10}, {0, 1});  // red, then hidden: counts for the window only
    plot->SetGraphViewStatus(0, false);
    const float row = 100.5f / 300;
    Add({0, 10}, {row, row});
    plot->SetGraphColor(1, TPoint3D(0, 0, 1));
    const float column = 208.5f / 40;
    Add({column, column}, {0.2f, 0.8f});
    plot->SetGraphColor(2, TPoint3D(0, 1, 0));
    ASSERT_TRUE(plot->RenderFrame());

    for (float x : {0.3125f, 3.1f, 9.9f}) {
        const wxPoint s = plot->world2view(TPoint3D(x, row));
        EXPECT_EQ(At(s), blue) << x;
        EXPECT_EQ(At(s.x, s.y - 2), white) << x;
        EXPECT_EQ(At(s.x, s.y + 2), white) << x;
    }
    for (float y : {0.26f, 0.72f}) {
        const wxPoint s = plot->world2view(TPoint3D(column, y));
        EXPECT_EQ(At(s), green) << y;
        EXPECT_EQ(At(s.x - 2, s.y), white) << y;
    }
    EXPECT_EQ(plot->world2view(TPoint3D(column, 0.72)), wxPoint(35 + 208, 340 - 25 - 216));
    // The hidden diagonal is nowhere.
    EXPECT_EQ(Count(35, 15, 400, 300, red), 0);
    // Labels in the margins.
    EXPECT_GT(Count(35, 345 - 5 - 25, 400, 25, Rgb{0, 0, 0}), 100);
    EXPECT_GT(Count(0, 15, 35, 300, Rgb{0, 0, 0}), 100);
}

// On a scaled display (GDK_SCALE=2) the plot once filled a quarter of its canvas: the model
// takes the canvas in device pixels, so the plot area and the margins scale with the display,
// and a curve spans the plot area's full width in the back buffer at any scale.
TEST_F(GL_Plot2DGuiTest, PlotFillsItsCanvasInDevicePixelsAtAnyScale)
{
    Open();
    const double scale = plot->GetContentScaleFactor();
    const Plot2DModel& m = plot->Model();
    EXPECT_EQ(m.PixelScale(), scale);
    const int W = static_cast<int>(std::lround(455 * scale)), H = static_cast<int>(std::lround(345 * scale));
    EXPECT_EQ(m.width + m.margin_left + m.margin_right + 5, W);
    EXPECT_EQ(m.height + m.margin_bottom + m.margin_top + 5, H);
    EXPECT_EQ(m.margin_left, static_cast<int>(std::lround(35 * scale)));

    Add({0, 10}, {0, 1});  // the window, hidden
    plot->SetGraphViewStatus(0, false);
    const float row = 0.517f;  // between grid lines
    Add({0, 10}, {row, row});
    ASSERT_TRUE(plot->RenderFrame());
    std::vector<unsigned char> rgb(3 * static_cast<size_t>(W));
    const wxPoint mid = plot->world2view(TPoint3D(5, row));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, H - 1 - mid.y, W, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    int first = -1, last = -1;
    for (int x = 0; x < W; ++x)
        if (rgb[3 * x] == 255 && rgb[3 * x + 1] == 0 && rgb[3 * x + 2] == 0) {
            if (first < 0) first = x;
            last = x;
        }
    EXPECT_NEAR(first, m.margin_left, 2);
    EXPECT_NEAR(last, m.margin_left + m.width, 2);
    // The pointer is read in device pixels: the middle of the canvas is the middle of the data.
    wxMouseEvent event(wxEVT_LEFT_DOWN);
    event.SetEventObject(plot);
    const wxPoint logical(static_cast<int>(mid.x / scale), static_cast<int>(mid.y / scale));
    event.SetPosition(logical);
    plot->ProcessWindowEvent(event);
    EXPECT_NEAR(m.CrossHairPoint().x, 5, 0.1);
}

TEST_F(GL_Plot2DGuiTest, LongResponseKeepsItsPeaks)
{
    Open();
    // 88200 samples of noise with one spike up and one down; each pixel column holds 220.
    const unsigned int n = 88200;
    std::vector<float> t(n), p(n);
    for (unsigned int i = 0; i < n; i++) {
        t[i] = i / 44100.0f;
        p[i] = 0.1f * std::sin(0.7f * i);
    }
    p[30001] = 1.0f;
    p[60007] = -1.0f;
    plot->AddGraph(t.data(), p.data(), n);
    ASSERT_TRUE(plot->RenderFrame());
    const wxPoint top = plot->world2view(TPoint3D(t[30001], 0.99));
    const wxPoint bottom = plot->world2view(TPoint3D(t[60007], -0.99));
    EXPECT_GT(Count(top.x - 1, top.y - 1, 3, 3, red), 0);
    EXPECT_GT(Count(bottom.x - 1, bottom.y - 1, 3, 3, red), 0);
}

// The reduced curve lights the pixels that the curve through every point lights.
TEST_F(GL_Plot2DGuiTest, ReducedCurveLooksLikeTheFullOne)
{
    Open();
    const unsigned int n = 88200;
    std::vector<float> t(n), p(n);
    unsigned int state = 1;
    for (unsigned int i = 0; i < n; i++) {
        state = state * 1664525u + 1013904223u;
        t[i] = i / 44100.0f;
        p[i] = std::exp(-2.0f * t[i]) * ((state >> 8) / float(1u << 24) - 0.5f) + 0.2f * std::sin(9.0f * t[i]);
    }
    plot->AddGraph(t.data(), p.data(), n);
    plot->SetGraphColor(0, TPoint3D(0, 0, 0));
    plot->SetXRange(0.1f, 0.6f);  // some 44 points per column, and the curve leaves the window
    plot->SetYRange(-0.4f, 0.3f);
    ASSERT_TRUE(plot->RenderFrame());
    auto plotArea = [&] {
        std::vector<unsigned char> rgb(3 * 400 * 300);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(35, 4 + 25, 400, 300, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    };
    const std::vector<unsigned char> reduced = plotArea();

    // The same frame, the curve drawn through every point.
    plot->SetGraphViewStatus(0, false);
    ASSERT_TRUE(plot->RenderFrame());
    const PlotMapping map = plot->Model().Mapping();
    std::vector<float> xy;
    for (unsigned int i = 0; i < n; i++) {
        xy.push_back(static_cast<float>(map.X(t[i])));
        xy.push_back(static_cast<float>(map.Y(p[i])));
    }
    glViewport(35, 4 + 25, 400, 300);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 400, 0, 300, -1, 1);
    glColor3f(0, 0, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, xy.data());
    glDrawArrays(GL_LINE_STRIP, 0, n);
    glDisableClientState(GL_VERTEX_ARRAY);
    const std::vector<unsigned char> full = plotArea();

    // The grid lies over the curve in the frame and under the curve drawn afterwards: its
    // pixels are not compared.
    int black = 0, differ = 0;
    for (size_t i = 0; i < full.size(); i += 3) {
        if (reduced[i] == 128 && reduced[i + 1] == 128) continue;
        const bool a = full[i] == 0 && full[i + 2] == 0, b = reduced[i] == 0 && reduced[i + 2] == 0;
        black += a;
        differ += a != b;
    }
    EXPECT_GT(black, 20000);
    EXPECT_LT(differ, black / 100) << differ << " of " << black;
}

TEST_F(GL_Plot2DGuiTest, InfiniteDecayTailKeepsWindowsFinite)
{
    Open();
    // A decay curve: 0 dB down to -60 dB at 1 s, then -inf.
    std::vector<float> t(200), e(200);
    for (int i = 0; i < 200; i++) {
        t[i] = i / 100.0f;
        e[i] = i <= 100 ? -0.6f * i : -INFINITY;
    }
    Add(t, e);
    auto finite = [](TPoint3D r) { return std::isfinite(r.x) && std::isfinite(r.y) && r.x < r.y; };
    EXPECT_TRUE(finite(plot->GetXRange()));
    EXPECT_TRUE(finite(plot->GetYRange()));
    EXPECT_EQ(plot->SetYRange(-100, plot->GetYRange().y).y, 0);

    Send(wxEVT_MOUSEWHEEL, wxPoint(200, 100), false, false, -120);
    Send(wxEVT_LEFT_DCLICK, wxPoint(200, 100));
    EXPECT_EQ(plot->GetXRange(), TPoint3D(0, 1, 0));
    EXPECT_EQ(plot->GetYRange(), TPoint3D(e[100], 0, 0));
    ASSERT_TRUE(plot->RenderFrame());
    // The line reaches the plot's lower right corner and stops there.
    EXPECT_GT(Count(35 + 395, 340 - 25 - 5, 5, 5, red), 0);
}

TEST_F(GL_Plot2DGuiTest, MouseDragsZoomAndPan)
{
    Open();
    Add({0, 10}, {0, 10});
    const wxPoint middle = plot->world2view(TPoint3D(5, 5));

    Send(wxEVT_MOUSEWHEEL, middle, false, false, 120);
    EXPECT_NEAR(plot->GetXRange().x, 5 - 5 / 1.5, 1e-4);
    Send(wxEVT_LEFT_DCLICK, middle);
    EXPECT_EQ(plot->GetXRange(), TPoint3D(0, 10, 0));

    // Right drag by 40 pixels: the window follows by one tenth.
    Send(wxEVT_RIGHT_DOWN, middle, false, true);
    Send(wxEVT_MOTION, middle + wxPoint(40, 0), false, true);
    EXPECT_NEAR(plot->GetXRange().x, -1, 1e-5);
    Send(wxEVT_RIGHT_UP, middle + wxPoint(40, 0));
    EXPECT_FALSE(plot->Model().IsPanning);

    // Middle drag to the right zooms in on x; the indicator is drawn meanwhile.
    Send(wxEVT_LEFT_DCLICK, middle);
    Send(wxEVT_MIDDLE_DOWN, middle, true);
    Send(wxEVT_MOTION, middle + wxPoint(100, 0), true);
    EXPECT_NEAR(plot->GetXRange().y - plot->GetXRange().x, 10 / 1.5, 1e-4);
    ASSERT_TRUE(plot->RenderFrame());
    EXPECT_GT(Count(middle.x - 30, middle.y - 30, 61, 61, Rgb{255, 140, 76}), 20);  // orange cross
    Send(wxEVT_MIDDLE_UP, middle);
    ASSERT_TRUE(plot->RenderFrame());
    EXPECT_EQ(Count(middle.x - 30, middle.y - 30, 61, 61, Rgb{255, 140, 76}), 0);
}

TEST_F(GL_Plot2DGuiTest, CrossHairUntilTheNextFrame)
{
    Open();
    Add({0, 10}, {0, 10});
    const wxPoint at(35 + 133, 340 - 25 - 77);
    Send(wxEVT_LEFT_DOWN, at);
    ASSERT_TRUE(plot->RenderFrame());
    const Rgb darkBlue{0, 0, 128};
    EXPECT_GT(Count(35, at.y - 1, 400, 3, darkBlue), 350);
    EXPECT_GT(Count(at.x - 1, 15, 3, 300, darkBlue), 250);
    ASSERT_TRUE(plot->RenderFrame());
    EXPECT_EQ(Count(35, at.y - 1, 400, 3, darkBlue), 0);
}

TEST_F(GL_Plot2DGuiTest, DrawsOnlyWhenShownSizedAndChanged)
{
    Open();
    Add({0, 1}, {0, 1});
    plot->SetAutoRedraw(true);
    ASSERT_TRUE(WaitUntil([&] { return !plot->NeedsRedraw(); }));
    plot->SetGraphColor(0, TPoint3D(0, 1, 0));
    EXPECT_TRUE(plot->NeedsRedraw());
    ASSERT_TRUE(WaitUntil([&] { return !plot->NeedsRedraw(); }));

    // Without idle redraws a change waits for the caller.
    plot->SetAutoRedraw(false);
    plot->SetGraphColor(0, TPoint3D(0, 0, 1));
    PumpEvents();
    EXPECT_TRUE(plot->NeedsRedraw());

    frame->Hide();
    ASSERT_TRUE(WaitUntil([&] { return !plot->IsShownOnScreen(); }));
    EXPECT_FALSE(plot->RenderFrame());
}

TEST_F(GL_Plot2DGuiTest, TooSmallForAPlotAreaShowsWhite)
{
    Open(52, 60);  // 47 - 35 - 15: no column left
    Add({0, 1}, {0, 1});
    ASSERT_TRUE(plot->RenderFrame());
    EXPECT_EQ(Count(0, 0, 52, 60, white), 52 * 60);
}

// The drawing helpers that the program does not call.
TEST_F(GL_Plot2DGuiTest, BordersTestPatternAndOldTicks)
{
    Open();
    Add({0, 10}, {0, 1});
    ASSERT_TRUE(plot->RenderFrame());
    plot->drawBorders(TPoint3D(0, 1, 0));
    // The drawing fills the canvas's top-left 450 x 340 pixels, from its second row.
    EXPECT_EQ(Count(0, 341 - 25, 450, 25, green), 450 * 25);
    EXPECT_EQ(Count(0, 1, 450, 15, green), 450 * 15);
    EXPECT_EQ(Count(0, 16, 35, 300, green), 35 * 300);
    EXPECT_EQ(Count(435, 16, 15, 300, green), 15 * 300);
    EXPECT_EQ(Count(35, 16, 400, 300, green), 0);

    plot->drawTicks_OLD();
    EXPECT_EQ(plot->xlabel, "(s)");
    plot->SetXRange(0, 0.5f);
    plot->drawTicks_OLD();
    EXPECT_EQ(plot->xlabel, "(ms)");

    ASSERT_TRUE(plot->RenderFrame());
    plot->drawTest();
    EXPECT_EQ(plot->Model().MinData, TPoint3D(0, 0, 0));
    EXPECT_EQ(plot->Model().MaxData, TPoint3D(400, 300, 0));
    EXPECT_GT(Count(35, 16, 400, 300, blue), 1000);  // the outer frame
    EXPECT_GT(Count(35, 16, 400, 300, red), 1000);   // the inner frame and the points
}

}  // namespace
