#include "views/charts/ChartView.h"

#include <algorithm>
#include <cmath>

namespace charts {

int ClampPixel(double px)
{
    if (std::isnan(px)) return 0;
    return static_cast<int>(std::clamp(px, -kPixelLimit, kPixelLimit));
}

double BoundScale(double scale, double magnitude)
{
    if (!std::isfinite(scale) || scale == 0) return 1;
    double upper = kMaxScale;
    if (std::isfinite(magnitude) && magnitude > 0)
        upper = std::clamp(1.0 / (kRelativePixel * magnitude), kMinScale, kMaxScale);
    return std::copysign(std::clamp(std::fabs(scale), kMinScale, upper), scale);
}

PlotArea AreaOf(const ChartView& view, bool drawOutsideMargins)
{
    if (drawOutsideMargins) return {0, view.scrX, 0, view.scrY};
    return {view.marginLeft, view.scrX - view.marginRight, view.marginTop, view.scrY - view.marginBottom};
}

namespace {

bool AllFinite(double a, double b, double c, double d)
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

}  // namespace

void ChartView::Fit(double xMin, double xMax, double yMin, double yMax)
{
    desiredXmin = xMin;
    desiredXmax = xMax;
    desiredYmin = yMin;
    desiredYmax = yMax;
    const int w = PlotWidth();
    const int h = PlotHeight();
    if (w <= 0 || h <= 0 || !AllFinite(xMin, xMax, yMin, yMax)) return;

    const double dx = xMax - xMin;
    const double dy = yMax - yMin;
    scaleX = dx != 0 ? w / dx : 1;
    scaleY = dy != 0 ? h / dy : 1;
    scaleX = BoundScale(scaleX, std::max(std::fabs(xMin), std::fabs(xMax)));
    scaleY = BoundScale(scaleY, std::max(std::fabs(yMin), std::fabs(yMax)));
    if (lockAspect) {
        const double s = std::min(scaleX, scaleY);
        scaleX = s;
        scaleY = s;
    }
    posX = (xMin + xMax) / 2 - (w / 2 + marginLeft) / scaleX;
    posY = (yMin + yMax) / 2 + (h / 2 + marginTop) / scaleY;
}

void ChartView::ZoomX(double factor, int staticXpixel)
{
    const double px = p2x(staticXpixel);
    scaleX = BoundScale(scaleX * factor, std::fabs(px));
    posX = px - staticXpixel / scaleX;
    // The desired range is what the plot area shows, so that a later fit keeps this view.
    desiredXmin = p2x(marginLeft);
    desiredXmax = p2x(marginLeft + PlotWidth());
}

void ChartView::ZoomY(double factor, int staticYpixel)
{
    const double py = p2y(staticYpixel);
    scaleY = BoundScale(scaleY * factor, std::fabs(py));
    posY = py + staticYpixel / scaleY;
    desiredYmax = p2y(marginTop);
    desiredYmin = p2y(marginTop + PlotHeight());
}

void ChartView::Zoom(double factor, int cx, int cy)
{
    ZoomX(factor, cx);
    ZoomY(factor, cy);
}

void ChartView::ZoomRect(int x0, int y0, int x1, int y1)
{
    const double ax = p2x(x0), ay = p2y(y0), bx = p2x(x1), by = p2y(y1);
    Fit(std::min(ax, bx), std::max(ax, bx), std::min(ay, by), std::max(ay, by));
}

void ChartView::Shift(double dx, double dy)
{
    posX += dx;
    desiredXmin += dx;
    desiredXmax += dx;
    posY += dy;
    desiredYmin += dy;
    desiredYmax += dy;
}

double ChartView::ScrollMinX() const
{
    return std::min(desiredXmin, minX);
}

double ChartView::ScrollMaxY() const
{
    return std::max(desiredYmax, maxY);
}

ScrollBarState ChartView::HorizontalScrollBar(int cx) const
{
    const double leftMargin = marginLeft / scaleX;
    const double hi = std::max(desiredXmax, maxX);
    double lo = ScrollMinX();
    if (lo > posX + leftMargin) lo = posX + leftMargin;
    return {ClampPixel((posX + leftMargin - lo) * scaleX), cx - marginRight - marginLeft,
            ClampPixel((hi - lo) * scaleX)};
}

ScrollBarState ChartView::VerticalScrollBar(int cy) const
{
    const double topMargin = marginTop / scaleY;
    double hi = ScrollMaxY();
    if (posY - topMargin > hi) hi = posY - topMargin;
    const double lo = std::min(desiredYmin, minY);
    return {ClampPixel((hi - (posY - topMargin)) * scaleY), cy - marginTop - marginBottom,
            ClampPixel((hi - lo) * scaleY)};
}

double ChartView::ScrollPosX(int position) const
{
    return ScrollMinX() + position / scaleX - marginLeft / scaleX;
}

double ChartView::ScrollPosY(int position) const
{
    return ScrollMaxY() - position / scaleY + marginTop / scaleY;
}

}  // namespace charts
