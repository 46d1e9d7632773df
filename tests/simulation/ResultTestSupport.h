#pragma once
// Pair results under test: scratch folders, patterns, and a source-receiver pair.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "directivity/TDirectivity.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/TRay.h"
#include "simulation/TResult.h"
#include "simulation/TResultParam.h"
#include "support/FileText.h"

namespace resulttest {

constexpr unsigned kBands = 9;

// A fresh folder per test, removed afterwards.
inline std::filesystem::path MakeScratch(const std::string& tag)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = tag + "-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    auto dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

class Scratch {
public:
    explicit Scratch(const std::string& tag = "sorvi-results") : dir(MakeScratch(tag)) {}
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string operator/(const std::string& name) const { return (dir / name).string(); }
    std::filesystem::path dir;
};

// The whole file, bytes unchanged.
using ::ReadFile;

inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline std::vector<TRay> ReadRays(const std::string& path)
{
    std::vector<TRay> rays;
    for (const std::string& line : ReadLines(path)) {
        TRay r(kBands);
        EXPECT_TRUE(r.ParseLine(line)) << line;
        rays.push_back(std::move(r));
    }
    return rays;
}

// An arrival record of the nine bands, every band holding `energy`.
inline TRay Arrival(unsigned index, float azim, float elev, unsigned order, float fatordist, float energy = 1.0f,
                    int id = 0)
{
    TRay r(kBands);
    const std::vector<float> e(kBands, energy);
    TDirection dir, start;
    dir.Set(azim, elev, 1.0f);
    start.Set(0.0f, 0.0f, 1.0f);
    r.Set(index, e.data(), dir, order, fatordist, start);
    r.SetId(id);
    return r;
}

// A source and a receiver 3 m apart on the x axis, both omnidirectional unless changed.
struct PairSetup {
    PairSetup() : omni("OMNI", kBands), receiver(TPoint3D(3, 0, 0), 0.5, 0.0, 0)
    {
        source.Position = TPoint3D(0, 0, 0);
        source.NumBands = kBands;
        source.NumberOfRays = 1002;
        source.directivity = &omni;
        receiver.SetDirectivity(&omni);
    }
    // Settings of a run at 44.1 kHz and 343 m/s without air absorption.
    TResultParam Params(int clusterOrder, unsigned maxLength = 1000) const
    {
        const std::vector<double> air(kBands, 0.0);
        const std::vector<float> rc(kBands, 5.0f);
        return TResultParam(kBands, clusterOrder, 343.0f, 44100.0f, rc.data(), 2047, maxLength, air.data(), false);
    }
    std::unique_ptr<TResult> Make(int clusterOrder, unsigned maxLength = 1000)
    {
        const TResultParam p = Params(clusterOrder, maxLength);
        return std::make_unique<TResult>(&p, &receiver, &source);
    }

    TDirectivity omni;
    TSource source;
    TReceiver receiver;
};

// The early part as the synthesis creates it.
inline void CreateEarlyPart(TResult& r)
{
    r.IR_Early.assign(r.NumChannels,
                      std::vector<std::vector<float>>(r.NumBands, std::vector<float>(r.MaxLength, 0.0f)));
}

}  // namespace resulttest
