#include "views/charts/mpScaleX.h"

#include "views/charts/AxisPainter.h"
#include "views/charts/mpWindow.h"

wxIMPLEMENT_DYNAMIC_CLASS(mpScaleX, mpLayer);

mpScaleX::mpScaleX(wxString name, int flags, bool ticks, unsigned int type)
    : m_flags(flags), m_ticks(ticks), m_labelType(type)
{
    SetName(name);
    m_font = *wxSMALL_FONT;
    SetPen(*wxGREY_PEN);
    m_type = mpLAYER_AXIS;
}

void mpScaleX::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    const charts::AxisSettings axis{
        m_name.utf8_string(), m_flags,     m_ticks, m_labelType, m_labelFormat.utf8_string(),
        m_drawOutsideMargins, m_tickLabels};
    charts::PlotAxis(dc, m_pen, m_font, w.GetView(), axis, charts::LayoutScaleX);
}
