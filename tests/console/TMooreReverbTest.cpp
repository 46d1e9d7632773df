#include "console/TMooreReverb.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "support/ErrorCapture.h"

namespace fs = std::filesystem;

// Each section owns its filter: copies would share it, so only moves are allowed.
static_assert(!std::is_copy_constructible_v<TAllPassFilter> && std::is_move_constructible_v<TAllPassFilter>);
static_assert(!std::is_copy_constructible_v<TCombFilter> && std::is_move_constructible_v<TCombFilter>);
static_assert(!std::is_copy_assignable_v<TMooreReverb> && std::is_move_assignable_v<TMooreReverb>);

namespace {

template <class Section> std::vector<float> Impulse(Section& s, unsigned int n)
{
    std::vector<float> h(n);
    for (unsigned int i = 0; i < n; i++) h[i] = s.Process(i == 0 ? 1.0f : 0.0f);
    return h;
}

std::vector<double> ReadNumbers(const fs::path& file)
{
    std::ifstream in(file);
    std::vector<double> v;
    for (double x; in >> x;) v.push_back(x);
    return v;
}

class ReverbFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("sorvi_reverb_" + std::to_string(getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

}  // namespace

// ---- Comb relations --------------------------------------------------------------------------

TEST(CombRelations, KnownValues)
{
    // A comb of gain 0.5 loses 6.02 dB per pass: 600 samples of decay take 60.2 passes.
    EXPECT_NEAR(RevGetCombDelay(600.0f, 0.5f), 60.206f, 1e-3f);
    EXPECT_NEAR(RevGetCombDelay(600.0f, -0.5f), 60.206f, 1e-3f);
    EXPECT_EQ(ReverbDelayFromSamples(RevGetCombDelay(600.0f, 0.5f)), 60u);
    EXPECT_NEAR(RevGetCombRevTime(60, 0.5f), 597.94f, 1e-2f);
    EXPECT_NEAR(RevGetCombRevTime(60, -0.5f), 597.94f, 1e-2f);
    EXPECT_NEAR(RevGetCombPole(600.0f, 60.0f), std::pow(10.0f, -0.3f), 1e-6f);
    EXPECT_NEAR(RevGetCombPole(600.0f, 60.0f), 0.501f, 1e-3f);
}

TEST(CombRelations, PoleAndRevTimeAreInverse)
{
    const struct {
        float rt;
        unsigned int delay;
    } cases[] = {{600.0f, 60}, {2205.0f, 37}, {44100.0f, 1500}, {44100.0f, 3000}, {1000.0f, 200}};
    for (const auto& c : cases) {
        const float pole = RevGetCombPole(c.rt, static_cast<float>(c.delay));
        EXPECT_NEAR(RevGetCombRevTime(c.delay, pole), c.rt, c.rt * 1e-4f) << c.rt << " " << c.delay;
        EXPECT_NEAR(RevGetCombDelay(c.rt, pole), static_cast<float>(c.delay), c.delay * 1e-4f);
    }
}

TEST(CombRelations, DelayConversionIsClamped)
{
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float samples;
        unsigned int delay;
    } cases[] = {{-5.0f, 0},
                 {-inf, 0},
                 {std::nanf(""), 0},
                 {0.5f, 0},
                 {1.0f, 1},
                 {60.9f, 60},
                 {4194303.5f, 4194303},
                 {4194304.0f, kMaxReverbDelay},
                 {1e30f, kMaxReverbDelay},
                 {inf, kMaxReverbDelay}};
    for (const auto& c : cases) EXPECT_EQ(ReverbDelayFromSamples(c.samples), c.delay) << c.samples;
    // A pole of 0 or of magnitude 1 or more gives an infinite or negative delay.
    EXPECT_EQ(ReverbDelayFromSamples(RevGetCombDelay(1000.0f, 0.0f)), kMaxReverbDelay);
    EXPECT_EQ(ReverbDelayFromSamples(RevGetCombDelay(1000.0f, 1.5f)), 0u);
}

TEST(RevTimeFromCurve, ExponentialDecay)
{
    // 60 dB of amplitude decay in RT seconds; twice as long so the fit region is clean.
    const float fs = 8000.0f;
    for (float rt : {0.3f, 1.2f}) {
        const unsigned long n = static_cast<unsigned long>(2 * rt * fs);
        std::vector<float> p(n);
        for (unsigned long i = 0; i < n; i++) p[i] = std::pow(10.0f, -3.0f * i / (rt * fs));
        EXPECT_NEAR(RevTimeFromCurve(p.data(), n, fs), rt, rt * 0.01f) << rt;
    }
    EXPECT_TRUE(std::isnan(RevTimeFromCurve(nullptr, 0, fs)));
}

// ---- Sections --------------------------------------------------------------------------------

TEST(AllPassFilter, ImpulseResponse)
{
    // h[0] = a, h[kD] = (1 - a^2)(-a)^(k-1), zero elsewhere; the energy sums to 1.
    const struct {
        float a;
        unsigned int D;
    } cases[] = {{0.5f, 1}, {0.5f, 3}, {-0.7f, 5}, {0.2f, 64}};
    for (const auto& c : cases) {
        TAllPassFilter ap(c.a, c.D);
        EXPECT_EQ(ap.GetAlpha(), c.a);
        EXPECT_EQ(ap.GetDelay(), c.D);
        const unsigned int n = 200 * c.D;
        const std::vector<float> h = Impulse(ap, n);
        double energy = 0.0;
        for (unsigned int i = 0; i < n; i++) {
            double want = 0.0;
            if (i == 0)
                want = c.a;
            else if (i % c.D == 0)
                want = (1.0 - c.a * c.a) * std::pow(-static_cast<double>(c.a), i / c.D - 1);
            ASSERT_NEAR(h[i], want, 1e-6) << "a=" << c.a << " D=" << c.D << " n=" << i;
            energy += static_cast<double>(h[i]) * h[i];
        }
        EXPECT_NEAR(energy, 1.0, 1e-5);
    }
    TAllPassFilter ap(0.5f, 1);
    const std::vector<float> h = Impulse(ap, 3);
    EXPECT_FLOAT_EQ(h[0], 0.5f);
    EXPECT_FLOAT_EQ(h[1], 0.75f);
    EXPECT_FLOAT_EQ(h[2], -0.375f);
}

TEST(CombFilter, ImpulseResponse)
{
    // h[kD] = a (-a)^k, zero elsewhere.
    const struct {
        float a;
        unsigned int D;
    } cases[] = {{0.5f, 1}, {-0.65f, 4}, {0.79f, 37}};
    for (const auto& c : cases) {
        TCombFilter cf(c.a, c.D);
        EXPECT_EQ(cf.gain, c.a);
        const std::vector<float> h = Impulse(cf, 30 * c.D);
        for (unsigned int i = 0; i < h.size(); i++) {
            const double want = i % c.D ? 0.0 : c.a * std::pow(-static_cast<double>(c.a), i / c.D);
            ASSERT_NEAR(h[i], want, 1e-6) << "a=" << c.a << " D=" << c.D << " n=" << i;
        }
    }
    // The default section is silent.
    TCombFilter silent;
    for (float v : Impulse(silent, 5)) EXPECT_EQ(v, 0.0f);
}

TEST(Sections, ZeroDelayBecomesOne)
{
    testing::internal::CaptureStdout();
    TAllPassFilter ap(0.5f, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "AllPassFilterCreate : Useless all-pass filter with ZERO DELAY!!! Setting to 1\n");
    TAllPassFilter ref(0.5f, 1);
    EXPECT_EQ(ap.GetDelay(), 1u);
    EXPECT_EQ(Impulse(ap, 8), Impulse(ref, 8));

    testing::internal::CaptureStdout();
    TCombFilter cf(0.5f, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    TCombFilter cref(0.5f, 1);
    EXPECT_EQ(cf.GetDelay(), 1u);
    EXPECT_EQ(Impulse(cf, 8), Impulse(cref, 8));
}

TEST_F(ReverbFiles, SectionImpulseFilesContinueFromTheState)
{
    TAllPassFilter ap(0.5f, 2);
    ap.SaveImpResp((dir_ / "a.txt").c_str(), 6);
    const std::vector<double> first = ReadNumbers(dir_ / "a.txt");
    const std::vector<double> want = {0.5, 0, 0.75, 0, -0.375, 0};
    ASSERT_EQ(first.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) EXPECT_NEAR(first[i], want[i], 1e-6);
    // No reset: a second impulse is added to the ringing of the first.
    ap.SaveImpResp((dir_ / "b.txt").c_str(), 1);
    EXPECT_NEAR(ReadNumbers(dir_ / "b.txt").at(0), 0.5 + 0.1875, 1e-6);

    TCombFilter cf(0.5f, 1);
    cf.SaveImpResp((dir_ / "c.txt").c_str(), 3);
    std::ifstream in(dir_ / "c.txt");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "0.500000\n-0.250000\n0.125000\n");
}

TEST_F(ReverbFiles, UnwritableFilesAreReported)
{
    const std::string bad = (dir_ / "missing" / "x.txt").string();
    ErrorCapture cap;
    TAllPassFilter ap(0.5f, 2);
    TCombFilter cf(0.5f, 2);
    TMooreReverb rev(2, 0.1f, 8000.0f, 1);
    ap.SaveImpResp(bad.c_str(), 4);
    cf.SaveImpResp(bad.c_str(), 4);
    rev.SaveImpResp(bad.c_str(), 4);
    ASSERT_EQ(cap.messages.size(), 3u);
    for (const auto& m : cap.messages) EXPECT_NE(m.find("nao pode ser aberto para escrita"), std::string::npos);
    EXPECT_FALSE(fs::exists(bad));
}

// ---- Reverberator ----------------------------------------------------------------------------

TEST(MooreReverb, SectionsFollowTheReverberationTime)
{
    const float rt = 0.8f, fs = 44100.0f;
    for (unsigned int seed : {1u, 2u, 12345u}) {
        TMooreReverb rev(4, rt, fs, seed);
        EXPECT_EQ(rev.ncomb, 4u);
        EXPECT_EQ(rev.nallpass, 1u);
        ASSERT_EQ(rev.comb.size(), 4u);
        ASSERT_EQ(rev.allpass.size(), 1u);
        for (unsigned int n = 0; n < 4; n++) {
            const float a = rev.comb[n]->alpha;
            // Even combs negative, odd combs positive.
            EXPECT_EQ(a < 0, n % 2 == 0) << "comb " << n;
            EXPECT_GE(std::fabs(a), 0.6f);
            EXPECT_LE(std::fabs(a), 0.7995f);
            EXPECT_EQ(rev.comb[n]->delay, static_cast<unsigned int>(RevGetCombDelay(rt * fs, a)));
            // Cutting the delay to whole samples shortens the decay by less than a sample's worth.
            const float combRT = RevGetCombRevTime(rev.comb[n]->delay, a);
            EXPECT_LE(combRT, rt * fs);
            EXPECT_GT(combRT, rt * fs - RevGetCombRevTime(1, a));
        }
        const float p = rev.allpass[0]->alpha;
        EXPECT_GE(std::fabs(p), 0.2f);
        EXPECT_LE(std::fabs(p), 0.2495f);
        EXPECT_EQ(rev.allpass[0]->delay, static_cast<unsigned int>(RevGetCombDelay(rt * fs, p)));
        unsigned int lo = rev.allpass[0]->delay, hi = lo;
        for (const auto& c : rev.comb) lo = std::min(lo, c->delay), hi = std::max(hi, c->delay);
        EXPECT_EQ(rev.GetMinDelay(), lo);
        EXPECT_EQ(rev.GetMaxDelay(), hi);
        EXPECT_EQ(rev.first_delay, static_cast<int>(lo));
    }
}

TEST(MooreReverb, SeedFixesTheReverberatorAndLeavesTheGlobalGeneratorAlone)
{
    std::srand(77);
    const int expected = std::rand();
    std::srand(77);
    TMooreReverb a(6, 1.0f, 22050.0f, 99);
    TMooreReverb b(6, 1.0f, 22050.0f, 99);
    TMooreReverb clock(6, 1.0f, 22050.0f);
    EXPECT_EQ(std::rand(), expected);

    for (unsigned int n = 0; n < 6; n++) {
        EXPECT_EQ(a.comb[n]->alpha, b.comb[n]->alpha);
        EXPECT_EQ(a.comb[n]->delay, b.comb[n]->delay);
    }
    EXPECT_EQ(a.allpass[0]->alpha, b.allpass[0]->alpha);
    std::vector<float> ha(3000), hb(3000);
    a.GetImpResp(ha.data(), 3000);
    b.GetImpResp(hb.data(), 3000);
    EXPECT_EQ(ha, hb);

    // Different seeds draw different coefficients.
    TMooreReverb c(6, 1.0f, 22050.0f, 100);
    bool differs = false;
    for (unsigned int n = 0; n < 6; n++) differs |= a.comb[n]->alpha != c.comb[n]->alpha;
    EXPECT_TRUE(differs);
    EXPECT_LT(ReverbClockSeed(), 1000000u);
}

TEST(MooreReverb, ImpulseResponseStartsAfterCombAndAllPassDelays)
{
    // The direct terms cancel: the first sound is the shortest comb's echo (-a^2) through the
    // all-pass without its direct term, x[n-D] - p y[n-D], which first gives (1 - p^2) x[n-D].
    for (unsigned int seed : {3u, 4u, 5u}) {
        TMooreReverb rev(5, 0.5f, 16000.0f, seed);
        unsigned int dc = UINT_MAX;
        for (const auto& c : rev.comb) dc = std::min(dc, c->delay);
        float first = 0.0f;
        for (const auto& c : rev.comb)
            if (c->delay == dc) first -= c->alpha * c->alpha;
        const float p = rev.allpass[0]->alpha;
        first *= 1.0f - p * p;
        const unsigned int start = dc + rev.allpass[0]->delay;
        std::vector<float> h(start + 1);
        rev.GetImpResp(h.data(), static_cast<long>(h.size()));
        for (unsigned int i = 0; i < start; i++) ASSERT_EQ(h[i], 0.0f) << "seed " << seed << " n=" << i;
        EXPECT_NEAR(h[start], first, 1e-6f);
    }

    // Without combs only the all-pass remains.
    TMooreReverb bare(0, 0.5f, 16000.0f, 8);
    EXPECT_TRUE(bare.comb.empty());
    const unsigned int D = bare.allpass[0]->delay;
    const float p = bare.allpass[0]->alpha;
    std::vector<float> h(3 * D + 1);
    bare.GetImpResp(h.data(), static_cast<long>(h.size()));
    for (unsigned int i = 0; i < h.size(); i++) {
        const float g = 1.0f - p * p;
        const float want = i == D ? g : i == 2 * D ? -p * g : i == 3 * D ? p * p * g : 0.0f;
        EXPECT_NEAR(h[i], want, 1e-6f) << i;
    }
    EXPECT_EQ(bare.first_delay, static_cast<int>(D));
}

TEST(MooreReverb, ResponseDecaysAtTheReverberationTime)
{
    // Every section decays 60 dB in RT, combs and all-pass in series: the response goes like
    // t e^(-t/tau), whose T30 over 2 RT lies a little above RT (about 1.16 RT).
    const float fs = 16000.0f;
    for (float rt : {0.4f, 1.0f}) {
        for (unsigned int seed : {2024u, 7u}) {
            TMooreReverb rev(6, rt, fs, seed);
            const long n = static_cast<long>(2 * rt * fs);
            std::vector<float> h(n);
            rev.GetImpResp(h.data(), n);
            const float t30 = RevTimeFromCurve(h.data(), n, fs);
            EXPECT_GT(t30, 1.05f * rt) << rt << " seed " << seed;
            EXPECT_LT(t30, 1.25f * rt) << rt << " seed " << seed;
        }
    }
}

TEST(MooreReverb, OutOfRangeTimesGiveBoundedDelays)
{
    const float inf = std::numeric_limits<float>::infinity();
    testing::internal::CaptureStdout();
    for (float rt : {-1.0f, 0.0f, std::nanf("")}) {
        TMooreReverb rev(2, rt, 44100.0f, 5);
        EXPECT_EQ(rev.GetMaxDelay(), 1u) << rt;
        EXPECT_EQ(rev.first_delay, 1);
    }
    testing::internal::GetCapturedStdout();
    TMooreReverb huge(1, inf, 44100.0f, 5);
    EXPECT_EQ(huge.GetMinDelay(), kMaxReverbDelay);
    EXPECT_TRUE(std::isfinite(huge.Process(1.0f)));
}

TEST_F(ReverbFiles, ImpulseFileMatchesTheArray)
{
    TMooreReverb a(3, 0.05f, 8000.0f, 11), b(3, 0.05f, 8000.0f, 11);
    const long n = 400;
    a.SaveImpResp((dir_ / "ir.txt").c_str(), n);
    std::vector<float> h(n);
    b.GetImpResp(h.data(), n);
    const std::vector<double> saved = ReadNumbers(dir_ / "ir.txt");
    ASSERT_EQ(saved.size(), static_cast<size_t>(n));
    for (long i = 0; i < n; i++) EXPECT_NEAR(saved[i], h[i], 1e-6) << i;
}

TEST(MooreReverb, ShowAndSaveInfo)
{
    TMooreReverb rev(2, 0.1f, 8000.0f, 42);
    char line[128];
    std::string want;
    want += "COMB SECTIONS : 2\n";
    for (unsigned int n = 0; n < 2; n++) {
        snprintf(line, sizeof line, "COMB[%u]: delay = %u - alpha = %1.3f\n", n, rev.comb[n]->delay,
                 rev.comb[n]->alpha);
        want += line;
    }
    want += "ALLPASS SECTIONS : 1\n";
    snprintf(line, sizeof line, "ALLP[0]: delay = %u - alpha = %1.3f\n", rev.allpass[0]->delay, rev.allpass[0]->alpha);
    want += line;
    want += "Minimum delay: " + std::to_string(rev.GetMinDelay()) + "\n";
    testing::internal::CaptureStdout();
    rev.ShowInfo();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), want);

    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    rev.SaveInfo(f);
    rev.SaveInfo(nullptr);
    std::rewind(f);
    std::string text;
    for (int ch; (ch = std::fgetc(f)) != EOF;) text += static_cast<char>(ch);
    std::fclose(f);
    std::istringstream in(text);
    std::string l;
    std::vector<std::string> lines;
    while (std::getline(in, l)) lines.push_back(l);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "COMB SECTIONS : 2");
    EXPECT_EQ(lines[1], "COMB\tDelay\tAlpha\tRevTime");
    EXPECT_EQ(lines[4], "ALLPASS SECTIONS : 1");
    EXPECT_EQ(lines[5], "COMB\tDelay\tAlpha\tRevTime");
    const TAllPassFilter& ap = *rev.allpass[0];
    const struct {
        size_t line;
        int number;
        unsigned int delay;
        float alpha;
    } rows[] = {{2, 1, rev.comb[0]->delay, rev.comb[0]->alpha},
                {3, 2, rev.comb[1]->delay, rev.comb[1]->alpha},
                {6, 1, ap.delay, ap.alpha}};
    for (const auto& r : rows) {
        snprintf(line, sizeof line, "%.2d\t%u\t%1.4f\t%1.4f", r.number, r.delay, r.alpha,
                 RevGetCombRevTime(r.delay, r.alpha));
        EXPECT_EQ(lines[r.line], line);
    }
}
