#pragma once
// A curve made ready for drawing: its points in plot-area pixels, reduced so that the work
// follows the plot's width rather than the curve's length.
//
// Consecutive points in one pixel column are reduced to the first, the lowest, the highest and
// the last of them (in their order along the curve), which keeps every column's vertical extent
// and every line between columns. A point with a coordinate that is not finite breaks the
// polyline. Lines are clipped, in double precision, to a band around the plot area, so that
// vertices far outside a deep zoom reach GL as moderate single-precision numbers.

#include <cstddef>
#include <vector>

#include "geometry/TPoint3D.h"
#include "views/Plot2DModel.h"

struct PlotStrip {
    unsigned int first;  // index of the strip's first vertex
    unsigned int count;  // at least 2
};

struct PlotPolyline {
    std::vector<float> xy;  // x, y of each vertex, plot-area pixels
    std::vector<PlotStrip> strips;
    void clear()
    {
        xy.clear();
        strips.clear();
    }
    size_t vertices() const { return xy.size() / 2; }
};

// Appends the curve's strips to out.
void ReduceCurve(const TPoint3D* points, size_t n, const PlotMapping& map, PlotPolyline& out);

// Appends the line from a to b (data coordinates), clipped like a curve.
void AddLine(TPoint3D a, TPoint3D b, const PlotMapping& map, PlotPolyline& out);
