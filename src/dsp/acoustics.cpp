#include "dsp/acoustics.h"

#include <cmath>

namespace {

// 10 log10(4 pi): the area term of a 1 m sphere, in the precision the level is stored with.
// Both conversions use this one value so that a level survives a round trip.
const double kSphereAreaDb = static_cast<double>(static_cast<float>(10.992098640220963));

constexpr double kReferenceTemperature = 293.15;    // K
constexpr double kTriplePointTemperature = 273.16;  // K

}  // namespace

void CalculateAirAbsCoefs(float Tp, float Ps, float Hr, unsigned int NumBands, double* Coefs)
{
    const double T = Tp;
    const double p = Ps;
    const double hr = Hr;
    const double Tr = T / kReferenceTemperature;

    // Molar concentration of water vapour in percent.
    const double h = hr * std::pow(10.0, -6.8346 * std::pow(kTriplePointTemperature / T, 1.261) + 4.6151) / p;
    // Relaxation frequencies of oxygen and nitrogen in Hz.
    const double frO = p * (24.0 + 4.04e4 * h * (0.02 + h) / (0.391 + h));
    const double frN = p * std::pow(Tr, -0.5) * (9.0 + 280.0 * h * std::exp(-4.170 * (std::pow(Tr, -1.0 / 3.0) - 1.0)));

    for (unsigned int B = 0; B < NumBands; ++B) {
        const double f = static_cast<float>(62.5 * std::pow(2.0, B));
        const double f2 = f * f;
        Coefs[B] = f2 * (1.84e-11 * (1.0 / p) * std::sqrt(Tr) +
                         std::pow(Tr, -2.5) * (0.01278 * std::exp(-2239.1 / T) / (frO + f2 / frO) +
                                               0.1068 * std::exp(-3352.0 / T) / (frN + f2 / frN)));
    }
}

float SPL2Power(float SPL)
{
    const double Lw = static_cast<float>(SPL + kSphereAreaDb);
    return static_cast<float>(std::pow(10.0, Lw / 10.0) * 1e-12);
}

float Power2SPL(float power)
{
    // 10 log10(W / 1e-12) minus the sphere's area term.
    return static_cast<float>(10.0 * std::log10(static_cast<double>(power)) + 120.0 - kSphereAreaDb);
}
