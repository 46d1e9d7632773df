// Artificial late tail: decaying noise at the rate fitted to a pair's collected arrivals.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "dsp/AcousticParams.h"
#include "dsp/Noise.h"
#include "geometry/HeldOutput.h"
#include "geometry/util.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/TResult.h"

namespace {

// The run's seed, shared by every pair and band of the run.
struct TailSeedState {
    std::mutex lock;
    unsigned long long seed = 0;
    bool fixed = false;    // SetTailSeed: every run uses this seed
    bool started = false;  // a run has chosen its seed
};

TailSeedState& SeedState()
{
    static TailSeedState state;
    return state;
}

unsigned long long CurrentTailSeed()
{
    {
        TailSeedState& st = SeedState();
        std::lock_guard<std::mutex> guard(st.lock);
        if (st.started) return st.seed;
    }
    return TResult::StartTailRun();
}

std::mt19937_64 TailStream(unsigned long long seed, int srcID, int recID, unsigned int band)
{
    std::seed_seq seq{static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32), static_cast<uint32_t>(srcID),
                      static_cast<uint32_t>(recID), static_cast<uint32_t>(band)};
    return std::mt19937_64(seq);
}

// Uniform in [0, 1) from the top 53 bits.
double Uniform(std::mt19937_64& gen)
{
    return static_cast<double>(gen() >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace

unsigned long long TResult::StartTailRun()
{
    TailSeedState& st = SeedState();
    std::lock_guard<std::mutex> guard(st.lock);
    if (!st.fixed) {
        std::random_device rd;
        st.seed = (static_cast<unsigned long long>(rd()) << 32) ^ rd();
    }
    st.started = true;
    Print("Artificial tail noise seed: %llu\n", st.seed);
    return st.seed;
}

void TResult::SetTailSeed(unsigned long long seed)
{
    TailSeedState& st = SeedState();
    std::lock_guard<std::mutex> guard(st.lock);
    st.seed = seed;
    st.fixed = true;
    st.started = false;
}

void TResult::UseRandomTailSeed()
{
    TailSeedState& st = SeedState();
    std::lock_guard<std::mutex> guard(st.lock);
    st.fixed = false;
    st.started = false;
}

void TResult::TailNoise(float* noise, unsigned int Length, float thr, unsigned long long seed, int srcID, int recID,
                        unsigned int band)
{
    std::mt19937_64 gen = TailStream(seed, srcID, recID, band);
    for (unsigned int n = 0; n < Length; ++n) {
        const float magnitude = static_cast<float>(1.0 - Uniform(gen) * (1.0 - thr));
        noise[n] = (gen() >> 63) ? -magnitude : magnitude;
    }
}

void TResult::SetNoiseStart(unsigned int value)
{
    Print("Setting noise start to %d samples.\n", static_cast<int>(value));
    noiseStart = value;
}

unsigned int TResult::CalculateNoiseStart()
{
    const uint32_t span = MaxFirstIndex - MinFirstIndex;  // unsigned difference, as stored
    return static_cast<unsigned int>(static_cast<double>(span) * 0.8);
}

void TResult::AddArtificialTail_LateRays()
{
    const unsigned long long seed = CurrentTailSeed();  // printed when the run starts here
    SetNoiseStart(MinFirstIndex);
    Print("Adding artificial tail at %1.3f sec (%d - %1.2f m) - end of transition time = %1.2f\n",
          static_cast<double>(noiseStart / FSample), static_cast<int>(noiseStart),
          static_cast<double>(noiseStart / FSample * VSound), static_cast<double>(MaxFirstIndex / FSample));
    Print("T60 Estimation from preliminary rays:");

    const int srcID = source ? source->srcID : 0;
    const int recID = receiver ? receiver->recID : 0;
    const double minPoints = source ? static_cast<double>(source->NumberOfRays) / 100.0 : 0.0;
    const bool haveEarly = IR_Early.size() >= NumChannels;
    const float log10e = 0.4342944819032518f;

    std::vector<float> noise(MaxLength), tail(MaxLength), x, y;
    x.reserve(MaxLength);
    y.reserve(MaxLength);
    for (uint32_t b = 0; b < NumBands; ++b) {
        // One stream per pair and band; the channels of a band share it.
        TailNoise(noise.data(), MaxLength, 0.2f, seed, srcID, recID, b);
        for (uint32_t ch = 0; ch < NumChannels; ++ch) {
            x.clear();
            y.clear();
            for (uint32_t n = 0; n < MaxLength; ++n) {
                const float v = IR[ch][b][n] + (haveEarly ? IR_Early[ch][b][n] : 0.0f);
                if (v > 0.0f) {
                    x.push_back(static_cast<float>(n));
                    y.push_back(std::log10(v));
                }
            }
            const auto K = static_cast<unsigned>(x.size());
            if (!(static_cast<double>(K) > minPoints)) {
                Print("Less than 1%% of rays collected! No artificial tail will be generated for ch %.2d - "
                      "band %.2d\n",
                      static_cast<int>(ch + 1), static_cast<int>(b + 1));
                continue;
            }
            const TPoint3D fit = LinearFitting(x.data(), y.data(), K);
            float a = static_cast<float>(fit.x);
            const float m = -std::fabs(static_cast<float>(fit.y));
            // One point, or points at one time, give no slope: such a tail would never decay.
            if (!(m < 0.0f) || !std::isfinite(m) || !std::isfinite(a)) {
                Print("No decay could be fitted! No artificial tail will be generated for ch %.2d - band %.2d\n",
                      static_cast<int>(ch + 1), static_cast<int>(b + 1));
                continue;
            }
            const float beta = -std::fabs(m / log10e);

            // Raise the line to the mean of the points above it (none above: unchanged).
            float above = 0.0f;
            unsigned count = 0;
            for (unsigned i = 0; i < K; ++i) {
                const float r = y[i] - (a + m * x[i]);
                if (r > 0.0f) {
                    above += r;
                    ++count;
                }
            }
            if (count > 0) a += above / static_cast<float>(count);
            const float A = std::pow(10.0f, a);

            T60_estimate[b] = -60.0f / (m * 20.0f * FSample);
            Print("%1.2f ", static_cast<double>(T60_estimate[b]));

            for (uint32_t n = noiseStart; n < MaxLength; ++n)
                tail[n] = std::exp(static_cast<float>(n) * beta) * (std::fabs(noise[n]) * A);

            float* late = IR[ch][b].data();
            const uint32_t fadeEnd = MaxProbIndex < MaxLength ? MaxProbIndex : MaxLength;
            uint32_t n = noiseStart;
            if (fadeEnd > noiseStart) {
                const float span = static_cast<float>(MaxProbIndex - noiseStart);
                for (; n < fadeEnd; ++n) {
                    const float w = 1.0f - std::exp(-8.0f * static_cast<float>(n - noiseStart) / span);
                    late[n] += tail[n] * w;
                }
            }
            for (; n < MaxLength; ++n) late[n] += tail[n];
        }
    }
    Print(" Done!\n");
}

void TResult::AddArtificialTail()
{
    const unsigned long long seed = CurrentTailSeed();
    SetNoiseStart(MinFirstIndex);
    Print("Adding artificial tail at %1.3f sec (%d - %1.2f m) ...", static_cast<double>(noiseStart / FSample),
          static_cast<int>(noiseStart), static_cast<double>(noiseStart / FSample * VSound));

    const int raysK = source ? static_cast<int>(std::lround(source->NumberOfRays / 1000.0)) : 0;
    char name[64];
    std::snprintf(name, sizeof name, "betas-S%d.txt", raysK);
    std::FILE* betas = utilOpenFile(name, "wt");

    const int srcID = source ? source->srcID : 0;
    const int recID = receiver ? receiver->recID : 0;
    const bool haveEarly = IR_Early.size() >= NumChannels;
    const float log10e = 0.4342944819032518f;
    const uint32_t firstLength = MaxFirstIndex < MaxLength ? MaxFirstIndex : MaxLength;

    std::vector<float> noise(MaxLength), first(firstLength), x, y;
    for (uint32_t b = 0; b < NumBands; ++b) {
        // Velvet noise, one impulse of random sign at a random place in every whole block of
        // 200 samples but the last, from this pair's and band's stream.
        {
            std::mt19937_64 gen = TailStream(seed, srcID, recID, b);
            std::fill(noise.begin(), noise.end(), 0.0f);
            const uint32_t td = 200;
            const uint32_t blocks = MaxLength / td;
            for (uint32_t k = 0; k + 1 < blocks; ++k) {
                const auto at = static_cast<uint32_t>(Uniform(gen) * td);
                noise[k * td + at] = (gen() >> 63) ? -1.0f : 1.0f;
            }
        }
        for (uint32_t ch = 0; ch < NumChannels; ++ch) {
            for (uint32_t n = 0; n < firstLength; ++n)
                first[n] = IR[ch][b][n] + (haveEarly ? IR_Early[ch][b][n] : 0.0f);
            char firstName[64];
            std::snprintf(firstName, sizeof firstName, "First-S%d-B%d.txt", raysK, static_cast<int>(b + 1));
            utilSaveFloat(firstName, first.data(), firstLength);
            const float peak = utilGetMax(first.data(), firstLength);
            x.clear();
            y.clear();
            for (uint32_t n = 0; n < firstLength; ++n)
                if (first[n] > peak / 3.16f && first[n] > 0.0f) {
                    x.push_back(static_cast<float>(n));
                    y.push_back(20.0f * std::log10(first[n]));
                }
            if (x.size() <= 4) {
                Print("Error getting first reflection data to generate artificial tail.\nNo tail will be "
                      "generated.\n");
                continue;
            }
            const TPoint3D fit = LinearFitting(x.data(), y.data(), static_cast<unsigned>(x.size()));
            const float m = static_cast<float>(fit.y);
            const float beta = -std::fabs(m / (20.0f * log10e));
            const float A = std::pow(10.0f, static_cast<float>(fit.x) / 20.0f);
            if (betas) std::fprintf(betas, "%f %f\n", static_cast<double>(A), static_cast<double>(beta));
            if (!(beta < 0.0f) || !std::isfinite(A)) continue;  // no decay: no tail

            float* late = IR[ch][b].data();
            for (uint32_t n = noiseStart; n < MaxLength; ++n) {
                const float air = static_cast<float>(std::exp(-AirAbs[b] * n * VSound / FSample));
                const float t = std::exp(static_cast<float>(n) * beta) * std::fabs(noise[n]) * air * A;
                float w = 1.0f;
                if (n < MaxFirstIndex)
                    w = 1.0f - std::exp(-8.0f * static_cast<float>(n - noiseStart) /
                                        static_cast<float>(MaxFirstIndex - noiseStart));
                late[n] += t * w;
            }
        }
    }
    if (betas) std::fclose(betas);
    Print("Done!\n");
}
