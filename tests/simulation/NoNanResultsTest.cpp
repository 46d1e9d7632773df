// Random rooms run to their saved files: whatever the coefficients and wherever the receivers
// stand (inside, on a wall in line with the source, outside, on the source), no response or
// parameter file holds "nan" and no response holds "inf".

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "simulation/RoomRunSupport.h"

namespace fs = std::filesystem;
using namespace runtest;

TEST(NoNanResults, RandomRoomsWriteOnlyNumbers)
{
    std::mt19937 rng(15);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        Scratch dir("sorvi-nonan");
        const std::string folder = dir.dir.string();
        const double W = 2 + 10 * unit(rng), D = 2 + 10 * unit(rng), H = 2 + 4 * unit(rng);
        auto room = MakeBox(folder, W, D, H, 0.3f, 0.2f);
        // Coefficients at and between their limits: 0, 1 (kept just below 1) and random.
        const float alpha = trial % 3 == 0 ? 0.0f : trial % 3 == 1 ? 0.999f : static_cast<float>(unit(rng));
        const float dif = trial % 4 == 0 ? 0.0f : trial % 4 == 1 ? 1.0f : static_cast<float>(unit(rng));
        for (unsigned b = 0; b < kBands; ++b) {
            room->material[0]->abs[b] = alpha;
            room->material[0]->dif[b] = dif;
        }
        room->DiffuseProcessing = trial % 2 == 0 ? 1u : 0u;
        room->AirAbs.assign(kBands, 0.0);
        const TPoint3D src(W * (0.1 + 0.8 * unit(rng)), D * (0.1 + 0.8 * unit(rng)), H * (0.1 + 0.8 * unit(rng)));
        AddSource(*room, src, 502);
        AddReceiver(*room, {W * (0.1 + 0.8 * unit(rng)), D * (0.1 + 0.8 * unit(rng)), H * (0.1 + 0.8 * unit(rng))});
        AddReceiver(*room, {W, src.y, src.z});        // centre on the wall, in line with the source
        AddReceiver(*room, {W + 3.0, D / 2, H / 2});  // outside
        AddReceiver(*room, src, 0.3);                 // around the source
        Quiet([&] {
            room->GetExternalPlanes();
            room->AcousticParameters();
            room->CreateResults();
            room->StartSimulation();
            while (room->IsRunning.load()) {
            }
            room->StopSimulation();
            room->SaveResults();
        });
        int files = 0;
        for (const auto& e : fs::directory_iterator(dir.dir)) {
            const std::string name = e.path().filename().string();
            const bool response = name.size() == 13 && name[0] == 'S' && name.ends_with(".txt");
            if (!response && !name.starts_with("PARAMS-")) continue;
            ++files;
            const std::string text = Slurp(e.path().string());
            EXPECT_EQ(text.find("nan"), std::string::npos) << name;
            if (response) {
                EXPECT_EQ(text.find("inf"), std::string::npos) << name;
            }
        }
        EXPECT_EQ(files, 8);
        Free(room);
    }
}
