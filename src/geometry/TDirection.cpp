#include "geometry/TDirection.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.1415926535897931;
constexpr double kTwoPi = 6.2831853071795862;
constexpr double kHalfPi = 1.5707963267948966;

// Unit vector of a direction given in degrees, in single precision as the arrival code uses.
TVector UnitFromDegrees(TDirection d)
{
    const float el = static_cast<float>(d.elev * kPi / 180.0);
    const float az = static_cast<float>(d.azim * kPi / 180.0);
    const float cel = std::cos(el);
    return {std::cos(az) * cel, std::sin(az) * cel, std::sin(el)};
}

TDirection FrontPoleOfRotated(TVector vrot, double elevShift)
{
    TDirection d = cart2sph(vrot);
    if (d.azim < 0) d.azim = static_cast<float>(d.azim + kTwoPi);
    d.elev = static_cast<float>(d.elev + elevShift);
    return d;
}

}  // namespace

TDirection TDirection::operator+(TDirection p2) const
{
    TDirection s;
    s.elev = elev + p2.elev;
    s.azim = azim + p2.azim;
    s.raio = raio + p2.raio;
    return s;
}

float TDirection::Distancia(TDirection P) const
{
    return static_cast<float>(UnitFromDegrees(*this).Angle(UnitFromDegrees(P)));
}

TVector sph2cart(double az, double elev, double r)
{
    return {r * std::cos(elev) * std::cos(az), r * std::cos(elev) * std::sin(az), r * std::sin(elev)};
}

TVector sph2cart(TDirection D)
{
    const double r = D.raio;
    const double cel = std::cos(D.elev), sel = std::sin(D.elev);
    const double caz = std::cos(D.azim), saz = std::sin(D.azim);
    return {r * cel * caz, r * cel * saz, r * sel};
}

TDirection cart2sph(TVector v)
{
    const double raizxy = std::sqrt(v.x * v.x + v.y * v.y);
    TDirection d;
    d.raio = static_cast<float>(std::sqrt(raizxy * raizxy + v.z * v.z));
    d.elev = static_cast<float>(std::atan2(v.z, raizxy));
    d.azim = static_cast<float>(std::atan2(v.y, v.x));
    return d;
}

TDirection cart2sphFrontPole(TVector v)
{
    return FrontPoleOfRotated(TVector(v.z, v.y, -v.x), kHalfPi);
}

TDirection Top2FrontPole(TDirection dir)
{
    return cart2sphFrontPole(sph2cart(dir));
}

TDirection Front2TopPole(TDirection dir)
{
    TDirection shifted = dir;
    shifted.elev = static_cast<float>(dir.elev - kHalfPi);
    const TVector v = sph2cart(shifted);
    return FrontPoleOfRotated(TVector(-v.z, v.y, v.x), 0.0);
}

float FixAzimuth(float azim)
{
    if (azim < 0) azim += 360;
    if (azim > 360) azim -= 360;
    return azim;
}

unsigned int RemoveRepeatedRays(TVector* ray, unsigned int NRays)
{
    if (NRays == 0) return 0;
    std::vector<bool> kept(NRays, true);
    std::vector<TDirection> dirs(NRays);
    for (unsigned int i = 0; i < NRays; i++) {
        ray[i] = ray[i] / Module(ray[i]);
        dirs[i] = cart2sph(ray[i]);
    }
    for (unsigned int i = 0; i + 1 < NRays; i++)
        for (unsigned int j = i + 1; j < NRays; j++)
            if (kept[j] && dirs[i] == dirs[j]) kept[j] = false;
    unsigned int n = 0;
    for (unsigned int i = 0; i < NRays; i++)
        if (kept[i]) ray[n++] = ray[i];
    return n;
}
