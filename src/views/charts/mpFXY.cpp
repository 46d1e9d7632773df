#include "views/charts/mpFXY.h"

#include <utility>
#include <vector>

#include "views/charts/ChartDc.h"
#include "views/charts/CurveLayout.h"
#include "views/charts/mpWindow.h"

wxIMPLEMENT_ABSTRACT_CLASS(mpFXY, mpLayer);

mpFXY::mpFXY(wxString name, int flags) : m_flags(flags)
{
    SetName(name);
    m_type = mpLAYER_PLOT;
}

void mpFXY::UpdateViewBoundary(wxCoord xnew, wxCoord ynew)
{
    charts::DrawnBounds b{minDrawX, maxDrawX, minDrawY, maxDrawY};
    b.Widen(xnew, ynew);
    minDrawX = b.minX;
    maxDrawX = b.maxX;
    minDrawY = b.minY;
    maxDrawY = b.maxY;
}

void mpFXY::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    dc.SetPen(m_pen);
    std::vector<std::pair<double, double>> points;
    double x = 0, y = 0;
    Rewind();
    while (GetNextXY(x, y)) points.emplace_back(x, y);

    const charts::ChartView& view = w.GetView();
    const auto area = charts::AreaOf(view, m_drawOutsideMargins);
    const auto curve = charts::TraceFXY(view, area, m_drawOutsideMargins, m_continuous, points);
    charts::DrawLines(dc, curve.lines);
    charts::DrawMarks(dc, curve.marks, m_pen.GetWidth());
    minDrawX = curve.bounds.minX;
    maxDrawX = curve.bounds.maxX;
    minDrawY = curve.bounds.minY;
    maxDrawY = curve.bounds.maxY;

    // A curve without points has no place for its name.
    wxCoord tw, th;
    if (!MeasureName(dc, tw, th) || !curve.hasBounds) return;
    const auto [tx, ty] = charts::NameOfFXY(m_flags, curve.bounds, tw, th);
    dc.DrawText(m_name, tx, ty);
}
