// Auralization-sized convolution: a 3 s response with a 10 s dry signal at 44.1 kHz.
// FFTFilt against the same overlap-add (transform size 2^19, two blocks) on FFTW's
// estimate-mode plans, complex as FFTFilt does it and real-to-complex as FFTW users would.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/FIRDesign.h"

#ifdef SORVI_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

constexpr unsigned int kResponse = 3 * 44100;
constexpr unsigned int kDry = 10 * 44100;
constexpr unsigned int kTotal = kResponse + kDry - 1;
// The size FFTFilt's operation count picks for these lengths (two blocks).
constexpr unsigned int kSize = 1u << 19;
constexpr unsigned int kBlock = kSize - kResponse + 1;

struct Signals {
    std::vector<float> response, dry;
    Signals() : response(kResponse), dry(kDry)
    {
        std::mt19937 gen(3);
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        for (unsigned int n = 0; n < kResponse; n++)
            response[n] = u(gen) * std::exp(-6.9f * static_cast<float>(n) / 44100.0f);
        for (float& v : dry) v = u(gen);
    }
};

const Signals& Inputs()
{
    static const Signals s;
    return s;
}

void BM_FFTFilt(benchmark::State& state)
{
    const Signals& in = Inputs();
    std::vector<float> y(kTotal);
    FFTFilt(in.response.data(), kResponse, in.dry.data(), kDry, y.data());  // twiddle tables
    for (auto _ : state) {
        FFTFilt(in.response.data(), kResponse, in.dry.data(), kDry, y.data());
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kDry);
}
BENCHMARK(BM_FFTFilt)->Unit(benchmark::kMillisecond);

#ifdef SORVI_HAVE_FFTW
void BM_FFTWComplexOverlapAdd(benchmark::State& state)
{
    const Signals& in = Inputs();
    std::vector<float> y(kTotal);
    fftw_complex* H = fftw_alloc_complex(kSize);
    fftw_complex* X = fftw_alloc_complex(kSize);
    fftw_plan fwdH = fftw_plan_dft_1d(kSize, H, H, FFTW_FORWARD, FFTW_ESTIMATE);
    fftw_plan fwd = fftw_plan_dft_1d(kSize, X, X, FFTW_FORWARD, FFTW_ESTIMATE);
    fftw_plan inv = fftw_plan_dft_1d(kSize, X, X, FFTW_BACKWARD, FFTW_ESTIMATE);
    for (auto _ : state) {
        for (unsigned int k = 0; k < kSize; k++) {
            H[k][0] = k < kResponse ? in.response[k] : 0.0;
            H[k][1] = 0.0;
        }
        fftw_execute(fwdH);
        std::fill(y.begin(), y.end(), 0.0f);
        for (unsigned int s = 0; s < kDry; s += kBlock) {
            for (unsigned int k = 0; k < kSize; k++) {
                X[k][0] = k < kBlock && s + k < kDry ? in.dry[s + k] : 0.0;
                X[k][1] = 0.0;
            }
            fftw_execute(fwd);
            for (unsigned int k = 0; k < kSize; k++) {
                const double re = X[k][0] * H[k][0] - X[k][1] * H[k][1];
                const double im = X[k][0] * H[k][1] + X[k][1] * H[k][0];
                X[k][0] = re;
                X[k][1] = im;
            }
            fftw_execute(inv);
            for (unsigned int k = 0; k < kSize && s + k < kTotal; k++) y[s + k] += static_cast<float>(X[k][0] / kSize);
        }
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kDry);
    fftw_destroy_plan(fwdH);
    fftw_destroy_plan(fwd);
    fftw_destroy_plan(inv);
    fftw_free(H);
    fftw_free(X);
}
BENCHMARK(BM_FFTWComplexOverlapAdd)->Unit(benchmark::kMillisecond);

void BM_FFTWRealOverlapAdd(benchmark::State& state)
{
    const Signals& in = Inputs();
    std::vector<float> y(kTotal);
    const unsigned int bins = kSize / 2 + 1;
    double* buf = fftw_alloc_real(kSize);
    fftw_complex* H = fftw_alloc_complex(bins);
    fftw_complex* X = fftw_alloc_complex(bins);
    fftw_plan fwdH = fftw_plan_dft_r2c_1d(kSize, buf, H, FFTW_ESTIMATE);
    fftw_plan fwd = fftw_plan_dft_r2c_1d(kSize, buf, X, FFTW_ESTIMATE);
    fftw_plan inv = fftw_plan_dft_c2r_1d(kSize, X, buf, FFTW_ESTIMATE);
    for (auto _ : state) {
        for (unsigned int k = 0; k < kSize; k++) buf[k] = k < kResponse ? in.response[k] : 0.0;
        fftw_execute(fwdH);
        std::fill(y.begin(), y.end(), 0.0f);
        for (unsigned int s = 0; s < kDry; s += kBlock) {
            for (unsigned int k = 0; k < kSize; k++) buf[k] = k < kBlock && s + k < kDry ? in.dry[s + k] : 0.0;
            fftw_execute(fwd);
            for (unsigned int k = 0; k < bins; k++) {
                const double re = X[k][0] * H[k][0] - X[k][1] * H[k][1];
                const double im = X[k][0] * H[k][1] + X[k][1] * H[k][0];
                X[k][0] = re;
                X[k][1] = im;
            }
            fftw_execute(inv);
            for (unsigned int k = 0; k < kSize && s + k < kTotal; k++) y[s + k] += static_cast<float>(buf[k] / kSize);
        }
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kDry);
    fftw_destroy_plan(fwdH);
    fftw_destroy_plan(fwd);
    fftw_destroy_plan(inv);
    fftw_free(buf);
    fftw_free(H);
    fftw_free(X);
}
BENCHMARK(BM_FFTWRealOverlapAdd)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
