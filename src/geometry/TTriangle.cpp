#include "geometry/TTriangle.h"

#include <cmath>
#include <vector>

TTriangle::TTriangle(TPoint3D A, TPoint3D B, TPoint3D C)
{
    Set(A, B, C);
}

TTriangle::TTriangle(const TPoint3D* list)
{
    Set(list[0], list[1], list[2]);
}

void TTriangle::Set(TPoint3D A, TPoint3D B, TPoint3D C)
{
    p0 = A;
    p1 = B;
    p2 = C;
    Center();
    TriangleArea();
}

TPoint3D TTriangle::GetVertex(unsigned int i) const
{
    switch (i % 3) {
    case 0:
        return p0;
    case 1:
        return p1;
    default:
        return p2;
    }
}

double TTriangle::TriangleArea()
{
    const double a = 0.5 * Module(TVector(p1 - p0) / TVector(p2 - p0));
    area = static_cast<float>(a);
    return a;
}

TVector TTriangle::TriangleNormal() const
{
    return Normal(TVector(p1 - p0) / TVector(p2 - p0));
}

TPoint3D TTriangle::Center()
{
    center = ((p0 + p1) / 2 * 2 + p2) / 3;
    return center;
}

void TTriangle::InvertSequence()
{
    const TPoint3D t = p1;
    p1 = p2;
    p2 = t;
}

void TTriangle::Print() const
{
    std::printf("p0 = (%1.2f, %1.2f, %1.2f)\n", p0.x, p0.y, p0.z);
    std::printf("p1 = (%1.2f, %1.2f, %1.2f)\n", p1.x, p1.y, p1.z);
    std::printf("p2 = (%1.2f, %1.2f, %1.2f)\n", p2.x, p2.y, p2.z);
}

void TTriangle::WriteOnFile(FILE* fid) const
{
    std::fprintf(fid, "%1.3f %1.3f %1.3f ", p0.x, p0.y, p0.z);
    std::fprintf(fid, "%1.3f %1.3f %1.3f ", p1.x, p1.y, p1.z);
    std::fprintf(fid, "%1.3f %1.3f %1.3f", p2.x, p2.y, p2.z);
}

void TTriangle::Split(int NumParts, TTriangle* novos) const
{
    if (NumParts <= 0) return;
    const TVector ea = p1 - p0, eb = p2 - p1, ec = p0 - p2;
    const double la = Module(ea), lb = Module(eb), lc = Module(ec);
    TPoint3D start, opposite;
    TVector edge;
    if (lb < la) {
        if (lc >= la) {
            start = p2, edge = ec, opposite = p1;
        } else {
            start = p0, edge = ea, opposite = p2;
        }
    } else if (lc >= lb) {
        start = p2, edge = ec, opposite = p1;
    } else {
        start = p1, edge = eb, opposite = p0;
    }
    const TVector step = edge / NumParts;
    for (int k = 0; k < NumParts; k++) {
        const TPoint3D a = start + VectorToPoint(step * k);
        const TPoint3D b = start + VectorToPoint(step * (k + 1));
        novos[k].Set(opposite, a, b);
    }
}

unsigned long TTriangle::SplitByAreaCount(float MinArea)
{
    const double a = TriangleArea();
    if (!(MinArea > 0) || !(a > MinArea)) return 1;
    const double levels = std::ceil(std::log2(a / MinArea));
    return 1ul << static_cast<unsigned>(levels);
}

void TTriangle::SplitByArea(float MinArea, TTriangle* newlist)
{
    const unsigned long count = SplitByAreaCount(MinArea);
    std::vector<TTriangle> level{*this};
    while (level.size() < count) {
        std::vector<TTriangle> next(level.size() * 2);
        for (size_t t = 0; t < level.size(); t++) level[t].Split(2, &next[2 * t]);
        level.swap(next);
    }
    for (unsigned long i = 0; i < count; i++) newlist[i] = level[i];
}
