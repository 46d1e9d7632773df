#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dsp/AcousticParams.h"

namespace {

constexpr float kFs = 44100.0f;

// Exponential energy decay with T60 = 1 s on a fixed-seed random-sign carrier (its energy
// follows the envelope exactly, so the expected values hold without statistical spread).
std::vector<float> SyntheticDecay(float seconds)
{
    std::mt19937 gen(12345);
    std::bernoulli_distribution sign(0.5);
    const unsigned int n = static_cast<unsigned int>(seconds * kFs);
    std::vector<float> p(n);
    const double decay = 3.0 * std::log(10.0) / kFs;  // amplitude falls 60 dB per second
    for (unsigned int i = 0; i < n; i++) p[i] = (sign(gen) ? 1.0f : -1.0f) * static_cast<float>(std::exp(-decay * i));
    return p;
}

std::vector<float> DecayCurveOf(const std::vector<float>& p)
{
    std::vector<float> edc(p.size());
    GetDecayCurve(p.data(), edc.data(), static_cast<unsigned int>(p.size()));
    return edc;
}

}  // namespace

TEST(AcousticParams, SyntheticExponentialDecayGivesItsParameters)
{
    std::vector<float> p = SyntheticDecay(2.5f);
    std::vector<float> edc = DecayCurveOf(p);
    const unsigned int n = static_cast<unsigned int>(p.size());

    for (unsigned int i = 1; i < n; i++) ASSERT_LE(edc[i], edc[i - 1]) << i;

    EXPECT_NEAR(GetRevTime(edc.data(), n, -20.0f) / kFs, 1.0, 0.02);
    EXPECT_NEAR(GetRevTime(edc.data(), n, -30.0f) / kFs, 1.0, 0.02);
    EXPECT_NEAR(GetRevTime(edc.data(), n, -60.0f) / kFs, 1.0, 0.02);
    EXPECT_NEAR(GetDecayTime(edc.data(), n, 0.0f, -10.0f) / kFs, 1.0, 0.02);
    EXPECT_NEAR(GetEDT(edc.data(), n) / kFs, 1.0, 0.02);

    EXPECT_NEAR(GetC80(p.data(), n, 0, kFs), 3.05, 0.02);
    EXPECT_NEAR(GetD50(p.data(), n, 0, kFs), 49.9, 0.1);
    EXPECT_NEAR(GetCenterTime(p.data(), n) / kFs * 1000.0, 72.4, 0.1);
}

TEST(AcousticParams, LinearCurveFitsExactlyForEveryRange)
{
    // 0 dB falling 0.001 dB per sample: a 60 dB decay takes 60000 samples.
    std::vector<float> edc(100000);
    for (size_t i = 0; i < edc.size(); i++) edc[i] = -0.001f * static_cast<float>(i);
    const unsigned int n = static_cast<unsigned int>(edc.size());
    for (float delta : {-20.0f, -30.0f, -60.0f, 30.0f}) {
        SCOPED_TRACE(delta);
        EXPECT_NEAR(GetRevTime(edc.data(), n, delta), 60000.0, 60.0);
        EXPECT_NEAR(GetRT(edc.data(), n, delta), 60000.0, 60.0);
    }
    EXPECT_NEAR(GetDecayTime(edc.data(), n, 0.0f, -10.0f), 60000.0, 60.0);
    EXPECT_NEAR(GetDecayTime(edc.data(), n, -15.0f, -20.0f), 60000.0, 60.0);
}

