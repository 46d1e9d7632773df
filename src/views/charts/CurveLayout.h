#pragma once
// Where the curve layers draw: functions sampled per pixel column or row, point series drawn
// as clipped polylines or marks, and where each writes its name.

#include <functional>
#include <utility>
#include <vector>

#include "views/charts/ChartDrawing.h"
#include "views/charts/ChartView.h"

namespace charts {

// Clips the segment a-b to the closed area in floating point; false when nothing of it is
// inside. A segment of one point inside the area stays a point.
bool ClipSegment(double& ax, double& ay, double& bx, double& by, const PlotArea& area);

// Pixel bounds of what a curve drew in one paint.
struct DrawnBounds {
    int minX = 0, maxX = 0, minY = 0, maxY = 0;
    void Widen(int x, int y);
};

struct CurveDrawing {
    std::vector<ChartLine> lines;
    // Marks: single pixels, or zero-length lines of a wide pen.
    std::vector<ChartLine> marks;
    // Set from the first point of a series that has points; the name is placed from them.
    bool hasBounds = false;
    DrawnBounds bounds;
};

using Function = std::function<double(double)>;

// y = f(x) sampled at every pixel column of the area; marks outside the area's rows are
// dropped unless the layer may draw into the margins.
CurveDrawing TraceFX(const ChartView& view, const PlotArea& area, bool drawOutsideMargins, const Function& f);
// x = f(y) sampled at every pixel row.
CurveDrawing TraceFY(const ChartView& view, const PlotArea& area, bool drawOutsideMargins, const Function& f);
// y = f(x) as lines from each column to the next, clamped into the area's rows when the
// margins are respected.
CurveDrawing TraceProfile(const ChartView& view, const PlotArea& area, bool drawOutsideMargins, const Function& f);
// A series of data points, as a polyline clipped to the area or as marks inside it.
CurveDrawing TraceFXY(const ChartView& view, const PlotArea& area, bool drawOutsideMargins, bool continuous,
                      const std::vector<std::pair<double, double>>& points);

// Name positions by the low two bits of the layer's flags; tw, th the name's size.
int NameXOfFX(int flags, const ChartView& view, int tw);
int NameYOfFY(int flags, const ChartView& view, int th);
std::pair<int, int> NameOfFXY(int flags, const DrawnBounds& bounds, int tw, int th);

}  // namespace charts
