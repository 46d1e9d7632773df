#include "geometry/TPlane.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "geometry/ErrorHandler.h"
#include "geometry/GeoMath.h"
#include "geometry/p2t.h"
#include "geometry/util.h"

TPlane::TPlane(int N)
{
    if (N > 2) {
        vertice.assign(static_cast<size_t>(N), TPoint3D());
        NumVert = static_cast<unsigned int>(N);
        mem_alloc = true;
    }
}

TPlane::TPlane(int N, const TPoint3D* list)
{
    if (N < 3 || list == nullptr) return;
    vertice.assign(list, list + N);
    NumVert = static_cast<unsigned int>(N);
    mem_alloc = true;
    CalcNormal();
    CheckForErrors();
    Tecelagem();
}

TPlane::TPlane(const TPlane* pl)
{
    if (pl == nullptr) return;
    LayerID = pl->LayerID;
    hits = pl->hits;
    vertice.assign(pl->vertice.begin(), pl->vertice.begin() + pl->NumVert);
    NumVert = pl->NumVert;
    mem_alloc = NumVert > 0;
    CalcNormal();
    CheckForErrors();
    Tecelagem();
}

void TPlane::CopyFrom(const TPlane& p)
{
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) Mi[r][c] = p.Mi[r][c];
    origem = p.origem;
    mem_alloc = p.mem_alloc;
    hits = p.hits;
    LayerID = p.LayerID;
    NumVert = p.NumVert;
    NumTriang = p.NumTriang;
    normal = p.normal;
    area = p.area;
}

TPlane& TPlane::operator=(const TPlane& p)
{
    if (this != &p) {
        CopyFrom(p);
        vertice = p.vertice;
        triangulo = p.triangulo;
    }
    return *this;
}

TPlane& TPlane::operator=(TPlane&& p) noexcept
{
    if (this != &p) {
        CopyFrom(p);
        vertice = std::move(p.vertice);
        triangulo = std::move(p.triangulo);
        p.vertice.clear();
        p.triangulo.clear();
        p.NumVert = p.NumTriang = 0;
        p.mem_alloc = false;
    }
    return *this;
}

int TPlane::SetVertex(unsigned int vertID, TPoint3D p)
{
    if (vertID >= NumVert) return -1;
    vertice[vertID] = p;
    return 1;
}

int TPlane::SetVertex(unsigned int vertID, double a, double b, double c)
{
    return SetVertex(vertID, TPoint3D(a, b, c));
}

TPoint3D TPlane::GetVertex(int vertID) const
{
    if (NumVert == 0) {
        const char* text = "vertice not allocated - Programing Error!!";
        std::printf("%s", text);
        std::fflush(stdout);
        throw SorviExit(1, text);  // printed, not shown
    }
    return vertice[static_cast<unsigned int>(vertID) % NumVert];
}

int TPlane::AddVertex(TPoint3D p)
{
    vertice.push_back(p);
    NumVert = static_cast<unsigned int>(vertice.size());
    mem_alloc = true;
    return 1;
}

int TPlane::AddVertex(double a, double b, double c)
{
    return AddVertex(TPoint3D(a, b, c));
}

void TPlane::RemoveVertex(unsigned int pos)
{
    if (pos >= NumVert) return;
    vertice.erase(vertice.begin() + pos);
    NumVert--;
}

void TPlane::ShiftVertexes()
{
    if (NumVert < 2) return;
    const TPoint3D first = vertice[0];
    for (unsigned int i = 0; i + 1 < NumVert; i++) vertice[i] = vertice[i + 1];
    vertice[NumVert - 1] = first;
}

void TPlane::InvertSequence()
{
    if (NumVert < 3) {
        std::reverse(vertice.begin(), vertice.begin() + NumVert);
        return;
    }
    const std::vector<TPoint3D> a(vertice.begin(), vertice.begin() + NumVert);
    // The same cycle read backwards, starting at the old third vertex.
    for (unsigned int k = 0; k < NumVert; k++) vertice[k] = a[(2 + NumVert - k) % NumVert];
}

TVector TPlane::CalcNormal()
{
    normal = NumVert >= 3 ? CalcNormal(0) : TVector();
    return normal;
}

TVector TPlane::CalcNormal(int index) const
{
    if (index < 0 || static_cast<unsigned int>(index) + 2 >= NumVert) return TVector();
    const TPoint3D v0 = vertice[index], v1 = vertice[index + 1], v2 = vertice[index + 2];
    return Normal(TVector(v1 - v0) / TVector(v2 - v0));
}

