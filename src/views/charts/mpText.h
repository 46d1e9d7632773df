#pragma once
// A text placed in percent of the plot area's width and height.

#include "views/charts/mpLayer.h"

class mpText : public mpLayer {
public:
    // Offsets outside 0..100 become 5 (x) and 50 (y).
    mpText(wxString name = wxT("Title"), int offsetx = 5, int offsety = 50);

    bool HasBBox() override { return false; }
    void Plot(wxDC& dc, mpWindow& w) override;

protected:
    int m_offsetx;
    int m_offsety;

    wxDECLARE_DYNAMIC_CLASS(mpText);
};
