#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "simulation/ResultTestSupport.h"

using namespace resulttest;

namespace {

constexpr float kTailFs = 44100.0f;
constexpr unsigned kLength = 44100;
constexpr unsigned kFirst = 200;     // first arrival
constexpr unsigned kFadeEnd = 2000;  // MaxProbIndex
constexpr unsigned kStep = 37;       // arrivals every 37 samples

// T60 of band b in the collected arrivals, seconds.
double BandT60(unsigned b)
{
    return 0.5 + 0.25 * b;
}
// log10 amplitude of band b at sample n: -2 - 3 n / (T60 fs).
double Log10Amplitude(unsigned b, unsigned n)
{
    return -2.0 - 3.0 * n / (BandT60(b) * kTailFs);
}

// A pair whose late part holds arrivals exactly on each band's exponential decay.
std::unique_ptr<TResult> DecayingPair(PairSetup& setup)
{
    auto r = setup.Make(2, kLength);
    CreateEarlyPart(*r);
    for (unsigned b = 0; b < kBands; ++b)
        for (unsigned n = kFirst; n < kLength; n += kStep)
            r->IR[0][b][n] = static_cast<float>(std::pow(10.0, Log10Amplitude(b, n)));
    r->MinFirstIndex = kFirst;
    r->MaxFirstIndex = 600;
    r->MaxProbIndex = kFadeEnd;
    return r;
}

std::string AddTail(TResult& r)
{
    testing::internal::CaptureStdout();
    r.AddArtificialTail_LateRays();
    return testing::internal::GetCapturedStdout();
}

bool OnArrival(unsigned n)
{
    return n >= kFirst && (n - kFirst) % kStep == 0;
}

}  // namespace

