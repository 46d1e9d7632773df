// Creation and clearing of the pair results of a room.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "dsp/AcousticParams.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "simulation/ParallelFor.h"
#include "simulation/TResult.h"
#include "simulation/TResultParam.h"
#include "simulation/TRoom.h"

namespace {

// Highest reflection order clustered for a pair when the setting is automatic: the number of
// mean free paths a ray travels while the receiver sphere still meets one ray in N on average.
int AutomaticClusterOrder(float reliableDistance, float meanFreePath)
{
    const double q = static_cast<double>(reliableDistance) / meanFreePath;
    if (!std::isfinite(q) || q < 0.0) return 0;
    if (q >= INT_MAX) return INT_MAX;
    return static_cast<int>(q);
}

}  // namespace

void TRoom::CheckRoom()
{
    std::printf("Starting room check ... ");
    float farthest = 0.0f;
    unsigned farS = 0, farR = 0;
    for (unsigned S = 0; S < NumSources; ++S)
        for (unsigned R = 0; R < NumReceivers; ++R) {
            const float d = static_cast<float>(Module(receiver[R]->Position - source[S]->Position));
            if (d > farthest) {
                farthest = d;
                farS = S;
                farR = R;
            }
        }
    if (farthest > GetMaxTime() * VSound) {
        std::printf("Propagation time between Source[%d]-Receiver[%d] greater than IR length "
                    "(%1.2f m <=> %1.2f sec)!\n",
                    farS + 1, farR + 1, farthest, farthest / VSound);
        SetMaxTime((farthest + 1.0f) / VSound);
        MaxLength = static_cast<unsigned int>(GetMaxTime() * FSample);
        std::printf("Increasing simulation time: -> MAX_TIME = %1.2f (%d samples)\n", GetMaxTime(), MaxLength);
    }
    std::printf("Done!\n");
}

void TRoom::CreateResults()
{
    // Results of an earlier creation are released first (their files closed).
    ClearResults();

    CheckRoom();
    if (RoomConstant.size() < NumBands) RoomConstant.resize(NumBands, 0.0f);
    if (AirAbs.size() < NumBands) AirAbs.resize(NumBands, 0.0);
    CalculateAbsorptionArea();
    CalcRoomConstant(RoomConstant.data());

    TResultParam params(NumBands, ClusterOrderGlobal, VSound, FSample, RoomConstant.data(), BaseSize, MaxLength,
                        AirAbs.data(), ArtificialTailFlag);

    spcresult.clear();
    spcresult.resize(NumReceivers);
    for (auto& row : spcresult) row.resize(NumSources);

    std::printf("Estimating Mean Free Path ... ");
    MeanFreePath = MFP_Estimation();
    std::printf("Done!\n");
    std::printf("MeanFreePath = %1.2f\n", MeanFreePath);

    // Each pair's clustering order, then the pairs themselves side by side: allocating and
    // clearing their responses (a row per channel and band) is most of the creation. They are
    // listed and their files opened in order afterwards.
    const unsigned count = NumReceivers * NumSources;
    std::vector<int> orders(count, ClusterOrderGlobal);
    std::vector<float> reach(count, 0.0f);
    for (unsigned k = 0; k < count; ++k) {
        const TSource* src = source[k % NumSources].get();
        const TReceiver* rec = receiver[k / NumSources].get();
        if (ClusterOrderGlobal < 0) {
            reach[k] = DistanceForRayProb(static_cast<float>(1.0 / src->NumberOfRays), static_cast<float>(rec->Radius));
            orders[k] = AutomaticClusterOrder(reach[k], MeanFreePath);
        }
    }
    // A receiver's pairs are built by one thread: a pair writes its receiver's factor.
    std::vector<RoomPtr<TResult>> made(count);
    ParallelFor(NumReceivers, std::max(1u, TracerThreadCount()), [&](std::size_t R) {
        TResultParam own = params;
        for (unsigned S = 0; S < NumSources; ++S) {
            const std::size_t k = R * NumSources + S;
            own.FirstROrder = orders[k];
            made[k] = RoomPtr<TResult>(new TResult(&own, receiver[R].get(), source[S].get()));
        }
    });

    const std::string rayPrefix = ResultFile("RAYS");
    const std::string hitPrefix = ResultFile("HITS");
    for (unsigned R = 0; R < NumReceivers; ++R)
        for (unsigned S = 0; S < NumSources; ++S) {
            const unsigned k = R * NumSources + S;
            TSource* src = source[S].get();
            if (ClusterOrderGlobal < 0) {
                const float d = reach[k];
                std::printf("Max. Effective Raytracing Distance for src[%d]-rec[%d] is %1.2f m "
                            "(%1.2f sec, %d samples)\n",
                            S + 1, R + 1, d, d / VSound,
                            static_cast<int>(std::fmin(d / VSound * FSample, 2147483520.0f)));
            }
            std::printf("Setting S[%.3d]-R[%.3d] maximum reflection order for clustering to %d\n", S + 1, R + 1,
                        orders[k]);

            spcresult[R][S] = std::move(made[k]);
            TResult* pair = spcresult[R][S].get();
            pair->SetNumRays(src->NumberOfRays);
            pair->ArrivalMemoryShare = NumSources * NumReceivers;
            if (HitFilesFlag) pair->CreateHitFile(static_cast<int>(S), static_cast<int>(R), hitPrefix.c_str());
            pair->CreateRayFile(static_cast<int>(S), static_cast<int>(R), rayPrefix.c_str());
        }

    ResultsCreated = true;
    ResultSrc = NumSources;
    ResultRec = NumReceivers;
}

