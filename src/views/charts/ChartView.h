#pragma once
// The view transform of a chart window without any toolkit: window size, margins, scales,
// position, the asked-for data range and the layers' bounding box, with fitting, zooming,
// panning and the pixel/data conversions. mpWindow keeps one and draws with it.

#include "views/charts/ChartDrawing.h"

namespace charts {

// Pixel coordinates are clamped to this before they become integers, far outside any window.
inline constexpr double kPixelLimit = 1.0e6;
// Scales (pixels per data unit) stay within these absolute bounds...
inline constexpr double kMinScale = 1.0e-250;
inline constexpr double kMaxScale = 1.0e250;
// ...and a pixel never gets smaller than this fraction of the data values it shows, so that
// a tick step still changes the values it is added to.
inline constexpr double kRelativePixel = 1.0e-12;

// Truncates toward zero after clamping into +-kPixelLimit; NaN becomes 0.
int ClampPixel(double px);

// A scale kept finite, non-zero and within the bounds, for data values of size `magnitude`.
// A non-finite or zero scale becomes 1; the sign is kept.
double BoundScale(double scale, double magnitude);

struct ScrollBarState {
    int position = 0;
    int thumb = 0;
    int range = 0;
};

class ChartView {
public:
    // Window size in pixels as last taken.
    int scrX = 64, scrY = 64;
    int marginTop = 0, marginRight = 0, marginBottom = 0, marginLeft = 0;
    // Pixels per data unit.
    double scaleX = 1, scaleY = 1;
    // Data coordinates of the top-left pixel.
    double posX = 0, posY = 0;
    // The range asked for; every resize fits it again.
    double desiredXmin = 0, desiredXmax = 1, desiredYmin = 0, desiredYmax = 1;
    // Bounding box of the layers, as last computed.
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool lockAspect = false;

    // Usable width and height: the window less the margins.
    int PlotWidth() const { return scrX - marginLeft - marginRight; }
    int PlotHeight() const { return scrY - marginTop - marginBottom; }
    // Pixel of the middle of the plot area.
    int CentreX() const { return PlotWidth() / 2 + marginLeft; }
    int CentreY() const { return PlotHeight() / 2 + marginTop; }

    double p2x(double px) const { return posX + px / scaleX; }
    double p2y(double py) const { return posY - py / scaleY; }
    // Unrounded pixel positions, for clipping in floating point.
    double x2pExact(double x) const { return (x - posX) * scaleX; }
    double y2pExact(double y) const { return (posY - y) * scaleY; }
    int x2p(double x) const { return ClampPixel(x2pExact(x)); }
    int y2p(double y) const { return ClampPixel(y2pExact(y)); }

    // Fits the range into the plot area for the current window size; the range becomes the
    // desired one. A plot area of zero or negative size keeps scales and position.
    void Fit(double xMin, double xMax, double yMin, double yMax);
    // Multiplies both scales by `factor` about pixel (cx, cy), which keeps its data point;
    // the visible window becomes the desired range.
    void Zoom(double factor, int cx, int cy);
    // The same for one axis about one pixel column or row.
    void ZoomX(double factor, int staticXpixel);
    void ZoomY(double factor, int staticYpixel);
    // Fits the data rectangle under two pixel corners.
    void ZoomRect(int x0, int y0, int x1, int y1);
    // Moves the view and the desired range by data offsets.
    void Shift(double dx, double dy);

    // Scroll bars for client size (cx, cy) from the desired range and the bounding box.
    ScrollBarState HorizontalScrollBar(int cx) const;
    ScrollBarState VerticalScrollBar(int cy) const;
    // The position a scroll-bar position stands for (x for the horizontal bar, y otherwise).
    double ScrollPosX(int position) const;
    double ScrollPosY(int position) const;

private:
    double ScrollMinX() const;
    double ScrollMaxY() const;
};

// The plot area inside the margins, or the whole window for a layer that may draw there.
PlotArea AreaOf(const ChartView& view, bool drawOutsideMargins);

}  // namespace charts
