#pragma once
// The arithmetic of the other chart layers: shapes placed by a reference point and a rotation,
// the covariance ellipse, text placed in percent of the plot area, and the screen and crop
// rectangles of an image stretched over a data rectangle.

#include <string>
#include <vector>

#include "views/charts/ChartView.h"

namespace charts {

struct PlacedShape {
    std::vector<double> xs, ys;
    // Stays 1e300 / -1e300 for a shape without points.
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
};

// Each point rotated by phi (radians) about the origin, then moved to (x, y). Both vectors
// must have the same length.
PlacedShape PlaceShape(const std::vector<double>& xs, const std::vector<double>& ys, double x, double y, double phi);

struct EllipseShape {
    // Empty when the ellipse was computed; otherwise the reason it was refused.
    std::string error;
    std::vector<double> xs, ys;
};

// `segments` points of the ellipse of the 2 x 2 covariance matrix scaled by `quantiles`, the
// last point equal to the first. Refused: a negative factor or variance, a matrix that is not
// positive semi-definite, fewer than 2 points.
EllipseShape CovarianceEllipse(double cov00, double cov11, double cov01, double quantiles, int segments);

// The pixel where a text layer writes: offsets in percent of the plot-area span, counted from
// the window's corner.
struct PixelPoint {
    int x = 0, y = 0;
    bool operator==(const PixelPoint&) const = default;
};
PixelPoint TextPosition(int offsetx, int offsety, const ChartView& view);

// Where an image of imageW x imageH pixels covering the screen rectangle (x0, y0)-(x1, y1)
// is drawn and which part of it is scaled for that.
struct BitmapPlacement {
    bool visible = false;
    // Destination in window pixels.
    int dx = 0, dy = 0, dw = 0, dh = 0;
    // Source crop in image pixels, inside the image.
    int ox = 0, oy = 0, cw = 0, ch = 0;
    // True when the scaled crop would be far larger than the window (one image pixel covering
    // many screen pixels); the caller then samples the visible part pixel by pixel, and the
    // destination is the image's part of the window.
    bool sampled = false;
};
BitmapPlacement PlaceBitmap(int x0, int y0, int x1, int y1, int imageW, int imageH, int scrX, int scrY);

}  // namespace charts
