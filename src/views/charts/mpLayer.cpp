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
