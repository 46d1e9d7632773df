#include "geometry/TTetraedro.h"

#include <cmath>

#include "geometry/GeoMath.h"

TTetraedro::TTetraedro(const TPoint3D* vertices)
{
    for (int i = 0; i < 4; i++) v[i] = vertices[i];
}

TTetraedro::TTetraedro(TPoint3D vertice, TTriangle base)
{
    v[0] = base.p0;
    v[1] = base.p1;
    v[2] = base.p2;
    v[3] = vertice;
}

double TTetraedro::Volume() const
{
    TTriangle base(v[0], v[1], v[2]);
    const double areabase = base.TriangleArea();
    const double h = distPointToPlane(v[3], v[0], TVector(v[1] - v[0]) / TVector(v[2] - v[0]));
    return std::fabs(h * areabase / 3);
}

double TTetraedro::solidAngle() const
{
    // tan(omega / 2) = |s0 . (s1 x s2)| / (1 + s0.s1 + s1.s2 + s2.s0) for unit vectors s.
    const TVector s0 = Normal(v[0] - v[3]), s1 = Normal(v[1] - v[3]), s2 = Normal(v[2] - v[3]);
    const double triple = std::fabs(s0 * (s1 / s2));
    const double den = 1 + s0 * s1 + s1 * s2 + s2 * s0;
    return 2 * std::atan2(triple, den);
}