TEST(AcousticParams, SilentOrDegenerateResponsesGiveNaN)
{
    struct Case {
        const char* name;
        std::vector<float> p;
    };
    std::vector<float> late(8820, 0.0f);
    late[8000] = 1.0f;  // one reflection only, so the decay has no slope
    const Case cases[] = {
        {"silent", std::vector<float>(4410, 0.0f)},
        {"single impulse", {1.0f, 0.0f, 0.0f, 0.0f}},
        {"single late impulse", late},
        {"one sample", {0.5f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const unsigned int n = static_cast<unsigned int>(c.p.size());
        std::vector<float> edc = DecayCurveOf(c.p);
        EXPECT_TRUE(std::isnan(GetRevTime(edc.data(), n, -20.0f)));
        EXPECT_TRUE(std::isnan(GetRevTime(edc.data(), n, -60.0f)));
        EXPECT_TRUE(std::isnan(GetDecayTime(edc.data(), n, 0.0f, -10.0f)));
    }
    const std::vector<float> silent(4410, 0.0f);
    EXPECT_TRUE(std::isnan(GetC80(silent.data(), 4410, 0, kFs)));
    EXPECT_TRUE(std::isnan(GetD50(silent.data(), 4410, 0, kFs)));
    EXPECT_TRUE(std::isnan(GetCenterTime(silent.data(), 4410)));
    // A direct sound at or past the end leaves nothing to measure.
    const std::vector<float> ones(100, 1.0f);
    EXPECT_TRUE(std::isnan(GetC80(ones.data(), 100, 100, kFs)));
    EXPECT_TRUE(std::isnan(GetD50(ones.data(), 100, 250, kFs)));
    // A curve that never falls 5 dB, and an empty one.
    const std::vector<float> flat(1000, -3.0f);
    EXPECT_TRUE(std::isnan(GetRevTime(flat.data(), 1000, -20.0f)));
    EXPECT_TRUE(std::isnan(GetRevTime(flat.data(), 0, -20.0f)));
    EXPECT_TRUE(std::isnan(GetEDT(flat.data(), 1000)));
}

TEST(AcousticParams, DecayCurveSumsEnergyFromTheEnd)
{
    const float p[] = {1.0f, -1.0f, 2.0f, 0.0f, 0.0f};
    float edc[5];
    GetDecayCurve(p, edc, 5);
    EXPECT_FLOAT_EQ(edc[0], 10.0f * std::log10(6.0f));
    EXPECT_FLOAT_EQ(edc[1], 10.0f * std::log10(5.0f));
    EXPECT_FLOAT_EQ(edc[2], 10.0f * std::log10(4.0f));
    EXPECT_TRUE(std::isinf(edc[3]) && edc[3] < 0);
    EXPECT_TRUE(std::isinf(edc[4]) && edc[4] < 0);

    float sums[5];
    GetDecayCurveNoLOG(p, sums, 5);
    const float expected[] = {6.0f, 5.0f, 4.0f, 0.0f, 0.0f};
    for (int i = 0; i < 5; i++) EXPECT_EQ(sums[i], expected[i]);
}

TEST(AcousticParams, ClarityDefinitionAndCentreTimeOnSimpleResponses)
{
    // Energy 1 at the direct sound and 1 at 100 ms; at 1000 Hz, 80 ms is 80 samples.
    std::vector<float> p(200, 0.0f);
    p[10] = 1.0f;
    p[110] = 1.0f;
    EXPECT_NEAR(GetC80(p.data(), 200, 10, 1000.0f), 0.0, 1e-5);
    EXPECT_NEAR(GetD50(p.data(), 200, 10, 1000.0f), 50.0, 1e-4);
    EXPECT_NEAR(GetCenterTime(p.data(), 200), 60.0, 1e-4);

    p[110] = 0.0f;  // nothing after 80 ms
    EXPECT_NEAR(GetC80(p.data(), 200, 10, 1000.0f), 80.0, 1e-4);
    EXPECT_NEAR(GetD50(p.data(), 200, 10, 1000.0f), 100.0, 1e-4);
    EXPECT_NEAR(GetCenterTime(p.data(), 200), 10.0, 1e-6);

    p[10] = 0.0f;
    p[150] = 1.0f;  // nothing in the first 80 ms
    const float c80 = GetC80(p.data(), 200, 10, 1000.0f);
    EXPECT_TRUE(std::isinf(c80) && c80 < 0);
    EXPECT_EQ(GetD50(p.data(), 200, 10, 1000.0f), 0.0f);
}

TEST(AcousticParams, LineFits)
{
    const float line[] = {0.0f, -1.0f, -2.0f};
    TPoint3D fit = LinearFitting(line, 0u, 3u);
    EXPECT_NEAR(fit.x, 0.0, 1e-6);
    EXPECT_NEAR(fit.y, -1.0, 1e-6);

    const float xs[] = {1.0f, 2.0f, 4.0f}, ys[] = {3.0f, 5.0f, 9.0f};
    fit = LinearFitting(xs, ys, 3);
    EXPECT_NEAR(fit.x, 1.0, 1e-5);
    EXPECT_NEAR(fit.y, 2.0, 1e-5);

    // No point, or a single point: (0, 0, midpoint).
    fit = LinearFitting(line, 1, 2);
    EXPECT_EQ(fit, TPoint3D(0.0, 0.0, 1.0));
    fit = LinearFitting(line, 2, 2);
    EXPECT_EQ(fit, TPoint3D(0.0, 0.0, 2.0));

    // Energies falling 1 dB per sample, with a zero that is skipped.
    std::vector<float> energy(20);
    for (int i = 0; i < 20; i++) energy[i] = std::pow(10.0f, -static_cast<float>(i) / 10.0f);
    energy[7] = 0.0f;
    fit = GetLinearParameters(energy.data(), 2, 20);
    EXPECT_NEAR(fit.y, -1.0, 1e-4);
    EXPECT_NEAR(fit.x, 0.0, 1e-3);
    // Pressures: the level of p^2 falls 2 dB per sample when p falls 1 dB.
    fit = GetLinearParameters_Bir(energy.data(), 2, 20);
    EXPECT_NEAR(fit.y, -2.0, 1e-4);
}

TEST(AcousticParams, ReceiverSphereRayStatistics)
{
    EXPECT_FLOAT_EQ(RayProbability(0.0f, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(DistanceForRayProb(0.5f, 0.5f), 0.0f);
    for (float d : {0.3f, 1.0f, 5.0f, 40.0f}) {
        SCOPED_TRACE(d);
        EXPECT_NEAR(DistanceForRayProb(RayProbability(d, 0.5f), 0.5f), d, d * 2e-3);
    }
    for (unsigned int N : {10u, 1000u, 100000u}) {
        SCOPED_TRACE(N);
        const double a = 1.0 - 2.0 / N;
        EXPECT_NEAR(MaxProbRayDistance(N, 0.5f), DistanceForRayProb(1.0f / N, 0.5f) / a,
                    MaxProbRayDistance(N, 0.5f) * 1e-3);
    }
}

TEST(AcousticParams, ArrayUtilities)
{
    std::vector<float> v = {1, 2, 3, 4, 5};
    FlipVector(v.data(), 5);
    EXPECT_EQ(v, (std::vector<float>{5, 4, 3, 2, 1}));
    v = {1, 2, 3, 4};
    FlipVector(v.data(), 4);
    EXPECT_EQ(v, (std::vector<float>{4, 3, 2, 1}));

    std::vector<float> zeros(4, 0.0f);
    EXPECT_EQ(Normalize(zeros.data(), 4), 1.0f);
    EXPECT_EQ(zeros, std::vector<float>(4, 0.0f));
    v = {1, -4, 2};
    EXPECT_EQ(Normalize(v.data(), 3), 4.0f);
    EXPECT_EQ(v, (std::vector<float>{0.25f, -1.0f, 0.5f}));
}

TEST(AcousticParams, MovingAverageIsCentredAndStaysInsideShortArrays)
{
    // (length, block) pairs, including arrays shorter than half a block.
    const unsigned int cases[][2] = {{20, 5}, {20, 4}, {7, 1}, {3, 8}, {1, 9}, {5, 30}};
    for (const auto& c : cases) {
        const unsigned int n = c[0], B = c[1], h = B / 2;
        SCOPED_TRACE(testing::Message() << n << " " << B);
        std::vector<float> x(n);
        for (unsigned int i = 0; i < n; i++) x[i] = static_cast<float>((i * 7) % 5) - 1.5f;
        std::vector<float> expected(n);
        for (unsigned int j = 0; j < n; j++) {
            double sum = 0.0;
            for (long i = static_cast<long>(j + h) - B + 1; i <= static_cast<long>(j + h); i++)
                if (i >= 0 && i < static_cast<long>(n)) sum += x[i];
            expected[j] = static_cast<float>(sum / B);
        }
        MovingAvgFilter(x.data(), n, B);
        for (unsigned int j = 0; j < n; j++) EXPECT_NEAR(x[j], expected[j], 1e-5) << j;
    }
}
