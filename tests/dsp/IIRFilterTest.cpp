#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "dsp/IIRCoefficients.h"
#include "dsp/TIIR.h"
#include "dsp/TIIRFilter.h"
#include "dsp/TIIRFilter2ndOrder.h"
#include "dsp/TIIR_DFII.h"
#include "dsp/TMultiStageIIR.h"
#include "support/ErrorCapture.h"
#include "support/TempDir.h"

namespace {

const double kPi = 3.14159265358979323846;

// Magnitude in dB of a cascade of S biquads (stored float coefficients) at f Hz.
double CascadeDb(const float* b, const float* a, const float* g, int S, double f, double fs)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * f / fs);
    std::complex<double> h = 1.0;
    for (int s = 0; s < S; s++) {
        auto num = double(b[3 * s]) + double(b[3 * s + 1]) * z1 + double(b[3 * s + 2]) * z1 * z1;
        auto den = 1.0 + double(a[3 * s + 1]) * z1 + double(a[3 * s + 2]) * z1 * z1;
        h *= double(g[s]) * num / den;
    }
    return 20.0 * std::log10(std::abs(h));
}

// Frequency of unit gain of a band-pass designed between fl and fh by the bilinear transform.
double PrewarpedCentre(double fl, double fh, double fs)
{
    return fs / kPi * std::atan(std::sqrt(std::tan(kPi * fl / fs) * std::tan(kPi * fh / fs)));
}

unsigned int BandArg(int band)
{
    return static_cast<unsigned int>(band);
}

std::string TempFile(const std::string& name, const std::string& text)
{
    static const TempDir dir("iir");  // removed when the process ends
    auto path = dir / name;
    std::ofstream(path) << text;
    return path.string();
}

}  // namespace

TEST(IIRCoefficients, ButterworthSetsMatchTheReferenceRows)
{
    const double k44[] = {6.11505291e-12, 9.7440174e-11,  1.5463304e-09, 2.43413663e-08, 3.77090686e-07,
                          5.66318249e-06, 8.02113864e-05, 0.00102388696, 0.0111213448,   0.0289115645};
    const double k48[] = {4.35847495e-12, 6.94731286e-11, 1.10323684e-09, 1.73892705e-08, 2.70085394e-07,
                          4.07635298e-06, 5.82701141e-05, 0.000755626825, 0.00839318614,  0.0781126469};
    float b[12], a[12], g[4];
    for (int band = -1; band <= 8; band++) {
        for (float fs : {44100.0f, 48000.0f}) {
            SCOPED_TRACE(testing::Message() << "band " << band << " fs " << fs);
            GetOctaveIIRParamButter(b, a, g, BandArg(band), fs);
            const double k = (fs == 44100.0f ? k44 : k48)[band + 1];
            EXPECT_NEAR(b[0], k, k * 2e-7);
            EXPECT_NEAR(std::fabs(b[1]), 2 * k, 2 * k * 2e-7);
            for (int s = 0; s < 4; s++) {
                EXPECT_EQ(a[3 * s], 1.0f);
                EXPECT_EQ(g[s], 1.0f);
                if (s > 0) {
                    EXPECT_EQ(b[3 * s], 1.0f);
                }
            }
            // No response at DC or at the Nyquist frequency from the whole cascade.
            double dc = 1.0, nyq = 1.0;
            for (int s = 0; s < 4; s++) {
                dc *= double(b[3 * s]) + b[3 * s + 1] + b[3 * s + 2];
                nyq *= double(b[3 * s]) - b[3 * s + 1] + b[3 * s + 2];
            }
            EXPECT_EQ(dc, 0.0);
            EXPECT_EQ(nyq, 0.0);
        }
    }
    struct Row {
        int band;
        float fs;
        float a[4][2];
        const char* signs;
    };
    const Row rows[] = {
        {0,
         44100,
         {{-1.99327624f, 0.993381321f},
          {-1.994959f, 0.995018482f},
          {-1.99669039f, 0.996841609f},
          {-1.99830413f, 0.998345554f}},
         "++--"},
        {7,
         44100,
         {{-0.296736807f, 0.418841273f},
          {-0.79269582f, 0.477659613f},
          {0.0245719962f, 0.720846951f},
          {-1.21185088f, 0.786946774f}},
         "+-+-"},
        {8,
         44100,
         {{0.431478351f, 0.228804857f},
          {1.18254852f, 0.444254667f},
          {0.114630133f, 0.613523543f},
          {1.61792362f, 0.806845963f}},
         "--++"},
        {8,
         48000,
         {{0.0656056628f, 0.0603573024f},
          {-0.107616983f, 0.505241334f},
          {1.65221453f, 0.688949287f},
          {1.85536218f, 0.886861026f}},
         "--++"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "band " << r.band << " fs " << r.fs);
        GetOctaveIIRParamButter(b, a, g, BandArg(r.band), r.fs);
        for (int s = 0; s < 4; s++) {
            EXPECT_NEAR(a[3 * s + 1], r.a[s][0], 2.5e-7) << s;
            EXPECT_NEAR(a[3 * s + 2], r.a[s][1], 2.5e-7) << s;
            EXPECT_EQ(b[3 * s + 1] > 0, r.signs[s] == '+') << s;
        }
    }
}

