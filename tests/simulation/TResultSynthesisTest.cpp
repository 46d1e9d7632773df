#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "simulation/ResultTestSupport.h"
#include "support/DaffTestWriter.h"

using namespace resulttest;

namespace {

constexpr float kSynthFs = 44100.0f;
constexpr float kSynthC = 343.0f;

// A measured pattern written on the fly; removed with the object.
struct DaffFilePattern {
    DaffFilePattern(const dafftest::DaffTestWriter& w, const std::string& tag)
        : file(dafftest::writeTempFile(w.bytes(), tag + "-synth-" + std::to_string(::getpid()) + ".daff")),
          pattern(file.c_str(), kBands)
    {}
    ~DaffFilePattern() { std::filesystem::remove(file); }
    std::string file;
    TDirectivity pattern;
};

std::unique_ptr<TResult> MakePair(PairSetup& setup, int clusterOrder, unsigned maxLength, double air = 0.0,
                                  unsigned baseLength = 2047)
{
    const std::vector<double> airAbs(kBands, air);
    const std::vector<float> rc(kBands, 5.0f);
    const TResultParam p(kBands, clusterOrder, kSynthC, kSynthFs, rc.data(), baseLength, maxLength, airAbs.data(),
                         false);
    return std::make_unique<TResult>(&p, &setup.receiver, &setup.source);
}

void WriteRays(const std::string& path, std::vector<TRay>& rays)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    for (TRay& r : rays) r.Save(f);
    std::fclose(f);
}

// |sum x[n] e^(-j 2 pi f n / fs)|: the response's gain at frequency f.
double GainAt(const std::vector<float>& x, double f)
{
    std::complex<double> s = 0.0;
    const double w = 2.0 * M_PI * f / kSynthFs;
    for (std::size_t n = 0; n < x.size(); ++n) s += static_cast<double>(x[n]) * std::polar(1.0, -w * n);
    return std::abs(s);
}

double Db(double ratio)
{
    return 20.0 * std::log10(ratio);
}

std::size_t PeakAt(const std::vector<float>& x)
{
    std::size_t best = 0;
    for (std::size_t n = 1; n < x.size(); ++n)
        if (std::fabs(x[n]) > std::fabs(x[best])) best = n;
    return best;
}

}  // namespace

// One arrival of energy E in one band: the broadband response carries it at the band centre
// with the amplitude sqrt(E rho c) / (sqrt(pi) r) times the air absorption over its path, and
// little two octaves away. Early and late arrivals go through the same linear-phase bands and
// peak at their own sample, early ones positive, late ones with their own polarity.
TEST(Synthesis, OneArrivalLandsAtItsSampleWithItsBandAmplitude)
{
    struct Case {
        unsigned band;
        unsigned order;  // cluster order 2: orders up to 2 are early
        double air;      // nepers per metre
    };
    const Case cases[] = {{4, 1, 0.0}, {4, 5, 0.0}, {1, 1, 0.0}, {2, 0, 0.02}, {7, 5, 0.01}, {6, 2, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "band " << c.band << ", order " << c.order << ", air " << c.air);
        Scratch dir;
        PairSetup setup;
        auto r = MakePair(setup, 2, 8192, c.air);
        const unsigned index = 3000;
        const float E = 4e-4f;
        TRay a = Arrival(index, 0.0f, 0.0f, c.order, 0.7f, 0.0f);
        a.SetSpectrum(c.band, E);
        std::vector<TRay> rays;
        rays.push_back(std::move(a));
        WriteRays(dir / "rays.txt", rays);

        testing::internal::CaptureStdout();
        r->GetImpulseResponsesfromRAYS((dir / "rays.txt").c_str());
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find("Creating Impulse Responses from Reflections ...\n"), std::string::npos);
        EXPECT_NE(out.find("\rSubband Filtering ... 9/9    \rSubband Filtering ... Done!\n"), std::string::npos);
        EXPECT_TRUE(r->IR_Early.empty());  // exists only during the synthesis
        EXPECT_EQ(r->NumReflections, 2u);  // counted by the reader and by the insertion

        const std::vector<float>& g = r->globalIR[0];
        const double metres = index * static_cast<double>(kSynthC) / kSynthFs;
        const double P = std::sqrt(E * 1.2041 * kSynthC) / (std::sqrt(M_PI) * 0.5) * std::exp(-c.air * metres);
        const double fc = 62.5 * std::ldexp(1.0, static_cast<int>(c.band));
        EXPECT_NEAR(Db(GainAt(g, fc) / P), 0.0, 0.5);
        const double far = c.band >= 4 ? fc / 4.0 : fc * 4.0;
        EXPECT_LT(Db(GainAt(g, far) / P), -20.0);
        EXPECT_EQ(PeakAt(g), index);
        if (c.order <= 2) {
            EXPECT_GT(g[index], 0.0f);
        }
        // Nothing ahead of the band filters' half length (to the convolution's rounding).
        for (unsigned n = 0; n + 1023 < index; ++n) ASSERT_LT(std::fabs(g[n]), 1e-9f * std::fabs(g[index])) << n;
    }
}

