#pragma once
// A shape given in its own coordinates and placed in the data by a reference point and a
// rotation; drawn as a polyline or as points, unclipped.

#include <vector>

#include "views/charts/mpLayer.h"

class mpMovableObject : public mpLayer {
public:
    mpMovableObject();

    void GetCoordinateBase(double& x, double& y, double& phi) const;
    void SetCoordinateBase(double x, double y, double phi = 0);
    bool HasBBox() override { return !m_trans_shape_xs.empty(); }
    double GetMinX() override { return m_bbox_min_x; }
    double GetMaxX() override { return m_bbox_max_x; }
    double GetMinY() override { return m_bbox_min_y; }
    double GetMaxY() override { return m_bbox_max_y; }
    void Plot(wxDC& dc, mpWindow& w) override;
    void SetAlign(int align) { m_flags = align; }
    // The placement applied to one point.
    void TranslatePoint(double x, double y, double& out_x, double& out_y);
    // Recomputes the placed points and their bounding box.
    void ShapeUpdated();

protected:
    int m_flags = 0;
    double m_reference_x = 0, m_reference_y = 0, m_reference_phi = 0;
    std::vector<double> m_shape_xs, m_shape_ys;
    std::vector<double> m_trans_shape_xs, m_trans_shape_ys;
    double m_bbox_min_x = 0, m_bbox_max_x = 0, m_bbox_min_y = 0, m_bbox_max_y = 0;
};
