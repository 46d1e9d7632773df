#include "dsp/Transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <latch>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

#include "support/ErrorCapture.h"

namespace {

std::vector<TComplex> RandomComplexSignal(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<TComplex> x(n);
    for (auto& v : x) v = TComplex(u(gen), u(gen));
    return x;
}

double MaxAbsDiff(const std::vector<TComplex>& a, const std::vector<TComplex>& b)
{
    double m = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        m = std::max({m, std::fabs(a[i].re - b[i].re), std::fabs(a[i].im - b[i].im)});
    return m;
}

// Direct transform in long double with exact factors, scaled as TransformFFT scales.
std::vector<TComplex> ReferenceDFT(const std::vector<TComplex>& x, bool inverse, double fs)
{
    const std::size_t n = x.size();
    const long double sign = inverse ? 1.0L : -1.0L;
    std::vector<long double> c(n), s(n);
    for (std::size_t i = 0; i < n; ++i) {
        const long double a = sign * 2.0L * std::numbers::pi_v<long double> * i / n;
        c[i] = std::cos(a);
        s[i] = std::sin(a);
    }
    std::vector<TComplex> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        long double re = 0.0L, im = 0.0L;
        for (std::size_t t = 0; t < n; ++t) {
            const std::size_t i = (k * t) % n;
            re += x[t].re * c[i] - x[t].im * s[i];
            im += x[t].re * s[i] + x[t].im * c[i];
        }
        const long double s = inverse ? fs / static_cast<long double>(n) : 1.0L / fs;
        out[k] = TComplex(static_cast<double>(re * s), static_cast<double>(im * s));
    }
    return out;
}

// The stage-by-stage transform written out plainly (one full pass per stage, the classic
// bit-reversal counter), to check the cache-blocked one against bit for bit.
std::vector<TComplex> PlainFFT(std::vector<TComplex> x, bool inverse)
{
    const std::size_t n = x.size();
    std::vector<TComplex> w(n);
    TransformCalcTwiddle(w.data(), static_cast<int>(n), inverse ? 1 : 0);
    std::size_t m = 1;
    for (std::size_t l = n; l > 1; l /= 2, m *= 2) {
        const std::size_t h = l / 2;
        for (std::size_t i = 0; i < n; i += l) {
            const TComplex a = x[i], b = x[i + h];
            x[i] = ComplexAdd(&a, &b, 1);
            x[i + h] = ComplexAdd(&a, &b, -1);
        }
        for (std::size_t j = 1; j < h; ++j) {
            const TComplex f = w[j * m];
            for (std::size_t i = j; i < n; i += l) {
                const TComplex a = x[i], b = x[i + h];
                const TComplex d = ComplexAdd(&a, &b, -1);
                x[i] = ComplexAdd(&a, &b, 1);
                x[i + h] = ComplexMult(&f, &d);
            }
        }
    }
    std::size_t j = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (i < j) std::swap(x[i], x[j]);
        std::size_t k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
    if (inverse)
        for (auto& v : x) v = TComplex(v.re * (1.0 / n), v.im * (1.0 / n));
    return x;
}

bool BitEqual(const std::vector<TComplex>& a, const std::vector<TComplex>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(TComplex)) == 0;
}

}  // namespace

TEST(TransformFFT, RoundTripEverySizeUpTo2Pow20)
{
    for (int p = 0; p <= 20; ++p) {
        const int n = 1 << p;
        const auto x = RandomComplexSignal(n, 100 + p);
        auto y = x;
        TransformFFT(n, 0, 1.0, y.data());
        TransformFFT(n, 1, 1.0, y.data());
        // The factors come from repeated multiplication, so their phase error grows with n.
        EXPECT_LT(MaxAbsDiff(x, y), 1e-13 + 2e-15 * n) << "n = 2^" << p;
    }
}

TEST(TransformFFT, AgreesWithDirectTransform)
{
    struct Case {
        int n;
        int mode;
        double fs;
    };
    const Case cases[] = {{1, 0, 1.0},  {1, 1, 44100.0}, {2, 0, 1.0},       {4, 1, 1.0},        {8, 0, 48000.0},
                          {16, 1, 1.0}, {64, 0, 1.0},    {256, 1, 22050.0}, {1024, 0, 44100.0}, {4096, 1, 1.0}};
    for (const auto& c : cases) {
        const auto x = RandomComplexSignal(c.n, c.n * 7 + c.mode);
        const auto expect = ReferenceDFT(x, c.mode != 0, c.fs);
        auto y = x;
        TransformFFT(c.n, c.mode, c.fs, y.data());
        double scale = 0.0;
        for (const auto& v : expect) scale = std::max(scale, std::hypot(v.re, v.im));
        EXPECT_LT(MaxAbsDiff(y, expect), 1e-12 * std::max(scale, 1e-300) * std::log2(2.0 * c.n))
            << "n=" << c.n << " mode=" << c.mode << " fs=" << c.fs;
    }
}

