#include "views/charts/mpFY.h"

#include "views/charts/ChartDc.h"
#include "views/charts/CurveLayout.h"
#include "views/charts/mpWindow.h"

wxIMPLEMENT_ABSTRACT_CLASS(mpFY, mpLayer);

mpFY::mpFY(wxString name, int flags) : m_flags(flags)
{
    SetName(name);
    m_type = mpLAYER_PLOT;
}

void mpFY::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    dc.SetPen(m_pen);
    const charts::ChartView& view = w.GetView();
    const auto area = charts::AreaOf(view, m_drawOutsideMargins);
    const auto curve = charts::TraceFY(view, area, m_drawOutsideMargins, [this](double y) { return GetX(y); });
    charts::DrawMarks(dc, curve.marks, m_pen.GetWidth());
    wxCoord tw, th;
    if (!MeasureName(dc, tw, th)) return;
    const int ty = charts::NameYOfFY(m_flags, view, th);
    dc.DrawText(m_name, view.x2p(GetX(view.p2y(ty))), ty);
}
