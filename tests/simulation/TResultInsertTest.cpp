#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "simulation/ResultTestSupport.h"
#include "support/DaffTestWriter.h"

using namespace resulttest;

namespace {

// A measured pattern written on the fly; removed with the object.
struct DaffPattern {
    explicit DaffPattern(const dafftest::DaffTestWriter& w, const std::string& tag)
        : file(dafftest::writeTempFile(w.bytes(), tag + "-" + std::to_string(::getpid()) + ".daff")),
          pattern(file.c_str(), kBands)
    {}
    ~DaffPattern() { std::filesystem::remove(file); }
    std::string file;
    TDirectivity pattern;
};

float Sum(const std::vector<float>& v, unsigned from = 0)
{
    float s = 0.0f;
    for (std::size_t i = from; i < v.size(); ++i) s += std::fabs(v[i]);
    return s;
}

}  // namespace

// Early or late by the pair's cluster order, and the bookkeeping of each arrival.
TEST(InsertRay, RoutesByClusterOrderAndKeepsItsCounters)
{
    struct Case {
        int clusterOrder;
        unsigned order;
        bool early;
    };
    const Case cases[] = {{2, 0, true}, {2, 1, true},  {2, 2, true},  {2, 3, false},
                          {0, 0, true}, {0, 1, false}, {-1, 0, true}, {-1, 37, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "cluster order " << c.clusterOrder << ", order " << c.order);
        PairSetup setup;
        auto r = setup.Make(c.clusterOrder, 1000);
        CreateEarlyPart(*r);
        r->DirectSoundIndex = 900;
        TRay a = Arrival(250, 10.0f, 0.0f, c.order, 0.5f, 4.0f);
        r->InsertRay(&a);
        EXPECT_EQ(r->EarlyRefCount, c.early ? 1u : 0u);
        EXPECT_EQ(r->LateRefCount, c.early ? 0u : 1u);
        // Late arrivals take a polarity of their own; early ones stay positive.
        const float got = (c.early ? r->IR_Early : r->IR)[0][0][250];
        EXPECT_FLOAT_EQ(c.early ? got : std::fabs(got), 2.0f);
        EXPECT_FLOAT_EQ((c.early ? r->IR : r->IR_Early)[0][0][250], 0.0f);
        EXPECT_EQ(r->MaxFirstIndex, c.early ? 250u : 0u);
        EXPECT_EQ(r->MinFirstIndex, 250u);
        EXPECT_EQ(r->DirectSoundIndex, 250u);
        EXPECT_EQ(r->MaxReflection, c.order);
        EXPECT_EQ(r->MaxReflectionIndex, c.order > 0 ? 250u : 0u);
        EXPECT_EQ(r->NumReflections, 1u);
    }
}

TEST(InsertRay, ArrivalAtOrPastTheEndChangesNothing)
{
    PairSetup setup;
    auto r = setup.Make(2, 1000);
    CreateEarlyPart(*r);
    for (unsigned index : {1000u, 5000u}) {
        TRay a = Arrival(index, 10.0f, 0.0f, 1, 0.5f, 4.0f);
        r->InsertRay(&a);
    }
    EXPECT_EQ(r->EarlyRefCount + r->LateRefCount + r->NumReflections, 0u);
    EXPECT_EQ(r->MinFirstIndex, 1000u);
    EXPECT_EQ(r->MaxReflection, 0u);
    EXPECT_EQ(Sum(r->IR_Early[0][0]) + Sum(r->IR[0][0]), 0.0f);
}

