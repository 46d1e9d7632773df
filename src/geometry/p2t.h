#pragma once
// Constrained Delaunay triangulation of a simple polygon, with the small interface the plane
// code triangulates through. The triangulation engine stays inside p2t.cpp.

#include <string>
#include <vector>

namespace p2t {

struct TPoint2D {
    double x = 0;
    double y = 0;
    TPoint2D() = default;
    TPoint2D(double X, double Y) : x(X), y(Y) {}
};

// One triangle of the result; its corners are the outline points handed to CDT.
class Triangle {
public:
    Triangle(TPoint2D* a, TPoint2D* b, TPoint2D* c) : points_{a, b, c} {}
    // Corner i (0, 1 or 2), counter-clockwise.
    TPoint2D* GetPoint(int i) const { return points_[i]; }

private:
    TPoint2D* points_[3];
};

class CDT {
public:
    // The outline in order, either orientation; the points must outlive the CDT.
    explicit CDT(std::vector<TPoint2D*> polyline);

    // Triangulates the inside of the outline. Returns false, with no triangles and the reason
    // in Error(), when the outline is not a simple polygon (too few points, repeated points,
    // edges that cross or touch, a point on another edge, zero area, non-finite coordinates).
    bool Triangulate();
    // Triangles covering the polygon, each counter-clockwise; owned by the CDT.
    std::vector<Triangle*> GetTriangles();
    const std::string& Error() const { return error_; }

private:
    std::vector<TPoint2D*> polyline_;
    std::vector<Triangle> triangles_;
    std::string error_;
};

}  // namespace p2t
