#include "dsp/Noise.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/ErrorCapture.h"
#include "support/FileText.h"
#include "support/TempDir.h"

namespace {

// Fixes the generators' seed for one test and restores the clock afterwards.
struct FixedSeed {
    explicit FixedSeed(unsigned int s) { NoiseSetSeed(s); }
    ~FixedSeed() { NoiseUseClockSeed(); }
};

std::string ReadNoiseFile(const std::filesystem::path& p)
{
    return ReadFile(p);
}

}  // namespace

TEST(ThickNoise, MagnitudesLieBetweenTheThresholdAndOneWithBothSigns)
{
    FixedSeed seed(7);
    std::vector<float> y(20000);
    ThickNoise(y.data(), 1.0f, 1000);
    for (int n = 0; n < 1000; ++n) EXPECT_EQ(std::fabs(y[n]), 1.0f) << n;

    ThickNoise(y.data(), 0.2f, static_cast<unsigned>(y.size()));
    int negative = 0;
    float smallest = 2.0f, largest = 0.0f;
    for (float v : y) {
        negative += v < 0;
        smallest = std::min(smallest, std::fabs(v));
        largest = std::max(largest, std::fabs(v));
    }
    EXPECT_GE(smallest, 0.2f + 0.8f / 32767.0f - 1e-6f);
    EXPECT_LE(largest, 1.0f);
    EXPECT_GT(largest, 0.99f);
    EXPECT_LT(smallest, 0.21f);
    EXPECT_NEAR(negative, 10000, 500);
}

TEST(NoiseSeed, FixedSeedRepeatsAndClockSeedRepeatsWithinASecond)
{
    std::vector<float> a(256), b(256), c(256);
    {
        FixedSeed seed(42);
        ThickNoise(a.data(), 0.2f, 256);
        ThickNoise(b.data(), 0.2f, 256);
        EXPECT_EQ(a, b);
        NoiseSetSeed(43);
        ThickNoise(c.data(), 0.2f, 256);
        EXPECT_NE(a, c);
    }
    // Clock seed: calls within the same second give the same sequence.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        ThickNoise(a.data(), 0.2f, 256);
        ThickNoise(b.data(), 0.2f, 256);
        if (std::time(nullptr) != before) continue;
        EXPECT_EQ(a, b);
        break;
    }
}

TEST(NoiseGenerators, RangesAndReturnedValues)
{
    FixedSeed seed(3);
    const unsigned L = 10000;
    std::vector<float> y(L);

    const float rmsSign = SignNoise(y.data(), L);
    for (float v : y) ASSERT_EQ(std::fabs(v), 1.0f);
    EXPECT_FLOAT_EQ(rmsSign, std::sqrt(static_cast<float>(L)) / L);

    const float rmsWhite = WhiteNoise(y.data(), L);
    double sum2 = 0.0;
    for (float v : y) {
        ASSERT_GE(v, -1.0f);
        ASSERT_LT(v, 1.0f);
        sum2 += v * v;
    }
    EXPECT_NEAR(rmsWhite, std::sqrt(sum2) / L, 1e-6);

    WhiteNoise(y.data(), L, 0.0f);  // plus 10^0 = 1
    for (float v : y) {
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 2.0f);
    }

    const float alpha = 50.0f, fs = 1000.0f, c = 340.0f;
    NoiseDecay(y.data(), alpha, fs, c, L);
    const float k = (c / fs) / (2.0f * 3.14159265f);
    for (unsigned n = 0; n < L; ++n) ASSERT_LE(std::fabs(y[n]), 0.5f * std::exp(-alpha * n * k) * 1.0001f) << n;

    EXPECT_EQ(SignNoise(y.data(), 0), 0.0f);
    EXPECT_EQ(WhiteNoise(y.data(), 0), 0.0f);
}

TEST(GaussianNoise, HasTheAskedMeanAndDeviation)
{
    FixedSeed seed(11);
    const unsigned L = 200000;
    std::vector<float> x(L);
    GaussianNoise(x.data(), L, 2.0f, 5.0f);
    double sum = 0.0, sum2 = 0.0;
    for (float v : x) {
        sum += v;
        sum2 += double(v) * v;
    }
    const double mean = sum / L, sd = std::sqrt(sum2 / L - mean * mean);
    EXPECT_NEAR(mean, 5.0, 0.02);
    EXPECT_NEAR(sd, 2.0, 0.03);
}

