#pragma once
// Curve layer of y as a function of x, sampled at every pixel column.

#include "views/charts/mpLayer.h"

class mpFX : public mpLayer {
public:
    mpFX(wxString name = wxEmptyString, int flags = 0);

    virtual double GetY(double x) = 0;
    void Plot(wxDC& dc, mpWindow& w) override;

protected:
    // Low two bits: where the name is written.
    int m_flags;

    wxDECLARE_ABSTRACT_CLASS(mpFX);
};
