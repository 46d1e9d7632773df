#pragma once
// A triangle with its derived centroid and area.

#include <cstdio>

#include "geometry/TVector.h"

struct TTriangle {
    TPoint3D p0, p1, p2;
    TPoint3D center;  // derived: Center()
    float area = 0;   // derived: TriangleArea()

    TTriangle() = default;
    TTriangle(TPoint3D A, TPoint3D B, TPoint3D C);
    explicit TTriangle(const TPoint3D* list);

    // Sets the corners, then the centre and the area.
    void Set(TPoint3D A, TPoint3D B, TPoint3D C);
    // Corner i mod 3.
    TPoint3D GetVertex(unsigned int i) const;
    // Half the length of (p1 - p0) x (p2 - p0); also stored in area.
    double TriangleArea();
    // Unit normal of the corner order (right-hand rule); zero for a degenerate triangle.
    TVector TriangleNormal() const;
    // Centroid; also stored in center.
    TPoint3D Center();

    // Exact equality of the corners in the same order; centre and area are not compared.
    bool operator==(const TTriangle& p) const { return p0 == p.p0 && p1 == p.p1 && p2 == p.p2; }
    bool operator!=(const TTriangle& p) const { return !(*this == p); }

    // Swaps p1 and p2; centre and area are unchanged.
    void InvertSequence();
    void Print() const;
    // The nine coordinates, blank-separated, without a line end.
    void WriteOnFile(FILE* fid) const;

    // Cuts the longest edge into NumParts pieces and writes NumParts triangles (with centre
    // and area) that share the opposite corner into novos.
    void Split(int NumParts, TTriangle* novos) const;
    // Number of triangles SplitByArea writes: 2^L with L = ceil(log2(area / MinArea)), or 1.
    unsigned long SplitByAreaCount(float MinArea);
    // Halves the triangle repeatedly until every piece is at most MinArea; newlist must hold
    // SplitByAreaCount(MinArea) triangles.
    void SplitByArea(float MinArea, TTriangle* newlist);
};
