#include "views/charts/mpScaleY.h"

#include "views/charts/AxisPainter.h"
#include "views/charts/mpWindow.h"

wxIMPLEMENT_DYNAMIC_CLASS(mpScaleY, mpLayer);

mpScaleY::mpScaleY(wxString name, int flags, bool ticks) : m_flags(flags), m_ticks(ticks)
{
    SetName(name);
    m_font = *wxSMALL_FONT;
    SetPen(*wxGREY_PEN);
    m_type = mpLAYER_AXIS;
}

void mpScaleY::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    const charts::AxisSettings axis{
        m_name.utf8_string(), m_flags, m_ticks, charts::kLabelNumber, m_labelFormat.utf8_string(),
        m_drawOutsideMargins, {}};
    charts::PlotAxis(dc, m_pen, m_font, w.GetView(), axis, charts::LayoutScaleY);
}
