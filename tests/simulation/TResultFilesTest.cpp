#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "simulation/ResultTestSupport.h"
#include "support/DaffTestWriter.h"
#include "support/ErrorCapture.h"
#include "support/FileText.h"

using namespace resulttest;

namespace {

constexpr float kFilesFs = 44100.0f;

std::string ReadAll(const std::string& path)
{
    return ReadFile(path);
}

// Exponentially decaying noise from sample `start`: T60 seconds, seeded.
std::vector<float> DecayingNoise(unsigned length, unsigned start, double T60, unsigned seed)
{
    std::mt19937 gen(seed);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    std::vector<float> x(length, 0.0f);
    const double k = 3.0 * std::log(10.0) / (T60 * kFilesFs);  // amplitude decay per sample
    for (unsigned n = start; n < length; ++n)
        x[n] = 0.05f * normal(gen) * static_cast<float>(std::exp(-k * (n - start)));
    return x;
}

}  // namespace

// Every row of the parameter file, its column heads, its number formats (undefined values as
// "nan" whatever their sign bit) and the two direct-sound lines.
TEST(PairFiles, ParameterFileHasItsExactLayout)
{
    Scratch dir;
    PairSetup setup;
    auto r = setup.Make(2, 44100);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (unsigned b = 0; b <= kBands; ++b) {
        TMonoParams& p = r->Param[b];
        p.T20 = 0.5f + 0.1f * b;
        p.T30 = 0.556f + 0.1f * b;
        p.T60 = 1.0f;
        p.EDT = 0.004f;
        p.C80 = -3.25f + b;
        p.D50 = 45.678f;
        p.CT = 81.26f + b;
        p.SPL = 70.0f + b;
        p.SPL_A = 60.0f;
    }
    r->Param[8].T20 = nan;
    r->Param[8].T30 = -nan;
    r->Param[8].SPL = -std::numeric_limits<float>::infinity();
    r->DirectSoundIndex = 441;
    r->DirectSoundRay->index = 441;
    r->DirectSoundRay->reflections = 25;
    for (unsigned b = 0; b < kBands; ++b) r->DirectSoundRay->SetSpectrum(b, 1e-6f);
    r->SaveParams((dir / "PARAMS-S001-R001.txt").c_str());

    char direct[128];
    std::snprintf(direct, sizeof direct, "Direct Sound: Distance = 3.43 m, Rays = 25,  SPL(dir): %1.2f\n",
                  static_cast<double>(r->DirectSoundSPL()));
    const double expectedRays = (1 - 3.43 / std::sqrt(3.43 * 3.43 + 0.25)) / 2 * 1002;
    char rays[64];
    std::snprintf(rays, sizeof rays, "Expected NumRays: %1.0f\n", expectedRays);
    const std::string expected = "-----\t0062\t0125\t0250\t0500\t1000\t2000\t4000\t8000\t16000\tGlobal\n"
                                 "T20(s)\t0.50\t0.60\t0.70\t0.80\t0.90\t1.00\t1.10\t1.20\tnan\t1.40\n"
                                 "T30(s)\t0.56\t0.66\t0.76\t0.86\t0.96\t1.06\t1.16\t1.26\tnan\t1.46\n"
                                 "T60(s)\t1.00\t1.00\t1.00\t1.00\t1.00\t1.00\t1.00\t1.00\t1.00\t1.00\n"
                                 "EDT(s)\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\n"
                                 "C80(dB)\t-3.25\t-2.25\t-1.25\t-0.25\t0.75\t1.75\t2.75\t3.75\t4.75\t5.75\n"
                                 "D50(%)\t45.68\t45.68\t45.68\t45.68\t45.68\t45.68\t45.68\t45.68\t45.68\t45.68\n"
                                 "CT(ms) \t81.3\t82.3\t83.3\t84.3\t85.3\t86.3\t87.3\t88.3\t89.3\t90.3\n"
                                 "SPL(dB)\t70.00\t71.00\t72.00\t73.00\t74.00\t75.00\t76.00\t77.00\t-inf\t79.00\n"
                                 "SPL(A)\t60.00\t60.00\t60.00\t60.00\t60.00\t60.00\t60.00\t60.00\t60.00\t60.00\n" +
                                 std::string(direct) + rays;
    EXPECT_EQ(ReadAll(dir / "PARAMS-S001-R001.txt"), expected);
}

// A silent response: every value 0, while the direct-sound lines still describe what the pair
// knows (here, a response read back: no direct sound, said in finite numbers at the pair's true
// distance).
TEST(PairFiles, SilentResponseGivesZeroParameters)
{
    Scratch dir;
    PairSetup setup;
    auto r = setup.Make(2, 4096);
    r->Param[3].T30 = 1.5f;
    r->GetMonoParams();
    r->SaveParams((dir / "p.txt").c_str());
    const auto lines = ReadLines(dir / "p.txt");
    ASSERT_EQ(lines.size(), 12u);
    for (unsigned i = 1; i <= 9; ++i) {
        const bool ct = i == 7;
        std::string zeros;
        for (unsigned b = 0; b <= kBands; ++b) zeros += ct ? "\t0.0" : "\t0.00";
        EXPECT_EQ(lines[i].substr(lines[i].find('\t')), zeros) << lines[i];
    }
    EXPECT_EQ(lines[10], "Direct Sound: Distance = 3.00 m, Rays = 0,  SPL(dir): -999.00 (no direct sound)");
    EXPECT_EQ(lines[11], "Expected NumRays: 7");
}

