#pragma once
// An image stretched over a rectangle of data coordinates.

#include <wx/bitmap.h>
#include <wx/image.h>

#include "views/charts/mpLayer.h"

class mpBitmapLayer : public mpLayer {
public:
    mpBitmapLayer();

    // Copies the image when it is usable; it covers x to x + lx and y to y + ly.
    void SetBitmap(const wxImage& inBmp, double x, double y, double lx, double ly);
    bool GetBitmapCopy(wxImage& outBmp) const;
    bool HasBBox() override { return true; }
    double GetMinX() override { return m_min_x; }
    double GetMaxX() override { return m_max_x; }
    double GetMinY() override { return m_min_y; }
    double GetMaxY() override { return m_max_y; }
    void Plot(wxDC& dc, mpWindow& w) override;
    void SetAlign(int align) { m_flags = align; }

protected:
    int m_flags = 0;
    wxImage m_bitmap;
    wxBitmap m_scaledBitmap;
    wxCoord m_scaledBitmap_offset_x = 0, m_scaledBitmap_offset_y = 0;
    bool m_validImg = false;
    double m_min_x = 0, m_max_x = 0, m_min_y = 0, m_max_y = 0;
};