// Two omni patterns: the band amplitude is the square root of the band energy, at the arrival's
// sample, nothing elsewhere.
TEST(InsertRay, OmniArrivalAddsTheRootOfItsBandEnergies)
{
    PairSetup setup;
    auto r = setup.Make(0, 1000);
    TRay a = Arrival(100, 123.0f, 40.0f, 3, 0.5f, 0.0f);
    for (unsigned b = 0; b < kBands; ++b) a.SetSpectrum(b, 4.0f * static_cast<float>(b + 1));
    r->InsertRay(&a);
    r->InsertRay(&a);
    // A late arrival: one polarity, the same for every band and every insertion.
    const float sign = r->IR[0][0][100] > 0 ? 1.0f : -1.0f;
    for (unsigned b = 0; b < kBands; ++b) {
        EXPECT_FLOAT_EQ(r->IR[0][b][100], sign * 2.0f * std::sqrt(4.0f * static_cast<float>(b + 1))) << b;
        EXPECT_FLOAT_EQ(Sum(r->IR[0][b]), std::fabs(r->IR[0][b][100])) << b;
    }
}

// A late arrival weighed apart (LateAmplitudes, then InsertLate) leaves the result exactly as
// InsertRay does, for patterns given by a formula, turned or not; data-file patterns are not
// weighed apart.
TEST(InsertLate, MatchesInsertRayBitForBit)
{
    struct Case {
        const char* source;
        const char* receiver;
        float srcAzimRotation, recAzimRotation;
    };
    const Case cases[] = {{"OMNI", "OMNI", 0, 0},
                          {"CARDIOID", "OMNI", 40, 0},
                          {"OMNI", "HYPERCARD", 0, 75},
                          {"OMNI2CARD", "EIGHTFIG", -30, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << " source, " << c.receiver << " receiver");
        TDirectivity src(c.source, kBands), rec(c.receiver, kBands);
        PairSetup setup;
        setup.source.directivity = &src;
        setup.source.AzimRotation = c.srcAzimRotation;
        setup.source.ElevRotation = 10;
        setup.receiver.SetDirectivity(&rec);
        setup.receiver.AzimRotation = c.recAzimRotation;
        auto direct = setup.Make(1, 1000), apart = setup.Make(1, 1000);
        ASSERT_TRUE(apart->LateAmplitudesApart());
        std::vector<float> amplitudes(std::size_t{apart->NumChannels} * kBands), srcMag, recMag;
        for (unsigned k = 0; k < 6; ++k) {
            TRay a = Arrival(100 + 7 * (k % 3), 37.0f + 61.0f * k, 25.0f - 9.0f * k, 2 + k, 0.3f, 1.5f + k, 11 * k);
            a.startDir.azim = 13.0f * k - 50.0f;
            a.startDir.elev = 5.0f * k;
            for (unsigned b = 0; b < kBands; ++b) a.SetSpectrum(b, 0.1f * (b + 1) + 0.7f * k);
            direct->InsertRay(&a);
            apart->LateAmplitudes(a, amplitudes.data(), srcMag, recMag);
            apart->InsertLate(a.index, static_cast<uint32_t>(a.reflections), amplitudes.data());
        }
        TRay past = Arrival(1000, 0.0f, 0.0f, 3, 0.3f);
        direct->InsertRay(&past);
        apart->InsertLate(past.index, 3, amplitudes.data());
        EXPECT_TRUE(direct->IR == apart->IR);
        EXPECT_EQ(direct->LateRefCount, apart->LateRefCount);
        EXPECT_EQ(direct->NumReflections, apart->NumReflections);
        EXPECT_EQ(direct->DirectSoundIndex, apart->DirectSoundIndex);
        EXPECT_EQ(direct->MinFirstIndex, apart->MinFirstIndex);
        EXPECT_EQ(direct->MaxReflection, apart->MaxReflection);
        EXPECT_EQ(direct->MaxReflectionIndex, apart->MaxReflectionIndex);
    }
    DaffPattern two(dafftest::magnitudeGrid(), "apart");
    PairSetup setup;
    setup.receiver.SetDirectivity(&two.pattern);
    EXPECT_FALSE(setup.Make(1, 1000)->LateAmplitudesApart());
}

