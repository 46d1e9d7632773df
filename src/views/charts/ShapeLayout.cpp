#include "views/charts/ShapeLayout.h"

#include <algorithm>
#include <cmath>

namespace charts {

PlacedShape PlaceShape(const std::vector<double>& xs, const std::vector<double>& ys, double x, double y, double phi)
{
    PlacedShape out;
    const double c = std::cos(phi), s = std::sin(phi);
    out.xs.resize(xs.size());
    out.ys.resize(ys.size());
    for (std::size_t i = 0; i < xs.size(); ++i) {
        out.xs[i] = x + xs[i] * c - ys[i] * s;
        out.ys[i] = y + xs[i] * s + ys[i] * c;
        out.minX = std::min(out.minX, out.xs[i]);
        out.maxX = std::max(out.maxX, out.xs[i]);
        out.minY = std::min(out.minY, out.ys[i]);
        out.maxY = std::max(out.maxY, out.ys[i]);
    }
    return out;
}

EllipseShape CovarianceEllipse(double cov00, double cov11, double cov01, double quantiles, int segments)
{
    EllipseShape out;
    if (quantiles < 0) {
        out.error = "[mpCovarianceEllipse] Error: quantiles must be non-negative";
        return out;
    }
    if (cov00 < 0) {
        out.error = "[mpCovarianceEllipse] Error: cov(0,0) must be non-negative";
        return out;
    }
    if (cov11 < 0) {
        out.error = "[mpCovarianceEllipse] Error: cov(1,1) must be non-negative";
        return out;
    }
    if (segments < 2) {
        out.error = "[mpCovarianceEllipse] Error: segments must be at least 2";
        return out;
    }
    const double b = -cov00 - cov11;
    const double c = cov00 * cov11 - cov01 * cov01;
    const double d = b * b - 4 * c;
    // A negative determinant gives a negative eigenvalue: no real ellipse.
    if (d < 0 || c < 0 || !std::isfinite(d)) {
        out.error = "[mpCovarianceEllipse] Error: cov is not positive definite";
        return out;
    }
    const double l0 = (std::sqrt(d) - b) / 2;
    const double l1 = std::max(0.0, (-b - std::sqrt(d)) / 2);
    auto eigenvector = [&](double l, double& ex, double& ey) {
        if (std::fabs(l - cov00) > 1e-6) {
            ex = cov01 / (l - cov00);
            ey = 1;
        } else {
            ex = 1;
            ey = cov01 / (l - cov11);
        }
        const double n = std::hypot(ex, ey);
        if (n > 0 && std::isfinite(n)) {
            ex /= n;
            ey /= n;
        } else {
            ex = 0;
            ey = 0;
        }
    };
    double e0x, e0y, e1x, e1y;
    eigenvector(l0, e0x, e0y);
    eigenvector(l1, e1x, e1y);
    // A round ellipse (both eigenvalues equal to cov00 = cov11, cov01 = 0) has every direction
    // as eigenvector: take the axes.
    if (e0x == 0 && e0y == 0) {
        e0x = 1;
        e0y = 0;
    }
    if (e1x == 0 && e1y == 0) {
        e1x = -e0y;
        e1y = e0x;
    }
    const double r0 = std::sqrt(l0), r1 = std::sqrt(l1);
    const double step = 6.283185308 / (segments - 1);
    out.xs.resize(static_cast<std::size_t>(segments));
    out.ys.resize(static_cast<std::size_t>(segments));
    double angle = 0;
    for (int i = 0; i < segments; ++i, angle += step) {
        const double ca = std::cos(angle), sa = std::sin(angle);
        out.xs[i] = quantiles * (ca * r0 * e0x + sa * r1 * e1x);
        out.ys[i] = quantiles * (ca * r0 * e0y + sa * r1 * e1y);
    }
    return out;
}

PixelPoint TextPosition(int offsetx, int offsety, const ChartView& view)
{
    const long long w = view.scrX - view.marginLeft - view.marginRight;
    const long long h = view.scrY - view.marginTop - view.marginBottom;
    return {static_cast<int>(offsetx * w / 100), static_cast<int>(offsety * h / 100)};
}

BitmapPlacement PlaceBitmap(int x0, int y0, int x1, int y1, int imageW, int imageH, int scrX, int scrY)
{
    BitmapPlacement out;
    if (imageW <= 0 || imageH <= 0) return out;
    const double px = double(x1 - x0) / imageW;
    const double py = double(y1 - y0) / imageH;
    if (!(px > 0) || !(py > 0)) return out;

    // One image pixel wider than the window: scaling the crop would make a huge bitmap.
    if (px > scrX || py > scrY) {
        const int ax = std::max(x0, 0), ay = std::max(y0, 0);
        const int bx = std::min(x1, scrX), by = std::min(y1, scrY);
        if (bx <= ax || by <= ay) return out;
        out.visible = true;
        out.sampled = true;
        out.dx = ax;
        out.dy = ay;
        out.dw = bx - ax;
        out.dh = by - ay;
        out.ox = std::clamp(static_cast<int>((ax - x0) / px), 0, imageW - 1);
        out.oy = std::clamp(static_cast<int>((ay - y0) / py), 0, imageH - 1);
        out.cw = std::clamp(static_cast<int>(std::ceil((bx - x0) / px)), 1, imageW) - out.ox;
        out.ch = std::clamp(static_cast<int>(std::ceil((by - y0) / py)), 1, imageH) - out.oy;
        return out;
    }

    const int bx = static_cast<int>(px + 1), by = static_cast<int>(py + 1);
    int dx0 = x0, dy0 = y0, dx1 = x1, dy1 = y1;
    if (x0 < 0) dx0 = -bx;
    if (y0 < 0) dy0 = -by;
    if (x1 > scrX) dx1 = scrX + bx;
    if (y1 > scrY) dy1 = scrY + by;
    out.dx = dx0;
    out.dy = dy0;
    out.dw = dx1 - dx0 + 1;
    out.dh = dy1 - dy0 + 1;
    if (out.dw <= 0 || out.dh <= 0) return out;

    // The crop, kept inside the image.
    const int ox = static_cast<int>((dx0 - x0) / px), oy = static_cast<int>((dy0 - y0) / py);
    const int cw = static_cast<int>(out.dw / px), ch = static_cast<int>(out.dh / py);
    out.ox = std::clamp(ox, 0, imageW - 1);
    out.oy = std::clamp(oy, 0, imageH - 1);
    out.cw = std::clamp(cw, 1, imageW - out.ox);
    out.ch = std::clamp(ch, 1, imageH - out.oy);
    out.visible = true;
    return out;
}

}  // namespace charts
