#pragma once
// Curve layer of y as a function of x, drawn as a line from each pixel column to the next.

#include "views/charts/mpLayer.h"

class mpProfile : public mpLayer {
public:
    mpProfile(wxString name = wxEmptyString, int flags = 0);

    virtual double GetY(double x) = 0;
    void Plot(wxDC& dc, mpWindow& w) override;

protected:
    // Low two bits: where the name is written.
    int m_flags;

    wxDECLARE_ABSTRACT_CLASS(mpProfile);
};
