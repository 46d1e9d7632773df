#pragma once
// Curve layer of x as a function of y, sampled at every pixel row.

#include "views/charts/mpLayer.h"

class mpFY : public mpLayer {
public:
    mpFY(wxString name = wxEmptyString, int flags = 0);

    virtual double GetX(double y) = 0;
    void Plot(wxDC& dc, mpWindow& w) override;

protected:
    // Low two bits: where the name is written.
    int m_flags;

    wxDECLARE_ABSTRACT_CLASS(mpFY);
};
