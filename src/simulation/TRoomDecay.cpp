// Statistical decay of the room fed to the pair results as arrivals: decaying noise at the
// room's Sabine reverberation time, from each pair's direct-sound sample on.

#include <cmath>
#include <cstdio>
#include <vector>

#include "dsp/AcousticParams.h"
#include "geometry/util.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/RunOpening.h"
#include "simulation/TRay.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"

void TRoom::SimulateDecay()
{
    if (!OpenRun(*this, "DECAY SIMULATION", false)) return;
    ShowCriticalDistance(*this);
    IsRunning.store(true);

    const float log10e = 0.4342944819032518f;
    const float Rho = 1.2041f;
    const unsigned long long seed = TResult::StartTailRun();
    std::vector<float> noise(MaxLength);
    std::vector<float> beta(NumBands, 0.0f), P(NumBands, 0.0f), energy(NumBands, 0.0f);
    TDirection front;
    front.Set(0.0f, 0.0f, 1.0f);
    for (unsigned S = 0; S < NumSources; ++S) {
        TSource* src = source[S].get();
        MeanFreePath = static_cast<float>(4.0 * Volume / Area);
        const float d = DistanceForRayProb(1.0f / static_cast<float>(src->NumberOfRays), receiver[0]->GetRadius());
        std::printf("Max. Effective Raytracing Distance: %1.2f m (%1.2f sec, %d samples)\n", static_cast<double>(d),
                    static_cast<double>(d / VSound), static_cast<int>(std::fmin(d / VSound * FSample, 2147483520.0f)));
        std::printf("Estimated Mean Free Path = %1.2f m\n", static_cast<double>(MeanFreePath));
        for (unsigned b = 0; b < NumBands; ++b) {
            const float t60 = T60.empty() || b >= T60[0].size() ? 0.0f : T60[0][b];
            const float alpha =
                AverageAbsorption.empty() || b >= AverageAbsorption[0].size() ? 0.0f : AverageAbsorption[0][b];
            // beta: the amplitude's decay per sample (60 dB in T60). The records carry energies,
            // which fall twice as fast. A band without a decay time or absorption gets none.
            const bool defined = t60 > 0.0f && std::isfinite(t60) && alpha > 0.0f && Area > 0.0;
            beta[b] = defined ? -std::fabs(3.0f / (log10e * t60 * FSample)) : 0.0f;
            P[b] = defined ? (src->GetPower() * 4.0f * Rho) /
                                 (static_cast<float>(Area) * alpha / (4.0f * static_cast<float>(M_PI)))
                           : 0.0f;
        }
        for (unsigned R = 0; R < NumReceivers; ++R) {
            TResult* pair = R < spcresult.size() && S < spcresult[R].size() ? spcresult[R][S].get() : nullptr;
            if (!pair) {
                std::printf("No result for source %d and receiver %d: create the results first\n", S + 1, R + 1);
                continue;
            }
            const double distance = Module(receiver[R]->Position - src->Position);
            const auto i0 = static_cast<unsigned>(distance / VSound * FSample);
            // One noise stream per pair, apart from the tails' band streams.
            TResult::TailNoise(noise.data(), MaxLength, 0.2f, seed, src->srcID, receiver[R]->recID, 0xFFFFu);
            TRay ray(NumBands);
            for (unsigned n = i0; n < MaxLength; ++n) {
                for (unsigned b = 0; b < NumBands; ++b)
                    energy[b] =
                        std::fabs(noise[n]) * std::exp(2.0f * static_cast<float>(n) * beta[b]) * P[b] * 0.00002f;
                ray.Set(n, energy.data(), front, 1, 1.0f, front);
                ray.SetId(0);
                pair->InsertRay(&ray);
            }
        }
    }
    // The flag drops again: nothing waits on a decay that is already complete.
    IsRunning.store(false);
}
