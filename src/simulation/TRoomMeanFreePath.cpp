// TRoom: the mean free path from a short receiver-less trace from the room centre.

#include <cmath>
#include <vector>

#include "geometry/RayDirections.h"
#include "geometry/TPlane.h"
#include "simulation/Raio_st.h"
#include "simulation/TRayScene.h"
#include "simulation/TRoom.h"

float TRoom::MFP_Estimation()
{
    const float maxDistance = static_cast<float>(MaxLength) / FSample * VSound;
    const unsigned nbands = NumBands < MAX_NUMBANDS ? NumBands : MAX_NUMBANDS;
    float one[MAX_NUMBANDS + 1];
    for (unsigned b = 0; b < nbands; ++b) one[b] = 1.0f;
    float scatt[MAX_NUMBANDS + 1] = {};

    TRayScene scene;
    scene.AllowWideSearch(run.TracerWideSearch);
    scene.Build(*this, run.TracerAcceleration);
    TRaySceneStack stack;
    std::vector<unsigned> reflections(scene.NumPlanes(), 0u);
    const TPoint3D origin = GetCenter();
    // The room's NumRays is left alone: it belongs to the sources' runs.
    const std::vector<TVector> dirs = MakeRayDirections(1002);
    const double decay = std::pow(10.0, static_cast<double>(StopDecay) / 10.0);

    float totalDistance = 0.0f;
    unsigned totalReflections = 0;
    Raio_st ray(nbands);
    for (const TVector& d : dirs) {
        ray.Set(origin, d, 0, 0.0f, one);
        const double minEnergy = ray.GetEnergy() * decay;
        int last = -1;
        for (;;) {
            TPoint3D X;
            double dist = 0.0;
            const int P = scene.Nearest(ray.p, ray.v, last, X, dist, stack);
            if (P >= 0) {
                const TRayScene::Plane& pl = scene.plane(static_cast<unsigned>(P));
                ReflectRay(ray, X, pl.normal, pl.abs, pl.dif, nbands, static_cast<float>(NumBands),
                           DiffuseProcessing != 0, scatt);
                ++reflections[static_cast<unsigned>(P)];
                last = P;
            }
            if (P < 0 || ray.reflections > 50 || ray.dist > maxDistance || ray.GetEnergy() < minEnergy) break;
        }
        if (ray.dist > 0 && ray.reflections != 0) {
            totalDistance += ray.dist;
            totalReflections += ray.reflections;
        }
    }
    for (unsigned P = 0; P < reflections.size(); ++P) plane[P]->hits += reflections[P];

    if (totalReflections == 0) {
        // Nothing reflected (no planes, or none reachable): the diffuse-field value, never NaN.
        const double v = Area > 0 ? 4.0 * Volume / Area : 0.0;
        return std::isfinite(v) ? static_cast<float>(v) : 0.0f;
    }
    return totalDistance / static_cast<float>(totalReflections);
}

float TRoom::EnsureMeanFreePath()
{
    if (MeanFreePath == 0 || !std::isfinite(MeanFreePath)) MeanFreePath = MFP_Estimation();
    return MeanFreePath;
}
