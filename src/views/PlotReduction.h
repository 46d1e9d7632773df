#pragma once
// A curve made ready for drawing: line segments in plot-area pixels, so few that the work
// follows the plot's width rather than the curve's length.
//
// Consecutive points in one pixel column become one segment from the lowest to the highest of
// them, half a pixel longer at each end so that both extremes' pixels are lit; the line from
// the last point of a column to the first point of the next one is kept as it is. This lights
// the pixels the full polyline lights, with each pixel drawn about once. A point with a
// coordinate that is not finite breaks the line. Segments are clipped, in double precision, to
// a band around the plot area, so that vertices far outside a deep zoom reach GL as moderate
// single-precision numbers.

#include <cstddef>
#include <vector>

#include "geometry/TPoint3D.h"
#include "views/Plot2DModel.h"

// Pairs of vertices, one line segment each, for GL_LINES.
struct PlotSegments {
    std::vector<float> xy;  // x0, y0, x1, y1 of each segment, plot-area pixels
    void clear() { xy.clear(); }
    size_t vertices() const { return xy.size() / 2; }
    size_t segments() const { return xy.size() / 4; }
};

// Appends the curve's segments to out.
void ReduceCurve(const TPoint3D* points, size_t n, const PlotMapping& map, PlotSegments& out);

// Appends the line from a to b (data coordinates), clipped like a curve.
void AddLine(TPoint3D a, TPoint3D b, const PlotMapping& map, PlotSegments& out);
