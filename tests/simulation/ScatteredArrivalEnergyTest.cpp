#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/FIRDesign.h"
#include "simulation/ResultTestSupport.h"

using namespace resulttest;

namespace {

// Energy of a late band part after the 1 kHz octave filter that the parameters use.
double BandEnergy(std::vector<float> x, float octaveFreq)
{
    std::vector<float> h(2047);
    OctaveBandDesign(h.data(), static_cast<unsigned>(h.size()), octaveFreq);
    Filter(x.data(), static_cast<unsigned>(x.size()), h.data(), static_cast<unsigned>(h.size()));
    double e = 0;
    for (float v : x) e += static_cast<double>(v) * v;
    return e;
}

}  // namespace

// Scattered contributions crowd: every reflection of every ray sends one to the receiver, and
// neighbouring rays land within a few samples of each other. Their band energy must be the sum
// of their energies, as for arrivals that land far apart; with one polarity for all of them the
// crowd would add coherently inside the band's period (about +14 dB here).
TEST(ScatteredArrivals, CrowdedArrivalsAddTheirEnergiesInTheBand)
{
    constexpr unsigned kClumps = 200, kPerClump = 25, kSpacing = 88, kStart = 300;
    PairSetup setup;
    auto r = setup.Make(0, kStart + kClumps * kSpacing + 2400);
    auto one = setup.Make(0, r->MaxLength);
    TRay single = Arrival(kStart, 30.0f, 0.0f, 2, 1.0f, 1.0f, 7);
    one->InsertRay(&single);

    for (unsigned c = 0; c < kClumps; ++c)
        for (unsigned j = 0; j < kPerClump; ++j) {
            TRay a =
                Arrival(kStart + c * kSpacing + j % 5, 30.0f, 0.0f, 2, 1.0f, 1.0f, static_cast<int>(c * kPerClump + j));
            r->InsertRay(&a);
        }
    const unsigned band = 4;  // 1 kHz
    const double expected = kClumps * kPerClump * BandEnergy(one->IR[0][band], r->octaveFreqs[band]);
    const double got = BandEnergy(r->IR[0][band], r->octaveFreqs[band]);
    EXPECT_NEAR(10 * std::log10(got / expected), 0.0, 1.5);
}

// Which arrivals keep the positive polarity, and that a scattered one has one polarity in every
// band and the same one whenever the same record is inserted (a response rebuilt from a ray
// file equals the traced one).
TEST(ScatteredArrivals, PolarityRules)
{
    struct Case {
        unsigned order;
        float fatordist;
        bool scattered;
    };
    const Case cases[] = {{0, 1.0f, false}, {0, 0.4f, false}, {3, 0.5f, false}, {3, 0.999f, false},
                          {1, 1.0f, true},  {3, 1.0f, true},  {12, 1.0f, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "order " << c.order << ", weight " << c.fatordist);
        PairSetup setup;
        auto first = setup.Make(-1, 1000);
        auto again = setup.Make(-1, 1000);
        CreateEarlyPart(*first);
        CreateEarlyPart(*again);
        TRay a = Arrival(250, 10.0f, 0.0f, c.order, c.fatordist, 4.0f, 1234);
        first->InsertRay(&a);
        again->InsertRay(&a);
        const float sign = first->IR_Early[0][0][250] > 0 ? 1.0f : -1.0f;
        if (!c.scattered) {
            EXPECT_EQ(sign, 1.0f);
        }
        for (unsigned b = 0; b < kBands; ++b) {
            EXPECT_FLOAT_EQ(first->IR_Early[0][b][250], sign * 2.0f) << b;
            EXPECT_EQ(again->IR_Early[0][b][250], first->IR_Early[0][b][250]) << b;
        }
    }

    // Over many rays both polarities occur about equally.
    PairSetup setup;
    auto r = setup.Make(0, 1000);
    unsigned negative = 0;
    const unsigned n = 2000;
    for (unsigned i = 0; i < n; ++i) {
        std::fill(r->IR[0][0].begin(), r->IR[0][0].end(), 0.0f);
        TRay a = Arrival(100 + i % 800, 10.0f, 0.0f, 1 + i % 7, 1.0f, 1.0f, static_cast<int>(i));
        r->InsertRay(&a);
        if (r->IR[0][0][a.index] < 0) ++negative;
    }
    EXPECT_GT(negative, n * 45 / 100);
    EXPECT_LT(negative, n * 55 / 100);
}
