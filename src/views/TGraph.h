#pragma once
// One curve of the 2D plot canvas: its points, colour, extents and shown state.

#include <cmath>
#include <vector>

#include "geometry/TPoint3D.h"

class TGraph {
public:
    // Points (x[i], y[i], 0).
    TGraph(const float* x, const float* y, unsigned int L);
    // Points (i, y[i], 0).
    TGraph(const float* y, unsigned int L);
    // L points (0, 0, 0).
    explicit TGraph(unsigned int L);
    // The points of gph; red and shown like a new series.
    explicit TGraph(const TGraph* gph);
    // No points; extents of a tenth of the largest double, not computed.
    TGraph();

    // Takes the first newLength points of newdata. A negative length, or points missing for a
    // positive one, is refused: returns false and changes nothing.
    bool SetData(const TPoint3D* newdata, int newLength);

    void SetColor(float R, float G, float B);
    TPoint3D GetColor() const;

    // Point Index, or (0, 0, 0) when Index >= Length.
    TPoint3D GetData(unsigned int Index) const;
    const TPoint3D* Points() const { return data.data(); }
    unsigned int GetLength() const { return static_cast<unsigned int>(data.size()); }

    // Extents over the points whose x and y are both finite; with no such point
    // Xmin = Ymin = +inf and Xmax = Ymax = -inf.
    double GetXmin() const { return DataMin.x; }
    double GetXmax() const { return DataMax.x; }
    double GetYmin() const { return DataMin.y; }
    double GetYmax() const { return DataMax.y; }
    bool HasExtents() const { return DataMin.x <= DataMax.x; }

    void SetViewState(bool state) { viewState = state; }
    bool GetViewState() const { return viewState; }

private:
    void CalcMaxMins();

    std::vector<TPoint3D> data;
    float color[3] = {1.0f, 0.0f, 0.0f};
    TPoint3D DataMax;
    TPoint3D DataMin;
    bool viewState = true;
};

// Both coordinates finite: the point is drawn and counts for the extents.
inline bool IsPlottable(const TPoint3D& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}
