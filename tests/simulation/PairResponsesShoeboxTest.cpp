#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geometry/GeoMath.h"
#include "simulation/TResult.h"
#include "simulation/TracerRooms.h"

using namespace tracertest;
using resulttest::kBands;

namespace {

// A specular shoebox traced and turned into responses as a run's response phase does it:
// direct sound, clustering, synthesis, parameters. No diffuse transfer, no tail, no air.
class ShoeboxResponses : public ::testing::Test {
protected:
    static constexpr double Lx = 10, Ly = 8, H = 6;
    static constexpr float kAlpha = 0.2f;
    ShoeboxResponses() : box(ShoeboxQuads(Lx, Ly, H), kAlpha)
    {
        box.AddSource(src, 20252);
        box.AddReceiver(rec, 0.3);
        TRoom& room = *box.room;
        room.source[0]->SetPower(0.01f);
        room.MaxLength = static_cast<unsigned>(1.5 * 44100);
        room.DiffuseProcessing = 0;
        room.ArtificialTailFlag = false;
        room.AirAbs.assign(kBands, 0.0);

        testing::internal::CaptureStdout();
        room.GetExternalPlanes();
        room.AcousticParameters();
        room.CreateResults();
        room.Simulate();
        for (auto& row : room.spcresult)
            for (auto& pair : row) {
                pair->ProcessDirectSound(static_cast<int>(room.NumPlaneLayers));
                pair->Cluster();
                pair->GetImpulseResponses();
                pair->GetMonoParams();
            }
        testing::internal::GetCapturedStdout();
    }
    // Eyring's time of the box at the tracer's speed of sound, without air absorption.
    double Eyring() const
    {
        const double V = Lx * Ly * H, S = 2 * (Lx * Ly + Lx * H + Ly * H);
        return 24.0 * std::log(10.0) * V / (343.0 * S * -std::log(1.0 - kAlpha));
    }
    const TPoint3D src{2.5, 3.0, 1.5};
    const TPoint3D rec{7.0, 5.0, 1.2};
    TracerRoom box;
};

}  // namespace

// A purely specular box is not a diffuse field: grazing paths reflect less often, so the decay
// is slower than Eyring's, but not by much.
TEST_F(ShoeboxResponses, BandReverberationTimesLieJustAboveEyring)
{
    const TResult& pair = *box.room->spcresult[0][0];
    const double eyring = Eyring();
    for (unsigned b = 1; b <= 6; ++b) {  // 125 Hz ... 4 kHz
        const float T30 = pair.Param[b].T30;
        SCOPED_TRACE(testing::Message() << "band " << b << ": T30 " << T30 << " s, Eyring " << eyring << " s");
        EXPECT_GT(T30, eyring);
        EXPECT_LE(T30, 1.45 * eyring);
    }
}

// The direct sound reaches the receiver at round(d fs / c), where the broadband response
// peaks, and each band carries the source's power spread over a sphere of radius d.
TEST_F(ShoeboxResponses, DirectSoundArrivesOnTimeAtTheInverseSquareLevel)
{
    const TResult& pair = *box.room->spcresult[0][0];
    const double d = Module(rec - src);
    const unsigned expected = static_cast<unsigned>(std::lround(d * 44100.0 / 343.0));
    EXPECT_EQ(pair.DirectSoundIndex, expected);

    const std::vector<float>& g = pair.globalIR[0];
    unsigned peak = 0;
    for (unsigned n = 1; n < expected + 50; ++n)
        if (std::fabs(g[n]) > std::fabs(g[peak])) peak = n;
    EXPECT_EQ(peak, expected);

    // A band's direct energy over the power it carries is the sphere's share of the
    // wavefront, r^2 / (4 d^2).
    const double share = 0.3 * 0.3 / (4 * d * d);
    for (unsigned b = 0; b < kBands; ++b) {
        const double ratio = pair.DirectSoundRay->spectrum[b] / (0.01 * share);
        EXPECT_NEAR(10 * std::log10(ratio), 0.0, 1.0) << b;
    }
    EXPECT_GE(pair.DirectSoundRay->reflections, 15);
}