TEST(IIRCoefficients, ButterworthOctavesPassTheirOwnOctave)
{
    float b[12], a[12], g[4];
    for (float fs : {44100.0f, 48000.0f}) {
        for (int band = -1; band <= 8; band++) {
            SCOPED_TRACE(testing::Message() << "band " << band << " fs " << fs);
            GetOctaveIIRParamButter(b, a, g, BandArg(band), fs);
            const double fc = 62.5 * std::pow(2.0, band);
            const double fl = fc / std::sqrt(2.0);
            // The 16 kHz band at 44.1 kHz is clipped under the Nyquist frequency.
            const double fh = band == 8 && fs == 44100.0f ? 18904.27 : fc * std::sqrt(2.0);
            // Float coefficients move the poles of the lowest band near z = 1 a little.
            EXPECT_NEAR(CascadeDb(b, a, g, 4, PrewarpedCentre(fl, fh, fs), fs), 0.0, 0.15);
            EXPECT_NEAR(CascadeDb(b, a, g, 4, fc, fs), 0.0, 0.2);
            EXPECT_NEAR(CascadeDb(b, a, g, 4, fl, fs), -3.01, 0.06);
            EXPECT_NEAR(CascadeDb(b, a, g, 4, fh, fs), -3.01, 0.06);
            // The top band is squeezed towards the Nyquist frequency by the bilinear map.
            EXPECT_LT(CascadeDb(b, a, g, 4, fc / 2, fs), band == 8 ? -15.0 : -20.0);
            if (2 * fc < fs / 2) {
                EXPECT_LT(CascadeDb(b, a, g, 4, 2 * fc, fs), -20.0);
            }
        }
    }
    GetOctaveIIRParamButter(b, a, g, 0, 44100.0f);
    EXPECT_NEAR(CascadeDb(b, a, g, 4, 62.5, 44100), 0.0, 0.01);
    EXPECT_NEAR(CascadeDb(b, a, g, 4, 31.25, 44100), -26.0, 1.0);
    EXPECT_NEAR(CascadeDb(b, a, g, 4, 125.0, 44100), -26.0, 1.0);
}

TEST(IIRCoefficients, ButterworthCascadeFiltersASineAtTheCentre)
{
    // The processing path itself: a 1 kHz sine through the 1 kHz band keeps its amplitude,
    // a 250 Hz sine is removed.
    float b[12], a[12], g[4];
    GetOctaveIIRParamButter(b, a, g, 4, 48000.0f);
    for (double f : {1000.0, 250.0}) {
        TMultiStageIIR iir(4, b, a, g);
        std::vector<float> x(48000);
        for (size_t n = 0; n < x.size(); n++) x[n] = static_cast<float>(std::sin(2 * kPi * f * n / 48000.0));
        iir.Process(x.data(), static_cast<unsigned int>(x.size()));
        float peak = 0.0f;
        for (size_t n = 24000; n < x.size(); n++) peak = std::max(peak, std::fabs(x[n]));
        if (f == 1000.0) {
            EXPECT_NEAR(peak, 1.0, 0.01);
        } else {
            EXPECT_LT(peak, 0.01);
        }
    }
}