// Both channels go through the same filters: equal band parts give equal responses, so no
// filter state of the first channel leaks into the second.
TEST(Synthesis, TwoChannelsAreFilteredIndependently)
{
    DaffFilePattern two(dafftest::magnitudeGrid(), "two-channel");
    ASSERT_EQ(two.pattern.GetNumChannels(), 2);
    Scratch dir;
    PairSetup setup;
    setup.receiver.SetDirectivity(&two.pattern);
    auto r = MakePair(setup, 2, 4096);
    ASSERT_EQ(r->NumChannels, 2u);
    for (unsigned b = 0; b < kBands; ++b)
        for (unsigned ch = 0; ch < 2; ++ch) {
            r->IR[ch][b][100] = 1.0f;
            r->IR[ch][b][3900] = 0.5f;
        }
    {
        std::ofstream(dir / "empty.txt");
    }  // an empty ray file: the late part alone
    testing::internal::CaptureStdout();
    r->GetImpulseResponsesfromRAYS((dir / "empty.txt").c_str());
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(r->globalIR[0], r->globalIR[1]);
    EXPECT_NE(r->globalIR[0][100], 0.0f);
    for (unsigned b = 0; b < kBands; ++b) EXPECT_EQ(r->IR[0][b], r->IR[1][b]) << b;
}

// The receiver pattern's front delay comes off the broadband response (the band parts keep
// it); a delay as long as the response leaves silence instead of reading past the end.
TEST(Synthesis, FrontDelayIsRemovedAndGuarded)
{
    // Responses that start a few samples late in every direction and channel.
    dafftest::DaffTestWriter late = dafftest::impulseResponses(2);
    for (auto& record : late.records)
        for (auto& channel : record) channel.leadingZeros = 6;
    DaffFilePattern ir(late, "front-delay");
    const unsigned D = ir.pattern.GetFrontDelay();
    ASSERT_GT(D, 0u);
    ASSERT_LT(D, 100u);

    auto synthesise = [](PairSetup& setup, unsigned maxLength, const std::string& empty) {
        auto r = MakePair(setup, 2, maxLength, 0.0, 63);
        r->IR[0][4][maxLength > 200 ? 200 : maxLength / 2] = 1.0f;
        testing::internal::CaptureStdout();
        r->GetImpulseResponsesfromRAYS(empty.c_str());
        const std::string out = testing::internal::GetCapturedStdout();
        return std::make_pair(std::move(r), out);
    };
    Scratch dir;
    {
        std::ofstream(dir / "empty.txt");
    }

    PairSetup omni;
    auto [plain, plainOut] = synthesise(omni, 1024, dir / "empty.txt");
    PairSetup delayed;
    delayed.receiver.SetDirectivity(&ir.pattern);
    auto [shifted, shiftedOut] = synthesise(delayed, 1024, dir / "empty.txt");
    for (unsigned n = 0; n + D < 1024; ++n) ASSERT_EQ(shifted->globalIR[0][n], plain->globalIR[0][n + D]) << n;
    for (unsigned n = 1024 - D; n < 1024; ++n) EXPECT_EQ(shifted->globalIR[0][n], 0.0f);
    EXPECT_EQ(shifted->IR[0][4], plain->IR[0][4]);

    PairSetup shortPair;
    shortPair.receiver.SetDirectivity(&ir.pattern);
    auto [cut, cutOut] = synthesise(shortPair, D, dir / "empty.txt");
    for (float v : cut->globalIR[0]) EXPECT_EQ(v, 0.0f);
    EXPECT_NE(cutOut.find("front delay of"), std::string::npos) << cutOut;
}

