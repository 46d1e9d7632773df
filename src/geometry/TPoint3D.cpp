#include "geometry/TPoint3D.h"

#include <algorithm>
#include <cmath>
#include <limits>

double TPoint3D::Max() const
{
    return std::max({x, y, z});
}

double TPoint3D::Min() const
{
    return std::min({x, y, z});
}

TPoint3D TPoint3D::Abs() const
{
    return {std::fabs(x), std::fabs(y), std::fabs(z)};
}

void TPoint3D::Print() const
{
    std::printf("x= %1.2f y= %1.2f z= %1.2f\n", x, y, z);
}

void TPoint3D::WriteOnFile(FILE* ImgListFile) const
{
    std::fprintf(ImgListFile, "%g %g %g\n", x, y, z);
}

double Module(TPoint3D v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

double Round(double x)
{
    return std::floor(x + 0.5);
}

TPoint3D utilGetMax(const TPoint3D* Data, unsigned long N)
{
    const double inf = std::numeric_limits<double>::infinity();
    TPoint3D m(-inf, -inf, 0.0);
    for (unsigned long i = 0; i < N; i++) {
        if (Data[i].x > m.x) m.x = Data[i].x;
        if (Data[i].y > m.y) m.y = Data[i].y;
    }
    return m;
}

TPoint3D utilGetMin(const TPoint3D* Data, unsigned long N)
{
    const double inf = std::numeric_limits<double>::infinity();
    TPoint3D m(inf, inf, 0.0);
    for (unsigned long i = 0; i < N; i++) {
        if (Data[i].x < m.x) m.x = Data[i].x;
        if (Data[i].y < m.y) m.y = Data[i].y;
    }
    return m;
}
