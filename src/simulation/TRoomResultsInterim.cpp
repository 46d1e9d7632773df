// INTERIM, to be deleted: a stand-in for the ray tracer's mean-free-path estimate, which
// creating the results calls but which is built elsewhere. It is a weak definition, so the real
// one replaces it at link time as soon as it exists; delete this file then.

#include <cmath>
#include <vector>

#include "geometry/GeoMath.h"
#include "geometry/TPlane.h"
#include "room/TReceiver.h"
#include "room/TRoom.h"
#include "room/TSource.h"
#include "simulation/Raio_st.h"
#include "simulation/RayDirections.h"

namespace {

TPoint3D BoxCentre(const TRoom& room)
{
    const double big = 1.7976931348623158e307;
    TPoint3D lo(big, big, big), hi(-big, -big, -big);
    auto grow = [&](TPoint3D p) {
        lo = TPoint3D(std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z));
        hi = TPoint3D(std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z));
    };
    for (const auto& pl : room.plane)
        for (const TPoint3D& v : pl->vertice) grow(v);
    for (const auto& r : room.receiver) grow(r->Position);
    for (const auto& s : room.source) grow(s->Position);
    if (hi.x < lo.x) return TPoint3D(0, 0, 0);
    return TPoint3D((hi.x + lo.x) * 0.5, (hi.y + lo.y) * 0.5, (hi.z + lo.z) * 0.5);
}

}  // namespace

__attribute__((weak)) float TRoom::MFP_Estimation()
{
    const float maxDistance = static_cast<float>(MaxLength) / FSample * VSound;
    const std::vector<TVector> dirs = MakeRayDirections(1002);
    NumRays = static_cast<unsigned>(dirs.size());
    const TPoint3D origin = BoxCentre(*this);
    const std::vector<float> one(NumBands, 1.0f);
    std::vector<float> scatt(NumBands + 1, 0.0f);
    float totalDistance = 0.0f;
    unsigned totalReflections = 0;
    for (const TVector& d : dirs) {
        Raio_st ray(NumBands);
        ray.Set(origin, d, 0, 0.0f, one.data());
        const double minEnergy = ray.GetEnergy() * std::pow(10.0, StopDecay / 10.0);
        int last = static_cast<int>(NumPlanes);
        for (;;) {
            double best = 1.7976931348623158e307;
            int hit = -1;
            TPoint3D X;
            for (unsigned P = 0; P < NumPlanes; ++P) {
                if (static_cast<int>(P) == last) continue;
                const TVector n = plane[P]->normal;
                if (n * ray.v == 0.0) continue;
                const TPoint3D q = IntersectionLineAndPlane(ray.v, ray.p, n, plane[P]->GetVertex(0));
                const TVector rel(q.x - ray.p.x, q.y - ray.p.y, q.z - ray.p.z);
                const double dist = rel.Module();
                if (rel * ray.v > 0 && dist < best && plane[P]->Inner(q) >= 0) {
                    best = dist;
                    hit = static_cast<int>(P);
                    X = q;
                }
            }
            if (hit >= 0) {
                PlaneInteraction(hit, ray, X, scatt.data());
                last = hit;
            }
            if (hit < 0 || ray.reflections > 50 || ray.dist > maxDistance || ray.GetEnergy() < minEnergy) break;
        }
        if (ray.dist > 0 && ray.reflections != 0) {
            totalDistance += static_cast<float>(ray.dist);
            totalReflections += ray.reflections;
        }
    }
    if (totalReflections == 0) return Volume > 0 && Area > 0 ? static_cast<float>(4.0 * Volume / Area) : 0.0f;
    return totalDistance / static_cast<float>(totalReflections);
}
