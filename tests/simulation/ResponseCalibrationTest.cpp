// Calibration of the synthesised responses against closed forms: a point source in free field,
// an anechoic room, crowded late arrivals, and a box whose decay is known from its own arrivals.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "dsp/AcousticParams.h"
#include "dsp/Transform.h"
#include "dsp/acoustics.h"
#include "geometry/TComplex.h"
#include "simulation/TracerRooms.h"

using namespace tracertest;
using resulttest::kBands;

namespace {

constexpr double kFs = 44100.0, kC = 343.0;

// Air absorption per band at 20 degrees C, 1 atm and 50 % humidity, nepers per metre.
std::vector<double> AirAt20C()
{
    std::vector<double> a(kBands);
    CalculateAirAbsCoefs(293.15f, 1.0f, 50.0f, kBands, a.data());
    return a;
}

// The response phase of a run: tracing, direct sound, clustering, synthesis, parameters.
void RunResponses(TRoom& room)
{
    testing::internal::CaptureStdout();
    room.CreateResults();
    room.Simulate();
    room.CalculateResponses();
    for (auto& row : room.spcresult)
        for (auto& pair : row) pair->GetMonoParams();
    testing::internal::GetCapturedStdout();
}

// Level in dB of a response's power spectrum averaged over [f1, f2) Hz.
class PowerSpectrum {
public:
    explicit PowerSpectrum(const std::vector<float>& x)
    {
        int n = 1 << 16;
        while (static_cast<std::size_t>(n) < x.size()) n <<= 1;
        std::vector<TComplex> X(static_cast<std::size_t>(n), TComplex(0.0, 0.0));
        for (std::size_t i = 0; i < x.size(); ++i) X[i].re = x[i];
        TransformFFT(n, 0, 1.0, X.data());
        power.resize(static_cast<std::size_t>(n / 2));
        for (std::size_t k = 0; k < power.size(); ++k) power[k] = X[k].re * X[k].re + X[k].im * X[k].im;
        df = kFs / n;
    }
    double Level(double f1, double f2) const
    {
        double sum = 0.0;
        unsigned count = 0;
        for (auto k = static_cast<std::size_t>(std::ceil(f1 / df)); k * df < f2 && k < power.size(); ++k, ++count)
            sum += power[k];
        return 10.0 * std::log10(sum / count);
    }
    // Level of the third-octave band centred at f.
    double Third(double f) const { return Level(f / std::pow(2.0, 1.0 / 6), f * std::pow(2.0, 1.0 / 6)); }

private:
    std::vector<double> power;
    double df = 1.0;
};

}  // namespace

// A 94 dB point source in free field: the broadband level falls as 1/d^2 and carries each band's
// share of the spectrum with that band's air absorption; the direct level reads the same; the
// spectrum has no bumps at the band edges; the centre times and decay times count from the direct
// sound, which a response without reflections has all its energy in.
TEST(CalibratedResponses, PointSourceInFreeField)
{
    const std::vector<double> air = AirAt20C();
    TracerRoom field({});
    field.AddSource({0, 0, 0}, 100002);
    field.room->source[0]->SetPower(SPL2Power(94.0f));
    const double distances[] = {1.0, 4.0};
    field.AddReceiver({distances[0], 0, 0}, 0.1);
    field.AddReceiver({0, distances[1], 0}, 0.1);
    field.room->MaxLength = static_cast<unsigned>(0.25 * kFs);
    field.room->AirAbs = air;
    RunResponses(*field.room);

    // The bands' shares of the spectrum up to 22.05 kHz: octaves between their nominal edges,
    // the lowest from 44 Hz with its skirt down to 37.6 Hz, the highest up to 19.0 kHz with its
    // skirt up to 21.6 kHz.
    std::vector<double> share(kBands);
    for (unsigned b = 0; b < kBands; ++b) share[b] = 62.5 * std::ldexp(1.0, static_cast<int>(b)) / std::sqrt(2.0);
    share[0] += (44.19 - 37.57) / 3;
    share[kBands - 1] = 19025.0 - 11313.7 + (21609.0 - 19025.0) / 3;
    for (double& s : share) s /= kFs / 2;

    for (unsigned R = 0; R < 2; ++R) {
        const double d = distances[R];
        SCOPED_TRACE(testing::Message() << d << " m");
        const TResult& pair = *field.room->spcresult[R][0];
        double carried = 0.0;
        for (unsigned b = 0; b < kBands; ++b) carried += share[b] * std::exp(-2.0 * air[b] * d);
        const TMonoParams& global = pair.Param[kBands];
        EXPECT_NEAR(global.SPL, 94.0 - 20.0 * std::log10(d) + 10.0 * std::log10(carried), 0.5);
        EXPECT_NEAR(pair.DirectSoundSPL(), global.SPL, 0.1);

        // Third-octave levels: none at an octave edge above both neighbouring octave centres by
        // more than 1 dB (the bands' overlap used to lift the edges by up to 4.6 dB).
        const PowerSpectrum spectrum(pair.globalIR[0]);
        for (unsigned b = 0; b + 1 < kBands - 1; ++b) {
            const double fc = 62.5 * std::ldexp(1.0, static_cast<int>(b));
            const double edge = spectrum.Third(fc * std::sqrt(2.0));
            EXPECT_LE(edge - std::max(spectrum.Third(fc), spectrum.Third(2 * fc)), 1.0) << "edge above " << fc;
        }

        // Times from the direct sound: it arrives after d / c, yet the centre time is about 0.
        for (unsigned b = 2; b <= kBands; ++b) EXPECT_LT(std::fabs(pair.Param[b].CT), 1.0f) << "band " << b;
        EXPECT_LT(global.EDT, 0.05f);
    }
}