TEST(IIRCoefficients, UnknownBandsAndRates)
{
    float b[12], a[12], g[4];
    for (float& v : b) v = 7.0f;
    GetOctaveIIRParamButter(b, a, g, 9, 44100.0f);
    for (float v : b) EXPECT_EQ(v, 7.0f);

    ErrorCapture cap;
    try {
        GetOctaveIIRParamButter(b, a, g, 3, 32000.0f);
        FAIL() << "no exit";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 1);
    }
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_NE(cap.messages[0].find("NOT supported for filter design!"), std::string::npos);
    EXPECT_NE(cap.messages[0].find("32000"), std::string::npos);

    struct Bad {
        std::function<void()> call;
        const char* text;
    };
    const Bad bad[] = {
        {[&] { GetOctaveIIRParam(b, a, g, 3, 44100.0f, 4); }, "Only 2 or 3 stages for IIR Filter Design!!"},
        {[&] { GetOctaveIIRParam(b, a, g, 3, 32000.0f, 3); }, "Wrong Frequency Sample for IIR Filter Design"},
        {[&] { Get3rdOctaveIIRParam(b, a, g, 3, 32000.0f, 2); }, "Wrong Frequency Sample for IIR Filter Design"},
        {[&] { Get3rdOctaveIIRParam(b, a, g, 3, 48000.0f, 1); }, "Only 2 or 3 stages for IIR Filter Design!!"},
        {[&] { GetAudioRangeIIRParam(b, a, g, 22050.0f); }, "Wrong Frequency Sample for IIR Filter Design"},
    };
    for (const Bad& c : bad) {
        cap.messages.clear();
        EXPECT_THROW(c.call(), SorviExit);
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_EQ(cap.messages[0], c.text);
    }
    // Two sections at another rate: numerators only, no exit.
    EXPECT_NO_THROW(GetOctaveIIRParam(b, a, g, 3, 32000.0f, 2));
    EXPECT_EQ(b[2], -1.0f);
}

TEST(IIRCoefficients, OtherBandTables)
{
    float b[13], a[13], g[4];
    for (int stages : {2, 3}) {
        for (int band : {-1, 4, 8}) {
            SCOPED_TRACE(testing::Message() << stages << " stages, band " << band);
            GetOctaveIIRParam(b, a, g, BandArg(band), 48000.0f, stages);
            const double fc = 62.5 * std::pow(2.0, band);
            const double f0 = PrewarpedCentre(fc / std::sqrt(2.0), fc * std::sqrt(2.0), 48000.0);
            EXPECT_NEAR(CascadeDb(b, a, g, stages, f0, 48000.0), 0.0, 0.15);
            EXPECT_LT(CascadeDb(b, a, g, stages, fc / 4, 48000.0), -15.0);
            for (int s = 0; s < stages; s++) {
                EXPECT_EQ(b[3 * s + 1], 0.0f);
                EXPECT_EQ(b[3 * s + 2], -1.0f);
            }
        }
        for (unsigned int band : {0u, 16u, 28u}) {
            SCOPED_TRACE(testing::Message() << stages << " stages, third " << band);
            Get3rdOctaveIIRParam(b, a, g, band, 44100.0f, stages);
            const double fc = 1000.0 * std::pow(2.0, (band - 16.0) / 3.0);
            const double edge = std::pow(2.0, 1.0 / 6.0);
            const double f0 = PrewarpedCentre(fc / edge, fc * edge, 44100.0);
            EXPECT_NEAR(CascadeDb(b, a, g, stages, f0, 44100.0), 0.0, 0.15);
            EXPECT_LT(CascadeDb(b, a, g, stages, fc / 2, 44100.0), -15.0);
        }
    }
    GetAudioRangeIIRParam(b, a, g, 48000.0f);
    EXPECT_EQ(a[4], -1.997837f);
    EXPECT_EQ(g[2], 0.6987715f);

    const int delays[] = {2466, 1358, 740, 420, 256, 144, 72, 36, 18, 9};
    float bb[12], aa[12], gg[4];
    for (int band = -1; band <= 8; band++) {
        EXPECT_EQ(GetCompensatorParam(b, a, g, BandArg(band)), delays[band + 1]);
        GetOctaveIIRParamButter(bb, aa, gg, BandArg(band), 44100.0f);
        EXPECT_EQ(a[11], aa[7]);
        EXPECT_EQ(g[0], bb[0]);
    }
    EXPECT_EQ(GetCompensatorParam(b, a, g, 9), 0);
}

