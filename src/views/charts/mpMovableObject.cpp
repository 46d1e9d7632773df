#include "views/charts/mpMovableObject.h"

#include <cmath>

#include <wx/log.h>

#include "views/charts/ShapeLayout.h"
#include "views/charts/mpWindow.h"

mpMovableObject::mpMovableObject()
{
    m_type = mpLAYER_PLOT;
}

void mpMovableObject::GetCoordinateBase(double& x, double& y, double& phi) const
{
    x = m_reference_x;
    y = m_reference_y;
    phi = m_reference_phi;
}

void mpMovableObject::SetCoordinateBase(double x, double y, double phi)
{
    m_reference_x = x;
    m_reference_y = y;
    m_reference_phi = phi;
    m_flags = 0;
    ShapeUpdated();
}

void mpMovableObject::TranslatePoint(double x, double y, double& out_x, double& out_y)
{
    const double c = std::cos(m_reference_phi), s = std::sin(m_reference_phi);
    out_x = m_reference_x + x * c - y * s;
    out_y = m_reference_y + x * s + y * c;
}

void mpMovableObject::ShapeUpdated()
{
    if (m_shape_xs.size() != m_shape_ys.size()) {
        wxLogError(wxT("[mpMovableObject::ShapeUpdated] Error, m_shape_xs and m_shape_ys have different lengths!"));
        return;
    }
    charts::PlacedShape placed =
        charts::PlaceShape(m_shape_xs, m_shape_ys, m_reference_x, m_reference_y, m_reference_phi);
    m_trans_shape_xs = std::move(placed.xs);
    m_trans_shape_ys = std::move(placed.ys);
    m_bbox_min_x = placed.minX;
    m_bbox_max_x = placed.maxX;
    m_bbox_min_y = placed.minY;
    m_bbox_max_y = placed.maxY;
}

void mpMovableObject::Plot(wxDC& dc, mpWindow& w)
{
    if (!m_visible) return;
    dc.SetPen(m_pen);
    const std::size_t n = m_trans_shape_xs.size();
    if (m_continuous) {
        wxCoord qx = 0, qy = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const wxCoord cx = w.x2p(m_trans_shape_xs[i]), cy = w.y2p(m_trans_shape_ys[i]);
            if (i == 0) {
                qx = cx;
                qy = cy;
            }
            dc.DrawLine(qx, qy, cx, cy);
            qx = cx;
            qy = cy;
        }
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            const wxCoord cx = w.x2p(m_trans_shape_xs[i]), cy = w.y2p(m_trans_shape_ys[i]);
            if (m_pen.GetWidth() <= 1)
                dc.DrawPoint(cx, cy);
            else
                dc.DrawLine(cx, cy, cx, cy);
        }
    }
    wxCoord tw, th;
    if (!MeasureName(dc, tw, th)) return;
    if (HasBBox()) {
        dc.DrawText(m_name, w.x2p(m_bbox_max_x) - tw - 8, w.y2p(m_bbox_max_y) - 8 - th);
        return;
    }
    const int hx = w.GetScrX() / 2, hy = w.GetScrY() / 2;
    switch (m_flags & 3) {
    case 0:
        dc.DrawText(m_name, hx - tw - 8, 8 - hy);
        break;
    case 1:
        dc.DrawText(m_name, 8 - hx, 8 - hy);
        break;
    case 2:
        dc.DrawText(m_name, 8 - hx, hy - 8 - th);
        break;
    default:
        dc.DrawText(m_name, hx - tw - 8, hy - 8 - th);
        break;
    }
}
