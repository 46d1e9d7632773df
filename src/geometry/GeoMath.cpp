#include "geometry/GeoMath.h"

#include <cmath>

TPoint3D MudaBase(const float M[3][3], TPoint3D P)
{
    TPoint3D R;
    R.x = M[0][0] * P.x + M[0][1] * P.y + M[0][2] * P.z;
    R.y = M[1][0] * P.x + M[1][1] * P.y + M[1][2] * P.z;
    R.z = M[2][0] * P.x + M[2][1] * P.y + M[2][2] * P.z;
    return R;
}

void matrizInversa3x3(const float A[3][3], float AI[3][3])
{
    double a[3][3];
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) a[i][j] = A[i][j];
    const float detA =
        static_cast<float>(a[0][0] * a[1][1] * a[2][2] + a[0][1] * a[1][2] * a[2][0] + a[0][2] * a[1][0] * a[2][1] -
                           (a[0][2] * a[1][1] * a[2][0] + a[0][0] * a[1][2] * a[2][1] + a[0][1] * a[1][0] * a[2][2]));
    float cof[3][3];
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) {
            const int r0 = (i + 1) % 3, r1 = (i + 2) % 3;
            const int c0 = (j + 1) % 3, c1 = (j + 2) % 3;
            // Cyclic rows and columns give the signed minor directly.
            cof[i][j] = static_cast<float>(a[r0][c0] * a[r1][c1] - a[r0][c1] * a[r1][c0]);
        }
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) AI[i][j] = cof[j][i] / detA;
}

TPoint3D IntersectionLineAndPlane(TVector lineVector, TPoint3D Po, TVector plNormal, TPoint3D plPoint)
{
    lineVector.Normalize();
    const double distPo = plNormal * TVector(Po - plPoint);
    const TPoint3D P1 = Po + VectorToPoint(lineVector);
    const double distP1 = plNormal * TVector(P1 - plPoint);
    const double D = distPo / (distPo - distP1);
    return Po + VectorToPoint(lineVector * D);
}

TPoint3D IntersectionPoint(TVector n, TPoint3D p, TVector u, TPoint3D o)
{
    const double nu = n * u;
    if (nu == 0.0) return p;
    return o + VectorToPoint(u * ((n * TVector(p - o)) / nu));
}

double IntersectionDistance(TVector n, TPoint3D p, TVector u, TPoint3D o)
{
    const double nu = n * u;
    if (nu == 0.0) return -1;
    return std::fabs(n * TVector(p - o) / nu);
}

double distPointToPlane(TPoint3D P, TPoint3D Pplane, TVector Nplane)
{
    return (Nplane * TVector(P - Pplane)) / Module(Nplane);
}

double dist2Points(TPoint3D A, TPoint3D B)
{
    return Module(A - B);
}

float signedVolumeOfTriangle(TPoint3D p1, TPoint3D p2, TPoint3D p3)
{
    const float v321 = static_cast<float>(p3.x * p2.y * p1.z);
    const float v231 = static_cast<float>(p2.x * p3.y * p1.z);
    const float v312 = static_cast<float>(p3.x * p1.y * p2.z);
    const float v132 = static_cast<float>(p1.x * p3.y * p2.z);
    const float v213 = static_cast<float>(p2.x * p1.y * p3.z);
    const float v123 = static_cast<float>(p1.x * p2.y * p3.z);
    return (v231 + v312 + v123 - v321 - v132 - v213) * (1.0f / 6.0f);
}

float SolidAngle(TPoint3D R, TPoint3D P1, TPoint3D P2, TPoint3D P3)
{
    constexpr double pi = 3.1415926535897931;
    const TVector r1 = P1 - R, r2 = P2 - R, r3 = P3 - R;
    const float a1 = static_cast<float>(r1.Angle(r2) / 180 * pi);
    const float a2 = static_cast<float>(r1.Angle(r3) / 180 * pi);
    const float a3 = static_cast<float>(r2.Angle(r3) / 180 * pi);
    // L'Huilier's theorem on the spherical triangle.
    const float s = (a1 + a2 + a3) / 2;
    const float t1 = std::tan(s / 2), t2 = std::tan((s - a1) / 2);
    const float t3 = std::tan((s - a2) / 2), t4 = std::tan((s - a3) / 2);
    return 4 * std::atan(std::sqrt(std::fabs(t1 * t2 * t3 * t4)));
}

float SolidAngle(TPoint3D R, TTriangle T)
{
    return SolidAngle(R, T.p0, T.p1, T.p2);
}
