// TRoom: launch directions and the reflection of a ray at a plane.

#include <algorithm>
#include <cstdio>
#include <string>

#include "geometry/RayDirections.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"
#include "simulation/TextFields.h"

namespace {

constexpr float kNoLoss[MAX_NUMBANDS + 1] = {};

// What a reflection at plane P needs: its normal and its material's bands.
struct PlaneSurface {
    TVector normal;
    const float* abs = kNoLoss;
    const float* dif = kNoLoss;
    unsigned nbands = 0;
};

PlaneSurface SurfaceOf(const TRoom& room, int P)
{
    PlaneSurface s;
    const TPlane& pl = *room.plane[P];
    s.normal = pl.normal;
    s.nbands = std::min(room.NumBands, MAX_NUMBANDS);
    // A plane whose layer has no material (or a layer outside the list) loses nothing.
    if (pl.LayerID < 0 || static_cast<unsigned>(pl.LayerID) >= room.planeLayer.size()) return s;
    const int mat = room.planeLayer[pl.LayerID].MatID;
    if (mat < 0 || static_cast<unsigned>(mat) >= room.material.size() || !room.material[mat]) return s;
    const TMaterial& m = *room.material[mat];
    if (m.abs.size() < s.nbands || m.dif.size() < s.nbands) return s;
    s.abs = m.abs.data();
    s.dif = m.dif.data();
    return s;
}

void MoveAndMirror(Raio_st& ray, TPoint3D p, TVector n)
{
    ray.dist += Module(p - ray.p);
    ray.p = p;
    ray.v = ray.v - n * (2 * (ray.v * n));
    ray.reflections += 1;
}

}  // namespace

void TRoom::CreateRaysDirections(double NumberOfRays, TVector* RaysDir)
{
    FillRayDirections(NumberOfRays, RaysDir);
}

void TRoom::GravaRaios(const char* arquivo, const TVector* RaysDir)
{
    std::FILE* f = std::fopen(arquivo, "w");
    if (!f) {
        // Latin-1 text, as the message has always been.
        std::printf("N\xE3o foi possivel abrir o arquivo %s para grava\xE7\xE3o\n", arquivo);
        return;
    }
    std::string line;
    for (unsigned i = 0; i < NumRays; ++i) {
        line.clear();
        AppendInt(line, i + 1);
        for (double c : {RaysDir[i].x, RaysDir[i].y, RaysDir[i].z}) {
            line += ' ';
            AppendFixed(line, c, 3);
        }
        line += '\n';
        WriteText(f, line);
    }
    std::fclose(f);
}

double TRoom::PlaneInteraction(int P, Raio_st& ray, TPoint3D p, float* scattEnergy)
{
    const PlaneSurface s = SurfaceOf(*this, P);
    ReflectRay(ray, p, s.normal, s.abs, s.dif, s.nbands, static_cast<float>(NumBands), DiffuseProcessing != 0,
               scattEnergy);
    return 1;
}

double TRoom::PlaneInteractionACC(int P, Raio_st& ray, TPoint3D p, float* scattEnergy)
{
    const PlaneSurface s = SurfaceOf(*this, P);
    MoveAndMirror(ray, p, s.normal);
    for (unsigned b = 0; b < s.nbands; ++b) {
        float scatt = s.dif[b] / static_cast<float>(NumBands);
        ray.alfa_acc[b] += s.abs[b];
        float specular_energ = ray.e[b] * (1 - ray.alfa_acc[b] / ray.reflections);
        scattEnergy[b] = scatt * specular_energ;
        ray.e[b] = (1 - scatt) * specular_energ;
    }
    return 1;
}

void TRoom::PlaneInteraction(int P, Raio_st& ray, TPoint3D p)
{
    const PlaneSurface s = SurfaceOf(*this, P);
    MoveAndMirror(ray, p, s.normal);
    ray.v.Normalize();
    for (unsigned b = 0; b < s.nbands; ++b) ray.e[b] = ray.e[b] * (1 - s.abs[b]);
}