// A pair synthesises only what it counted; late arrivals that a pair without early ones left
// in its still-open ray file are read back in full.
TEST(Synthesis, ResponsesComeFromCountedArrivalsOnly)
{
    Scratch dir;
    PairSetup setup;
    {
        auto r = MakePair(setup, 2, 2048);
        r->CreateRayFile(0, 0, (dir / "RAYS").c_str());
        TRay late = Arrival(900, 10.0f, 0.0f, 4, 0.5f, 1e-3f);
        std::FILE* f = std::fopen(r->RayFileName.c_str(), "w");  // written behind the pair's back
        late.Save(f);
        std::fclose(f);
        r->GetImpulseResponses();
        for (float v : r->globalIR[0]) ASSERT_EQ(v, 0.0f);
    }
    {
        auto r = MakePair(setup, 2, 2048);
        r->CreateRayFile(0, 0, (dir / "RAYS").c_str());
        for (unsigned i = 0; i < 3; ++i) {
            TRay late = Arrival(900 + 100 * i, 10.0f, 0.0f, 4, 0.5f, 1e-3f);
            r->SaveRay(&late, 1);
        }
        ASSERT_EQ(r->LateRefCount, 3u);
        testing::internal::CaptureStdout();
        r->GetImpulseResponses();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(r->NumReflections, 6u);  // each line counted by the reader and by the insertion
        EXPECT_EQ(r->LateRefCount, 6u);
        const std::size_t peak = PeakAt(r->globalIR[0]);
        EXPECT_TRUE(peak == 900 || peak == 1000 || peak == 1100) << peak;
    }
    {
        // A pair made without ray files (arrivals inserted while tracing) has nothing to read.
        auto r = MakePair(setup, 2, 2048);
        TRay late = Arrival(700, 10.0f, 0.0f, 4, 0.5f, 1e-3f);
        r->InsertRay(&late);
        testing::internal::CaptureStdout();
        r->GetImpulseResponses();
        testing::internal::GetCapturedStdout();
        EXPECT_NE(r->globalIR[0][700], 0.0f);
    }
}

