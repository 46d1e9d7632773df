#pragma once
// Curve layer of a sequence of (x, y) points, drawn as a clipped polyline or as points.

#include "views/charts/mpLayer.h"

class mpFXY : public mpLayer {
public:
    mpFXY(wxString name = wxEmptyString, int flags = 0);

    virtual void Rewind() = 0;
    virtual bool GetNextXY(double& x, double& y) = 0;
    void Plot(wxDC& dc, mpWindow& w) override;

protected:
    // Widens the pixel bounds of what this paint drew.
    void UpdateViewBoundary(wxCoord xnew, wxCoord ynew);

    // Low two bits: where the name is written.
    int m_flags;
    wxCoord maxDrawX = 0, minDrawX = 0, maxDrawY = 0, minDrawY = 0;

    wxDECLARE_ABSTRACT_CLASS(mpFXY);
};
