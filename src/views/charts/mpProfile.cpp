#include "views/charts/mpProfile.h"

#include "views/charts/ChartDc.h"
#include "views/charts/CurveLayout.h"
#include "views/charts/mpWindow.h"

wxIMPLEMENT_ABSTRACT_CLASS(mpProfile, mpLayer);

mpProfile::mpProfile(wxString name, int flags) : m_flags(flags)
{
    SetName(name);
    m_type = mpLAYER_PLOT;
}

void mpProfile::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    dc.SetPen(m_pen);
    const charts::ChartView& view = w.GetView();
    const auto area = charts::AreaOf(view, m_drawOutsideMargins);
    const auto curve = charts::TraceProfile(view, area, m_drawOutsideMargins, [this](double x) { return GetY(x); });
    charts::DrawLines(dc, curve.lines);
    wxCoord tw, th;
    if (!MeasureName(dc, tw, th)) return;
    const int tx = charts::NameXOfFX(m_flags, view, tw);
    dc.DrawText(m_name, tx, view.y2p(GetY(view.p2x(tx))));
}
