#pragma once
// A ray in flight: position, direction, distance travelled, reflections and band energies.
// Fixed-size arrays, so rays are copied and restarted without allocating.

#include <cstdint>

#include "geometry/TPoint3D.h"
#include "geometry/TVector.h"

constexpr unsigned MAX_NUMBANDS = 30;

struct Raio_st {
    // No bands: the form of a lost-ray record.
    Raio_st();
    // More than MAX_NUMBANDS bands shows an error and ends the process with status 1.
    explicit Raio_st(unsigned NBands);

    // v is taken as given (not normalised); alfa_acc is cleared.
    void Set(TPoint3D pos, TVector vdir, unsigned NRef, float Dist, const float* Spectrum);
    double GetEnergy() const;
    void MultiplyEnergyBy(double factor);
    double Time(float Vsound) const { return dist / Vsound; }
    void SetId(int Id) { ID = Id; }
    int GetId() const { return ID; }
    void Print() const;

    int ID = -1;
    TPoint3D p;
    TVector v;
    double dist = 0.0;  // metres from the source to p
    unsigned reflections = 0;
    float e[MAX_NUMBANDS + 1] = {};         // watts per band
    float alfa_acc[MAX_NUMBANDS + 1] = {};  // absorption summed over the reflections
    unsigned NumBands = 0;
};

// The reflection of PlaneInteraction with the plane's data already looked up: moves the ray to
// the point p, mirrors its direction at the unit normal n, counts the reflection and takes the
// absorption (and, with diffuse processing, the scattered share dif / scattDivisor) off every
// band, writing the scattered energy to scattEnergy. abs and dif hold the material's bands.
inline void ReflectRay(Raio_st& ray, TPoint3D p, TVector n, const float* abs, const float* dif,
                       unsigned nbands, float scattDivisor, bool diffuse, float* scattEnergy)
{
    ray.dist += Module(p - ray.p);
    ray.p = p;
    ray.v = ray.v - n * (2 * (ray.v * n));
    ray.reflections += 1;
    if (diffuse) {
        for (unsigned b = 0; b < nbands; ++b) {
            float s = dif[b] / scattDivisor;
            float specular_energ = ray.e[b] * (1 - abs[b]);
            scattEnergy[b] = s * specular_energ;
            ray.e[b] = (1 - s) * specular_energ;
        }
    } else {
        for (unsigned b = 0; b < nbands; ++b) {
            scattEnergy[b] = 0;
            ray.e[b] = ray.e[b] * (1 - abs[b]);
        }
    }
}
