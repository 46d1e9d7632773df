#pragma once
// A tetrahedron: v[0..2] the base triangle, v[3] the apex.

#include "geometry/TTriangle.h"

struct TTetraedro {
    TPoint3D v[4];

    TTetraedro() = default;
    explicit TTetraedro(const TPoint3D* vertices);
    TTetraedro(TPoint3D vertice, TTriangle base);

    double Volume() const;
    // Solid angle (steradians) of the base seen from the apex.
    double solidAngle() const;
};
