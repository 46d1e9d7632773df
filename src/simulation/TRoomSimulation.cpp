// A simulation run on a thread of its own: the ray tracing, then the responses of every pair,
// with a running flag and a percentage that other threads read. Also the responses rebuilt
// from stored ray files.

#include <cstdio>
#include <string>

#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/TRoom.h"
#include "simulation/TResult.h"

bool TRoom::StartSimulation()
{
    if (run.Active()) {
        ErrorMessage("A simulation is already running.");
        return false;
    }
    run.Wait();  // the last run has ended
    // Learnt now rather than when the results of a long run are saved.
    if (AuralizationFlag && !CheckAuralizationInputs())
        throw SorviExit(1, "A sound file cannot be auralized");  // the reason was shown

    MarkPlaneHitsBeforeRun();
    PrepareRun();
    return run.Start([this] { staticEntryPoint(this); });
}

void* TRoom::staticEntryPoint(void* c)
{
    TRoom& room = *static_cast<TRoom*>(c);
    if (!room.run.StopRequested()) room.TraceRays();
    room.CalculateResponses();
    return nullptr;
}

void TRoom::StopSimulation()
{
    run.Stop();  // also when the caller waited for the run itself
}

bool TRoom::SimulationIdle(const char* operation)
{
    if (run.Active() && IsRunning.load()) {
        ErrorMessage("%s while the simulation runs.", operation);
        return false;
    }
    run.Wait();  // ended, or ending its last step
    return true;
}

void TRoom::CalculateResponses()
{
    if (NumSources > 0 && NumReceivers > 0 && !HasPairResults()) {
        std::printf("No results were created: no responses calculated.\n");
        IsRunning.store(false);
        return;
    }
    if (run.StopRequested()) {
        if (NumSources > 0 && NumReceivers > 0) ErrorMessage("Interrupted by the user! Results not calculated!!");
        IsRunning.store(false);
        return;
    }
    IsRunning.store(true);
    PercentageStatus.store(50.0f);
    if (ArtificialTailFlag) TResult::StartTailRun();  // one noise seed per run
    const float pairs = static_cast<float>(NumReceivers) * static_cast<float>(NumSources);
    bool interrupted = false;
    for (unsigned s = 0; s < NumSources && !interrupted; ++s)
        for (unsigned r = 0; r < NumReceivers; ++r) {
            TResult& pair = *spcresult[r][s];
            std::printf("\n=========== Processing SRC [%.2d] - REC [%.2d] =============\n", s + 1, r + 1);
            pair.ProcessDirectSound(static_cast<int>(NumPlaneLayers));
            pair.ClusterThreads = TracerThreadCount();
            std::printf("\rClustering early reflections up order %d:\n", static_cast<int>(pair.ClusterOrder));
            pair.Cluster();
            std::printf(" Done!\n");
            std::printf("Calculating impulse response:\n");
            pair.GetImpulseResponses();
            const float pct = static_cast<float>(r + s * NumReceivers + 1) / pairs * 50.0f + 50.0f;
            PercentageStatus.store(pct);
            if ((!IsRunning.load() || run.StopRequested()) && pct < 100.0f) {
                ErrorMessage("Interrupted by the user! Results not calculated!!");
                interrupted = true;
                break;
            }
        }
    IsRunning.store(false);
}

void TRoom::CalculateResponsesFromRayFiles()
{
    if (NumSources > 0 && NumReceivers > 0 && !HasPairResults()) {
        std::printf("No results were created: no responses calculated.\n");
        return;
    }
    if (ArtificialTailFlag) TResult::StartTailRun();
    const std::string prefix = ProjectFile("RAYS");
    for (unsigned s = 0; s < NumSources; ++s)
        for (unsigned r = 0; r < NumReceivers; ++r) {
            std::printf("=========== Processing SRC [%.2d] - REC [%.2d] =============\n", s + 1, r + 1);
            char tail[32];
            std::snprintf(tail, sizeof tail, "-S%.3d-R%.3d.txt", s + 1, r + 1);
            TResult& pair = *spcresult[r][s];
            std::printf("Calculating impulse responses: \n");
            pair.GetImpulseResponsesfromRAYS((prefix + tail).c_str());
            std::printf("Calculating acoustic parameters ... ");
            pair.GetMonoParams();
            std::printf(" Done!\n");
        }
}
