#include "views/charts/mpText.h"

#include "views/charts/ShapeLayout.h"
#include "views/charts/mpWindow.h"

wxIMPLEMENT_DYNAMIC_CLASS(mpText, mpLayer);

mpText::mpText(wxString name, int offsetx, int offsety)
    : m_offsetx(offsetx >= 0 && offsetx <= 100 ? offsetx : 5), m_offsety(offsety >= 0 && offsety <= 100 ? offsety : 50)
{
    SetName(name);
    m_type = mpLAYER_INFO;
}

void mpText::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    dc.SetPen(m_pen);
    dc.SetFont(m_font);
    const charts::PixelPoint p = charts::TextPosition(m_offsetx, m_offsety, w.GetView());
    dc.DrawText(m_name, p.x, p.y);
}
