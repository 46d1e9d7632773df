#include "views/charts/mpLayer.h"

#include <wx/dcmemory.h>

wxIMPLEMENT_ABSTRACT_CLASS(mpLayer, wxObject);

mpLayer::mpLayer() : m_font(*wxNORMAL_FONT), m_pen(*wxBLACK_PEN) {}

wxBitmap mpLayer::GetColourSquare(int side)
{
    wxBitmap square(side, side, -1);
    wxMemoryDC dc;
    dc.SelectObject(square);
    dc.SetBackground(wxBrush(m_pen.GetColour(), wxBRUSHSTYLE_SOLID));
    dc.Clear();
    dc.SelectObject(wxNullBitmap);
    return square;
}

bool mpLayer::MeasureName(wxDC& dc, wxCoord& tw, wxCoord& th) const
{
    if (m_name.IsEmpty() || !m_showName) return false;
    dc.SetFont(m_font);
    tw = th = 0;
    dc.GetTextExtent(m_name, &tw, &th);
    return true;
}
