// A simulation run on a thread of its own: the ray tracing, then the responses of every pair,
// with a running flag and a percentage that other threads read. Also the responses rebuilt
// from stored ray files.

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/TRoom.h"
#include "simulation/TResult.h"

void TRoom::StartSimulation()
{
    if (thread.joinable()) {
        if (ThreadActive.load()) {
            ErrorMessage("A simulation is already running.");
            return;
        }
        JoinSimulation();  // the last run has ended
    }
    // Learnt now rather than when the results of a long run are saved.
    if (AuralizationFlag && !CheckAuralizationInputs()) SorviExitProcess(1, "A sound file cannot be auralized");

    MarkPlaneHitsBeforeRun();
    StopRequested.store(false);
    ThreadExit = nullptr;
    IsRunning.store(true);
    ThreadActive.store(true);
    try {
        thread = std::thread(&TRoom::staticEntryPoint, static_cast<void*>(this));
    } catch (const std::exception& e) {
        ThreadActive.store(false);
        IsRunning.store(false);
        ErrorMessage("The simulation thread could not be started: %s", e.what());
    }
}

void* TRoom::staticEntryPoint(void* c)
{
    TRoom& room = *static_cast<TRoom*>(c);
    try {
        if (!room.StopRequested.load()) room.Simulate();
        room.CalculateResponses();
    } catch (...) {
        // A fatal exit belongs to the thread that joins this one.
        room.ThreadExit = std::current_exception();
        room.IsRunning.store(false);
    }
    room.ThreadActive.store(false);
    return nullptr;
}

void TRoom::StopSimulation()
{
    if (thread.joinable()) {
        StopRequested.store(true);
        // The tracer sets the flag again when it starts: keep it cleared until the thread has
        // ended, so that a stop that comes before the first ray is not lost.
        while (ThreadActive.load()) {
            IsRunning.store(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    IsRunning.store(false);
    StopRequested.store(false);  // no thread works any more: the request is spent
    JoinSimulation();            // also when the caller joined `thread` itself
}

void TRoom::JoinSimulation()
{
    if (thread.joinable()) thread.join();
    if (ThreadExit) {
        const std::exception_ptr e = ThreadExit;
        ThreadExit = nullptr;
        std::rethrow_exception(e);
    }
}

bool TRoom::SimulationIdle(const char* operation)
{
    if (thread.joinable() && IsRunning.load()) {
        ErrorMessage("%s while the simulation runs.", operation);
        return false;
    }
    JoinSimulation();  // ended, or ending its last step
    return true;
}

void TRoom::CalculateResponses()
{
    if (NumSources > 0 && NumReceivers > 0 && !HasPairResults()) {
        std::printf("No results were created: no responses calculated.\n");
        IsRunning.store(false);
        return;
    }
    if (StopRequested.load()) {
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
            if ((!IsRunning.load() || StopRequested.load()) && pct < 100.0f) {
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