// The direct level is the one the response carries also for a directional receiver that meets
// the source off its axis.
TEST(CalibratedResponses, DirectLevelOfADirectionalReceiver)
{
    TDirectivity cardioid("CARDIOID", kBands);
    TracerRoom field({});
    field.AddSource({0, 0, 0}, 20252);
    TReceiver r({2, 0, 0}, 0.2, 90.0, 0);
    r.SetDirectivity(&cardioid);
    field.room->AddReceiver(&r);
    field.room->MaxLength = static_cast<unsigned>(0.1 * kFs);
    field.room->AirAbs = AirAt20C();
    RunResponses(*field.room);
    const TResult& pair = *field.room->spcresult[0][0];
    EXPECT_NEAR(pair.DirectSoundSPL(), pair.Param[kBands].SPL, 0.1);
    // Off the axis by 90 degrees a cardioid takes half the amplitude.
    TracerRoom omni({});
    omni.AddSource({0, 0, 0}, 20252);
    omni.AddReceiver({2, 0, 0}, 0.2);
    omni.room->MaxLength = field.room->MaxLength;
    omni.room->AirAbs = field.room->AirAbs;
    RunResponses(*omni.room);
    EXPECT_NEAR(omni.room->spcresult[0][0]->DirectSoundSPL() - pair.DirectSoundSPL(), 6.0, 0.5);
}

// An anechoic room: whatever the distance, the broadband response is the direct sound alone, and
// its early decay time is far below any room's (it used to grow with the delay before the direct
// sound, to 28 s at 4.85 m).
TEST(CalibratedResponses, AnechoicRoomHasNoDecayAtAnyDistance)
{
    TracerRoom room(ShoeboxQuads(10, 8, 4), 1.0f);
    room.AddSource({0.5, 4, 2}, 20252);
    const double distances[] = {0.1, 1.0, 2.5, 4.85};
    for (double d : distances) room.AddReceiver({0.5 + d, 4, 2}, d < 0.5 ? 0.05 : 0.1);
    room.room->MaxLength = static_cast<unsigned>(0.25 * kFs);
    room.room->AirAbs = AirAt20C();
    RunResponses(*room.room);
    for (unsigned R = 0; R < 4; ++R) {
        const TResult& pair = *room.room->spcresult[R][0];
        EXPECT_LT(pair.Param[kBands].EDT, 0.05f) << distances[R] << " m";
        EXPECT_LT(std::fabs(pair.Param[kBands].CT), 1.0f) << distances[R] << " m";
        for (unsigned b = 2; b < kBands; ++b)
            EXPECT_LT(std::fabs(pair.Param[b].CT), 1.0f) << distances[R] << " m, band " << b;
    }
}

// Late arrivals that land on the same sample in pairs (two rays of one reflection path) add
// their energies, not their amplitudes: M pairs of energy E each carry 2 M E, not 4 M E.
TEST(CalibratedResponses, CoincidentLateArrivalsAddTheirEnergies)
{
    constexpr unsigned M = 400;
    constexpr float E = 1e-6f;
    resulttest::PairSetup setup;
    auto r = setup.Make(2, 1000 + 50 * M);
    for (unsigned m = 0; m < M; ++m)
        for (int ray = 0; ray < 2; ++ray) {
            TRay a =
                resulttest::Arrival(1000 + 50 * m, 30.0f, 10.0f, 3 + m % 5, 0.5f, E, static_cast<int>(2 * m) + ray);
            r->InsertRay(&a);
        }
    for (unsigned b = 0; b < kBands; ++b) {
        double energy = 0.0;
        for (float v : r->IR[0][b]) energy += static_cast<double>(v) * v;
        EXPECT_NEAR(10.0 * std::log10(energy / (2.0 * M * E)), 0.0, 0.5) << "band " << b;
    }
}