// Parameters of a diffuse decay: broadband and band reverberation times near the decay's,
// clarity and centre time of an exponential, SPL as the summed squared pressure, and the band
// levels adding up to the broadband level.
TEST(PairFiles, ParametersOfAnExponentialDecay)
{
    PairSetup setup;
    const unsigned N = 66150, start = 441;
    const double T60 = 0.8;
    auto r = setup.Make(2, N);
    r->globalIR[0] = DecayingNoise(N, start, T60, 11);
    r->DirectSoundIndex = start;
    r->GetMonoParams();

    const TMonoParams& g = r->Param[kBands];
    EXPECT_NEAR(g.T30, T60, 0.04 * T60);
    EXPECT_NEAR(g.T20, T60, 0.05 * T60);
    EXPECT_NEAR(g.EDT, T60, 0.1 * T60);
    const double k = 6.0 * std::log(10.0) / T60;  // energy decay rate, 1/s
    EXPECT_NEAR(g.C80, 10 * std::log10((1 - std::exp(-k * 0.08)) / std::exp(-k * 0.08)), 0.5);
    EXPECT_NEAR(g.D50, 100 * (1 - std::exp(-k * 0.05)), 3.0);
    EXPECT_NEAR(g.CT, 1000 / k, 3.0);  // from the direct sound
    double energy = 0;
    for (float v : r->globalIR[0]) energy += static_cast<double>(v) * v;
    EXPECT_NEAR(g.SPL, 10 * std::log10(energy) + 94, 0.01);

    double bandSum = 0;
    for (unsigned b = 0; b < kBands; ++b) {
        bandSum += std::pow(10.0, r->Param[b].SPL / 10.0);
        if (b >= 2 && b <= 7) {
            EXPECT_NEAR(r->Param[b].T30, T60, 0.1 * T60) << b;
        }
    }
    EXPECT_NEAR(10 * std::log10(bandSum), g.SPL, 1.0);
    EXPECT_NEAR(r->Param[4].SPL_A, r->Param[4].SPL, 1e-6);
    EXPECT_NEAR(r->Param[0].SPL_A, r->Param[0].SPL - 26.2f, 1e-4);
    EXPECT_FLOAT_EQ(r->GetSPL(), g.SPL);
}

// At 22.05 kHz the 16 kHz band lies past the Nyquist frequency: the response does not carry it,
// and it reads as silent (0 in every row) instead of undefined; the bands below are measured.
TEST(PairFiles, BandPastTheNyquistFrequencyReadsSilent)
{
    PairSetup setup;
    const std::vector<double> air(kBands, 0.0);
    const std::vector<float> rc(kBands, 5.0f);
    const TResultParam p(kBands, 2, 343.0f, 22050.0f, rc.data(), 2047, 22050, air.data(), false);
    TResult r(&p, &setup.receiver, &setup.source);
    r.globalIR[0] = DecayingNoise(22050, 100, 0.3, 5);
    r.DirectSoundIndex = 100;
    r.GetMonoParams();
    const TMonoParams& top = r.Param[kBands - 1];
    for (float v : {top.T20, top.T30, top.T60, top.EDT, top.C80, top.D50, top.SPL, top.SPL_A, top.CT})
        EXPECT_EQ(v, 0.0f);
    for (unsigned b = 0; b + 1 < kBands; ++b) {
        EXPECT_TRUE(std::isfinite(r.Param[b].T30) && r.Param[b].T30 > 0.0f) << b;
        EXPECT_TRUE(std::isfinite(r.Param[b].SPL)) << b;
    }
    EXPECT_TRUE(std::isfinite(r.Param[kBands].SPL_A));
}

// Channels are averaged before the parameters, with a warning.
TEST(PairFiles, TwoChannelParametersUseTheAverage)
{
    const auto path = dafftest::writeTempFile(dafftest::magnitudeGrid().bytes(),
                                              "params-two-" + std::to_string(::getpid()) + ".daff");
    TDirectivity two(path.c_str(), kBands);
    PairSetup setup;
    setup.receiver.SetDirectivity(&two);
    auto r = setup.Make(2, 22050);
    ASSERT_EQ(r->NumChannels, 2u);
    const std::vector<float> x = DecayingNoise(22050, 100, 0.3, 3);
    r->globalIR[0] = x;
    r->globalIR[1].assign(22050, 0.0f);  // average: half of x, 6 dB down
    r->DirectSoundIndex = 100;
    testing::internal::CaptureStdout();
    r->GetMonoParams();
    EXPECT_EQ(
        testing::internal::GetCapturedStdout(),
        "\nWarning: Calculating acoustic parameters over multichannel responses!\nUsing average of all channels\n");
    double energy = 0;
    for (float v : x) energy += static_cast<double>(v) * v;
    EXPECT_NEAR(r->Param[kBands].SPL, 10 * std::log10(energy / 4) + 94, 0.01);
    std::filesystem::remove(path);
}