void TRoom::CreateResultsForRaysFiles()
{
    ClearResults();
    if (RoomConstant.size() < NumBands) RoomConstant.resize(NumBands, 0.0f);
    if (AirAbs.size() < NumBands) AirAbs.resize(NumBands, 0.0);

    TResultParam params(NumBands, ClusterOrderGlobal, VSound, FSample, RoomConstant.data(), BaseSize, MaxLength,
                        AirAbs.data(), ArtificialTailFlag);
    spcresult.clear();
    spcresult.resize(NumReceivers);
    for (auto& row : spcresult) row.resize(NumSources);

    const std::string hitPrefix = ResultFile("HITS");
    for (unsigned R = 0; R < NumReceivers; ++R)
        for (unsigned S = 0; S < NumSources; ++S) {
            TSource* src = source[S].get();
            // The setting unchanged: a negative order, taken as unsigned, makes every stored
            // arrival early.
            params.FirstROrder = ClusterOrderGlobal;
            spcresult[R][S] = RoomPtr<TResult>(new TResult(&params, receiver[R].get(), src));
            TResult* pair = spcresult[R][S].get();
            pair->SetNumRays(src->NumberOfRays);
            if (src->LayerID >= 0 && static_cast<unsigned>(src->LayerID) < sourceLayer.size()) {
                const TSourceLayer* layer = sourceLayer[static_cast<std::size_t>(src->LayerID)].get();
                if (layer && layer->spectrum.size() >= NumBands) pair->SetLayerSpectrum(layer->spectrum.data());
            }
            if (HitFilesFlag) pair->CreateHitFile(static_cast<int>(S), static_cast<int>(R), hitPrefix.c_str());
        }

    ResultsCreated = true;
    // Recorded so that clearing and saving see the dimensions these results have.
    ResultSrc = NumSources;
    ResultRec = NumReceivers;
}

void TRoom::ClearResults()
{
    // spcresult carries its own dimensions: sources or receivers added or deleted since the
    // creation do not change what is released.
    ReleaseResults();
}

bool TRoom::HasPairResults() const
{
    if (!ResultsCreated || spcresult.size() < NumReceivers) return false;
    for (unsigned R = 0; R < NumReceivers; ++R) {
        if (spcresult[R].size() < NumSources) return false;
        for (unsigned S = 0; S < NumSources; ++S)
            if (!spcresult[R][S]) return false;
    }
    return true;
}
