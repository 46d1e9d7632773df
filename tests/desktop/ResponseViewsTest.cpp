#include "desktop/ResponseViews.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(ResponseViewsTest, SpectrumSizeStepAndPointsFollowTheResponseLength)
{
    struct Case {
        unsigned int N;
        unsigned long long fftSize, step;
        unsigned int points;
    };
    const Case cases[] = {
        {132300, 524288, 64, 4096},  // 3 s at 44100 Hz
        {4097, 16384, 2, 4096},     {4096, 8192, 1, 4096}, {2049, 8192, 1, 4096}, {2048, 4096, 1, 2048},
        {1000, 2048, 1, 1024},      {1, 2, 1, 1},          {0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const SpectrumLayout s = SpectrumLayoutFor(c.N);
        EXPECT_EQ(s.fftSize, c.fftSize) << c.N;
        EXPECT_EQ(s.step, c.step) << c.N;
        EXPECT_EQ(s.points, c.points) << c.N;
    }
}

TEST(ResponseViewsTest, ThreeSecondToneShowsItsPeakAtItsFrequency)
{
    const float fs = 44100.0f;
    const unsigned int N = 132300;
    const double f0 = 100 * fs / 8192.0;  // the 101st plotted frequency, about 538 Hz
    std::vector<float> p(N);
    for (unsigned int n = 0; n < N; ++n) p[n] = static_cast<float>(std::cos(2 * M_PI * f0 * n / fs));
    const std::vector<TPoint3D> s = ResponseViewPoints(p.data(), N, fs, VIEW_SPECTRUM);
    ASSERT_EQ(s.size(), 4096u);
    EXPECT_DOUBLE_EQ(s[0].x, 0.0);
    EXPECT_NEAR(s[1].x - s[0].x, fs / 8192.0, 1e-9);
    EXPECT_LT(s.back().x, fs / 2);
    size_t peak = 0;
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i].y > s[peak].y) peak = i;
    EXPECT_EQ(peak, 100u);
    // |X| = N/2 / fs for a tone that fills the response.
    EXPECT_NEAR(s[peak].y, 10 * std::log10(N / 2.0 / fs), 0.05);
}

TEST(ResponseViewsTest, ShortResponseSpectrumSpreadsOverRealFrequencies)
{
    const float fs = 48000.0f;
    for (unsigned int N : {1u, 1000u, 2048u}) {
        std::vector<float> p(N, 0.0f);
        p[0] = 1.0f;  // flat spectrum of 1/fs
        const std::vector<TPoint3D> s = ResponseViewPoints(p.data(), N, fs, VIEW_SPECTRUM);
        ASSERT_EQ(s.size(), SpectrumLayoutFor(N).points) << N;
        for (size_t i = 0; i < s.size(); ++i) {
            EXPECT_NEAR(s[i].x, i * fs / SpectrumLayoutFor(N).fftSize, 1e-6) << N;
            EXPECT_NEAR(s[i].y, 10 * std::log10(1 / fs + 1e-7), 1e-6) << N;
        }
        EXPECT_LT(s.back().x, fs / 2);
    }
    EXPECT_TRUE(ResponseViewPoints(nullptr, 0, fs, VIEW_SPECTRUM).empty());
}

TEST(ResponseViewsTest, SilentResponseHasNoFiniteDecayButNoNaN)
{
    const std::vector<float> p(100, 0.0f);
    for (int view : {VIEW_DECAY, VIEW_DECAY_NORMALIZED}) {
        const std::vector<TPoint3D> d = ResponseViewPoints(p.data(), 100, 1000.0f, view);
        ASSERT_EQ(d.size(), 100u);
        for (const TPoint3D& q : d) EXPECT_TRUE(std::isinf(q.y) && q.y < 0) << view;
    }
    EXPECT_TRUE(ResponseViewPoints(p.data(), 100, 1000.0f, -1).empty());
    EXPECT_EQ(ViewXUnit(VIEW_SPECTRUM), AxisUnit::Hertz);
    EXPECT_EQ(ViewXUnit(VIEW_DECAY_NORMALIZED), AxisUnit::Seconds);
}

}  // namespace