// Response files: "%g " per channel and line, read back to six digits whatever the line
// breaks; a short or damaged file fills the rest with zeros, with a message.
TEST(PairFiles, ResponseFileIsWrittenAndReadBack)
{
    Scratch dir;
    PairSetup setup;
    auto r = setup.Make(2, 4);
    r->globalIR[0] = {0.0f, 1.5f, -2.25e-7f, 123456789.0f};
    r->SaveGlobalIR((dir / "S001-R001.txt").c_str());
    EXPECT_EQ(ReadAll(dir / "S001-R001.txt"), "0 \n1.5 \n-2.25e-07 \n1.23457e+08 \n");

    const auto path =
        dafftest::writeTempFile(dafftest::magnitudeGrid().bytes(), "resp-two-" + std::to_string(::getpid()) + ".daff");
    TDirectivity two(path.c_str(), kBands);
    PairSetup stereo;
    stereo.receiver.SetDirectivity(&two);
    auto s = stereo.Make(2, 3);
    s->globalIR[0] = {1.0f, 2.0f, 3.0f};
    s->globalIR[1] = {-1.0f, 0.125f, 1e-30f};
    s->SaveGlobalIR((dir / "S001-R002.txt").c_str());
    EXPECT_EQ(ReadAll(dir / "S001-R002.txt"), "1 -1 \n2 0.125 \n3 1e-30 \n");
    auto back = stereo.Make(2, 3);
    back->GetImpulseResponsesfromFile((dir / "S001-R002.txt").c_str());
    EXPECT_EQ(back->globalIR, s->globalIR);
    std::filesystem::remove(path);

    // A long random response back to six significant digits.
    auto big = setup.Make(2, 20000);
    big->globalIR[0] = DecayingNoise(20000, 0, 0.5, 5);
    big->SaveGlobalIR((dir / "big.txt").c_str());
    auto bigBack = setup.Make(2, 20000);
    bigBack->GetImpulseResponsesfromFile((dir / "big.txt").c_str());
    for (unsigned n = 0; n < 20000; ++n)
        ASSERT_NEAR(bigBack->globalIR[0][n], big->globalIR[0][n], 1e-5f * std::fabs(big->globalIR[0][n])) << n;

    struct Case {
        const char* text;
        std::vector<float> expected;
        bool warns;
    };
    const Case cases[] = {
        {"1 2\n3\n4 5 6\n", {1, 2, 3, 4, 5}, false},  // line breaks carry no meaning
        {"1\n2\n", {1, 2, 0, 0, 0}, true},
        {"1\n2\nx\n4\n", {1, 2, 0, 0, 0}, true},
        {"1.5\r\n-2e-3\r\n", {1.5f, -2e-3f, 0, 0, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        {
            std::ofstream(dir / "in.txt", std::ios::binary) << c.text;
        }
        auto p = setup.Make(2, 5);
        p->globalIR[0].assign(5, 9.0f);
        testing::internal::CaptureStdout();
        p->GetImpulseResponsesfromFile((dir / "in.txt").c_str());
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(p->globalIR[0], c.expected);
        EXPECT_EQ(out.find("response values") != std::string::npos, c.warns) << out;
    }

    ErrorCapture cap;
    r->SaveGlobalIR((dir / "missing/x.txt").c_str());
    EXPECT_EQ(cap.messages,
              std::vector<std::string>{"Cannot write " + (dir / "missing/x.txt") + ": No such file or directory\n"});
}

TEST(PairFiles, RayFileScanAndHtmlPlot)
{
    Scratch dir;
    PairSetup setup;
    auto r = setup.Make(2, 1000);
    {
        std::FILE* f = std::fopen((dir / "rays.txt").c_str(), "w");
        for (unsigned index : {500u, 120u, 900u}) {
            TRay a = Arrival(index, 10.0f, 0.0f, 2, 0.5f);
            a.Save(f);
        }
        std::fclose(f);
    }
    EXPECT_EQ(r->GetInfoFromRaysFile((dir / "rays.txt").c_str()), 3u);
    EXPECT_EQ(r->DirectSoundIndex, 120u);
    EXPECT_EQ(r->NumReflections, 3u);

    r = setup.Make(2, 10);
    for (unsigned n = 0; n < 10; ++n) r->globalIR[0][n] = n == 3 ? -2.0f : 0.5f;
    r->SaveIR_HTML((dir / "ir.html").c_str());
    const std::string html = ReadAll(dir / "ir.html");
    EXPECT_EQ(html.rfind("<html><body><svg", 0), 0u);
    EXPECT_NE(html.find("viewBox=\"-1.000000 -2.400000 12.000000 4.800000\""), std::string::npos) << html;
    EXPECT_NE(html.find("points=\"0.000000,0.500000 1.000000,0.500000 2.000000,0.500000 3.000000,-2.000000 "),
              std::string::npos);
    EXPECT_TRUE(html.ends_with("\"/>\n</g></svg></body></html>\n"));
}
