#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "dsp/FIRDesign.h"
#include "support/SignalReference.h"
#include "support/TempDir.h"

namespace {

const double kPiFIR = 3.14159265358979323846;

double ResponseDb(const std::vector<float>& h, double f, double fs)
{
    std::complex<double> s = 0.0;
    for (size_t n = 0; n < h.size(); n++) s += double(h[n]) * std::polar(1.0, -2.0 * kPiFIR * f / fs * n);
    return 20.0 * std::log10(std::abs(s));
}

double MaxAbs(const std::vector<double>& v)
{
    double m = 1.0;
    for (double x : v) m = std::max(m, std::fabs(x));
    return m;
}

// Energy (sum of squares) of the cascade of two filters: by Parseval, their product's energy
// gain over the spectrum.
double CascadeEnergy(const std::vector<float>& a, const std::vector<float>& b)
{
    double e = 0.0;
    for (size_t n = 0; n + 1 < a.size() + b.size(); n++) {
        double y = 0.0;
        for (size_t k = n >= b.size() ? n - b.size() + 1 : 0; k < a.size() && k <= n; k++) y += double(a[k]) * b[n - k];
        e += y * y;
    }
    return e;
}

}  // namespace

TEST(FIRDesign, OctaveBandsPassTheirOwnOctave)
{
    for (double fs : {44100.0, 48000.0}) {
        for (int band = 0; band <= 8; band++) {
            const double fc = 62.5 * std::pow(2.0, band);
            SCOPED_TRACE(testing::Message() << fc << " Hz at " << fs);
            // The responses use 2047 taps; the lowest bands need longer filters to fall
            // 20 dB within an octave below their centre.
            const unsigned int taps = band == 0 ? 8191 : band == 1 ? 4095 : 2047;
            std::vector<float> h(taps);
            OctaveBandDesign(h.data(), taps, static_cast<float>(fc / (fs / 2)));
            EXPECT_NEAR(ResponseDb(h, fc, fs), 0.0, 0.1);
            EXPECT_LT(ResponseDb(h, fc / 2, fs), -20.0);
            if (2 * fc < fs / 2) {
                EXPECT_LT(ResponseDb(h, 2 * fc, fs), -20.0);
            }

            // At the responses' 2047 taps the peak stays inside the band's own octave and
            // the octave above is at least 20 dB down.
            std::vector<float> h2047(2047);
            OctaveBandDesign(h2047.data(), 2047, static_cast<float>(fc / (fs / 2)));
            EXPECT_NEAR(ResponseDb(h2047, fc, fs), 0.0, 0.5);
            if (2 * fc < fs / 2) {
                EXPECT_LT(ResponseDb(h2047, 2 * fc, fs), -20.0);
            }
            double peak = -1e9, fpeak = 0.0;
            for (double f = fc / 4; f < std::min(4 * fc, fs / 2); f *= 1.02) {
                double d = ResponseDb(h2047, f, fs);
                if (d > peak) {
                    peak = d;
                    fpeak = f;
                }
            }
            EXPECT_GT(fpeak, fc / std::sqrt(2.0));
            EXPECT_LT(fpeak, fc * std::sqrt(2.0));
        }
    }
}

