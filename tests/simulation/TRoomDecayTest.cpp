#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/ResultTestSupport.h"
#include "simulation/TRoom.h"
#include "support/ErrorCapture.h"
#include "support/TestRooms.h"

using namespace resulttest;

namespace {

// A 6 x 4 x 3 m box of one material, a source and a receiver; results not yet created.
std::unique_ptr<TRoom> Shoebox(const Scratch& dir, float alpha)
{
    auto room = std::make_unique<TRoom>();
    room->ProjectFolder = dir.dir.string();
    room->VSound = 343.0f;
    room->FSample = 44100.0f;
    room->MaxLength = 44100;
    testsupport::BuildOneMaterialRoom(*room, testsupport::ShoeboxQuads(6, 4, 3), alpha, 0.0f);
    TDirectivity* omni = room->directivity[0].get();
    TSource s;
    s.Position = TPoint3D(1.5, 2, 1.5);
    s.NumBands = kBands;
    s.NumberOfRays = 10002;
    s.LayerID = 0;
    s.directivity = omni;
    s.SetPower(0.01f);
    room->AddSource(&s);
    TReceiver r(TPoint3D(4.5, 2, 1.5), 0.5, 0.0, 0);
    r.SetDirectivity(omni);
    room->AddReceiver(&r);
    room->ClusterOrderGlobal = 0;
    return room;
}

}  // namespace

// The statistical decay fills each pair's late part from the direct-sound sample on, falling
// 60 dB in the room's Sabine time of the band.
TEST(StatisticalDecay, FallsAtTheSabineTimeFromTheDirectSound)
{
    Scratch dir;
    auto room = Shoebox(dir, 0.2f);
    testing::internal::CaptureStdout();
    room->GetExternalPlanes();
    room->AcousticParameters();
    ASSERT_GT(room->T60[0][4], 0.3f);
    room->CreateResults();
    TResult::SetTailSeed(3);
    room->SimulateDecay();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("STARTING DECAY SIMULATION\n"), std::string::npos);
    EXPECT_NE(out.find("Critical Distance: "), std::string::npos);
    EXPECT_FALSE(room->IsRunning.load());

    TResult& pair = *room->spcresult[0][0];
    const unsigned i0 = static_cast<unsigned>(3.0 / 343.0 * 44100.0);
    for (unsigned b : {1u, 4u, 7u}) {
        const std::vector<float>& x = pair.IR[0][b];
        for (unsigned n = 0; n < i0; ++n) ASSERT_EQ(x[n], 0.0f) << n;
        // Slope of 20 log10 of the envelope (noise magnitudes lie in [0.2, 1]) over 0.3 s.
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        unsigned count = 0;
        for (unsigned n = i0; n < i0 + 13230; ++n) {
            if (!(x[n] > 0.0f)) continue;
            const double y = 20.0 * std::log10(x[n]);
            sx += n;
            sy += y;
            sxx += static_cast<double>(n) * n;
            sxy += n * y;
            ++count;
        }
        const double slope = (count * sxy - sx * sy) / (count * sxx - sx * sx);  // dB per sample
        const double T60 = -60.0 / (slope * 44100.0);
        EXPECT_NEAR(T60, room->T60[0][b], 0.03 * room->T60[0][b]) << b;
    }
    TResult::UseRandomTailSeed();
}

TEST(StatisticalDecay, RefusedWithoutSourcesOrReceivers)
{
    Scratch dir;
    TRoom room;
    ErrorCapture cap;
    testing::internal::CaptureStdout();
    room.SimulateDecay();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_EQ(cap.messages[0], "No receiver was defined\nSimulation aborted!\n");
}