// A two-channel magnitude receiver: each channel gets its own magnitude times the amplitude.
TEST(InsertRay, TwoChannelReceiverWeightsEachChannel)
{
    DaffPattern two(dafftest::magnitudeGrid(), "two-channel");
    ASSERT_EQ(two.pattern.GetNumChannels(), 2);
    ASSERT_EQ(two.pattern.DAFFType, 1);
    PairSetup setup;
    setup.receiver.SetDirectivity(&two.pattern);
    setup.receiver.AzimRotation = 30.0;
    auto r = setup.Make(0, 1000);
    ASSERT_EQ(r->NumChannels, 2u);
    TRay a = Arrival(10, 120.0f, 20.0f, 2, 0.5f, 9.0f);
    r->InsertRay(&a);

    std::vector<float> mag(kBands);
    for (unsigned c = 0; c < 2; ++c) {
        // Looked up relative to the receiver's rotation.
        two.pattern.GetMagnitudes(90.0f, 20.0f, c, mag.data());
        const float sign = r->IR[0][0][10] > 0 ? 1.0f : -1.0f;  // a late arrival's polarity
        for (unsigned b = 0; b < kBands; ++b) EXPECT_FLOAT_EQ(r->IR[c][b][10], sign * mag[b] * 3.0f) << c << " " << b;
    }
    EXPECT_NE(r->IR[0][0][10], r->IR[1][0][10]);
}

// A receiver given as impulse responses spreads the arrival over the response's samples and
// drops what falls past the end.
TEST(InsertRay, ReceiverImpulseResponseIsSpreadAndCutAtTheEnd)
{
    DaffPattern ir(dafftest::impulseResponses(2), "receiver-ir");
    ASSERT_EQ(ir.pattern.DAFFType, 0);
    PairSetup setup;
    setup.receiver.SetDirectivity(&ir.pattern);
    auto r = setup.Make(0, 1000);
    std::vector<float> h(16);
    for (unsigned index : {100u, 998u}) {
        TRay a = Arrival(index, 90.0f, 0.0f, 1, 0.5f, 4.0f);
        r->InsertRay(&a);
        for (unsigned c = 0; c < 2; ++c) {
            setup.receiver.GetIR(90.0f, 0.0f, c, h.data());
            for (unsigned j = 0; j < 16 && index + j < 1000; ++j)
                EXPECT_FLOAT_EQ(r->IR[c][4][index + j], 2.0f * h[j]) << index << " " << c << " " << j;
        }
    }
    EXPECT_GT(Sum(r->IR[1][4]), 0.0f);
}

// Source and receiver both as impulse responses: their convolution lands at n + k.
TEST(InsertRay, TwoImpulseResponsesAreConvolved)
{
    DaffPattern ir(dafftest::impulseResponses(2), "both-ir");
    PairSetup setup;
    setup.receiver.SetDirectivity(&ir.pattern);
    setup.source.directivity = &ir.pattern;
    auto r = setup.Make(3, 1000);
    CreateEarlyPart(*r);
    EXPECT_EQ(r->SpectrumLength, 32u);
    TRay a = Arrival(200, 0.0f, 0.0f, 1, 0.5f, 9.0f);
    a.startDir.Set(180.0f, 0.0f, 1.0f);
    r->InsertRay(&a);

    std::vector<float> s(16), h(16);
    ir.pattern.GetDirectionalIR(180.0f, 0.0f, 0, s.data());
    for (unsigned c = 0; c < 2; ++c) {
        ir.pattern.GetDirectionalIR(0.0f, 0.0f, c, h.data());
        for (unsigned k = 0; k < 32; ++k) {
            double conv = 0.0;
            for (unsigned j = 0; j <= k; ++j)
                if (j < 16 && k - j < 16) conv += static_cast<double>(s[j]) * h[k - j];
            EXPECT_NEAR(r->IR_Early[c][2][200 + k], 3.0 * conv, 1e-5) << c << " " << k;
        }
        EXPECT_EQ(Sum(r->IR_Early[c][2], 232), 0.0f);
        EXPECT_EQ(Sum(r->IR[c][2]), 0.0f);
    }
}