// The tail continues each band's decay: the fitted T60 is the band's, and between the
// arrivals the added noise lies within [0.2, 1] of the fitted envelope, faded in from the first
// arrival to MaxProbIndex as 1 - e^(-8 x).
TEST(ArtificialTail, ContinuesEachBandAtItsFittedRate)
{
    TResult::SetTailSeed(20261210);
    PairSetup setup;
    auto r = DecayingPair(setup);
    const std::string out = AddTail(*r);
    EXPECT_NE(out.find("Setting noise start to 200 samples.\n"), std::string::npos);
    EXPECT_NE(out.find("Adding artificial tail at 0.005 sec (200 - 1.56 m) - end of transition time = 0.01\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("T60 Estimation from preliminary rays:0.50 0.75 1.00 1.25 1.50 1.75 2.00 2.25 2.50  Done!\n"),
              std::string::npos)
        << out;

    std::vector<float> noise(kLength);
    for (unsigned b = 0; b < kBands; ++b) {
        SCOPED_TRACE(testing::Message() << "band " << b);
        EXPECT_NEAR(r->T60_estimate[b], BandT60(b), 0.01 * BandT60(b));
        TResult::TailNoise(noise.data(), kLength, 0.2f, 20261210, 0, 0, b);
        double worst = 0.0;
        for (unsigned n = 0; n < kLength; ++n) {
            const double added = r->IR[0][b][n];
            if (n < kFirst) {
                ASSERT_EQ(added, 0.0) << n;
                continue;
            }
            if (OnArrival(n)) continue;
            const double envelope = std::pow(10.0, Log10Amplitude(b, n));
            const double x = n < kFadeEnd ? static_cast<double>(n - kFirst) / (kFadeEnd - kFirst) : 1.0;
            const double w = 1.0 - std::exp(-8.0 * x);
            // Fitted envelope times the noise magnitude times the fade-in weight.
            const double expected = envelope * std::fabs(noise[n]) * (n < kFadeEnd ? w : 1.0);
            if (expected > 0.0) worst = std::max(worst, std::fabs(added / expected - 1.0));
            ASSERT_GE(added, 0.2 * envelope * (n < kFadeEnd ? w : 1.0) * 0.98) << n;
            ASSERT_LE(added, envelope * 1.02) << n;
        }
        EXPECT_LT(worst, 0.02);
    }
}

// One seed gives one tail; another seed, another band or another pair draws other noise.
TEST(ArtificialTail, DeterministicPerSeedAndDistinctPerPairAndBand)
{
    auto run = [](unsigned long long seed, int srcID) {
        TResult::SetTailSeed(seed);
        PairSetup setup;
        setup.source.srcID = srcID;
        setup.receiver.recID = 3;
        auto r = DecayingPair(setup);
        AddTail(*r);
        // The noise alone: the tail divided by its band's envelope.
        std::vector<std::vector<float>> shape(kBands, std::vector<float>(kLength, 0.0f));
        for (unsigned b = 0; b < kBands; ++b)
            for (unsigned n = kFadeEnd; n < kLength; ++n)
                if (!OnArrival(n))
                    shape[b][n] = static_cast<float>(r->IR[0][b][n] / std::pow(10.0, Log10Amplitude(b, n)));
        return std::make_pair(std::move(r->IR), shape);
    };
    const auto [ir, shape] = run(7, 0);
    const auto [again, againShape] = run(7, 0);
    EXPECT_EQ(ir, again);
    const auto [otherSeed, otherSeedShape] = run(8, 0);
    EXPECT_NE(shape[4], otherSeedShape[4]);
    const auto [otherPair, otherPairShape] = run(7, 1);
    EXPECT_NE(shape[4], otherPairShape[4]);
    for (unsigned b = 1; b < kBands; ++b) {
        unsigned same = 0;
        for (unsigned n = kFadeEnd; n < kLength; ++n)
            if (!OnArrival(n)) same += std::fabs(shape[b][n] - shape[0][n]) < 1e-3f;
        EXPECT_LT(same, kLength / 100) << b;  // chance alone: about 0.25 %
    }
}

// Too few arrivals, a single one (no slope), two (the line passes through both, nothing lies
// above it) and none: never a growing, constant or NaN tail.
TEST(ArtificialTail, DegenerateFitsGiveNoTailOrAFiniteDecayingOne)
{
    TResult::SetTailSeed(99);
    struct Case {
        const char* name;
        unsigned rays;
        std::vector<unsigned> arrivals;
        bool tail;
        const char* message;
    };
    const Case cases[] = {
        {"too few",
         100000,
         {300, 900, 1500},
         false,
         "Less than 1% of rays collected! No artificial tail will be generated for ch 01 - band 03\n"},
        {"none",
         12,
         {},
         false,
         "Less than 1% of rays collected! No artificial tail will be generated for ch 01 - band 03\n"},
        {"one",
         12,
         {500},
         false,
         "No decay could be fitted! No artificial tail will be generated for ch 01 - band 03\n"},
        {"two", 12, {500, 5000}, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PairSetup setup;
        setup.source.NumberOfRays = c.rays;
        auto r = setup.Make(2, 8000);
        CreateEarlyPart(*r);
        for (unsigned n : c.arrivals) r->IR_Early[0][2][n] = static_cast<float>(std::pow(10.0, -2.0 - n / 4000.0));
        r->MinFirstIndex = c.arrivals.empty() ? 8000 : c.arrivals.front();
        r->MaxProbIndex = 1000;
        const std::vector<float> before = r->IR[0][2];
        const std::string out = AddTail(*r);
        if (c.message) {
            EXPECT_NE(out.find(c.message), std::string::npos) << out;
        }
        for (float v : r->IR[0][2]) ASSERT_TRUE(std::isfinite(v));
        if (!c.tail) {
            EXPECT_EQ(r->IR[0][2], before);
            EXPECT_EQ(r->T60_estimate[2], 0.0f);
            continue;
        }
        // Through (500, -2.125) and (5000, -3.25): T60 = 60 / (20 * 2.5e-4 * fs).
        EXPECT_NEAR(r->T60_estimate[2], 60.0 / (20 * 2.5e-4 * kTailFs), 1e-3);
        EXPECT_GT(r->IR[0][2][1500], 0.0f);
        EXPECT_LT(r->IR[0][2][7900], r->IR[0][2][1500]);
        EXPECT_LE(r->IR[0][2][7900], std::pow(10.0, -2.0 - 7900 / 4000.0) * 1.001);
    }
}

TEST(ArtificialTail, NoiseStartHelpersAndTheOlderVariant)
{
    PairSetup setup;
    auto r = setup.Make(2, 4000);
    r->MinFirstIndex = 100;
    r->MaxFirstIndex = 1100;
    EXPECT_EQ(r->CalculateNoiseStart(), 800u);
    testing::internal::CaptureStdout();
    r->SetNoiseStart(321);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Setting noise start to 321 samples.\n");
    EXPECT_EQ(r->noiseStart, 321u);

    // The older variant writes its files into the working directory.
    Scratch dir;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.dir);
    TResult::SetTailSeed(5);
    CreateEarlyPart(*r);
    for (unsigned n = 100; n < 1100; n += 10)
        r->IR_Early[0][1][n] = static_cast<float>(std::pow(10.0, -1.0 - n / 2000.0));
    testing::internal::CaptureStdout();
    r->AddArtificialTail();
    const std::string out = testing::internal::GetCapturedStdout();
    std::filesystem::current_path(cwd);
    EXPECT_NE(out.find("Adding artificial tail at"), std::string::npos);
    const auto betas = ReadLines(dir / "betas-S1.txt");
    EXPECT_EQ(betas.size(), 1u);  // band 2 only: the other bands have no early data
    EXPECT_TRUE(std::filesystem::exists(dir / "First-S1-B2.txt"));
    for (float v : r->IR[0][1]) ASSERT_TRUE(std::isfinite(v));
    float late = 0.0f;
    for (unsigned n = 1100; n < 4000; ++n) late += r->IR[0][1][n];
    EXPECT_GT(late, 0.0f);  // sparse impulses, decaying
    TResult::UseRandomTailSeed();
}

// Inside the synthesis: the run's seed is printed once, the tail is added before the band
// filters, and a second run with the same seed gives the same response.
TEST(ArtificialTail, SynthesisWithTailRepeatsForItsSeed)
{
    Scratch dir;
    {
        std::FILE* f = std::fopen((dir / "rays.txt").c_str(), "w");
        for (unsigned n = 300; n < 20000; n += 53) {
            TRay a = Arrival(n, 30.0f, 10.0f, 3 + n / 2000, 0.5f,
                             static_cast<float>(1e-6 * std::exp(-static_cast<double>(n) / 3000.0)));
            a.Save(f);
        }
        std::fclose(f);
    }
    auto synthesise = [&](PairSetup& setup) {
        const std::vector<double> air(kBands, 0.0);
        const std::vector<float> rc(kBands, 5.0f);
        const TResultParam p(kBands, 2, 343.0f, kTailFs, rc.data(), 2047, 22050, air.data(), true);
        auto r = std::make_unique<TResult>(&p, &setup.receiver, &setup.source);
        testing::internal::CaptureStdout();
        r->GetImpulseResponsesfromRAYS((dir / "rays.txt").c_str());
        return std::make_pair(std::move(r), testing::internal::GetCapturedStdout());
    };
    PairSetup setup;
    TResult::SetTailSeed(424242);
    testing::internal::CaptureStdout();
    TResult::StartTailRun();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Artificial tail noise seed: 424242\n");
    auto [first, out] = synthesise(setup);
    EXPECT_EQ(out.find("noise seed"), std::string::npos) << out;  // once per run, not per pair
    EXPECT_LT(out.find(" Done.\n"), out.find("T60 Estimation from preliminary rays:"));
    EXPECT_LT(out.find(" Done!\n"), out.find("Subband Filtering")) << out;
    for (unsigned b = 0; b < kBands; ++b)
        EXPECT_NEAR(first->T60_estimate[b], 6 * 3000.0 * std::log(10.0) / kTailFs, 0.05) << b;

    // Without a fixed seed a run draws one of its own and prints it.
    TResult::UseRandomTailSeed();
    auto [random, randomOut] = synthesise(setup);
    EXPECT_NE(randomOut.find("Artificial tail noise seed: "), std::string::npos);

    TResult::SetTailSeed(424242);
    auto [second, secondOut] = synthesise(setup);
    EXPECT_EQ(first->globalIR, second->globalIR);
    EXPECT_NE(first->globalIR, random->globalIR);
    for (float v : first->globalIR[0]) ASSERT_TRUE(std::isfinite(v));
    TResult::UseRandomTailSeed();
}
