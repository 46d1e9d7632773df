// The ray tracer on whole rooms: a 10 x 8 x 6 m shoebox (alpha 0.1, 20,252 rays, 2 s at
// 44.1 kHz) with one and with eight receivers, the same outline with a coffered ceiling of
// about a hundred and about a thousand planes, the shoebox on 1 to all threads, and the small
// rooms with the tracer's small-room paths on and off.
// Counters: reflections traced, reflections per second per tracing thread, ns per reflection.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "directivity/TDirectivity.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"
#include "simulation/UsableCores.h"
#include "support/TestRooms.h"

namespace {

using testsupport::CofferedHallQuads;
using testsupport::ShoeboxQuads;
using testsupport::StripFloorQuads;

// The tracer's optional paths.
struct Paths {
    bool accelerate = true, wide = true, paired = true;
};

// Standard output silenced while the room talks.
class QuietOutput {
public:
    QuietOutput()
    {
        std::fflush(stdout);
        saved_ = dup(1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~QuietOutput()
    {
        std::fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
    }

private:
    int saved_;
};

std::unique_ptr<TRoom> NewRoom()
{
    QuietOutput q;
    return std::make_unique<TRoom>();
}

struct BenchRoom {
    BenchRoom(const std::vector<testsupport::Quad>& quads, unsigned receivers) : owned(NewRoom())
    {
        // Rooms, sources and receivers name their directivities as they start.
        QuietOutput q;
        folder = std::filesystem::temp_directory_path() / ("sorvi-bench-tracer-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        room.ProjectFolder = folder.string();
        room.MaxLength = 2 * 44100;
        room.ClusterOrderGlobal = -1;
        testsupport::BuildOneMaterialRoom(room, quads, 0.1f, 0.0f);
        TDirectivity* omni = room.directivity[0].get();
        TSource s;
        s.Position = TPoint3D(2.5, 3.0, 1.5);
        s.NumBands = 9;
        s.NumberOfRays = 20252;
        s.LayerID = 0;
        s.directivity = omni;
        room.AddSource(&s);
        for (unsigned r = 0; r < receivers; ++r) {
            TReceiver rec(TPoint3D(4.0 + 0.7 * r, 5.0 - 0.3 * r, 1.2 + 0.1 * r), 0.3, 0.0, 0);
            rec.SetDirectivity(omni);
            room.AddReceiver(&rec);
        }
        room.AcousticParameters();
    }
    ~BenchRoom()
    {
        {
            // The room lists what it frees as it goes: kept out of the benchmark's table.
            QuietOutput q;
            room.ClearResults();
            owned.reset();
        }
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    // Seconds spent in the tracing phase; reflections counted from the planes' counters.
    double Trace(unsigned threads, Paths paths, unsigned long& reflections)
    {
        QuietOutput q;
        room.CreateResults();
        room.run.TracerThreads = threads;
        room.run.TracerAcceleration = paths.accelerate;
        room.run.TracerWideSearch = paths.wide;
        room.run.TracerPairedRays = paths.paired;
        unsigned long before = 0, after = 0;
        for (const auto& pl : room.plane) before += pl->hits;
        const auto t0 = std::chrono::steady_clock::now();
        room.Simulate();
        const auto t1 = std::chrono::steady_clock::now();
        for (const auto& pl : room.plane) after += pl->hits;
        reflections = after - before;
        room.ClearResults();
        return std::chrono::duration<double>(t1 - t0).count();
    }

    std::unique_ptr<TRoom> owned;
    TRoom& room = *owned;
    std::filesystem::path folder;
};

void Report(benchmark::State& state, unsigned long reflections, double seconds, unsigned threads, unsigned planes)
{
    state.counters["planes"] = planes;
    state.counters["reflections"] = static_cast<double>(reflections);
    state.counters["refl/s/thread"] = reflections / seconds / threads;
    state.counters["ns/refl"] = seconds * 1e9 / reflections;
}

void Run(benchmark::State& state, const std::vector<testsupport::Quad>& quads, unsigned receivers, unsigned threads,
         Paths paths)
{
    BenchRoom room(quads, receivers);
    unsigned long reflections = 0;
    double seconds = 0;
    for (auto _ : state) {
        seconds = room.Trace(threads, paths, reflections);
        state.SetIterationTime(seconds);
    }
    Report(state, reflections, seconds, threads, static_cast<unsigned>(quads.size()));
}

unsigned AllThreads()
{
    return UsableCores();
}

void BM_TraceShoebox(benchmark::State& state)
{
    Run(state, ShoeboxQuads(10, 8, 6), 1, 1, {});
}
BENCHMARK(BM_TraceShoebox)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TraceShoebox8Receivers(benchmark::State& state)
{
    Run(state, ShoeboxQuads(10, 8, 6), 8, 1, {});
}
BENCHMARK(BM_TraceShoebox8Receivers)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Coffers per side: 3 x 3 (86 planes), 11 x 10 (995 planes).
void BM_TraceCofferedHall(benchmark::State& state)
{
    const unsigned nx = static_cast<unsigned>(state.range(0)), ny = static_cast<unsigned>(state.range(1));
    Paths paths;
    paths.accelerate = state.range(2) != 0;
    Run(state, CofferedHallQuads(10, 8, 6, nx, ny, 0.08), 1, 1, paths);
}
BENCHMARK(BM_TraceCofferedHall)
    ->Args({3, 3, 1})
    ->Args({11, 10, 1})
    ->Args({3, 3, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

void BM_TraceShoeboxThreads(benchmark::State& state)
{
    const unsigned threads = state.range(0) ? static_cast<unsigned>(state.range(0)) : AllThreads();
    Run(state, ShoeboxQuads(10, 8, 6), 1, threads, {});
}
BENCHMARK(BM_TraceShoeboxThreads)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

void BM_TraceCofferedHallThreads(benchmark::State& state)
{
    const unsigned threads = state.range(0) ? static_cast<unsigned>(state.range(0)) : AllThreads();
    Run(state, CofferedHallQuads(10, 8, 6, 11, 10, 0.08), 1, threads, {});
}
BENCHMARK(BM_TraceCofferedHallThreads)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The small-room paths on and off, one thread: room 0 the shoebox (6 planes), 1 the strip-floor
// box (11 planes); then the wide search, then two rays at a time.
void BM_TraceSmallRoomPaths(benchmark::State& state)
{
    Paths paths;
    paths.wide = state.range(1) != 0;
    paths.paired = state.range(2) != 0;
    Run(state, state.range(0) ? StripFloorQuads(10, 8, 6) : ShoeboxQuads(10, 8, 6), 1, 1, paths);
}
BENCHMARK(BM_TraceSmallRoomPaths)
    ->Args({0, 1, 1})
    ->Args({0, 1, 0})
    ->Args({0, 0, 0})
    ->Args({1, 1, 0})
    ->Args({1, 0, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace
