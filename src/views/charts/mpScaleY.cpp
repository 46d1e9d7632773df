#include "views/charts/mpScaleY.h"

#include "views/charts/AxisPainter.h"
#include "views/charts/ChartDc.h"
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
    dc.SetPen(m_pen);
    dc.SetFont(m_font);
    charts::AxisSettings axis;
    axis.name = m_name.utf8_string();
    axis.flags = m_flags;
    axis.ticks = m_ticks;
    axis.labelFormat = m_labelFormat.utf8_string();
    axis.drawOutsideMargins = m_drawOutsideMargins;
    charts::PaintAxis(dc, m_pen, charts::LayoutScaleY(w.GetView(), axis, charts::MeasureOn(dc)));
}