// The synthesis bands add up to one over the range they cover, whatever each band's energy is
// in the end; each passes its own octave, crosses its neighbour at about half amplitude on the
// shared edge, and bands past the Nyquist frequency are silent.
TEST(FIRDesign, SynthesisBandsAddUpToOne)
{
    struct Case {
        double fs;
        double top;     // Hz, highest frequency of the flat sum
        unsigned live;  // bands below the Nyquist frequency
    };
    const Case cases[] = {{44100.0, 18000.0, 9}, {48000.0, 20000.0, 9}, {22050.0, 9000.0, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fs << " Hz");
        std::vector<float> centres(9);
        for (unsigned b = 0; b < 9; b++) centres[b] = static_cast<float>(62.5 * std::pow(2.0, b) / (c.fs / 2));
        std::vector<std::vector<float>> bands(9, std::vector<float>(2047));
        std::vector<float> sum(2047, 0.0f);
        for (unsigned b = 0; b < 9; b++) {
            SynthesisBandDesign(bands[b].data(), 2047, centres.data(), 9, b);
            for (unsigned n = 0; n < 2047; n++) sum[n] += bands[b][n];
        }
        for (double f = 100.0; f <= c.top; f *= 1.01) ASSERT_NEAR(ResponseDb(sum, f, c.fs), 0.0, 0.1) << f << " Hz";

        for (unsigned b = 0; b < 9; b++) {
            const double fc = 62.5 * std::pow(2.0, b);
            SCOPED_TRACE(testing::Message() << "band " << fc << " Hz");
            if (b >= c.live) {
                for (float v : bands[b]) ASSERT_EQ(v, 0.0f);
                continue;
            }
            if (b >= 2) {  // the lowest bands are wider than an octave at 2047 taps
                EXPECT_NEAR(ResponseDb(bands[b], fc, c.fs), 0.0, 0.2);
                // About half amplitude (the ramp is linear in frequency around the edge).
                EXPECT_NEAR(ResponseDb(bands[b], fc / std::sqrt(2.0), c.fs), -6.0, 0.7);
                EXPECT_LT(ResponseDb(bands[b], fc / 2, c.fs), -20.0);
            }
            if (b + 1 < c.live && b >= 1) {
                EXPECT_LT(ResponseDb(bands[b], 2 * fc, c.fs), -20.0);
            }
        }
    }
}

// The analysis bands of the parameters measure their own synthesis band: where a band's lower
// neighbour decays more slowly, a leak of -14 dB (the octave filters' skirts past the edge
// and the crossover) carried that decay into the band's late part. Their energy gains are the
// bands' shares of the spectrum, so that a flat spectrum's band levels add up to it (the
// octave filters read it 0.86 dB high); bands past the Nyquist frequency are silent.
TEST(FIRDesign, AnalysisBandsKeepOutTheirNeighbours)
{
    struct Case {
        double fs;
        unsigned sharp;  // first band whose lower edge falls within the crossover
        unsigned live;
    };
    const Case cases[] = {{44100.0, 5, 9}, {48000.0, 5, 9}, {22050.0, 4, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fs << " Hz");
        std::vector<float> centres(9);
        for (unsigned b = 0; b < 9; b++) centres[b] = static_cast<float>(62.5 * std::pow(2.0, b) / (c.fs / 2));
        std::vector<std::vector<float>> synthesis(9, std::vector<float>(2047)), analysis = synthesis;
        double gains = 0.0, bank = 0.0;
        std::vector<double> sum(2047, 0.0);
        for (unsigned b = 0; b < 9; b++) {
            SynthesisBandDesign(synthesis[b].data(), 2047, centres.data(), 9, b);
            AnalysisBandDesign(analysis[b].data(), 2047, centres.data(), 9, b);
            for (float v : analysis[b]) gains += double(v) * v;
            for (unsigned n = 0; n < 2047; n++) sum[n] += synthesis[b][n];
        }
        for (double v : sum) bank += v * v;
        // A flat spectrum through the synthesis bank, and the analysis bands of it.
        EXPECT_NEAR(10.0 * std::log10(gains / bank), 0.0, 0.15);
        for (unsigned b = 1; b < 9; b++) {
            const double fc = 62.5 * std::pow(2.0, b);
            SCOPED_TRACE(testing::Message() << "band " << fc << " Hz");
            if (b >= c.live) {
                for (float v : analysis[b]) ASSERT_EQ(v, 0.0f);
                continue;
            }
            const double own = CascadeEnergy(analysis[b], synthesis[b]);
            if (b >= c.sharp) {
                EXPECT_LT(10.0 * std::log10(CascadeEnergy(analysis[b], synthesis[b - 1]) / own), -25.0);
            }
            if (b + 1 < c.live && b + 1 >= c.sharp) {
                EXPECT_LT(10.0 * std::log10(CascadeEnergy(analysis[b], synthesis[b + 1]) / own), -25.0);
            }
        }
    }
}