int TPlane::CheckForErrors()
{
    // 1. A vertex equal to the next one (cyclically).
    if (NumVert > 2) {
        for (unsigned int i = 0; i < NumVert; i++)
            if (vertice[i] == vertice[(i + 1) % NumVert]) RemoveVertex(i);
    }
    // 2. Any later copy of a vertex; the entry that moves into place j is tested too.
    for (unsigned int i = 0; i < NumVert; i++)
        for (unsigned int j = i + 1; j < NumVert;) {
            if (vertice[j] == vertice[i])
                RemoveVertex(j);
            else
                j++;
        }
    // 3. Exactly collinear corners: remove the middle vertex and test the same place again.
    for (unsigned int i = 0; i < NumVert && NumVert >= 3;) {
        const unsigned int N = NumVert;
        const TPoint3D a = vertice[i % N], b = vertice[(i + 1) % N], c = vertice[(i + 2) % N];
        const TVector u = a - b, w = c - b;
        if (std::fabs(u * w) / (Module(u) * Module(w)) == 1.0)
            RemoveVertex((i + 1) % N);
        else
            i++;
    }
    if (NumVert <= 2) return 0;
    // 4. Move every later vertex onto the plane of the first three.
    const TPoint3D v0 = vertice[0], v1 = vertice[1], v2 = vertice[2];
    const TVector n012 = Normal(TVector(v1 - v0) / TVector(v2 - v0));
    for (unsigned int k = 3; k < NumVert; k++) {
        const TPoint3D P = vertice[k];
        const TVector n01p = Normal(TVector(P - v0) / TVector(v2 - v0));
        const float angle = static_cast<float>(n012.Angle(n01p));
        if (angle != 0.0f && angle != 180.0f) vertice[k] = CalcProjection(P, v0, n012);
    }
    return 1;
}

void TPlane::BuildFrame(float M[3][3])
{
    // Unit axes: the frame and its inverse stay well conditioned whatever the room's scale.
    origem = vertice[0];
    const TVector vx = Normal(TVector(vertice[1] - origem));
    const TVector vz = Normal(vx / TVector(vertice[2] - origem));
    const TVector vy = vz / vx;
    const TVector axes[3] = {vx, vy, vz};
    for (int c = 0; c < 3; c++) {
        M[0][c] = static_cast<float>(axes[c].x);
        M[1][c] = static_cast<float>(axes[c].y);
        M[2][c] = static_cast<float>(axes[c].z);
    }
    matrizInversa3x3(M, Mi);
}

void TPlane::Tecelagem()
{
    CalcNormal();
    triangulo.clear();
    NumTriang = 0;
    if (NumVert < 3) return;

    float M[3][3];
    BuildFrame(M);
    if (NumVert == 3) {
        triangulo.emplace_back(vertice[0], vertice[1], vertice[2]);
        NumTriang = 1;
        return;
    }

    std::vector<p2t::TPoint2D> points(NumVert);
    std::vector<p2t::TPoint2D*> outline(NumVert);
    for (unsigned int i = 0; i < NumVert; i++) {
        const TPoint3D uvw = MudaBase(Mi, vertice[i] - origem);
        points[i] = p2t::TPoint2D(uvw.x, uvw.y);
        outline[i] = &points[i];
    }
    p2t::CDT cdt(outline);
    if (!cdt.Triangulate()) {
        std::string where;
        char buf[96];
        for (unsigned int i = 0; i < NumVert; i++) {
            std::snprintf(buf, sizeof buf, " (%g, %g, %g)", vertice[i].x, vertice[i].y, vertice[i].z);
            where += buf;
        }
        ErrorMessage("The plane of layer %d with %u vertices:%s cannot be triangulated: %s.\n", LayerID, NumVert,
                     where.c_str(), cdt.Error().c_str());
        return;
    }
    // The corners are the outline's own vertices, so that planes sharing an edge share it exactly.
    for (const p2t::Triangle* t : cdt.GetTriangles()) {
        TPoint3D corner[3];
        for (int k = 0; k < 3; k++) corner[k] = vertice[static_cast<std::size_t>(t->GetPoint(k) - points.data())];
        TTriangle tri;
        tri.p0 = corner[0];
        tri.p1 = corner[1];
        tri.p2 = corner[2];
        tri.Center();
        triangulo.push_back(tri);
    }
    NumTriang = static_cast<unsigned int>(triangulo.size());
}

float TPlane::Area2D(TPoint3D A, TPoint3D B, TPoint3D C)
{
    return static_cast<float>(A.x * B.y - A.y * B.x + A.y * C.x - A.x * C.y + B.x * C.y - B.y * C.x);
}

int TPlane::Inner2D(TPoint3D P1, TPoint3D P2, TPoint3D P3, TPoint3D P)
{
    const float Den = Area2D(P1, P2, P3);
    if (Den == 0.0f) return -1;
    const float L1 = Area2D(P, P2, P3) / Den;
    const float L2 = Area2D(P1, P, P3) / Den;
    const float L3 = Area2D(P1, P2, P) / Den;
    return (L1 >= 0 && L2 >= 0 && L3 >= 0) ? 1 : 0;
}

