// A simulation run on a thread of its own: the ray tracing, then the responses of every pair,
// with a running flag and a percentage that other threads read. Also the responses rebuilt
// from stored ray files.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "geometry/HeldOutput.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "simulation/OrderedSteps.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"

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
        Print("No results were created: no responses calculated.\n");
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
    const unsigned count = NumReceivers * NumSources;
    const float pairs = static_cast<float>(count);
    const unsigned threads = std::max(1u, TracerThreadCount());
    const unsigned side = std::min(threads, count);  // pairs worked on at once
    auto pairAt = [&](unsigned k) -> TResult& { return *spcresult[k % NumReceivers][k / NumReceivers]; };

    // The pair steps append to the ray and hit files and close the early ones: a pair that ran
    // past the end of the run, or was stopped part way, is put back as the tracing left it (but
    // for the early records the clustering read back from its scratch file: that file is gone).
    struct PairFiles {
        TPairFile::Mark rays, early, hits, earlyHits;
        uint64_t records = 0;
    };
    std::vector<PairFiles> marks(count);
    for (unsigned k = 0; k < count; ++k) {
        TResult& pair = pairAt(k);
        marks[k] = {pair.RayFile.Remember(), pair.EarlyRayFile.Remember(), pair.HitFile.Remember(),
                    pair.EarlyHitFile.Remember(), pair.EarlyArrivals.Count()};
    }
    auto stopAsked = [this] { return !IsRunning.load() || run.StopRequested(); };
    auto putBack = [&](unsigned k) {
        TResult& pair = pairAt(k);
        pair.RayFile.Restore(marks[k].rays);
        pair.EarlyRayFile.Restore(marks[k].early);
        pair.HitFile.Restore(marks[k].hits);
        pair.EarlyHitFile.Restore(marks[k].earlyHits);
        pair.EarlyArrivals.Truncate(marks[k].records);
    };
    // Pairs whose step a stop request ended part way (each written by its own step only).
    std::vector<char> stoppedInside(count, 0);

    // Pair steps running: the cores are shared among them, so a pair left alone takes them all.
    std::atomic<unsigned> running{0};
    auto share = [&running, threads] { return std::max(1u, threads / std::max(1u, running.load())); };

    OrderedSteps steps;
    steps.step = [&](unsigned k) {
        TResult& pair = pairAt(k);
        Print("\n=========== Processing SRC [%.2d] - REC [%.2d] =============\n", k / NumReceivers + 1,
              k % NumReceivers + 1);
        struct Running {
            std::atomic<unsigned>& n;
            explicit Running(std::atomic<unsigned>& c) : n(c) { ++n; }
            ~Running() { --n; }
        } counted(running);
        // The clustering's memory is shared among all pairs side by side.
        pair.ThreadShare = share;
        const uint64_t memory = pair.ClusterMemoryBytes;
        pair.ClusterMemoryBytes = std::max<uint64_t>(memory / side, 1);
        pair.StopProbe = stopAsked;
        // The scratch file the clustering dropped is gone when the step ends, however it ends.
        struct Settled {
            EarlyArrivalStore& store;
            ~Settled() { store.Settle(); }
        } settled{pair.EarlyArrivals};
        try {
            pair.ProcessDirectSound(static_cast<int>(NumPlaneLayers));
            Print("\rClustering early reflections up order %d:\n", static_cast<int>(pair.ClusterOrder));
            pair.Cluster();
            Print(" Done!\n");
            Print("Calculating impulse response:\n");
            pair.GetImpulseResponses();
        } catch (const PairStepStopped&) {
            putBack(k);
            stoppedInside[k] = 1;
        } catch (...) {
            pair.ClusterMemoryBytes = memory;
            pair.StopProbe = nullptr;
            pair.ThreadShare = nullptr;
            throw;
        }
        pair.ClusterMemoryBytes = memory;
        pair.StopProbe = nullptr;
        pair.ThreadShare = nullptr;
    };
    bool told = false;
    steps.commit = [&](unsigned k) {
        const float pct = static_cast<float>(k + 1) / pairs * 50.0f + 50.0f;
        if (stoppedInside[k]) {
            ErrorMessage("Interrupted by the user! Results not calculated!!");
            told = true;
            return false;
        }
        PercentageStatus.store(pct);
        if (run.PairCommitted) run.PairCommitted(k);
        if (stopAsked() && pct < 100.0f) {
            ErrorMessage("Interrupted by the user! Results not calculated!!");
            told = true;
            return false;
        }
        // The clustering is done with the pair's records.
        pairAt(k).EarlyArrivals.Clear();
        return true;
    };
    steps.stopStarting = stopAsked;
    steps.undo = putBack;
    // A stop that came between a pair's end and the next pair's start is told here.
    if (steps.Run(count, side) < count && !told) ErrorMessage("Interrupted by the user! Results not calculated!!");
    IsRunning.store(false);
}

void TRoom::CalculateResponsesFromRayFiles()
{
    if (NumSources > 0 && NumReceivers > 0 && !HasPairResults()) {
        Print("No results were created: no responses calculated.\n");
        return;
    }
    if (ArtificialTailFlag) TResult::StartTailRun();
    const std::string prefix = ProjectFile("RAYS");
    const unsigned count = NumReceivers * NumSources;
    const unsigned threads = std::max(1u, TracerThreadCount());
    const unsigned side = std::min(threads, count);  // pairs worked on at once
    // The cores are shared among the steps running.
    std::atomic<unsigned> running{0};
    OrderedSteps steps;
    steps.step = [&](unsigned k) {
        const unsigned s = k / NumReceivers, r = k % NumReceivers;
        Print("=========== Processing SRC [%.2d] - REC [%.2d] =============\n", s + 1, r + 1);
        char tail[32];
        std::snprintf(tail, sizeof tail, "-S%.3d-R%.3d.txt", s + 1, r + 1);
        TResult& pair = *spcresult[r][s];
        ++running;
        pair.ThreadShare = [&running, threads] { return std::max(1u, threads / std::max(1u, running.load())); };
        Print("Calculating impulse responses: \n");
        try {
            pair.GetImpulseResponsesfromRAYS((prefix + tail).c_str());
        } catch (...) {
            pair.ThreadShare = nullptr;
            --running;
            throw;
        }
        pair.ThreadShare = nullptr;
        --running;
        Print("Calculating acoustic parameters ... ");
        pair.GetMonoParams();
        Print(" Done!\n");
    };
    steps.Run(count, side);
}
