#pragma once
// Small rooms for tests of whole runs: a box with sources and receivers, result files in a
// scratch folder, and readers of what a run writes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dsp/WavFile.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "simulation/ResultTestSupport.h"
#include "simulation/RunGate.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"
#include "support/FileText.h"
#include "support/TestRooms.h"

namespace runtest {

using resulttest::kBands;
using resulttest::Scratch;

// A W x D x H box (absorption `alpha` on every wall) whose result files go to `folder`.
// Responses of `maxTime` seconds; the tracer on two threads.
inline std::unique_ptr<TRoom> MakeBox(const std::string& folder, double W = 6, double D = 5, double H = 3,
                                      float alpha = 0.3f, float maxTime = 0.1f)
{
    auto room = std::make_unique<TRoom>();
    room->ProjectFolder = folder;
    room->SetMaxTime(maxTime);
    room->run.TracerThreads = 2;
    testsupport::BuildOneMaterialRoom(*room, testsupport::ShoeboxQuads(W, D, H), alpha, 0.1f);
    return room;
}

// A source of `rays` rays; with a sound file (relative to the project folder) when given.
inline void AddSource(TRoom& room, TPoint3D at, unsigned rays = 42, const char* soundFile = nullptr)
{
    TSource s;
    s.Position = at;
    s.NumBands = kBands;
    s.NumberOfRays = rays;
    s.LayerID = 0;
    s.directivity = room.directivity[0].get();
    s.SoundFolder = room.ProjectFolder;
    if (soundFile) {
        EXPECT_TRUE(s.SetSoundFile(soundFile)) << soundFile;
    }
    room.AddSource(&s);
}

inline void AddReceiver(TRoom& room, TPoint3D at, double radius = 0.5)
{
    TReceiver r(at, radius, 0.0, 0);
    r.SetDirectivity(room.directivity[0].get());
    room.AddReceiver(&r);
}

// Runs op with standard output captured and returns what it printed.
template <class F> std::string Quiet(F&& op)
{
    testing::internal::CaptureStdout();
    op();
    return testing::internal::GetCapturedStdout();
}

// Destroys the room without its farewell lines.
inline void Free(std::unique_ptr<TRoom>& room)
{
    Quiet([&] { room.reset(); });
}

struct Wav {
    WaveHeader head;
    std::vector<float> samples;  // interleaved
};

inline Wav ReadWav(const std::string& path)
{
    Wav w;
    w.head = getWavHeaderInfo(path);
    readWAVData(path, w.samples);
    return w;
}

inline float PeakOf(const std::vector<float>& v)
{
    float p = 0.0f;
    for (float x : v) p = std::max(p, std::fabs(x));
    return p;
}

inline bool AllFinite(const std::vector<float>& v)
{
    for (float x : v)
        if (!std::isfinite(x)) return false;
    return true;
}

// The whole file as bytes ("" when it cannot be read).
inline std::string Slurp(const std::string& path)
{
    return ReadFile(path);
}

// "S%.3d-R%.3d<tail>" style names in the folder, numbers from 1.
inline std::string PairPath(const std::string& folder, const char* format, int S, int R)
{
    char name[64];
    std::snprintf(name, sizeof name, format, S, R);
    return folder + "/" + name;
}

}  // namespace runtest
