#include "views/PlotReduction.h"

#include <algorithm>
#include <cmath>

namespace {

// Builds strips from successive vertices, clipping each line to a rectangle.
class StripBuilder {
public:
    StripBuilder(PlotPolyline& out, const PlotMapping& map) : out(out)
    {
        // Wide enough that nothing clipped shows; small enough for single precision.
        const double band = 64.0 + std::max(std::abs(map.width), std::abs(map.height));
        xlo = -band;
        ylo = -band;
        xhi = map.width + band;
        yhi = map.height + band;
    }
    ~StripBuilder() { Break(); }

    void Add(double x, double y)
    {
        if (!std::isfinite(x) || !std::isfinite(y)) {
            Break();
            return;
        }
        if (!havePrev) {
            havePrev = true;
            px = x;
            py = y;
            return;
        }
        double t0 = 0.0, t1 = 1.0;
        if (Inside(px, py) && Inside(x, y)) {
            if (!open) Begin(px, py);
            Push(x, y);
        } else if (Clip(px, py, x, y, t0, t1)) {
            const double dx = x - px, dy = y - py;
            if (!open || t0 > 0.0) {
                End();
                Begin(px + t0 * dx, py + t0 * dy);
            }
            if (t1 < 1.0) {
                Push(px + t1 * dx, py + t1 * dy);
                End();
            } else {
                Push(x, y);
            }
        } else {
            End();
        }
        px = x;
        py = y;
    }

    void Break()
    {
        End();
        havePrev = false;
    }

private:
    bool Inside(double x, double y) const { return x >= xlo && x <= xhi && y >= ylo && y <= yhi; }

    // Liang-Barsky: the part t0 .. t1 of the line from (x0, y0) to (x1, y1) inside the band.
    bool Clip(double x0, double y0, double x1, double y1, double& t0, double& t1) const
    {
        const double dx = x1 - x0, dy = y1 - y0;
        if (!std::isfinite(dx) || !std::isfinite(dy)) return false;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {x0 - xlo, xhi - x0, y0 - ylo, yhi - y0};
        for (int i = 0; i < 4; i++) {
            if (p[i] == 0.0) {
                if (q[i] < 0.0) return false;
                continue;
            }
            const double t = q[i] / p[i];
            if (p[i] < 0.0) {
                if (t > t1) return false;
                t0 = std::max(t0, t);
            } else {
                if (t < t0) return false;
                t1 = std::min(t1, t);
            }
        }
        return true;
    }

    void Begin(double x, double y)
    {
        start = static_cast<unsigned int>(out.vertices());
        open = true;
        Push(x, y);
    }

    void Push(double x, double y)
    {
        out.xy.push_back(static_cast<float>(x));
        out.xy.push_back(static_cast<float>(y));
    }

    void End()
    {
        if (!open) return;
        const unsigned int count = static_cast<unsigned int>(out.vertices()) - start;
        if (count >= 2)
            out.strips.push_back({start, count});
        else
            out.xy.resize(2 * static_cast<size_t>(start));
        open = false;
    }

    PlotPolyline& out;
    double xlo, xhi, ylo, yhi;
    bool havePrev = false, open = false;
    double px = 0.0, py = 0.0;
    unsigned int start = 0;
};

// The column of a pixel x; everything left of the plot area is column -1, everything right of
// it column width.
int Column(double x, int width)
{
    if (!(x >= 0.0)) return -1;
    if (x >= width) return width;
    return static_cast<int>(x);
}

}  // namespace

void ReduceCurve(const TPoint3D* points, size_t n, const PlotMapping& map, PlotPolyline& out)
{
    StripBuilder strips(out, map);
    struct Vertex {
        size_t i;
        double x, y;
    };
    bool inRun = false;
    int column = 0;
    Vertex first{}, low{}, high{}, last{};

    auto flush = [&]() {
        if (!inRun) return;
        inRun = false;
        Vertex keep[4] = {first, low, high, last};
        std::sort(keep + 1, keep + 3, [](const Vertex& a, const Vertex& b) { return a.i < b.i; });
        size_t previous = static_cast<size_t>(-1);
        for (const Vertex& v : keep) {
            if (v.i == previous) continue;
            strips.Add(v.x, v.y);
            previous = v.i;
        }
    };

    for (size_t i = 0; i < n; i++) {
        const double x = map.X(points[i].x);
        const double y = map.Y(points[i].y);
        if (!std::isfinite(x) || !std::isfinite(y)) {
            flush();
            strips.Break();
            continue;
        }
        const int c = Column(x, map.width);
        const Vertex v{i, x, y};
        if (inRun && c == column) {
            if (y < low.y) low = v;
            if (y > high.y) high = v;
            last = v;
            continue;
        }
        flush();
        inRun = true;
        column = c;
        first = low = high = last = v;
    }
    flush();
}

void AddLine(TPoint3D a, TPoint3D b, const PlotMapping& map, PlotPolyline& out)
{
    StripBuilder strips(out, map);
    strips.Add(map.X(a.x), map.Y(a.y));
    strips.Add(map.X(b.x), map.Y(b.y));
}
