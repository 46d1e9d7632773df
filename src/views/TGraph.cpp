#include "views/TGraph.h"

#include <limits>

TGraph::TGraph(const float* x, const float* y, unsigned int L) : data(L)
{
    for (unsigned int i = 0; i < L; i++) data[i] = TPoint3D(x[i], y[i], 0.0);
    CalcMaxMins();
}

TGraph::TGraph(const float* y, unsigned int L) : data(L)
{
    for (unsigned int i = 0; i < L; i++) data[i] = TPoint3D(i, y[i], 0.0);
    CalcMaxMins();
}

TGraph::TGraph(unsigned int L) : data(L)
{
    CalcMaxMins();
}

TGraph::TGraph(const TGraph* gph) : data(gph->data)
{
    CalcMaxMins();
}

TGraph::TGraph()
{
    const double big = 1.7976931348623158e307;
    DataMax = TPoint3D(big, big, 0.0);
    DataMin = TPoint3D(-big, -big, 0.0);
}

bool TGraph::SetData(const TPoint3D* newdata, int newLength)
{
    if (newLength < 0 || (newLength > 0 && newdata == nullptr)) return false;
    // A copy first: newdata may point into this series.
    std::vector<TPoint3D> copy(newdata, newdata + newLength);
    data.swap(copy);
    CalcMaxMins();
    return true;
}

void TGraph::SetColor(float R, float G, float B)
{
    color[0] = R;
    color[1] = G;
    color[2] = B;
}

TPoint3D TGraph::GetColor() const
{
    return TPoint3D(color[0], color[1], color[2]);
}

TPoint3D TGraph::GetData(unsigned int Index) const
{
    return Index < data.size() ? data[Index] : TPoint3D();
}

void TGraph::CalcMaxMins()
{
    // A decay curve ends in -inf and a spectrum may hold NaN: such points are skipped, so the
    // extents stay finite whenever one point is.
    const double inf = std::numeric_limits<double>::infinity();
    DataMax = TPoint3D(-inf, -inf, 0.0);
    DataMin = TPoint3D(inf, inf, 0.0);
    for (const TPoint3D& p : data) {
        if (!IsPlottable(p)) continue;
        if (p.x > DataMax.x) DataMax.x = p.x;
        if (p.y > DataMax.y) DataMax.y = p.y;
        if (p.x < DataMin.x) DataMin.x = p.x;
        if (p.y < DataMin.y) DataMin.y = p.y;
    }
}
