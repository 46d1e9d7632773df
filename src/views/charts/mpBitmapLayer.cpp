#include "views/charts/mpBitmapLayer.h"

#include <algorithm>

#include <wx/log.h>

#include "views/charts/ShapeLayout.h"
#include "views/charts/mpWindow.h"

mpBitmapLayer::mpBitmapLayer()
{
    m_type = mpLAYER_BITMAP;
}

void mpBitmapLayer::SetBitmap(const wxImage& inBmp, double x, double y, double lx, double ly)
{
    if (!inBmp.IsOk()) {
        wxLogError(wxT("[mpBitmapLayer] Assigned bitmap is not Ok()!"));
        return;
    }
    m_bitmap = inBmp.Copy();
    m_min_x = x;
    m_min_y = y;
    m_max_x = x + lx;
    m_max_y = y + ly;
    m_validImg = true;
    // The cache belongs to the old image.
    m_scaledBitmap = wxBitmap();
}

bool mpBitmapLayer::GetBitmapCopy(wxImage& outBmp) const
{
    if (!m_validImg) return false;
    outBmp = m_bitmap.Copy();
    return true;
}

void mpBitmapLayer::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    if (m_validImg) {
        const charts::BitmapPlacement at =
            charts::PlaceBitmap(w.x2p(m_min_x), w.y2p(m_max_y), w.x2p(m_max_x), w.y2p(m_min_y), m_bitmap.GetWidth(),
                                m_bitmap.GetHeight(), w.GetScrX(), w.GetScrY());
        if (at.visible) {
            // A sampled cache depends on the exact screen position: made again every paint.
            if (at.sampled || !m_scaledBitmap.IsOk() || m_scaledBitmap.GetWidth() != at.dw ||
                m_scaledBitmap.GetHeight() != at.dh || m_scaledBitmap_offset_x != at.ox ||
                m_scaledBitmap_offset_y != at.oy) {
                wxImage crop = m_bitmap.GetSubImage(wxRect(at.ox, at.oy, at.cw, at.ch));
                if (at.sampled) {
                    // Nearest image pixel for every window pixel of the image's part.
                    const double px = double(w.x2p(m_max_x) - w.x2p(m_min_x)) / m_bitmap.GetWidth();
                    const double py = double(w.y2p(m_min_y) - w.y2p(m_max_y)) / m_bitmap.GetHeight();
                    const int x0 = w.x2p(m_min_x), y0 = w.y2p(m_max_y);
                    wxImage sampled(at.dw, at.dh);
                    for (int j = 0; j < at.dh; ++j) {
                        const int iy = std::clamp(int((at.dy + j - y0) / py) - at.oy, 0, at.ch - 1);
                        for (int i = 0; i < at.dw; ++i) {
                            const int ix = std::clamp(int((at.dx + i - x0) / px) - at.ox, 0, at.cw - 1);
                            sampled.SetRGB(i, j, crop.GetRed(ix, iy), crop.GetGreen(ix, iy), crop.GetBlue(ix, iy));
                        }
                    }
                    m_scaledBitmap = wxBitmap(sampled);
                } else {
                    m_scaledBitmap = wxBitmap(crop.Scale(at.dw, at.dh, wxIMAGE_QUALITY_NORMAL));
                }
                m_scaledBitmap_offset_x = at.ox;
                m_scaledBitmap_offset_y = at.oy;
            }
            dc.DrawBitmap(m_scaledBitmap, at.dx, at.dy, true);
        }
    }
    wxCoord tw, th;
    if (!MeasureName(dc, tw, th)) return;
    dc.DrawText(m_name, w.x2p(m_max_x) - tw - 8, w.y2p(m_max_y) - 8 - th);
}
