// Costs of the ray tracer's per-reflection and per-arrival work: the reflection itself, and
// formatting and parsing the ray-file line of an arrival.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "geometry/RayDirections.h"
#include "simulation/Raio_st.h"
#include "simulation/TRay.h"

namespace {

void BM_ReflectRay(benchmark::State& state)
{
    const float alpha[9] = {0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f};
    const float scatter[9] = {0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.3f};
    const float start[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    const bool diffuse = state.range(0) != 0;
    Raio_st ray(9);
    float scatt[9];
    ray.Set(TPoint3D(1, 2, 3), TVector(0.6, 0, -0.8), 0, 0, start);
    long k = 0;
    for (auto _ : state) {
        if ((k & 1023) == 0) ray.Set(TPoint3D(1, 2, 3), TVector(0.6, 0, -0.8), 0, 0, start);
        TVector n = (k & 1) ? TVector(0, 0, 1) : TVector(0, 0, -1);
        ReflectRay(ray, TPoint3D(1, 2, (k & 1) ? 0.0 : 3.0), n, alpha, scatter, 9, 9.0f, diffuse, scatt);
        benchmark::DoNotOptimize(ray);
        ++k;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReflectRay)->Arg(0)->Arg(1);

TRay SampleArrival()
{
    const float bands[9] = {1.2e-5f, 3.4e-5f, 5.6e-6f, 7.8e-7f, 9.1e-6f, 2.3e-5f, 4.5e-6f, 6.7e-7f, 8.9e-8f};
    TDirection dir, launch;
    dir.Set(123.456f, -12.5f, 1);
    launch.Set(-45.25f, 30.125f, 1);
    TRay r(9);
    r.Set(45678, bands, dir, 7, 0.8125f, launch);
    r.SetId(12345);
    return r;
}

void BM_RayLineFormat(benchmark::State& state)
{
    const TRay r = SampleArrival();
    std::string buffer;
    buffer.reserve(1 << 16);
    for (auto _ : state) {
        if (buffer.size() > (1 << 16) - 256) buffer.clear();
        r.AppendLine(buffer);
    }
    benchmark::DoNotOptimize(buffer.data());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RayLineFormat);

void BM_RayLineParse(benchmark::State& state)
{
    std::string line;
    SampleArrival().AppendLine(line);
    TRay r(9);
    for (auto _ : state) benchmark::DoNotOptimize(r.ParseLine(line));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RayLineParse);

void BM_RayDirections(benchmark::State& state)
{
    std::vector<TVector> dirs(RayDirectionCount(static_cast<double>(state.range(0))));
    for (auto _ : state) {
        FillRayDirections(static_cast<double>(state.range(0)), dirs.data());
        benchmark::DoNotOptimize(dirs.data());
    }
}
BENCHMARK(BM_RayDirections)->Arg(1002)->Arg(20252);

}  // namespace
