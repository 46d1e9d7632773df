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
        SCOPED_TRACE(testing::Message() << "band " << b << ": EDT " << p.EDT << ", T20 " << p.T20 << ", T30 "
                                        << p.T30 << ", Eyring " << eyring);
        EXPECT_GT(p.T20, eyring);
        EXPECT_GT(p.T30, eyring);
        EXPECT_LT(p.T30, 1.8 * eyring);
        EXPECT_GT(p.EDT, 0.9 * eyring);
    }
}
