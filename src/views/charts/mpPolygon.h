#pragma once
// A polygon or polyline given by its points.

#include <vector>

#include "views/charts/mpMovableObject.h"

class mpPolygon : public mpMovableObject {
public:
    mpPolygon(const wxString& layerName = wxT(""))
    {
        m_continuous = true;
        m_name = layerName;
    }

    // Vectors of different lengths are refused with a logged error. A closed shape repeats its
    // first point at the end.
    void setPoints(const std::vector<double>& points_xs, const std::vector<double>& points_ys, bool closedShape = true);
};
