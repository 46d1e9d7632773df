// Forward plus inverse transform of n complex doubles, Sorvi's FFT against FFTW's
// estimate-mode plans on the same sizes (a pair keeps the values bounded across iterations).

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "dsp/Transform.h"

#ifdef SORVI_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

void Fill(double* x, std::size_t doubles)
{
    std::mt19937 gen(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (std::size_t i = 0; i < doubles; ++i) x[i] = u(gen);
}

void BM_SorviFFT(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    std::vector<TComplex> x(n);
    Fill(&x[0].re, 2 * static_cast<std::size_t>(n));
    TransformFFT(n, 0, 1.0, x.data());  // builds the tables outside the timed loop
    TransformFFT(n, 1, 1.0, x.data());
    for (auto _ : state) {
        TransformFFT(n, 0, 1.0, x.data());
        TransformFFT(n, 1, 1.0, x.data());
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SorviFFT)->RangeMultiplier(2)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMicrosecond);

#ifdef SORVI_HAVE_FFTW
void BM_FFTWEstimate(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    fftw_complex* x = fftw_alloc_complex(n);
    fftw_plan fwd = fftw_plan_dft_1d(n, x, x, FFTW_FORWARD, FFTW_ESTIMATE);
    fftw_plan inv = fftw_plan_dft_1d(n, x, x, FFTW_BACKWARD, FFTW_ESTIMATE);
    Fill(&x[0][0], 2 * static_cast<std::size_t>(n));
    const double s = 1.0 / n;
    for (auto _ : state) {
        fftw_execute(fwd);
        fftw_execute(inv);
        // FFTW leaves the inverse unscaled; TransformFFT divides by n.
        for (int i = 0; i < n; ++i) {
            x[i][0] *= s;
            x[i][1] *= s;
        }
        benchmark::DoNotOptimize(x);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
    fftw_destroy_plan(fwd);
    fftw_destroy_plan(inv);
    fftw_free(x);
}
BENCHMARK(BM_FFTWEstimate)->RangeMultiplier(2)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
