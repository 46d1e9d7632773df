#include "views/charts/mpPrintout.h"

#include "views/charts/mpWindow.h"

mpPrintout::mpPrintout(mpWindow* drawWindow, const wxString& title) : wxPrintout(title), plotWindow(drawWindow) {}

bool mpPrintout::OnPrintPage(int page)
{
    wxDC* dc = GetDC();
    if (page != 1 || !dc || !dc->IsOk() || !plotWindow) return true;
    const int margin = 50;
    wxCoord w = 0, h = 0;
    dc->GetSize(&w, &h);
    w -= 2 * margin;
    h -= 2 * margin;
    dc->SetDeviceOrigin(margin, margin);

    mpWindow& chart = *plotWindow;
    chart.Fit(chart.GetDesiredXmin(), chart.GetDesiredXmax(), chart.GetDesiredYmin(), chart.GetDesiredYmax(), &w, &h);
    const wxColour background = chart.GetBackgroundColour();
    const wxColour foreground = chart.GetForegroundColour();
    const wxColour axes = chart.GetAxesColour();
    dc->SetPen(*wxTRANSPARENT_PEN);
    dc->SetBrush(*wxWHITE_BRUSH);
    dc->DrawRectangle(0, 0, w, h);
    chart.PlotLayers(*dc);

    chart.SetColourTheme(background, foreground, axes);
    chart.Fit(chart.GetDesiredXmin(), chart.GetDesiredXmax(), chart.GetDesiredYmin(), chart.GetDesiredYmax());
    return true;
}
