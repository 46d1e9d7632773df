// Writes the fuzz seeds of the DAFF reader when SORVI_DAFF_SEED_DIR names a folder:
//   SORVI_DAFF_SEED_DIR=tests/fuzz/seeds/daff test_directivity --gtest_filter=DaffFuzzSeeds.*

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/DaffTestWriter.h"

using namespace dafftest;

TEST(DaffFuzzSeeds, WrittenOnRequest)
{
    const char* dir = std::getenv("SORVI_DAFF_SEED_DIR");
    if (!dir) GTEST_SKIP() << "SORVI_DAFF_SEED_DIR not set";
    std::filesystem::create_directories(dir);
    auto put = [&](const std::string& name, const std::vector<std::uint8_t>& b) {
        std::ofstream out(std::filesystem::path(dir) / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        ASSERT_TRUE(out.good()) << name;
    };
    put("ms_grid.daff", magnitudeGrid().bytes());
    put("ir_int16.daff", impulseResponses(0).bytes());
    put("ir_int24.daff", impulseResponses(1).bytes());
    put("ir_float32.daff", impulseResponses(2).bytes());
    put("ps.daff", smallSpectrum(2).bytes());
    put("mps.daff", smallSpectrum(3).bytes());
    put("dft.daff", smallSpectrum(4).bytes());
    DaffTestWriter oriented = smallSpectrum(1);
    oriented.freqs = {1000, 2000, 4000};
    for (auto& rec : oriented.records)
        for (auto& ch : rec) ch.values.resize(3);
    oriented.main.yaw = 30;
    oriented.main.pitch = -10;
    oriented.main.roll = 5;
    put("ms_oriented.daff", oriented.bytes());
}