// The direct sound is reported and enters the early ray file as one order-0 arrival with the
// summed energies. Its level is the one the synthesised response carries, near that of a point
// source in free field (every band carries the source's power over the whole spectrum).
TEST(Synthesis, DirectSoundIsReportedAndWrittenOnce)
{
    Scratch dir;
    PairSetup setup;
    auto r = MakePair(setup, 2, 4096);
    r->CreateRayFile(0, 1, (dir / "RAYS").c_str());
    r->CreateHitFile(0, 1, (dir / "HITS").c_str());
    // Power W over N rays, of which N r^2 / (4 d^2) cross the sphere at distance d = 3 m.
    const double W = 0.01, d = 3.0, radius = 0.5;
    const unsigned N = 100000;
    const unsigned hits = static_cast<unsigned>(std::lround(N * radius * radius / (4 * d * d)));
    for (unsigned i = 0; i < hits; ++i) {
        TRay a = Arrival(386 + (i % 3), 180.0f, 0.0f, 0, 0.1f + 0.001f * i, static_cast<float>(W / N));
        r->AcumulateDirectSound(&a);
    }
    ASSERT_EQ(r->DirectSoundRay->reflections, static_cast<int>(hits));

    testing::internal::CaptureStdout();
    r->ProcessDirectSound(3);
    const std::string out = testing::internal::GetCapturedStdout();
    const float spl = r->DirectSoundSPL();
    // Free field: Lw - 20 log10(d) - 10 log10(4 pi) + 10 log10(rho c / 400).
    const double freeField = 10 * std::log10(W / 1e-12) - 20 * std::log10(d) - 10 * std::log10(4 * M_PI) +
                             10 * std::log10(1.2041 * kSynthC / 400.0);
    // The bands add up to one from 44 Hz (the lowest band's edge) to 19.0 kHz (the highest
    // band's flat end at 44.1 kHz), with linear skirts down to 37.6 Hz and up to 21.6 kHz: they
    // keep that share of a flat spectrum's power.
    const double share = ((19025.0 - 44.19) + (44.19 - 37.57) / 3 + (21609.0 - 19025.0) / 3) / 22050.0;
    EXPECT_NEAR(spl, freeField + 10 * std::log10(share), 0.1);
    char line[160];
    std::snprintf(line, sizeof line, "Direct Sound: Index: %u (%1.2f m) - Rays: %u - SPL: %1.2f\n\n",
                  r->DirectSoundIndex, r->DirectSoundIndex / kSynthFs * kSynthC, hits, static_cast<double>(spl));
    EXPECT_EQ(out, line);

    EXPECT_EQ(r->EarlyRefCount, 1u);
    EXPECT_EQ(r->DirectSoundRay->reflections, static_cast<int>(hits));  // restored
    r->CloseRayFile();
    r->CloseHitFile();
    const std::vector<TRay> written = ReadRays(dir / "RAYS-S001-R002-EARLY.txt");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].reflections, 0);
    EXPECT_EQ(written[0].index, r->DirectSoundRay->index);
    EXPECT_EQ(written[0].index, r->DirectSoundIndex);
    EXPECT_NEAR(written[0].GetEnergy(), kBands * W * hits / N, 1e-6 * W);
    const auto hitLines = ReadLines(dir / "HITS-S001-R002-EARLY.txt");
    ASSERT_EQ(hitLines.size(), 1u);
    EXPECT_EQ(hitLines[0], std::to_string(written[0].index) + " 180.000000 0.000000 1 1.000000 0 0 0 ");

    // The response built from that file carries the direct sound at the reported level.
    testing::internal::CaptureStdout();
    r->GetImpulseResponsesfromRAYS((dir / "RAYS-S001-R002-EARLY.txt").c_str());
    testing::internal::GetCapturedStdout();
    double energy = 0.0;
    for (float v : r->globalIR[0]) energy += static_cast<double>(v) * v;
    EXPECT_NEAR(10 * std::log10(energy / 4e-10), spl, 0.05);

    // Without a direct ray nothing is written and nothing counted.
    auto silent = MakePair(setup, 2, 4096);
    silent->CreateRayFile(1, 1, (dir / "RAYS").c_str());
    testing::internal::CaptureStdout();
    silent->ProcessDirectSound(3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Direct Sound!\n");
    silent->CloseRayFile();
    EXPECT_EQ(silent->EarlyRefCount, 0u);
    EXPECT_TRUE(ReadLines(dir / "RAYS-S002-R002-EARLY.txt").empty());
}

// The ray file is parsed on several threads in pieces, a piece's records inserted while the
// next is parsed: a file longer than a piece, with blank, CRLF and malformed lines (a line cut
// between two pieces), gives every record, the same response, count and warning on any thread
// count as on one.
TEST(Synthesis, RayFileReadOnThreadsGivesTheSameResponse)
{
    Scratch dir;
    PairSetup setup;
    const std::string path = dir / "RAYS-many.txt";
    {
        std::string text;
        std::mt19937 gen(17);
        std::uniform_real_distribution<float> azim(0.0f, 360.0f), elev(-90.0f, 90.0f), e(1e-9f, 1e-4f);
        for (unsigned k = 0; k < 120000; ++k) {
            TRay r =
                Arrival(600 + gen() % 3000, azim(gen), elev(gen), 1 + gen() % 6, 0.5f, e(gen), static_cast<int>(k));
            r.AppendLine(text);
            if (k % 9999 == 0) text += "\n  \t\n";
            if (k % 7777 == 0) text.insert(text.size() - 1, "\r");
            if (k % 5555 == 0) text += "12 0.5 10 20 3 1 2 bad line\n";
        }
        text.pop_back();                                // the last line without its newline
        ASSERT_GT(text.size(), std::size_t{17} << 20);  // more than one piece
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::vector<float> reference;
    std::string referenceOut;
    for (unsigned threads : {1u, 2u, 5u}) {
        SCOPED_TRACE(threads);
        auto r = MakePair(setup, 2, 4096, 0.0, 255);
        r->ClusterThreads = threads;
        testing::internal::CaptureStdout();
        r->GetImpulseResponsesfromRAYS(path.c_str());
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(r->NumReflections, 2u * 120000u);  // counted by the reader and the insertion
        EXPECT_NE(out.find("Warning: 22 malformed lines"), std::string::npos) << out;
        if (threads == 1) {
            reference = r->globalIR[0];
            referenceOut = out;
            continue;
        }
        EXPECT_TRUE(r->globalIR[0] == reference);
        EXPECT_EQ(out, referenceOut);
    }
}