TEST(TransformFFT, ImpulsesGiveFlatAndRotatingSpectra)
{
    const int n = 512;
    const double fs = 44100.0;
    std::vector<TComplex> x(n, TComplex(0.0, 0.0));
    x[0] = TComplex(1.0, 0.0);
    TransformFFT(n, 0, fs, x.data());
    for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(x[k].re, 1.0 / fs, 1e-18) << k;
        EXPECT_NEAR(x[k].im, 0.0, 1e-18) << k;
    }
    // A delay of one sample turns by -2 pi k / n (the forward sign convention).
    std::vector<TComplex> d(n, TComplex(0.0, 0.0));
    d[1] = TComplex(1.0, 0.0);
    TransformFFT(n, 0, 1.0, d.data());
    for (int k = 0; k < n; ++k) {
        EXPECT_NEAR(d[k].re, std::cos(2 * std::numbers::pi * k / n), 1e-13) << k;
        EXPECT_NEAR(d[k].im, -std::sin(2 * std::numbers::pi * k / n), 1e-13) << k;
    }
}

TEST(TransformFFT, BlockedOrderMatchesPlainStagesBitForBit)
{
    // Sizes around the bit-reversal and cache-block thresholds.
    for (int p : {3, 12, 13, 14, 15, 17}) {
        const std::size_t n = std::size_t(1) << p;
        const auto x = RandomComplexSignal(n, p);
        for (int mode : {0, 1}) {
            auto y = x;
            TransformFFT(static_cast<int>(n), mode, 1.0, y.data());
            EXPECT_TRUE(BitEqual(y, PlainFFT(x, mode != 0))) << "n = 2^" << p << " mode " << mode;
        }
    }
}

TEST(TransformFFT, SizesThatAreNotPowersOfTwoAreRefused)
{
    for (int n : {0, -8, 3, 6, 1000, 1 << 30 | 1}) {
        ErrorCapture cap;
        std::vector<TComplex> x(8, TComplex(1.0, 2.0));
        TransformFFT(n, 0, 1.0, x.data());
        ASSERT_EQ(cap.messages.size(), 1u) << n;
        EXPECT_NE(cap.messages[0].find("not a power of two"), std::string::npos) << cap.messages[0];
        for (const auto& v : x) EXPECT_TRUE(v.re == 1.0 && v.im == 2.0);
    }
}

TEST(TransformTwiddle, CacheIsMadeOnceAndRebuiltAfterFreeingAll)
{
    const int p = 9;
    TransformDestroyAllTwiddles();
    for (int q = 0; q <= TRANSFORM_MAX_POWER; ++q) EXPECT_EQ(Used_Twiddles[q].load(), 0) << q;

    std::vector<TComplex> x = RandomComplexSignal(1 << p, 1);
    TransformFFT(1 << p, 0, 1.0, x.data());
    EXPECT_EQ(Used_Twiddles[p].load(), 1);
    twiddle_st* first = twiddle[p].load();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->tw.size(), 512u);
    EXPECT_EQ(TransformTwiddleCreate(p), 0);
    EXPECT_EQ(twiddle[p].load(), first);
    // Quarter turn of each table, made by repeated multiplication.
    EXPECT_NEAR(first->tw[128].re, 0.0, 1e-14);
    EXPECT_NEAR(first->tw[128].im, -1.0, 1e-14);
    EXPECT_NEAR(first->twi[128].im, 1.0, 1e-14);

    std::vector<TComplex> one = {TComplex(3.0, -1.0)};
    TransformFFT(1, 1, 2.0, one.data());  // size 1: only the scale (fs) is applied
    EXPECT_EQ(Used_Twiddles[0].load(), 1);
    EXPECT_TRUE(one[0].re == 6.0 && one[0].im == -2.0);

    TransformDestroyAllTwiddles();
    EXPECT_EQ(Used_Twiddles[p].load(), 0);
    EXPECT_EQ(Used_Twiddles[0].load(), 0);
    EXPECT_EQ(twiddle[p].load(), nullptr);
    TransformTwiddleDestroy(p);  // nothing left to free: harmless
    EXPECT_EQ(TransformTwiddleCreate(p), 1);
    EXPECT_EQ(Used_Twiddles[p].load(), 1);

    ErrorCapture cap;
    EXPECT_EQ(TransformTwiddleCreate(TRANSFORM_MAX_POWER + 1), 0);
    EXPECT_EQ(cap.messages.size(), 1u);
}

TEST(TransformTwiddle, ThreadsCreatingTheSameSizeAtOnceGetOneTable)
{
    const int p = 15, n = 1 << p;
    const auto x = RandomComplexSignal(n, 3);
    const auto expect = PlainFFT(x, false);
    for (int round = 0; round < 4; ++round) {
        TransformTwiddleDestroy(p);
        const int threads = 8;
        std::latch start(threads);
        std::vector<std::vector<TComplex>> out(threads, x);
        std::vector<std::thread> pool;
        for (int t = 0; t < threads; ++t)
            pool.emplace_back([&, t] {
                start.arrive_and_wait();
                TransformFFT(n, 0, 1.0, out[t].data());
            });
        for (auto& th : pool) th.join();
        for (int t = 0; t < threads; ++t) EXPECT_TRUE(BitEqual(out[t], expect)) << "thread " << t;
        EXPECT_EQ(Used_Twiddles[p].load(), 1);
    }
}

TEST(TransformDFT, DirectTransformWithTheCachedFactorsMatchesTheFFT)
{
    const int n = 64;
    for (int mode : {0, 1}) {
        std::vector<TComplex> w(n);
        TransformCalcTwiddle(w.data(), n, mode);
        const auto x = RandomComplexSignal(n, 11 + mode);
        auto direct = x, fast = x;
        TransformDFT(n, mode, 2.0, direct.data(), w.data());
        TransformFFT(n, mode, 2.0, fast.data());
        EXPECT_LT(MaxAbsDiff(direct, fast), 1e-12);
    }
}
