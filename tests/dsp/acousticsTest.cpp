#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "dsp/acoustics.h"

TEST(AirAbsorption, MatchesReferenceValuesAt20CelsiusOneAtmosphere40Percent)
{
    // Nepers per metre for the bands 62.5 Hz .. 16 kHz, to four digits.
    const std::vector<double> expected = {1.698e-5, 5.930e-5, 1.596e-4, 3.022e-4, 5.363e-4,
                                          1.292e-3, 4.202e-3, 1.500e-2, 4.840e-2};
    std::vector<double> coefs(9, -1.0);
    CalculateAirAbsCoefs(20.0f + 273.15f, 1.0f, 40.0f, 9, coefs.data());
    for (std::size_t b = 0; b < expected.size(); ++b)
        EXPECT_NEAR(coefs[b], expected[b], expected[b] * 1e-3) << "band " << b;
    EXPECT_NEAR(coefs[8] / coefs[0], 2850.0, 10.0);
}

TEST(AirAbsorption, DryAirKeepsOnlyTheRelaxationBaselines)
{
    // With hr = 0: frO = 24 p and frN = 9 p (T/293.15)^-1/2.
    const double T = 300.0, p = 0.9;
    double c = 0.0;
    CalculateAirAbsCoefs(static_cast<float>(T), static_cast<float>(p), 0.0f, 1, &c);
    const double f2 = 62.5 * 62.5, Tr = T / 293.15;
    const double frO = 24 * p, frN = 9 * p * std::pow(Tr, -0.5);
    const double want =
        f2 * (1.84e-11 / p * std::sqrt(Tr) + std::pow(Tr, -2.5) * (0.01278 * std::exp(-2239.1 / T) / (frO + f2 / frO) +
                                                                   0.1068 * std::exp(-3352.0 / T) / (frN + f2 / frN)));
    EXPECT_NEAR(c, want, want * 1e-5);
}

TEST(AirAbsorption, ZeroBandsWritesNothing)
{
    double c = 42.0;
    CalculateAirAbsCoefs(293.15f, 1.0f, 50.0f, 0, &c);
    EXPECT_EQ(c, 42.0);
}

TEST(LevelConversion, PowerOfKnownLevels)
{
    EXPECT_NEAR(SPL2Power(94.0f), 0.0315653f, 1e-6f);
    EXPECT_NEAR(SPL2Power(0.0f), 1.2566371e-11f, 1e-16f);
    EXPECT_EQ(Power2SPL(0.0f), -INFINITY);
}

TEST(LevelConversion, LevelsSurviveARoundTrip)
{
    for (float spl : {1.0f, 60.0f, 85.5f, 94.0f, 120.0f, 140.0f}) {
        const float back = Power2SPL(SPL2Power(spl));
        EXPECT_NEAR(back, spl, 1e-4f) << spl;
        char shown[32];
        std::snprintf(shown, sizeof shown, "%1.2f", back);
        char want[32];
        std::snprintf(want, sizeof want, "%1.2f", spl);
        EXPECT_STREQ(shown, want);
    }
}
