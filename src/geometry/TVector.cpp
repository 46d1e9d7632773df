#include "geometry/TVector.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

double TVector::Angle(TVector v) const
{
    constexpr double pi = 3.1415926535897931;
    double f = *this * v;
    f = f / ::Module(*this);
    f = f / ::Module(v);
    // Rounding can push the cosine of (anti)parallel vectors just past 1.
    if (f > 1.0) f = 1.0;
    if (f < -1.0) f = -1.0;
    return std::acos(f) / pi * 180.0;
}

double TVector::Max() const
{
    return std::max({x, y, z});
}

double TVector::Min() const
{
    return std::min({x, y, z});
}

TVector TVector::Abs() const
{
    return {std::fabs(x), std::fabs(y), std::fabs(z)};
}

double TVector::Module() const
{
    return std::sqrt(x * x + y * y + z * z);
}

void TVector::Normalize()
{
    const double len = Module();
    x /= len;
    y /= len;
    z /= len;
}

void TVector::Print() const
{
    std::printf("(%f;%f;%f)\n", x, y, z);
}

double Module(TVector v)
{
    return std::sqrt(v * v);
}

TVector Normal(TVector v1)
{
    const double len = Module(v1);
    if (len == 0.0) return TVector();
    return v1 / len;
}

TVector PointToVector(TPoint3D p)
{
    return {p.x, p.y, p.z};
}

TPoint3D VectorToPoint(TVector v)
{
    return {v.x, v.y, v.z};
}
