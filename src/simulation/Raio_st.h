#pragma once
// A ray in flight: position, direction, distance travelled, reflections and band energies.
// Fixed-size arrays, so rays are copied and restarted without allocating.

#include <cstdint>

#include <emmintrin.h>

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
// the point p, dist metres from where it stands, mirrors its direction at the unit normal n,
// counts the reflection and takes the absorption (and, with diffuse processing, the scattered
// share dif / scattDivisor) off every band, writing the scattered energy to scattEnergy
// (left alone without diffuse processing). abs and dif hold the
// material's bands, keep the factors 1 - abs (as float computes them). Returns the reflected ray's energy as GetEnergy sums it (in double, from
// band 0).
inline double ReflectRayAt(Raio_st& ray, const TPoint3D& p, double dist, const TVector& n, const float* abs,
                           const float* dif, const float* __restrict keep, unsigned nbands, float scattDivisor,
                           bool diffuse, float* scattEnergy)
{
    double sum = 0;
    ray.dist += dist;
    ray.p = p;
    ray.v = ray.v - n * (2 * (ray.v * n));
    ray.reflections += 1;
    if (diffuse) {
        for (unsigned b = 0; b < nbands; ++b) {
            float s = dif[b] / scattDivisor;
            float specular_energ = ray.e[b] * (1 - abs[b]);
            scattEnergy[b] = s * specular_energ;
            ray.e[b] = (1 - s) * specular_energ;
            sum += ray.e[b];
        }
        return sum;
    }
    float* __restrict e = ray.e;
    unsigned b = 0;
    // Four bands per step; their energies join the sum one by one, in band order.
    __m128d acc = _mm_setzero_pd();
    for (; b + 4 <= nbands; b += 4) {
        const __m128 v = _mm_mul_ps(_mm_loadu_ps(e + b), _mm_loadu_ps(keep + b));
        _mm_storeu_ps(e + b, v);
        const __m128d lo = _mm_cvtps_pd(v), hi = _mm_cvtps_pd(_mm_movehl_ps(v, v));
        acc = _mm_add_sd(acc, lo);
        acc = _mm_add_sd(acc, _mm_unpackhi_pd(lo, lo));
        acc = _mm_add_sd(acc, hi);
        acc = _mm_add_sd(acc, _mm_unpackhi_pd(hi, hi));
    }
    sum = _mm_cvtsd_f64(acc);
    // At most three bands are left: unrolled, a loop's set-up costs more than they do.
    if (b < nbands) {
        e[b] = e[b] * keep[b];
        sum += e[b];
        if (++b < nbands) {
            e[b] = e[b] * keep[b];
            sum += e[b];
            if (++b < nbands) {
                e[b] = e[b] * keep[b];
                sum += e[b];
            }
        }
    }
    return sum;
}

// ReflectRayAt with the distance |p - ray.p| measured here and the factors 1 - abs made here;
// without diffuse processing the scattered energy is zero.
inline void ReflectRay(Raio_st& ray, TPoint3D p, TVector n, const float* abs, const float* dif, unsigned nbands,
                       float scattDivisor, bool diffuse, float* scattEnergy)
{
    float keep[MAX_NUMBANDS + 1];
    for (unsigned b = 0; b < nbands && b <= MAX_NUMBANDS; ++b) keep[b] = 1 - abs[b];
    ReflectRayAt(ray, p, Module(p - ray.p), n, abs, dif, keep, nbands, scattDivisor, diffuse, scattEnergy);
    if (!diffuse)
        for (unsigned b = 0; b < nbands; ++b) scattEnergy[b] = 0;
}