TEST(VelvetNoise, OneImpulsePerWholeBlockButTheLastAndNeverOutside)
{
    FixedSeed seed(5);
    struct Case {
        unsigned length;
        int td;
        unsigned impulses;  // blocks that get one
    };
    const Case cases[] = {{1000, 200, 4}, {1001, 200, 5}, {150, 200, 0}, {200, 200, 0},
                          {0, 5, 0},      {1000, 1, 999}, {7, 0, 0},     {7, -3, 0}};
    for (const auto& c : cases) {
        // Guard cells around the array catch a write outside it.
        std::vector<float> buf(c.length + 2, 9.0f);
        float* x = buf.data() + 1;
        VelvetNoise(x, c.length, c.td);
        EXPECT_EQ(buf.front(), 9.0f);
        EXPECT_EQ(buf.back(), 9.0f);
        unsigned count = 0;
        for (unsigned n = 0; n < c.length; ++n) {
            ASSERT_TRUE(x[n] == 0.0f || std::fabs(x[n]) == 1.0f);
            if (x[n] != 0.0f) {
                ++count;
                EXPECT_LT(n, c.impulses * static_cast<unsigned>(c.td)) << "impulse in the last block";
            }
        }
        EXPECT_EQ(count, c.impulses) << c.length << "/" << c.td;
        if (c.td > 0)
            for (unsigned b = 0; b < c.impulses; ++b) {
                int inBlock = 0;
                for (int i = 0; i < c.td; ++i) inBlock += x[b * c.td + i] != 0.0f;
                EXPECT_EQ(inBlock, 1) << "block " << b;
            }
    }
}

TEST(ShiftFloat, DelaysAndAdvancesWithinTheArray)
{
    struct Case {
        int delay;
        std::vector<float> expect;
    };
    const Case cases[] = {{2, {0, 0, 1, 2, 3}},       {-2, {3, 4, 5, 0, 0}},     {0, {1, 2, 3, 4, 5}},
                          {4, {0, 0, 0, 0, 1}},       {5, {0, 0, 0, 0, 0}},      {-7, {0, 0, 0, 0, 0}},
                          {INT_MAX, {0, 0, 0, 0, 0}}, {INT_MIN, {0, 0, 0, 0, 0}}};
    for (const auto& c : cases) {
        std::vector<float> buf = {9, 1, 2, 3, 4, 5, 9};
        ShiftFloat(buf.data() + 1, 5, c.delay);
        EXPECT_EQ(std::vector<float>(buf.begin() + 1, buf.end() - 1), c.expect) << c.delay;
        EXPECT_EQ(buf.front(), 9.0f);
        EXPECT_EQ(buf.back(), 9.0f);
    }
}

TEST(SignalHelpers, BinaryDigitsAndRootMeanSquare)
{
    struct Case {
        int n;
        unsigned bits;
        std::vector<int> expect;
    };
    const Case cases[] = {{5, 3, {0, 1, 0, 1}}, {5, 0, {1}}, {-1, 3, {1, 1, 1, 1}}, {6, 2, {1, 1, 0}}};
    for (const auto& c : cases) {
        std::vector<int> out(c.bits + 2, 7);
        decimal_to_binary(c.n, out.data(), c.bits);
        EXPECT_EQ(std::vector<int>(out.begin(), out.end() - 1), c.expect) << c.n;
        EXPECT_EQ(out.back(), 7) << "wrote past Bits + 1 entries";
    }
    const float x[] = {3.0f, 4.0f};
    EXPECT_FLOAT_EQ(RootMeanSquare(x, 2), std::sqrt(12.5f));
    EXPECT_EQ(RootMeanSquare(x, 0), 0.0f);
}

TEST(SaveArrays, OneValuePerLineAndAReportedFailure)
{
    const TempDir dir("noise");
    const float f[] = {0.5f, 1e6f, -3.0f, 1.0f / 3.0f};
    const int i[] = {0, -12, 2147483647};
    ASSERT_TRUE(utilSaveFloat((dir / "f.txt").string(), f, 4));
    ASSERT_TRUE(utilSaveInt((dir / "i.txt").string(), i, 3));
    EXPECT_EQ(ReadNoiseFile(dir / "f.txt"), "0.5\n1e+06\n-3\n0.333333\n");
    EXPECT_EQ(ReadNoiseFile(dir / "i.txt"), "0\n-12\n2147483647\n");

    ErrorCapture cap;
    EXPECT_FALSE(utilSaveFloat((dir / "missing" / "f.txt").string(), f, 4));
    EXPECT_EQ(cap.messages.size(), 1u);
}