// The direct-sound record keeps the ray that passed closest to the centre and sums every
// direct ray's energy weighted by the source pattern.
TEST(DirectSound, RecordKeepsTheClosestRayAndSumsWeightedEnergies)
{
    TDirectivity cardioid("CARDIOID", kBands);
    PairSetup setup;
    setup.source.directivity = &cardioid;
    auto r = setup.Make(2);
    TRay first = Arrival(380, 180.0f, 0.0f, 0, 0.3f, 1.0f, 11);
    first.startDir.Set(10.0f, 0.0f, 1.0f);
    TRay second = Arrival(386, 175.0f, 1.0f, 0, 0.8f, 2.0f, 12);
    second.startDir.Set(90.0f, 0.0f, 1.0f);
    r->AcumulateDirectSound(&first);
    r->AcumulateDirectSound(&second);

    std::vector<float> at10(kBands), at90(kBands);
    cardioid.GetMagnitudes(10.0f, 0.0f, 0, at10.data());
    cardioid.GetMagnitudes(90.0f, 0.0f, 0, at90.data());
    const TRay& D = *r->DirectSoundRay;
    EXPECT_EQ(D.index, 386u);
    EXPECT_EQ(D.ID, 12);
    EXPECT_FLOAT_EQ(D.dir.azim, 175.0f);
    EXPECT_FLOAT_EQ(D.startDir.azim, 90.0f);
    EXPECT_FLOAT_EQ(D.fatordist, 0.8f);
    EXPECT_EQ(D.reflections, 2);
    EXPECT_EQ(r->DirectSoundIndex, 386u);
    EXPECT_FLOAT_EQ(D.spectrum[0], 1.0f * at10[0] + 2.0f * at90[0]);
    EXPECT_LT(at90[0], at10[0]);

    // A weaker ray after the best one leaves the directions alone.
    TRay third = Arrival(390, 0.0f, 0.0f, 0, 0.8f, 1.0f, 13);
    r->AcumulateDirectSound(&third);
    EXPECT_EQ(D.ID, 12);
    EXPECT_EQ(D.reflections, 3);
}

// The direct-sound record, read back as an order-0 arrival, carries the source pattern once.
TEST(DirectSound, SourcePatternIsAppliedOnce)
{
    TDirectivity cardioid("CARDIOID", kBands);
    PairSetup setup;
    setup.source.directivity = &cardioid;
    setup.source.AzimRotation = 30.0f;
    auto r = setup.Make(2);
    CreateEarlyPart(*r);
    TRay direct = Arrival(386, 180.0f, 0.0f, 0, 0.8f, 4.0f);
    direct.startDir.Set(120.0f, 0.0f, 1.0f);
    r->AcumulateDirectSound(&direct);
    TRay record(kBands);
    record.Set(*r->DirectSoundRay);
    record.startDir = r->DirectSoundRay->startDir;
    record.reflections = 0;
    r->InsertRay(&record);

    std::vector<float> S(kBands);
    cardioid.GetMagnitudes(90.0f, 0.0f, 0, S.data());
    ASSERT_GT(S[3], 0.0f);
    ASSERT_LT(S[3], 0.9f);
    for (unsigned b = 0; b < kBands; ++b) EXPECT_FLOAT_EQ(r->IR_Early[0][b][386], std::sqrt(4.0f * S[b])) << b;

    // A reflection from the same launch direction is weighted by the pattern as usual.
    TRay reflection = direct;
    reflection.reflections = 1;
    reflection.index = 500;
    r->InsertRay(&reflection);
    EXPECT_FLOAT_EQ(r->IR_Early[0][3][500], std::sqrt(4.0f * S[3]));
}