TEST(FIRDesign, Fir2IsSymmetricForEveryOrder)
{
    const float ww[] = {0.0f, 0.2f, 0.3f, 1.0f};
    const float aa[] = {1.0f, 1.0f, 0.0f, 0.0f};
    // Orders that are powers of two (1024, 2) need a transform longer than the order.
    for (int taps : {2047, 1025, 3, 2, 64, 513}) {
        SCOPED_TRACE(taps);
        std::vector<float> h(taps + 1, 99.0f);
        fir2(taps, 4, ww, aa, h.data());
        EXPECT_EQ(h[taps], 99.0f);
        for (int k = 0; k < taps; k++) EXPECT_NEAR(h[k], h[taps - 1 - k], 1e-6) << k;
        if (taps >= 513) {
            EXPECT_NEAR(ResponseDb(std::vector<float>(h.begin(), h.end() - 1), 0.05, 2.0), 0.0, 0.1);
            EXPECT_LT(ResponseDb(std::vector<float>(h.begin(), h.end() - 1), 0.5, 2.0), -40.0);
        }
    }
    std::vector<float> h(2047);
    fir2(2047, 4, ww, aa, h.data());
    for (int k = 0; k < 2047; k++) {
        if (k != 1023) {
            EXPECT_LT(std::fabs(h[k]), h[1023]);
        }
    }
}

TEST(FIRDesign, FilterCompensatesTheDelayOfSymmetricFilters)
{
    const std::vector<float> x0 = RandomSignal(50, 3);
    std::vector<float> x = x0;
    const float one[] = {1.0f};
    Filter(x.data(), 50, one, 1);
    for (int n = 0; n < 50; n++) EXPECT_NEAR(x[n], x0[n], 1e-6);

    x = x0;
    const float centred[] = {0.0f, 0.0f, 2.0f, 0.0f, 0.0f};
    Filter(x.data(), 50, centred, 5);
    for (int n = 0; n < 50; n++) EXPECT_NEAR(x[n], 2.0f * x0[n], 1e-5);

    x = x0;
    const float early[] = {0.0f, 1.0f, 0.0f, 0.0f, 0.0f};  // one sample ahead of the centre
    Filter(x.data(), 50, early, 5);
    for (int n = 0; n < 49; n++) EXPECT_NEAR(x[n], x0[n + 1], 1e-5);
    EXPECT_NEAR(x[49], 0.0f, 1e-6);

    // A 1 kHz band filter keeps a 1 kHz sine in place and removes a 4 kHz one.
    std::vector<float> s1(8000), s4(8000);
    for (int n = 0; n < 8000; n++) {
        s1[n] = static_cast<float>(std::sin(2 * kPiFIR * 1000.0 * n / 44100.0));
        s4[n] = static_cast<float>(std::sin(2 * kPiFIR * 4000.0 * n / 44100.0));
    }
    std::vector<float> y1 = s1, y4 = s4;
    OctaveBandFilter(y1.data(), 8000, 1000.0f / 22050.0f, 2047);
    OctaveBandFilter(y4.data(), 8000, 1000.0f / 22050.0f, 2047);
    for (int n = 2000; n < 6000; n++) {
        ASSERT_NEAR(y1[n], s1[n], 0.01) << n;
        ASSERT_NEAR(y4[n], 0.0f, 0.01) << n;
    }
}

TEST(FIRDesign, FFTFiltMatchesDirectConvolution)
{
    // (first length, second length); the shorter one is the filter.
    const unsigned int cases[][2] = {
        {1, 5},     {5, 1},     {1, 1},       {3, 3},        {2, 1000},     {7, 100},       {100, 7},
        {255, 256}, {257, 257}, {1000, 1000}, {2047, 44100}, {44100, 2047}, {4000, 100000},
    };
    unsigned int seed = 10;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " * " << c[1]);
        std::vector<float> a = RandomSignal(c[0], seed++), b = RandomSignal(c[1], seed++);
        // Long cases thin the shorter sequence out to keep the direct sums cheap.
        std::vector<float>& shorter = c[0] <= c[1] ? a : b;
        if (double(c[0]) * c[1] > 1e7)
            for (size_t i = 0; i + 1 < shorter.size(); i++)
                if (i % 37 != 0) shorter[i] = 0.0f;
        const std::vector<double> ref = c[0] <= c[1] ? DirectConv(a, b) : DirectConv(b, a);
        const double scale = MaxAbs(ref);
        std::vector<float> y(ref.size() + 1, 55.0f);
        FFTFilt(a.data(), c[0], b.data(), c[1], y.data());
        for (size_t n = 0; n < ref.size(); n++) ASSERT_NEAR(y[n], ref[n], 2e-5 * scale) << n;
        EXPECT_EQ(y.back(), 55.0f);
    }
    // A one-sample filter scales the signal.
    const std::vector<float> x = RandomSignal(9, 99);
    std::vector<float> y(9);
    const float g[] = {-0.5f};
    FFTFilt(g, 1, x.data(), 9, y.data());
    for (int n = 0; n < 9; n++) EXPECT_NEAR(y[n], -0.5f * x[n], 1e-6);
}