// An early arrival (clustered, positive) and a late one of the same energies carry the same
// energy in every band and in the broadband response: the decay curve has no step where the
// clustered part hands over to the late part (it had 1.2 dB, the two parts being filtered by
// different bands).
TEST(CalibratedResponses, EarlyAndLateArrivalsCarryTheSameEnergy)
{
    struct Response {
        std::vector<float> broadband;
        std::vector<float> spl;  // per band, then broadband
    };
    resulttest::Scratch dir;
    auto synthesise = [&](unsigned order) {
        resulttest::PairSetup setup;
        auto r = setup.Make(2, 8192);
        TRay a = resulttest::Arrival(3000, 20.0f, 0.0f, order, 0.5f, 1e-4f, 77);
        const std::string path = dir / ("rays" + std::to_string(order) + ".txt");
        std::FILE* f = std::fopen(path.c_str(), "w");
        EXPECT_NE(f, nullptr);
        if (f) {
            a.Save(f);
            std::fclose(f);
        }
        testing::internal::CaptureStdout();
        r->GetImpulseResponsesfromRAYS(path.c_str());
        r->GetMonoParams();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(order > 2 ? r->LateRefCount : r->EarlyRefCount, 1u) << order;
        Response out{r->globalIR[0], {}};
        for (const TMonoParams& p : r->Param) out.spl.push_back(p.SPL);
        return out;
    };
    const Response early = synthesise(1), late = synthesise(5);
    const float scale = std::fabs(early.broadband[3000]);
    for (std::size_t n = 0; n < early.broadband.size(); ++n)
        ASSERT_NEAR(std::fabs(late.broadband[n]), std::fabs(early.broadband[n]), 1e-6f * scale) << n;
    for (unsigned b = 0; b <= kBands; ++b) EXPECT_NEAR(late.spl[b], early.spl[b], 0.01) << "band " << b;
}

// Arrivals whose bands decay at the same rate except for the air absorption of their path, as
// in a room whose walls absorb alike at every frequency: each band's parameters follow that
// band's own decay. The 16 kHz band decays twice as fast as the 8 kHz one, and a leak of the
// slower decay into its analysis used to read its T30 35 % long and its C80 2 dB low.
TEST(CalibratedResponses, BandsDecayAsTheirOwnArrivals)
{
    const std::vector<double> air = AirAt20C();
    const unsigned N = static_cast<unsigned>(1.5 * kFs), first = 600;
    const std::vector<float> rc(kBands, 5.0f);
    const TResultParam params(kBands, 0, static_cast<float>(kC), static_cast<float>(kFs), rc.data(), 2047, N,
                              air.data(), false);
    resulttest::PairSetup setup;
    TResult pair(&params, &setup.receiver, &setup.source);

    // A direct sound, then a reflection every 3.5 samples on average, their energy falling by
    // 60 dB in 1 s before the air takes its share.
    resulttest::Scratch dir;
    const std::string path = dir / "rays.txt";
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::vector<TRay> arrivals;
    arrivals.push_back(resulttest::Arrival(first, 0.0f, 0.0f, 0, 1.0f, 1e-3f, 1));
    unsigned seed = 12345;
    auto uniform = [&] {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0;
    };
    for (unsigned n = first + 40; n < N;) {
        const double t = (n - first) / kFs;
        const auto energy = static_cast<float>(1e-4 * std::pow(10.0, -6.0 * t) * 2.0 * uniform());
        arrivals.push_back(resulttest::Arrival(n, 360.0f * uniform(), 0.0f, 3 + n % 7, 0.5f, energy,
                                               static_cast<int>(arrivals.size()) + 1));
        n += 1 + static_cast<unsigned>(5.0 * uniform());
    }
    for (TRay& a : arrivals) a.Save(f);
    std::fclose(f);
    testing::internal::CaptureStdout();
    pair.GetImpulseResponsesfromRAYS(path.c_str());
    pair.DirectSoundIndex = first;
    pair.GetMonoParams();
    testing::internal::GetCapturedStdout();

    // From 2 kHz up the bands are wide enough for their figures to settle within the JNDs.
    for (unsigned b = 5; b < kBands; ++b) {
        // The band's own decay: its arrivals' energies with the air absorption over their paths.
        std::vector<float> p(N, 0.0f);
        for (const TRay& a : arrivals)
            p[a.index] += a.spectrum[b] * static_cast<float>(std::exp(-2.0 * air[b] * a.index * kC / kFs));
        for (float& v : p) v = std::sqrt(v);
        std::vector<float> curve(N - first);
        GetDecayCurve(p.data() + first, curve.data(), N - first);
        const double T30 = GetRevTime(curve.data(), N - first, -30.0f) / kFs;
        const double C80 = GetC80(p.data(), N, first, static_cast<float>(kFs));
        const TMonoParams& q = pair.Param[b];
        SCOPED_TRACE(testing::Message() << "band " << 62.5 * std::ldexp(1.0, static_cast<int>(b)) << " Hz: T30 "
                                        << q.T30 << " s, arrivals " << T30 << " s; C80 " << q.C80 << " dB, arrivals "
                                        << C80 << " dB");
        EXPECT_NEAR(q.T30, T30, 0.05 * T30);
        EXPECT_NEAR(q.C80, C80, 1.0);
    }
    // The air shortens the top band's decay to half the 8 kHz one's or less.
    EXPECT_LT(pair.Param[8].T30, 0.55 * pair.Param[7].T30);
}