TEST(IIRFilters, SparseFeedbackFilters)
{
    // All-pass (a + z^-3) / (1 + a z^-3) with a = 0.5.
    TIIRFilter allpass(2, 3, 2, 3);
    const float num[] = {0.5f, 1.0f}, den[] = {1.0f, 0.5f};
    allpass.SetCoefs(num, 0);
    allpass.SetCoefs(den, 1);
    const float expected[] = {0.5f, 0, 0, 0.75f, 0, 0, -0.375f, 0, 0, 0.1875f};
    for (int n = 0; n < 10; n++) EXPECT_FLOAT_EQ(allpass.Process(n == 0 ? 1.0f : 0.0f), expected[n]) << n;

    // Comb: numerator of one coefficient takes only the first value.
    TIIRFilter comb(1, 1, 2, 2);
    comb.SetCoefs(num, 0);
    comb.SetCoefs(den, 1);
    EXPECT_EQ(comb.GetCoef(0, 0), 0.5f);
    const float combOut[] = {0.5f, 0, -0.25f, 0, 0.125f};
    for (int n = 0; n < 5; n++) EXPECT_FLOAT_EQ(comb.Process(n == 0 ? 1.0f : 0.0f), combOut[n]) << n;
    comb.Reset();
    EXPECT_FLOAT_EQ(comb.Process(1.0f), 0.5f);

    // a0 is never read by the biquad.
    const float bb[] = {1, 0, 0}, a5[] = {5, 0, 0};
    TIIRFilter2ndOrder twice(bb, a5, 2.0f);
    EXPECT_EQ(twice.filter(0.25f), 0.5f);
    EXPECT_EQ(twice.filter(-3.0f), -6.0f);
}

TEST(IIRFilters, BlockProcessingEqualsSampleBySample)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> x(3000);
    for (float& v : x) v = u(gen);

    float b[12], a[12], g[4];
    GetOctaveIIRParamButter(b, a, g, 5, 44100.0f);
    const float num[] = {0.3f, 0.2f, -0.1f}, den[] = {1.0f, -0.5f, 0.2f};

    // Each case runs fresh copies of the same filter sample by sample, by block and in place.
    auto check = [&](const char* name, auto make, auto step, auto run) {
        SCOPED_TRACE(name);
        auto f1 = make();
        auto f2 = make();
        std::vector<float> one(x.size()), all(x.size()), inplace(x);
        for (size_t n = 0; n < x.size(); n++) one[n] = step(f1, x[n]);
        run(f2, x.data(), static_cast<unsigned int>(x.size()), all.data());
        EXPECT_EQ(one, all);
        auto f3 = make();
        run(f3, inplace.data(), static_cast<unsigned int>(x.size()), inplace.data());
        EXPECT_EQ(one, inplace);
    };
    check(
        "TFilter",
        [&] {
            TFilter f(3, 4);
            f.FilterSetCoefs(num);
            return f;
        },
        [](TFilter& f, float v) { return f.FilterProcess(v); },
        [](TFilter& f, const float* in, unsigned int n, float* out) { f.FilterProcess(in, n, out); });
    check(
        "TIIRFilter",
        [&] {
            TIIRFilter f(3, 2, 3, 5);
            f.SetCoefs(num, 0);
            f.SetCoefs(den, 1);
            return f;
        },
        [](TIIRFilter& f, float v) { return f.Process(v); },
        [](TIIRFilter& f, const float* in, unsigned int n, float* out) { f.Process(in, n, out); });
    check(
        "TIIRFilter2ndOrder", [&] { return TIIRFilter2ndOrder(num, den, 0.7f); },
        [](TIIRFilter2ndOrder& f, float v) { return f.filter(v); },
        [](TIIRFilter2ndOrder& f, const float* in, unsigned int n, float* out) { f.filter(in, n, out); });
    check(
        "TIIR_DFII", [&] { return TIIR_DFII(3, num, den, 1.5f); }, [](TIIR_DFII& f, float v) { return f.Process(v); },
        [](TIIR_DFII& f, const float* in, unsigned int n, float* out) { f.Process(in, n, out); });
    check(
        "TMultiStageIIR", [&] { return TMultiStageIIR(4, b, a, g); },
        [](TMultiStageIIR& f, float v) { return f.Process(v); },
        [](TMultiStageIIR& f, const float* in, unsigned int n, float* out) { f.Process(in, n, out); });
    const std::string file = TempFile("block.txt", "NSTAGES = 2\nNUM/DEN = 3 3\n0.3 0.2 -0.1\n2 -1 0.4\n"
                                                   "NUM/DEN = 2 3\n1 1\n1 0.5 0.1\n");
    check(
        "TIIR", [&] { return TIIR(file.c_str()); }, [](TIIR& f, float v) { return f.Process(v); },
        [](TIIR& f, const float* in, unsigned int n, float* out) { f.Process(in, n, out); });
}

