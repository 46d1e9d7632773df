#pragma once
// A direction as elevation, azimuth and radius, and the spherical conversions.
// The angle unit is the producer's: cart2sph and the pole conversions give radians,
// arrival records and Distancia use degrees. Functions take azimuth first.

#include "geometry/TVector.h"

struct TDirection {
    float elev = 0.0f;
    float azim = 0.0f;
    float raio = 0.0f;

    void Set(float az, float el, float r)
    {
        azim = az;
        elev = el;
        raio = r;
    }
    void Set(TDirection a) { *this = a; }
    // Adds elevations, azimuths (and radii) to average directions later.
    TDirection operator+(TDirection p2) const;
    // Azimuth and elevation exactly equal as floats; raio is ignored.
    bool operator==(TDirection p2) const { return azim == p2.azim && elev == p2.elev; }
    // Angle in degrees between this and P, both given in degrees.
    float Distancia(TDirection P) const;
};

// Radians: x = r cos(el) cos(az), y = r cos(el) sin(az), z = r sin(el).
TVector sph2cart(double az, double elev, double r);
// The same from the float fields, with single-precision sines and cosines.
TVector sph2cart(TDirection D);
// Radians; azim in (-pi, pi], elev in [-pi/2, pi/2]. The zero vector gives (0, 0, 0).
TDirection cart2sph(TVector v);

// Frame with its pole on +x: elev is the polar angle from +x (0 .. pi), azim the angle
// around x, 0 towards +z and pi/2 towards +y, in [0, 2 pi). Radians.
TDirection cart2sphFrontPole(TVector v);
TDirection Top2FrontPole(TDirection dir);
TDirection Front2TopPole(TDirection dir);

// Degrees: one step of +360 for negative values, one step of -360 above 360.
float FixAzimuth(float azim);

// Normalises the NRays directions in place and moves the ones whose azimuth and elevation
// are not exactly those of an earlier entry to the front; returns their count.
unsigned int RemoveRepeatedRays(TVector* ray, unsigned int NRays);
