#include "views/charts/CurveLayout.h"

#include <algorithm>
#include <cmath>

namespace charts {

bool ClipSegment(double& ax, double& ay, double& bx, double& by, const PlotArea& area)
{
    // Liang-Barsky: the part of a + t (b - a), t in [0, 1], inside all four edges.
    const double dx = bx - ax, dy = by - ay;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - area.startPx, area.endPx - ax, ay - area.minYpx, area.maxYpx - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
    }
    const double sx = ax, sy = ay;
    if (t1 < 1) {
        bx = sx + t1 * dx;
        by = sy + t1 * dy;
    }
    if (t0 > 0) {
        ax = sx + t0 * dx;
        ay = sy + t0 * dy;
    }
    // Rounding must not push an end across an edge.
    ax = std::clamp(ax, double(area.startPx), double(area.endPx));
    bx = std::clamp(bx, double(area.startPx), double(area.endPx));
    ay = std::clamp(ay, double(area.minYpx), double(area.maxYpx));
    by = std::clamp(by, double(area.minYpx), double(area.maxYpx));
    return true;
}

void DrawnBounds::Widen(int x, int y)
{
    maxX = std::max(maxX, x);
    minX = std::min(minX, x);
    maxY = std::max(maxY, y);
    minY = std::min(minY, y);
}

namespace {

bool InRows(const PlotArea& a, int y)
{
    return a.minYpx <= y && y <= a.maxYpx;
}
bool InColumns(const PlotArea& a, int x)
{
    return a.startPx <= x && x <= a.endPx;
}

}  // namespace

CurveDrawing TraceFX(const ChartView& view, const PlotArea& area, bool drawOutsideMargins, const Function& f)
{
    CurveDrawing out;
    for (int i = area.startPx; i < area.endPx; ++i) {
        const double py = view.y2pExact(f(view.p2x(i)));
        if (!std::isfinite(py)) continue;
        const int iy = ClampPixel(py);
        if (drawOutsideMargins || InRows(area, iy)) out.marks.push_back({i, iy, i, iy});
    }
    return out;
}

CurveDrawing TraceFY(const ChartView& view, const PlotArea& area, bool drawOutsideMargins, const Function& f)
{
    CurveDrawing out;
    for (int i = area.minYpx; i < area.maxYpx; ++i) {
        const double px = view.x2pExact(f(view.p2y(i)));
        if (!std::isfinite(px)) continue;
        const int ix = ClampPixel(px);
        if (drawOutsideMargins || InColumns(area, ix)) out.marks.push_back({ix, i, ix, i});
    }
    return out;
}

CurveDrawing TraceProfile(const ChartView& view, const PlotArea& area, bool drawOutsideMargins, const Function& f)
{
    CurveDrawing out;
    for (int i = area.startPx; i < area.endPx; ++i) {
        const double p0 = view.y2pExact(f(view.p2x(i)));
        const double p1 = view.y2pExact(f(view.p2x(i + 1)));
        if (!std::isfinite(p0) || !std::isfinite(p1)) continue;
        int c0 = ClampPixel(p0), c1 = ClampPixel(p1);
        if (!drawOutsideMargins) {
            c0 = std::clamp(c0, area.minYpx, area.maxYpx);
            c1 = std::clamp(c1, area.minYpx, area.maxYpx);
        }
        out.lines.push_back({i, c0, i + 1, c1});
    }
    return out;
}

CurveDrawing TraceFXY(const ChartView& view, const PlotArea& area, bool drawOutsideMargins, bool continuous,
                      const std::vector<std::pair<double, double>>& points)
{
    CurveDrawing out;
    if (points.empty()) return out;
    out.hasBounds = true;
    const int x0 = view.x2p(points[0].first), y0 = view.y2p(points[0].second);
    out.bounds = {x0, x0, y0, y0};

    if (continuous) {
        double qx = view.x2pExact(points[0].first), qy = view.y2pExact(points[0].second);
        for (const auto& [x, y] : points) {
            const double px = view.x2pExact(x), py = view.y2pExact(y);
            double ax = qx, ay = qy, bx = px, by = py;
            qx = px;
            qy = py;
            if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) continue;
            if (!ClipSegment(ax, ay, bx, by, area)) continue;
            const ChartLine line{ClampPixel(ax), ClampPixel(ay), ClampPixel(bx), ClampPixel(by)};
            out.lines.push_back(line);
            out.bounds.Widen(line.x1, line.y1);
        }
        return out;
    }
    for (const auto& [x, y] : points) {
        const double px = view.x2pExact(x), py = view.y2pExact(y);
        if (!std::isfinite(px) || !std::isfinite(py)) continue;
        const int ix = ClampPixel(px), iy = ClampPixel(py);
        if (drawOutsideMargins || (InColumns(area, ix) && InRows(area, iy))) {
            out.marks.push_back({ix, iy, ix, iy});
            out.bounds.Widen(ix, iy);
        }
    }
    return out;
}

int NameXOfFX(int flags, const ChartView& view, int tw)
{
    switch (flags & 3) {
    case 0:
        return view.scrX - tw - view.marginRight - 8;
    case 1:
        return view.marginLeft + (view.scrX - view.marginRight - view.marginLeft - tw) / 2;
    default:
        return view.marginLeft + 8;
    }
}

int NameYOfFY(int flags, const ChartView& view, int th)
{
    switch (flags & 3) {
    case 0:
        return view.marginTop + 8;
    case 1:
        return view.marginTop + (view.scrY - view.marginTop - view.marginBottom - th) / 2;
    default:
        return view.scrY - th - view.marginBottom - 8;
    }
}

std::pair<int, int> NameOfFXY(int flags, const DrawnBounds& b, int tw, int th)
{
    switch (flags & 3) {
    case 0:
        return {b.maxX - tw - 8, b.maxY + 8};
    case 1:
        return {b.minX + 8, b.maxY + 8};
    case 2:
        return {b.minX + 8, b.minY - th - 8};
    default:
        return {b.maxX - tw - 8, b.minY - th - 8};
    }
}

}  // namespace charts