TEST(IIRFilters, CopiesAreIndependent)
{
    const float num[] = {1.0f, 0.5f}, den[] = {1.0f, -0.5f};
    TIIRFilter original(2, 1, 2, 1);
    original.SetCoefs(num, 0);
    original.SetCoefs(den, 1);
    original.Process(1.0f);
    TIIRFilter copy = original;
    copy.SetCoef(0, 9.0f, 0);
    EXPECT_EQ(original.GetCoef(0, 0), 1.0f);
    EXPECT_EQ(copy.Process(0.0f), original.Process(0.0f));  // same state was copied
    TIIRFilter empty;
    EXPECT_EQ(empty.Process(3.0f), 0.0f);
    empty = copy;
    EXPECT_EQ(empty.GetCoef(0, 0), 9.0f);
}

TEST(IIRFilters, CoefficientFilesAreReadOrRefused)
{
    float b[12], a[12], g[4];
    GetOctaveIIRParamButter(b, a, g, 2, 44100.0f);
    std::string text = "NSTAGES = 4\n";
    char item[64];
    for (int s = 0; s < 4; s++) {
        for (int i = 0; i < 3; i++) text += (snprintf(item, sizeof item, "%.9g ", b[3 * s + i]), item);
        for (int i = 0; i < 3; i++) text += (snprintf(item, sizeof item, "%.9g ", a[3 * s + i]), item);
        text += "\r\n";
    }
    TMultiStageIIR fromFile(TempFile("butter.txt", text).c_str());
    TMultiStageIIR direct(4, b, a, g);
    ASSERT_EQ(fromFile.NumStages, 4u);
    for (int n = 0; n < 200; n++) {
        float v = n == 0 ? 1.0f : 0.0f;
        ASSERT_EQ(fromFile.Process(v), direct.Process(v)) << n;
    }

    // Unequal orders: (1 + z^-1) / (1 - 0.5 z^-1), padded with zeros.
    TIIR tiir(TempFile("tiir.txt", "NSTAGES=1\nNUM/DEN=2 2\n1 1\n1 -0.5\n").c_str());
    ASSERT_EQ(tiir.NumStages, 1u);
    EXPECT_EQ(tiir.NNum[0], 2u);
    const float h[] = {1.0f, 1.5f, 0.75f};
    for (int n = 0; n < 3; n++) EXPECT_FLOAT_EQ(tiir.Process(n == 0 ? 1.0f : 0.0f), h[n]);
    TIIR uneven(TempFile("uneven.txt", "NSTAGES = 1\nNUM/DEN = 1 3\n2\n1 0 0.25\n").c_str());
    ASSERT_EQ(uneven.NumStages, 1u);
    EXPECT_EQ(uneven.section[0].NC, 3u);

    const char* broken[] = {
        "",
        "NSTAGE = 1\n1 0 0 1 0 0\n",
        "NSTAGES = 0\n",
        "NSTAGES = -3\n",
        "NSTAGES = 1000000000\n1 0 0 1 0 0\n",
        "NSTAGES = 2\n1 0 0 1 0 0\n1 0 0 1 0\n",
        "NSTAGES = 1\n1 0 x 1 0 0\n",
        "NSTAGES = 1\n1 0 nan 1 0 0\n",
    };
    ErrorCapture cap;
    for (const char* t : broken) {
        SCOPED_TRACE(t);
        cap.messages.clear();
        TMultiStageIIR m(TempFile("broken.txt", t).c_str());
        EXPECT_EQ(m.NumStages, 0u);
        EXPECT_EQ(m.Process(0.25f), 0.25f);
        EXPECT_EQ(cap.messages.size(), 1u);
    }
    const char* brokenTiir[] = {
        "NSTAGES = 1\nNUM/DEN = 2\n1 1\n",
        "NSTAGES = 1\nNUM/DEN = 2 99999999\n1 1 1 1\n",
        "NSTAGES = 2\nNUM/DEN = 1 1\n1 1\nNUM/DEN = 1 1\n1\n",
        "NSTAGES = 1\nNUM/DEN = 0 1\n1\n",
    };
    for (const char* t : brokenTiir) {
        SCOPED_TRACE(t);
        cap.messages.clear();
        TIIR m(TempFile("broken.txt", t).c_str());
        EXPECT_EQ(m.NumStages, 0u);
        EXPECT_EQ(m.Process(0.25f), 0.25f);
        EXPECT_EQ(cap.messages.size(), 1u);
    }
    cap.messages.clear();
    TIIR missing("/nonexistent/sorvi/none.txt");
    EXPECT_EQ(missing.NumStages, 0u);
    EXPECT_EQ(cap.messages.size(), 1u);
}

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(IIRFilters, PrintedAndSavedFormats)
{
    const TempDir dir("iir-dump");
    const std::string path = (dir / "dump.txt").string();

    TIIRFilter allpass(2, 2, 2, 2);
    const float num[] = {0.5f, 1.0f}, den[] = {1.0f, 0.5f};
    allpass.SetCoefs(num, 0);
    allpass.SetCoefs(den, 1);
    testing::internal::CaptureStdout();
    allpass.ShowCoefs();
    allpass.ShowInfo();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "0.500 0.000 1.000\n--------------------------\n1.000 0.000 0.500\n"
              "--------------------------\n"
              "Numerador:\nEsparsidade = 2\n0.500 1.000 \n--------------------------\n"
              "Denominador:\nEsparsidade = 2\n1.000 0.500 \n--------------------------\n");
    allpass.SaveImpResp(path.c_str(), 3);
    EXPECT_EQ(ReadAll(path), "0.500000\n0.000000\n0.750000\n");

    const float b[] = {1, 0, 0}, a[] = {1, -0.5f, 0};
    TIIRFilter2ndOrder biquad(b, a, 1.0f);
    biquad.SaveImpulseResponse(path.c_str(), 3);
    EXPECT_EQ(ReadAll(path), "1.000\n0.500\n0.250\n");

    TIIR_DFII dfii(3, b, a, 2.0f);
    dfii.SaveImpulseResponse(path.c_str(), 2);
    EXPECT_EQ(ReadAll(path), "2.000\n1.000\n");
    testing::internal::CaptureStdout();
    dfii.Show();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "NC = 3\nNum = 1.000000 0.000000 0.000000 \nDen = 1.000000 -0.500000 0.000000 \n");

    const float g[] = {1.0f};
    TMultiStageIIR cascade(1, b, a, g);
    cascade.SaveImpulseResponse(path.c_str(), 0);  // at least one line
    EXPECT_EQ(ReadAll(path), "1\n");
    cascade.SaveImpulseResponse(path.c_str(), 2);
    EXPECT_EQ(ReadAll(path), "1.5\n0.75\n");  // the state goes on from the first save

    TIIR tiir(TempFile("show.txt", "NSTAGES = 1\nNUM/DEN = 1 2\n3\n1 -0.5\n").c_str());
    testing::internal::CaptureStdout();
    tiir.Show();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "NSTAGES = 1\nNUM/DEN = 1 2\nNC = 2\nNum = 3.000000 0.000000 \nDen = 1.000000 -0.500000 \n");
    tiir.SaveImpulseResponse(path.c_str(), 2);
    EXPECT_EQ(ReadAll(path), "3\n1.5\n");
}
