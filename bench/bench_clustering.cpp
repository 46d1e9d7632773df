// Clustering of early reflections: one pair whose early file holds a single long time block
// of arrivals from scattered directions, as diffuse processing produces. The block is grouped
// in pieces of at most MaxClusterBlock arrivals (second argument) on a number of threads (third).
// The grouping of one block by direction alone: by cosines, and by sorting every pair's angle.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "directivity/TDirectivity.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/DirectionGroups.h"
#include "simulation/TRay.h"
#include "simulation/TResult.h"
#include "simulation/TResultParam.h"

namespace {

void BM_ClusterLongBlock(benchmark::State& state)
{
    const unsigned arrivals = static_cast<unsigned>(state.range(0));
    const auto dir = std::filesystem::temp_directory_path() / ("sorvi-bench-cluster-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string prefix = (dir / "RAYS").string();

    // The clustering reports its progress on standard output: silence it while timing.
    std::fflush(stdout);
    const int saved = ::dup(1);
    const int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(devnull, 1);
    TDirectivity omni("OMNI", 9);
    TSource src;
    src.NumberOfRays = 1002;
    src.directivity = &omni;
    TReceiver rec(TPoint3D(3, 0, 0), 0.5, 0.0, 0);
    rec.SetDirectivity(&omni);
    const std::vector<double> air(9, 0.0);
    const std::vector<float> rc(9, 1.0f);
    const TResultParam params(9, 3, 343.0f, 44100.0f, rc.data(), 2047, 4 * arrivals + 100, air.data(), false);
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> azim(0.0f, 360.0f), elev(-90.0f, 90.0f), fd(0.01f, 1.0f);
    std::vector<TRay> rays;
    for (unsigned k = 0; k < arrivals; ++k) {
        TRay r(9);
        const std::vector<float> e(9, 1e-6f);
        TDirection d, s;
        d.Set(azim(gen), elev(gen), 1.0f);
        s.Set(azim(gen), elev(gen), 1.0f);
        r.Set(100 + 4 * k / 3, e.data(), d, 1, fd(gen), s);
        rays.push_back(std::move(r));
    }

    for (auto _ : state) {
        state.PauseTiming();
        TResult pair(&params, &rec, &src);
        pair.MaxClusterBlock = static_cast<uint32_t>(state.range(1));
        pair.ClusterThreads = static_cast<uint32_t>(state.range(2));
        pair.CreateRayFile(0, 0, prefix.c_str());
        for (TRay& r : rays) pair.SaveRay(&r, 0);
        state.ResumeTiming();
        pair.Cluster();
    }
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    ::close(devnull);
    state.SetItemsProcessed(state.iterations() * arrivals);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ClusterLongBlock)
    ->Args({1024, 1024, 1})
    ->Args({20000, 512, 1})
    ->Args({20000, 1024, 1})
    ->Args({20000, 2048, 1})
    ->Args({20000, 1024, 4})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Diffuse arrivals of one block: directions over the whole sphere, distinct factors.
void GroupBlock(benchmark::State& state, bool allPairs)
{
    const unsigned NE = static_cast<unsigned>(state.range(0));
    std::mt19937 gen(3);
    std::uniform_real_distribution<float> azim(0.0f, 360.0f), elev(-90.0f, 90.0f), fd(0.01f, 1.0f);
    std::vector<TDirection> dir(NE);
    std::vector<float> factor(NE);
    for (unsigned k = 0; k < NE; ++k) {
        dir[k].Set(azim(gen), elev(gen), 1.0f);
        factor[k] = fd(gen);
    }
    TDirectionGroupsWork work;
    for (auto _ : state) {
        auto groups = allPairs ? GroupDirectionsAllPairs(dir.data(), factor.data(), NE)
                               : GroupDirections(dir.data(), factor.data(), NE, work);
        benchmark::DoNotOptimize(groups);
    }
    state.SetItemsProcessed(state.iterations() * NE);
}
void BM_GroupDirections(benchmark::State& state)
{
    GroupBlock(state, false);
}
void BM_GroupDirectionsAllPairs(benchmark::State& state)
{
    GroupBlock(state, true);
}
BENCHMARK(BM_GroupDirections)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupDirectionsAllPairs)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);

}  // namespace
