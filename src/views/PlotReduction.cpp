#include "views/PlotReduction.h"

#include <algorithm>
#include <cmath>

namespace {

// Clips segments to a band around the plot area and appends what is left.
class SegmentClipper {
public:
    SegmentClipper(PlotSegments& out, const PlotMapping& map) : out(out)
    {
        // Wide enough that nothing clipped shows; small enough for single precision.
        const double band = 64.0 + std::max(std::abs(map.width), std::abs(map.height));
        xlo = -band;
        ylo = -band;
        xhi = map.width + band;
        yhi = map.height + band;
    }

    void Add(double x0, double y0, double x1, double y1)
    {
        if (Inside(x0, y0) && Inside(x1, y1)) {
            Push(x0, y0, x1, y1);
            return;
        }
        // Liang-Barsky: the part t0 .. t1 of the segment inside the band.
        const double dx = x1 - x0, dy = y1 - y0;
        if (!std::isfinite(dx) || !std::isfinite(dy)) return;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {x0 - xlo, xhi - x0, y0 - ylo, yhi - y0};
        double t0 = 0.0, t1 = 1.0;
        for (int i = 0; i < 4; i++) {
            if (p[i] == 0.0) {
                if (q[i] < 0.0) return;
                continue;
            }
            const double t = q[i] / p[i];
            if (p[i] < 0.0) {
                if (t > t1) return;
                t0 = std::max(t0, t);
            } else {
                if (t < t0) return;
                t1 = std::min(t1, t);
            }
        }
        Push(x0 + t0 * dx, y0 + t0 * dy, x0 + t1 * dx, y0 + t1 * dy);
    }

private:
    bool Inside(double x, double y) const { return x >= xlo && x <= xhi && y >= ylo && y <= yhi; }

    void Push(double x0, double y0, double x1, double y1)
    {
        out.xy.insert(out.xy.end(),
                      {static_cast<float>(x0), static_cast<float>(y0), static_cast<float>(x1), static_cast<float>(y1)});
    }

    PlotSegments& out;
    double xlo, xhi, ylo, yhi;
};

// The column of a pixel x; everything left of the plot area is column -1, everything right of
// it column width.
int Column(double x, int width)
{
    if (!(x >= 0.0)) return -1;
    if (x >= width) return width;
    return static_cast<int>(x);
}

struct Vertex {
    double x, y;
};

}  // namespace

void ReduceCurve(const TPoint3D* points, size_t n, const PlotMapping& map, PlotSegments& out)
{
    SegmentClipper clip(out, map);
    // The run of points in the present column, and the last point of the run before it when
    // no break lies between.
    bool inRun = false, havePrevious = false;
    int column = 0;
    size_t count = 0;
    Vertex low{}, high{}, last{}, previous{};

    auto endRun = [&]() {
        if (!inRun) return;
        if (count > 1) clip.Add(low.x, low.y - 0.5, high.x, high.y + 0.5);
        previous = last;
        havePrevious = true;
        inRun = false;
    };

    for (size_t i = 0; i < n; i++) {
        const Vertex v{map.X(points[i].x), map.Y(points[i].y)};
        if (!std::isfinite(v.x) || !std::isfinite(v.y)) {
            endRun();
            havePrevious = false;
            continue;
        }
        const int c = Column(v.x, map.width);
        if (inRun && c == column) {
            if (v.y < low.y) low = v;
            if (v.y > high.y) high = v;
            last = v;
            count++;
            continue;
        }
        endRun();
        if (havePrevious) clip.Add(previous.x, previous.y, v.x, v.y);
        inRun = true;
        column = c;
        count = 1;
        low = high = last = v;
    }
    endRun();
}

void AddLine(TPoint3D a, TPoint3D b, const PlotMapping& map, PlotSegments& out)
{
    const double x0 = map.X(a.x), y0 = map.Y(a.y), x1 = map.X(b.x), y1 = map.Y(b.y);
    if (std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1))
        SegmentClipper(out, map).Add(x0, y0, x1, y1);
}
