#pragma once
// Free geometric functions: change of basis, 3x3 inverse, lines and planes, volumes, solid angles.

#include "geometry/TTriangle.h"

// M * P, from the float entries of M ([row][column]).
TPoint3D MudaBase(const float M[3][3], TPoint3D P);
// AI = inverse of A (adjugate / determinant, in float). A singular matrix is not detected:
// AI then holds infinite or NaN entries.
void matrizInversa3x3(const float A[3][3], float AI[3][3]);
// Where the line through Po along lineVector meets the plane through plPoint with normal plNormal.
// A line parallel to the plane gives infinite or NaN coordinates.
TPoint3D IntersectionLineAndPlane(TVector lineVector, TPoint3D Po, TVector plNormal, TPoint3D plPoint);
// Where the line through o along u meets the plane through p with normal n; p when n.u is 0.
TPoint3D IntersectionPoint(TVector n, TPoint3D p, TVector u, TPoint3D o);
// |n.(p - o) / (n.u)|, in units of |u|; -1 when n.u is 0.
double IntersectionDistance(TVector n, TPoint3D p, TVector u, TPoint3D o);
// Signed distance of P from the plane, positive on the side Nplane points to.
double distPointToPlane(TPoint3D P, TPoint3D Pplane, TVector Nplane);
double dist2Points(TPoint3D A, TPoint3D B);
// Signed volume of the tetrahedron (origin, p1, p2, p3).
float signedVolumeOfTriangle(TPoint3D p1, TPoint3D p2, TPoint3D p3);
// Solid angle (steradians) of the triangle P1 P2 P3 seen from R.
float SolidAngle(TPoint3D R, TPoint3D P1, TPoint3D P2, TPoint3D P3);
float SolidAngle(TPoint3D R, TTriangle T);
