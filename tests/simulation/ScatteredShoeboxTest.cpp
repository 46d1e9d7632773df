#include <gtest/gtest.h>

#include <cmath>

#include "simulation/TResult.h"
#include "simulation/TracerRooms.h"

using namespace tracertest;
using resulttest::kBands;

// A shoebox traced with diffuse processing, responses built as a run builds them. A specular
// box with a little scattering decays no faster than a diffuse field (Eyring) and, its rays
// keeping their directions, somewhat slower; its early decay is no exception. When crowded
// scattered arrivals added their amplitudes, the early energy came out several decibels too
// high and T20 fell below Eyring's time.
TEST(ScatteredShoebox, DecayTimesLieAboveEyring)
{
    constexpr double Lx = 10, Ly = 8, H = 3;
    constexpr float kAlpha = 0.3f, kDif = 0.1f;
    TracerRoom box(ShoeboxQuads(Lx, Ly, H), kAlpha, kDif);
    box.AddSource({2.0, 4.0, 1.5}, 20002);
    box.AddReceiver({7.0, 5.0, 1.2}, 0.5);
    TRoom& room = *box.room;
    room.source[0]->SetPower(0.01f);
    room.MaxLength = 44100;
    room.DiffuseProcessing = 1;
    room.SaveLateRaysFlag = 0;
    room.ClusterOrderGlobal = -1;  // automatic, as a project without the setting
    room.ArtificialTailFlag = false;
    room.AirAbs.assign(kBands, 0.0);
    room.run.TracerThreads = 0;  // every core

    testing::internal::CaptureStdout();
    room.GetExternalPlanes();
    room.AcousticParameters();
    room.CreateResults();
    room.Simulate();
    TResult& pair = *room.spcresult[0][0];
    pair.ProcessDirectSound(static_cast<int>(room.NumPlaneLayers));
    pair.Cluster();
    pair.GetImpulseResponses();
    pair.GetMonoParams();
    testing::internal::GetCapturedStdout();

    // Eyring's time with the share that scattering takes off every reflection.
    const double V = Lx * Ly * H, S = 2 * (Lx * Ly + Lx * H + Ly * H);
    const double loss = -std::log((1.0 - kAlpha) * (1.0 - kDif / kBands));
    const double eyring = 24.0 * std::log(10.0) * V / (343.0 * S * loss);
    for (unsigned b = 2; b <= 6; ++b) {  // 250 Hz ... 4 kHz
        const TMonoParams& p = pair.Param[b];
        SCOPED_TRACE(testing::Message() << "band " << b << ": EDT " << p.EDT << ", T20 " << p.T20 << ", T30 " << p.T30
                                        << ", Eyring " << eyring);
        EXPECT_GT(p.T20, eyring);
        EXPECT_GT(p.T30, eyring);
        EXPECT_LT(p.T30, 1.8 * eyring);
        EXPECT_GT(p.EDT, 0.9 * eyring);
    }
}

namespace {

// Traces a closed 10 x 8 x 3 m box with diffuse processing from a source at (2, 5, 1.5) to the
// given receivers and builds their responses as a run does.
std::unique_ptr<TracerRoom> TraceScatteringBox(const std::vector<TPoint3D>& receivers)
{
    auto box = std::make_unique<TracerRoom>(ShoeboxQuads(10, 8, 3), 0.2f, 0.1f);
    box->AddSource({2.0, 5.0, 1.5}, 2002);
    for (const TPoint3D& r : receivers) box->AddReceiver(r, 0.5);
    TRoom& room = *box->room;
    room.source[0]->SetPower(0.01f);
    room.MaxLength = 22050;
    room.DiffuseProcessing = 1;
    room.SaveLateRaysFlag = 0;
    room.ClusterOrderGlobal = -1;
    room.ArtificialTailFlag = false;
    room.AirAbs.assign(kBands, 0.0);
    room.run.TracerThreads = 2;

    testing::internal::CaptureStdout();
    room.GetExternalPlanes();
    room.AcousticParameters();
    room.CreateResults();
    room.Simulate();
    for (std::size_t r = 0; r < receivers.size(); ++r) {
        TResult& pair = *room.spcresult[r][0];
        pair.ProcessDirectSound(static_cast<int>(room.NumPlaneLayers));
        pair.Cluster();
        pair.GetImpulseResponses();
        pair.GetMonoParams();
    }
    testing::internal::GetCapturedStdout();
    return box;
}

double ResponseEnergy(const TResult& pair, bool& finite)
{
    double e = 0.0;
    finite = true;
    for (float v : pair.globalIR[0]) {
        finite = finite && std::isfinite(v);
        e += static_cast<double>(v) * v;
    }
    return e;
}

}  // namespace

// Scattered energy leaves a wall on the side the ray came from. A receiver 5 m outside the
// closed box heard the room at 75 dB through the walls; the receiver inside hears what it
// heard alone. A receiver centred on the wall the source faces made 0/0 directions and a
// response of NaN.
TEST(ScatteredShoebox, EnergyStaysOnTheSideOfTheWallItCameFrom)
{
    const auto alone = TraceScatteringBox({{6.0, 5.0, 1.5}});
    const auto both = TraceScatteringBox({{6.0, 5.0, 1.5}, {15.0, 5.0, 1.5}, {10.0, 5.0, 1.5}});
    const TResult& inside = *both->room->spcresult[0][0];
    const TResult& outside = *both->room->spcresult[1][0];
    const TResult& onWall = *both->room->spcresult[2][0];

    bool finite = false;
    EXPECT_EQ(ResponseEnergy(outside, finite), 0.0);
    EXPECT_TRUE(finite);
    const double insideEnergy = ResponseEnergy(inside, finite);
    EXPECT_GT(insideEnergy, 0.0);
    EXPECT_TRUE(finite);
    bool aloneFinite = false;
    EXPECT_EQ(insideEnergy, ResponseEnergy(*alone->room->spcresult[0][0], aloneFinite));
    EXPECT_GT(ResponseEnergy(onWall, finite), 0.0);
    EXPECT_TRUE(finite);
    for (unsigned b = 0; b <= kBands; ++b) {
        EXPECT_TRUE(std::isfinite(onWall.Param[b].SPL)) << "band " << b;
        EXPECT_TRUE(std::isfinite(onWall.Param[b].T30)) << "band " << b;
    }
}