int TPlane::Inner(TPoint3D P3D)
{
    if (NumVert <= 2) return -1;
    const TPoint3D P = MudaBase(Mi, P3D - origem);
    for (unsigned int t = 0; t < NumTriang; t++) {
        const TTriangle& tri = triangulo[t];
        const TPoint3D Pa = MudaBase(Mi, tri.p0 - origem);
        const TPoint3D Pb = MudaBase(Mi, tri.p1 - origem);
        const TPoint3D Pc = MudaBase(Mi, tri.p2 - origem);
        if (Inner2D(Pa, Pb, Pc, P) == 1) {
            hits++;
            return static_cast<int>(t);
        }
    }
    return -1;
}

TPoint3D TPlane::CalcImage(TPoint3D P) const
{
    if (NumVert == 0) return P;
    const double d = distPointToPlane(P, vertice[0], normal);
    return P - VectorToPoint(normal * (2 * d));
}

TPoint3D TPlane::CalcProjection(TPoint3D P) const
{
    if (NumVert == 0) return P;
    return CalcProjection(P, vertice[0], normal);
}

TPoint3D TPlane::CalcProjection(TPoint3D P, TPoint3D P0_plane, TVector N_plane)
{
    const double d = distPointToPlane(P, P0_plane, N_plane);
    return P - VectorToPoint(N_plane * d);
}

bool TPlane::IsConvex() const
{
    if (NumVert < 3) return false;
    // The outline's own normal (Newell), so that the test does not depend on the first corner.
    TVector n;
    for (unsigned int i = 0; i < NumVert; i++) {
        const TPoint3D a = vertice[i], b = vertice[(i + 1) % NumVert];
        n += TVector((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
    }
    bool left = false, right = false;
    for (unsigned int i = 0; i < NumVert; i++) {
        const TPoint3D prev = vertice[(i + NumVert - 1) % NumVert], cur = vertice[i], next = vertice[(i + 1) % NumVert];
        const double turn = (TVector(cur - prev) / TVector(next - cur)) * n;
        if (turn > 0) left = true;
        if (turn < 0) right = true;
    }
    return !(left && right);
}

double TPlane::PlaneArea()
{
    double sum = 0;
    for (unsigned int t = 0; t < NumTriang; t++) sum += triangulo[t].TriangleArea();
    area = sum;
    return area;
}

void TPlane::WriteVertexes(FILE* fid) const
{
    std::fprintf(fid, "%d ", NumVert);
    for (unsigned int i = 0; i < NumVert; i++)
        std::fprintf(fid, "%1.2f %1.2f %1.2f ", vertice[i].x, vertice[i].y, vertice[i].z);
}

void TPlane::SaveTriangles(FILE* fid) const
{
    for (unsigned int t = 0; t < NumTriang; t++) {
        const TTriangle& tri = triangulo[t];
        std::fprintf(fid, "%1.3f %1.3f %1.3f ", tri.p0.x, tri.p0.y, tri.p0.z);
        std::fprintf(fid, "%1.3f %1.3f %1.3f ", tri.p1.x, tri.p1.y, tri.p1.z);
        std::fprintf(fid, "%1.3f %1.3f %1.3f\n", tri.p2.x, tri.p2.y, tri.p2.z);
    }
}

void TPlane::PrintPlane() const
{
    std::printf("Vertices = %d - Triangulos = %d - LayerID = %d\n", NumVert, NumTriang, LayerID);
    std::printf("Normal = %1.2f %1.2f %1.2f\n", normal.x, normal.y, normal.z);
    std::printf("Vertices (%d):\n", NumVert);
    for (unsigned int i = 0; i < NumVert; i++)
        std::printf("%.2d\tx=%1.2f\ty=%1.2f\tz=%1.2f\n", i + 1, vertice[i].x, vertice[i].y, vertice[i].z);
    if (NumTriang == 0) {
        std::printf("Triagulos n\xE3o criados.\n");
        return;
    }
    std::printf("Triangulos (%d):\n", NumTriang);
    for (unsigned int t = 0; t < NumTriang; t++) {
        const TTriangle& tri = triangulo[t];
        std::printf("vertice [%d]:\n", t + 1);
        std::printf("P0\tx=%1.2f\ty=%1.2f\tz=%1.2f\n", tri.p0.x, tri.p0.y, tri.p0.z);
        std::printf("P1\tx=%1.2f\ty=%1.2f\tz=%1.2f\n", tri.p1.x, tri.p1.y, tri.p1.z);
        std::printf("P2\tx=%1.2f\ty=%1.2f\tz=%1.2f\n", tri.p2.x, tri.p2.y, tri.p2.z);
    }
}
