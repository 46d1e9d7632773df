#pragma once
// A planar polygon of the room: outline, unit normal, local 2D frame, triangulation and the
// counter of inside tests that succeeded.

#include <cstdio>
#include <vector>

#include "geometry/TTriangle.h"

class TPlane {
public:
    // Inverse of the frame matrix: maps an offset from origem to (u, v, w), w = 0 in the plane.
    float Mi[3][3] = {};
    TPoint3D origem;                // first vertex at the last triangulation
    std::vector<TPoint3D> vertice;  // the outline, NumVert entries
    bool mem_alloc = false;         // the plane holds a vertex array
    unsigned int hits = 0;          // successful Inner tests
    int LayerID = -1;               // plane layer in the room, -1 for none
    unsigned int NumVert = 0;
    unsigned int NumTriang = 0;
    TVector normal;                    // unit normal of the first three vertices
    std::vector<TTriangle> triangulo;  // NumTriang triangles covering the polygon
    double area = 0;                   // as last computed by PlaneArea
    bool IsExternal = false;

    TPlane() = default;
    // N > 2: N vertices at the origin, to be filled with SetVertex; otherwise no vertices.
    explicit TPlane(int N);
    // N >= 3: the outline, normal, clean-up and triangulation; otherwise an empty plane.
    TPlane(int N, const TPoint3D* list);
    // LayerID, hits and vertices of pl, then normal, clean-up and triangulation anew;
    // IsExternal starts false. A null pl gives an empty plane.
    explicit TPlane(const TPlane* pl);

    TPlane(const TPlane&) = default;
    TPlane(TPlane&&) noexcept = default;
    // Copies everything but IsExternal, which the room's external-plane pass owns.
    TPlane& operator=(const TPlane& p);
    TPlane& operator=(TPlane&& p) noexcept;
    ~TPlane() = default;

    // Overwrite a vertex; 1, or -1 (nothing changed) when vertID is out of range.
    int SetVertex(unsigned int vertID, TPoint3D p);
    int SetVertex(unsigned int vertID, double a, double b, double c);
    // Vertex (unsigned)vertID mod NumVert. A plane without vertices prints
    // "vertice not allocated - Programing Error!!" and ends the process with status 1.
    TPoint3D GetVertex(int vertID) const;
    int AddVertex(TPoint3D p);
    int AddVertex(double a, double b, double c);
    void RemoveVertex(unsigned int pos);
    // The first vertex becomes the last.
    void ShiftVertexes();
    // Reverses the orientation: a2, a1, a0, a[N-1], ..., a3. Run Tecelagem afterwards.
    void InvertSequence();
    unsigned int GetNumVertexes() const { return NumVert; }
    unsigned int GetNumTriangles() const { return NumTriang; }

    // Normal of the first three vertices, stored in normal (zero with fewer than three).
    TVector CalcNormal();
    // Normal of vertices index .. index + 2, not stored (zero when out of range).
    TVector CalcNormal(int index) const;
    // Removes repeated and exactly collinear vertices and moves vertices onto the plane of
    // the first three; 0 when fewer than three vertices remain, else 1.
    int CheckForErrors();
    // Normal, local frame and triangulation. An outline that cannot be triangulated gets
    // no triangles and an error message.
    void Tecelagem();
    // Index of the first triangle containing P3D (a point of the plane) or -1; a hit
    // increments hits.
    int Inner(TPoint3D P3D);
    // 1 when P is inside or on the 2D triangle P1 P2 P3, 0 outside, -1 for a degenerate one.
    static int Inner2D(TPoint3D P1, TPoint3D P2, TPoint3D P3, TPoint3D P);
    // Twice the signed 2D area of A, B, C.
    static float Area2D(TPoint3D A, TPoint3D B, TPoint3D C);

    TPoint3D CalcImage(TPoint3D P) const;
    TPoint3D CalcProjection(TPoint3D P) const;
    static TPoint3D CalcProjection(TPoint3D P, TPoint3D P0_plane, TVector N_plane);
    // True when every corner turns the same way around the normal.
    bool IsConvex() const;
    // Sum of the triangle areas, stored in area.
    double PlaneArea();

    void WriteVertexes(FILE* fid) const;
    void SaveTriangles(FILE* fid) const;
    void PrintPlane() const;

private:
    void BuildFrame(float M[3][3]);
    void CopyFrom(const TPlane& p);
};
