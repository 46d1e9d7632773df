// The ray tracer on whole rooms: a 10 x 8 x 6 m shoebox (alpha 0.1, 20,252 rays, 2 s at
// 44.1 kHz) with one and with eight receivers, the same outline with a coffered ceiling of
// about a hundred and about a thousand planes, and the shoebox on 1 to all threads.
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
#include "room/TRoom.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "simulation/TResult.h"
#include "simulation/UsableCores.h"

namespace {

using Quad = std::vector<TPoint3D>;

std::vector<Quad> Shoebox(double Lx, double Ly, double H)
{
    const TPoint3D c[8] = {{0, 0, 0}, {Lx, 0, 0}, {Lx, Ly, 0}, {0, Ly, 0},
                           {0, 0, H}, {Lx, 0, H}, {Lx, Ly, H}, {0, Ly, H}};
    const int f[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    std::vector<Quad> q;
    for (const auto& face : f) q.push_back({c[face[0]], c[face[1]], c[face[2]], c[face[3]]});
    return q;
}

// The shoebox with its ceiling replaced by nx x ny coffers: 5 + 9 nx ny planes.
std::vector<Quad> CofferedHall(double Lx, double Ly, double H, unsigned nx, unsigned ny)
{
    const double b = 0.08, d = 0.4;
    std::vector<Quad> q = Shoebox(Lx, Ly, H);
    q.erase(q.begin() + 1);
    for (unsigned i = 0; i < nx; ++i)
        for (unsigned j = 0; j < ny; ++j) {
            const double x0 = Lx * i / nx, x1 = Lx * (i + 1) / nx, y0 = Ly * j / ny, y1 = Ly * (j + 1) / ny;
            const double a0 = x0 + b, a1 = x1 - b, b0 = y0 + b, b1 = y1 - b, top = H + d;
            q.push_back({{x0, y0, H}, {x1, y0, H}, {x1, b0, H}, {x0, b0, H}});
            q.push_back({{x0, b1, H}, {x1, b1, H}, {x1, y1, H}, {x0, y1, H}});
            q.push_back({{x0, b0, H}, {a0, b0, H}, {a0, b1, H}, {x0, b1, H}});
            q.push_back({{a1, b0, H}, {x1, b0, H}, {x1, b1, H}, {a1, b1, H}});
            q.push_back({{a0, b0, H}, {a1, b0, H}, {a1, b0, top}, {a0, b0, top}});
            q.push_back({{a1, b0, H}, {a1, b1, H}, {a1, b1, top}, {a1, b0, top}});
            q.push_back({{a1, b1, H}, {a0, b1, H}, {a0, b1, top}, {a1, b1, top}});
            q.push_back({{a0, b1, H}, {a0, b0, H}, {a0, b0, top}, {a0, b1, top}});
            q.push_back({{a0, b0, top}, {a1, b0, top}, {a1, b1, top}, {a0, b1, top}});
        }
    return q;
}

// Standard output silenced while the room talks.
class Quiet {
public:
    Quiet()
    {
        std::fflush(stdout);
        saved_ = dup(1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~Quiet()
    {
        std::fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
    }

private:
    int saved_;
};

struct BenchRoom {
    BenchRoom(const std::vector<Quad>& quads, unsigned receivers)
    {
        folder = std::filesystem::temp_directory_path() / ("sorvi-bench-tracer-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        room.ProjectFolder = folder.string();
        room.MaxLength = 2 * 44100;
        room.ClusterOrderGlobal = -1;
        room.material.push_back(std::make_unique<TMaterial>("wall", 9, 0.1f, 0.0f));
        room.NumMaterials = 1;
        TPlaneLayer walls("walls");
        walls.MatID = 0;
        room.planeLayer = {walls};
        room.NumPlaneLayers = 1;
        for (const Quad& q : quads) {
            room.plane.push_back(std::make_unique<TPlane>(static_cast<int>(q.size()), q.data()));
            room.plane.back()->LayerID = 0;
        }
        room.NumPlanes = static_cast<unsigned>(quads.size());
        room.AddSourceLayer("S");
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
        Quiet q;
        room.AcousticParameters();
    }
    ~BenchRoom()
    {
        {
            Quiet q;
            room.ClearResults();
        }
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    // Seconds spent in the tracing phase; reflections counted from the planes' counters.
    double Trace(unsigned threads, bool accelerate, unsigned long& reflections)
    {
        Quiet q;
        room.CreateResults();
        room.run.TracerThreads = threads;
        room.run.TracerAcceleration = accelerate;
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

    std::filesystem::path folder;
    TRoom room;
};

void Report(benchmark::State& state, unsigned long reflections, double seconds, unsigned threads, unsigned planes)
{
    state.counters["planes"] = planes;
    state.counters["reflections"] = static_cast<double>(reflections);
    state.counters["refl/s/thread"] = reflections / seconds / threads;
    state.counters["ns/refl"] = seconds * 1e9 / reflections;
}

void Run(benchmark::State& state, const std::vector<Quad>& quads, unsigned receivers, unsigned threads, bool accelerate)
{
    BenchRoom room(quads, receivers);
    unsigned long reflections = 0;
    double seconds = 0;
    for (auto _ : state) {
        seconds = room.Trace(threads, accelerate, reflections);
        state.SetIterationTime(seconds);
    }
    Report(state, reflections, seconds, threads, static_cast<unsigned>(quads.size()));
}

unsigned AllThreads()
{
    return UsableCores();
}

void BM_TraceShoebox(benchmark::State& state) { Run(state, Shoebox(10, 8, 6), 1, 1, true); }
BENCHMARK(BM_TraceShoebox)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TraceShoebox8Receivers(benchmark::State& state) { Run(state, Shoebox(10, 8, 6), 8, 1, true); }
BENCHMARK(BM_TraceShoebox8Receivers)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Coffers per side: 3 x 3 (86 planes), 11 x 10 (995 planes).
void BM_TraceCofferedHall(benchmark::State& state)
{
    const unsigned nx = static_cast<unsigned>(state.range(0)), ny = static_cast<unsigned>(state.range(1));
    Run(state, CofferedHall(10, 8, 6, nx, ny), 1, 1, state.range(2) != 0);
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
    Run(state, Shoebox(10, 8, 6), 1, threads, true);
}
BENCHMARK(BM_TraceShoeboxThreads)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TraceCofferedHallThreads(benchmark::State& state)
{
    const unsigned threads = state.range(0) ? static_cast<unsigned>(state.range(0)) : AllThreads();
    Run(state, CofferedHall(10, 8, 6, 11, 10), 1, threads, true);
}
BENCHMARK(BM_TraceCofferedHallThreads)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
