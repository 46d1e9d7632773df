#pragma once
// A chart window of a known client size on the virtual display, and off-screen rendering of
// its layers into a white bitmap.

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>

#include "support/gui/GuiTest.h"
#include "views/charts/mpFXYVector.h"
#include "views/charts/mpWindow.h"

class ChartFixture : public GuiTest {
protected:
    // A connected curve through the points.
    static mpFXYVector* Curve(const char* name, std::vector<double> xs, std::vector<double> ys)
    {
        auto* curve = new mpFXYVector(name);
        curve->SetData(xs, ys);
        curve->SetContinuity(true);
        return curve;
    }

    // A shown chart window of client size w x h inside a larger frame (torn down by the harness).
    mpWindow* MakeChart(int w = 400, int h = 290)
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "chart", wxDefaultPosition, wxSize(w + 200, h + 200));
        auto* panel = new wxPanel(frame);
        auto* chart = new mpWindow(panel, wxID_ANY, wxPoint(0, 0), wxSize(w, h));
        frame->Show();
        EXPECT_TRUE(WaitUntil([&] { return chart->IsShownOnScreen() && chart->GetClientSize() == wxSize(w, h); }));
        return chart;
    }

    // Draws every layer of `chart`, fitted to the range for a w x h image, on white.
    static wxImage Render(mpWindow& chart, double xMin, double xMax, double yMin, double yMax, int w = 400, int h = 290)
    {
        wxBitmap bitmap(w, h, 24);
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(*wxWHITE_BRUSH);
            dc.Clear();
            wxCoord pw = w, ph = h;
            chart.Fit(xMin, xMax, yMin, yMax, &pw, &ph);
            chart.PlotLayers(dc);
        }
        return bitmap.ConvertToImage();
    }

public:
    static bool IsWhite(const wxImage& image, int x, int y)
    {
        return image.GetRed(x, y) == 255 && image.GetGreen(x, y) == 255 && image.GetBlue(x, y) == 255;
    }

    static int NonWhiteInRow(const wxImage& image, int y, int x0, int x1)
    {
        int n = 0;
        for (int x = x0; x < x1; ++x) n += !IsWhite(image, x, y);
        return n;
    }

    static int NonWhiteInRect(const wxImage& image, int x0, int y0, int x1, int y1)
    {
        int n = 0;
        for (int y = y0; y < y1; ++y) n += NonWhiteInRow(image, y, x0, x1);
        return n;
    }
};
