// The response phase of one pair after tracing: synthesis from its ray file (scaling, band
// filters, sum), the artificial tail, the parameters, and the response and parameter files.
// The ray file holds a shoebox-like decay: 90 early and 3600 late arrivals over 1.5 s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "directivity/TDirectivity.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/TRay.h"
#include "simulation/TResult.h"
#include "simulation/TResultParam.h"

namespace {

constexpr unsigned kLength = 66150;  // 1.5 s at 44.1 kHz

// Silences standard output (the phases report their progress there) while alive.
class Quiet {
public:
    Quiet()
    {
        std::fflush(stdout);
        saved_ = ::dup(1);
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::close(devnull);
    }
    ~Quiet()
    {
        std::fflush(stdout);
        ::dup2(saved_, 1);
        ::close(saved_);
    }

private:
    int saved_;
};

struct PairBench {
    PairBench() : omni("OMNI", 9), rec(TPoint3D(4.9, 0, 0), 0.3, 0.0, 0)
    {
        src.NumberOfRays = 20252;
        src.directivity = &omni;
        rec.SetDirectivity(&omni);
        dir = std::filesystem::temp_directory_path() / ("sorvi-bench-pair-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        rayFile = (dir / "RAYS.txt").string();
        std::FILE* f = std::fopen(rayFile.c_str(), "w");
        std::mt19937 gen(3);
        std::uniform_real_distribution<float> azim(0.0f, 360.0f), elev(-90.0f, 90.0f), fd(0.01f, 1.0f);
        std::uniform_int_distribution<unsigned> when(630, 40000);
        for (unsigned k = 0; k < 3690; ++k) {
            const unsigned index = k < 90 ? 630 + 20 * k : when(gen);
            const unsigned order = k < 90 ? 1 + k / 45 : 3 + index / 640;
            const std::vector<float> e(9, static_cast<float>(0.01 / 20253 * std::pow(0.8, order)));
            TRay r(9);
            TDirection d, s;
            d.Set(azim(gen), elev(gen), 1.0f);
            s.Set(azim(gen), elev(gen), 1.0f);
            r.Set(index, e.data(), d, order, fd(gen), s);
            r.Save(f);
        }
        std::fclose(f);
    }
    ~PairBench() { std::filesystem::remove_all(dir); }
    std::unique_ptr<TResult> Make(bool tail)
    {
        const std::vector<double> air(9, 0.0);
        const std::vector<float> rc(9, 1.0f);
        const TResultParam params(9, 2, 343.0f, 44100.0f, rc.data(), 2047, kLength, air.data(), tail);
        return std::make_unique<TResult>(&params, &rec, &src);
    }

    TDirectivity omni;
    TSource src;
    TReceiver rec;
    std::filesystem::path dir;
    std::string rayFile;
};

void BM_PairSynthesis(benchmark::State& state)
{
    Quiet quiet;  // the patterns report themselves
    PairBench bench;
    TResult::SetTailSeed(1);
    for (auto _ : state) {
        state.PauseTiming();
        auto pair = bench.Make(state.range(0) != 0);
        state.ResumeTiming();
        pair->GetImpulseResponsesfromRAYS(bench.rayFile.c_str());
        benchmark::DoNotOptimize(pair->globalIR[0].data());
    }
    TResult::UseRandomTailSeed();
}
BENCHMARK(BM_PairSynthesis)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PairParametersAndFiles(benchmark::State& state)
{
    Quiet quiet;  // the patterns report themselves
    PairBench bench;
    auto pair = bench.Make(false);
    pair->GetImpulseResponsesfromRAYS(bench.rayFile.c_str());
    const std::string ir = (bench.dir / "S001-R001.txt").string();
    const std::string params = (bench.dir / "PARAMS-S001-R001.txt").string();
    for (auto _ : state) {
        if (state.range(0) == 0) {
            pair->GetMonoParams();
        } else {
            pair->SaveGlobalIR(ir.c_str());
            pair->SaveParams(params.c_str());
        }
        benchmark::DoNotOptimize(pair->Param.data());
    }
}
BENCHMARK(BM_PairParametersAndFiles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