TEST(FIRDesign, FFTFiltWithTheLargestTransforms)
{
    // Sparse long filters keep the reference cheap. 349000 * 349000 takes one block of 2^20
    // points, the largest size of the count table; 600000 * 700000 needs a size past it.
    const unsigned int cases[][2] = {{349000, 349000}, {600000, 700000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " * " << c[1]);
        std::vector<float> h(c[0], 0.0f);
        const std::vector<float> x = RandomSignal(c[1], 5);
        std::mt19937 gen(8);
        std::vector<unsigned int> taps = {0, c[0] - 1};
        for (int k = 0; k < 14; k++) taps.push_back(gen() % c[0]);
        for (unsigned int t : taps) h[t] = static_cast<float>(1 + t % 7) / 7.0f;

        std::vector<double> ref(c[0] + c[1] - 1, 0.0);
        for (unsigned int t = 0; t < c[0]; t++) {
            if (h[t] == 0.0f) continue;
            for (unsigned int n = 0; n < c[1]; n++) ref[t + n] += double(h[t]) * x[n];
        }
        std::vector<float> y(ref.size());
        FFTFilt(h.data(), c[0], x.data(), c[1], y.data());
        const double scale = MaxAbs(ref);
        for (size_t n = 0; n < ref.size(); n++) ASSERT_NEAR(y[n], ref[n], 1e-5 * scale) << n;
    }
}

TEST(FIRDesign, OverlapAddKeepsTheLongerLength)
{
    const unsigned int cases[][2] = {{4, 3}, {3, 100}, {100, 3}, {64, 64}, {33, 1000}, {1, 7}};
    unsigned int seed = 40;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " * " << c[1]);
        const std::vector<float> a = RandomSignal(c[0], seed++), b = RandomSignal(c[1], seed++);
        const std::vector<double> ref = DirectConv(a, b);
        const size_t S = std::max(c[0], c[1]);
        std::vector<float> out(S + 1, 66.0f);
        OverLapAdd(a.data(), c[0], b.data(), c[1], out.data());
        for (size_t n = 0; n < S; n++) ASSERT_NEAR(out[n], ref[n], 1e-5 * MaxAbs(ref)) << n;
        EXPECT_EQ(out[S], 66.0f);
    }
}

TEST(FIRDesign, SynthesisAndExtendedSpectrum)
{
    const float freqs[] = {0.1f, 0.2f, 0.4f};
    const float spectrum[] = {1.0f, 0.5f, 0.25f};
    std::vector<float> h(1023);
    SinthesysFilter(freqs, spectrum, 3, 1023, h.data());
    for (int i = 0; i < 3; i++)
        EXPECT_NEAR(std::pow(10.0, ResponseDb(h, freqs[i], 2.0) / 20.0), spectrum[i], 0.01) << i;

    const auto cwd = std::filesystem::current_path();
    const TempDir dir("extend");
    std::filesystem::current_path(dir.path());
    const float f[] = {0.0f, 1.0f}, m[] = {0.0f, 8.0f};
    std::vector<float> out(16, -1.0f);
    ExtendRayMagSpectrum(f, m, 2, 16, out.data());
    std::filesystem::current_path(cwd);
    const std::vector<float> expected = {0, 1, 2, 3, 4, 5, 6, 7, 0, 7, 6, 5, 4, 3, 2, 1};
    EXPECT_EQ(out, expected);
    std::ifstream saved(dir / "output.txt");
    float v, sum = 0.0f;
    int lines = 0;
    while (saved >> v) {
        sum += v;
        lines++;
    }
    EXPECT_EQ(lines, 16);
    EXPECT_EQ(sum, 56.0f);
}