// A box with the same absorption in every band: the parameters' reverberation times follow the
// decay of the arrivals the tracer delivered (their band energies read back from the ray file,
// air absorption applied); the direct sound keeps its sample and its sign; the output does not
// depend on the tracer's thread count; and the responses rebuilt from the stored ray files, where
// every arrival counts as early, are the run's.
TEST(CalibratedResponses, BoxDecayFollowsItsArrivals)
{
    const std::vector<double> air = AirAt20C();
    auto run = [&](unsigned threads) {
        auto box = std::make_unique<TracerRoom>(ShoeboxQuads(10, 8, 4), 0.2f);
        box->AddSource({2, 3, 1.5}, 40002);
        box->AddReceiver({7, 5, 1.2}, 0.5);
        TRoom& room = *box->room;
        room.MaxLength = static_cast<unsigned>(1.5 * kFs);
        room.ClusterOrderGlobal = -1;
        room.DiffuseProcessing = 0;
        room.AirAbs = air;
        room.run.TracerThreads = threads;
        testing::internal::CaptureStdout();
        room.AcousticParameters();
        testing::internal::GetCapturedStdout();
        RunResponses(room);
        return box;
    };
    auto one = run(1);
    auto many = run(4);
    const TResult& pair = *one->room->spcresult[0][0];
    const TResult& other = *many->room->spcresult[0][0];
    EXPECT_EQ(pair.globalIR[0], other.globalIR[0]);
    for (unsigned b = 0; b <= kBands; ++b) EXPECT_EQ(pair.Param[b].T30, other.Param[b].T30) << b;

    const std::vector<float>& g = pair.globalIR[0];
    const auto peak = static_cast<unsigned>(
        std::max_element(g.begin(), g.end(), [](float x, float y) { return std::fabs(x) < std::fabs(y); }) - g.begin());
    EXPECT_EQ(peak, static_cast<unsigned>(std::lround(std::sqrt(25.0 + 4.0 + 0.09) * kFs / kC)));
    EXPECT_EQ(peak, pair.DirectSoundIndex);
    EXPECT_GT(g[peak], 0.0f);

    // The decay of the arrivals themselves: per band, their energies on a time axis with the
    // air absorption over their paths, integrated backwards.
    const std::vector<TRay> arrivals = resulttest::ReadRays(one->File("RAYS", 1, 1));
    ASSERT_GT(arrivals.size(), 1000u);
    for (unsigned b = 1; b <= 8; ++b) {  // 125 Hz ... 16 kHz
        std::vector<float> p(pair.MaxLength, 0.0f);
        for (const TRay& a : arrivals)
            if (a.index < p.size())
                p[a.index] += a.spectrum[b] * static_cast<float>(std::exp(-2.0 * air[b] * a.index * kC / kFs));
        for (float& v : p) v = std::sqrt(v);
        std::vector<float> curve(p.size());
        GetDecayCurve(p.data(), curve.data(), static_cast<unsigned>(p.size()));
        const double records = GetRevTime(curve.data(), static_cast<unsigned>(curve.size()), -30.0f) / kFs;
        SCOPED_TRACE(testing::Message() << "band " << b << ": T30 " << pair.Param[b].T30 << " s, arrivals " << records
                                        << " s");
        EXPECT_NEAR(pair.Param[b].T30, records, 0.08 * records);
    }

    // Rebuilt from the ray files as the console's ray-file mode does it.
    const std::vector<float> traced = g;
    TRoom& room = *one->room;
    testing::internal::CaptureStdout();
    room.CreateResultsForRaysFiles();
    room.CalculateResponsesFromRayFiles();
    testing::internal::GetCapturedStdout();
    const std::vector<float>& rebuilt = room.spcresult[0][0]->globalIR[0];
    ASSERT_EQ(rebuilt.size(), traced.size());
    const float scale = std::fabs(traced[peak]);
    for (std::size_t n = 0; n < traced.size(); ++n) ASSERT_NEAR(rebuilt[n], traced[n], 1e-5f * scale) << n;
}
