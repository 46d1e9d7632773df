#pragma once
// The room the programs hold: the room model (room/TRoomModel.h) with the simulation on top.
// The model keeps the geometry, the elements, the settings, the metrics and the project file;
// this class adds what a run owns and writes: the run itself (thread, stop request, tracer
// settings), the folder's run lock and the staged result set, the results per source-receiver
// pair, the lost rays, the tracer, the responses, the result files and the auralization.
// Its destructor stops a run still going before anything is freed, and LiberaMemoria empties
// the results before the model's collections.
//
// Each group of operations is implemented in its own source file; the blocks below say which.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "geometry/StagedFiles.h"
#include "room/LoadProject.h"
#include "room/TRoomModel.h"
#include "simulation/RunLock.h"
#include "simulation/TSimulationRun.h"

class TResult;
class TRay;
struct Raio_st;
struct TVector;

class TRoom : public TRoomModel {
public:
    // =========================================================================================
    // Run state, pair results and lost rays
    // =========================================================================================
    unsigned int BaseSize = 2047;  // base length of the pair results, samples
    unsigned int ResultRec = 0, ResultSrc = 0;
    std::atomic<bool> IsRunning{false};         // simulation running flag (read by the interface)
    std::atomic<float> PercentageStatus{0.0f};  // simulation progress, 0..100
    unsigned int NumLostRays = 0;
    std::vector<RoomPtr<Raio_st>> lostRays;
    bool LostRaysCreated = false;
    int MaxLostRaysRef = 0;
    std::string LostFileName;

    // spcresult[R][S]: result of receiver R and source S (ResultRec rows of ResultSrc).
    std::vector<std::vector<RoomPtr<TResult>>> spcresult;
    std::vector<RoomPtr<TResult>> difresult;  // never used by the simulation
    std::vector<RoomPtr<TResult>> imgresult;  // never used by the simulation

    // The simulation run: its thread, stop request and tracer settings (run.TracerThreads,
    // run.TracerAcceleration). Declared after IsRunning, which it polls.
    TSimulationRun run{IsRunning};

    // =========================================================================================
    // Construction and release (TRoom.cpp)
    // =========================================================================================
    TRoom() = default;
    // Stops a run still going, then frees the results and the lost rays; the model's
    // destructor prints the listing.
    ~TRoom() override;
    // Frees the results, then the model's collections.
    void LiberaMemoria() override;

    // =========================================================================================
    // Ray tracer, simulation run and progress, mean free path
    // =========================================================================================
    // Tracer (TRoomTracer.cpp). Simulate traces every source's rays and hands
    // the arrivals to the pair results (CreateResults first): PrepareRun, then the tracing.
    // The tracing may run on the simulation thread: it sets IsRunning, publishes
    // PercentageStatus after every ray and ends after the current ray once IsRunning is
    // cleared. Rays are traced on TracerThreadCount() threads and committed in ray order, so
    // outputs do not depend on the thread count or on the other tracer paths of `run`.
    //
    // What a run writes while it goes (a view that draws during a run reads these as they
    // change): IsRunning, PercentageStatus, NumRays, MeanFreePath, each plane's `hits`, the
    // lost-ray list (filled when the run ends), the pair results and their files. Everything
    // else it changes, PrepareRun changes first on the caller's thread.
    void Simulate();
    // The resets of a run, on the caller's thread before the run starts (StartSimulation and
    // Simulate call it): the lost-ray list emptied, every source's ray count brought to its grid
    // count, and with the artificial tail an unlimited reflection count limited to 6. Nothing
    // changes when the run would be refused (no results created, no sources or receivers).
    void PrepareRun();
    unsigned int TracerThreadCount() const;
    // Weight in (0, 1] of receiver R for the ray's forward line; -1 or NaN when it misses.
    double RayTracingReception(const Raio_st& y, int S, int R);
    // 1 when no plane lies between p and recpos. From a reflection point pass its plane as
    // skipPlane, so that the plane itself cannot block the path by rounding.
    int CheckVisibility(TPoint3D p, TPoint3D recpos);
    int CheckVisibility(TPoint3D p, TPoint3D recpos, int skipPlane);
    // The arrival record of a ray as it stands: index dist / VSound * FSample (truncated),
    // direction of -v in radians (radius 1) and the band energies.
    void ConvertRays(const Raio_st& in, TRay& out);
    // With ModalFlag only: per source, receiver and plane one ray from the source against the
    // plane's normal, weighted by the room constants of the low bands, moved at its first
    // reflection to the receiver's projection onto that plane; late arrivals are inserted.
    void SimulateModes();

    // Mean free path in metres from a receiver-less trace of 1002 rays from the room centre
    // (TRoomMeanFreePath.cpp). Leaves NumRays and IsRunning alone; 4 V / S when
    // no ray reflects (0 when that is not defined either).
    float MFP_Estimation();
    // MeanFreePath, estimated and stored first when the room has none (0 or not finite).
    float EnsureMeanFreePath();

    // Run and progress (TRoomSimulation.cpp). StartSimulation runs PrepareRun,
    // then Simulate's tracing and CalculateResponses on the run's thread, and returns at once;
    // PercentageStatus runs 0-50 over the rays and 50-100 over the pairs. A run still going is
    // not replaced (message); a thread that cannot start leaves IsRunning cleared. With
    // auralization on, a source's sound file that cannot be auralized ends the process
    // (status 1) before the run starts. True when the run's thread was started.
    bool StartSimulation();
    // True while a run's thread works (from StartSimulation until its body has returned).
    bool SimulationActive() const { return run.Active(); }
    // Waits for the run to end by itself; a fatal exit raised on its thread (SorviExit) is
    // thrown again here, on the caller's thread.
    void WaitForSimulation() { run.Wait(); }
    // Asks the run to end (the tracing after the current ray, the responses after the current
    // pair) and returns at once; StopSimulation or WaitForSimulation then waits for it.
    void RequestSimulationStop() { run.RequestStop(); }
    // Asks the run to end, waits for the thread and clears IsRunning. A fatal exit raised on
    // the thread (SorviExit) is thrown again here, on the caller's thread.
    void StopSimulation();
    // The thread's body after PrepareRun: the tracing, then CalculateResponses, on the room c.
    static void* staticEntryPoint(void* c);
    // Direct sound, clustering and synthesis of every pair, sources outer. Sets IsRunning;
    // a cleared flag (or a stop) before the last pair ends it with a message; clears the flag.
    void CalculateResponses();
    // Responses and parameters of every pair from its stored "RAYS-S%.3d-R%.3d.txt".
    void CalculateResponsesFromRayFiles();
    // Records every plane's hit counter, so that the plane report counts the reflections of
    // the run that follows. The thread body and RunFile call it before Simulate; a caller that
    // runs Simulate itself calls it first.
    void MarkPlaneHitsBeforeRun();

private:
    std::vector<unsigned int> PlaneHitsBeforeRun;
    bool TailLimitNotice = false;  // PrepareRun limited the reflections: the tracing says so
    // The tracing of Simulate, without PrepareRun.
    void TraceRays();
    // True when no simulation thread is working; waits for one that has finished.
    bool SimulationIdle(const char* operation);

public:
    // =========================================================================================
    // Ray directions and reflection at planes (TRoomRays.cpp)
    // =========================================================================================
    // Writes the 10 n^2 + 2 grid directions for the count (n = floor(sqrt((N - 2) / 10)), at
    // least 1: counts under 12 give the twelve vertices); RaysDir must hold that many
    // (RayDirectionCount in geometry/RayDirections.h). Reads no room state.
    void CreateRaysDirections(double NumberOfRays, TVector* RaysDir);
    // Writes NumRays directions as "%d %1.3f %1.3f %1.3f\n" lines, numbered from 1.
    void GravaRaios(const char* arquivo, const TVector* RaysDir);
    // Moves the ray to p on plane P, reflects it and takes the plane material's absorption (and
    // with DiffuseProcessing its scattered share, written to scattEnergy) off its bands.
    // Returns 1. A plane without a valid layer or material reflects without loss.
    double PlaneInteraction(int P, Raio_st& ray, TPoint3D p, float* scattEnergy);
    // The same with the absorption averaged over the ray's reflections, always scattering.
    double PlaneInteractionACC(int P, Raio_st& ray, TPoint3D p, float* scattEnergy);
    // Reflection with absorption only; the new direction is normalised.
    void PlaneInteraction(int P, Raio_st& ray, TPoint3D p);

    // =========================================================================================
    // Lost rays (TRoomLostRays.cpp)
    // =========================================================================================
    // Reads "LostRays.txt" of the project folder into a new list. Lines are checked: the list
    // ends before the first malformed line, which is reported.
    void LoadLostRaysTxt();
    // Replaces the list by NLost empty records.
    void CreateLostRays(unsigned int NLost);
    // Frees the list; harmless without one.
    void DeleteLostRays();
    void WriteLostRays(const char* FileName);  // does nothing
    void AddLostRay(const Raio_st& ray);       // does nothing

    // =========================================================================================
    // Pair results: creation, clearing, saving, reloading, auralization
    // =========================================================================================
    // Creation and clearing (TRoomResults.cpp).
    // Lengthens the response (MaxLength) when the farthest pair lies beyond it.
    void CheckRoom();
    // Clears existing results, checks the room, estimates the mean free path and creates one
    // result per receiver and source with new, empty ray files (and hit files with HIT_FILES).
    void CreateResults();
    // Results for responses rebuilt from stored ray files: no room check, no mean-free-path
    // estimate, no ray files; every stored arrival counts as early for a negative cluster order.
    void CreateResultsForRaysFiles();
    // Frees every result (closing its files), walking the dimensions they were created with.
    void ClearResults();
    // True when a result exists for every current source-receiver pair.
    bool HasPairResults() const;

    // Saving, reloading and cleaning (TRoomSaveResults.cpp).
    // Response and parameter files of every pair; with AuralizationFlag the WAV files too.
    // Refused (message) while a simulation thread works.
    void SaveResults();
    // Results created again without touching stored ray and hit files, then every pair's
    // response file read and its parameters computed. -1 (message) without sources or receivers.
    int LoadResults();
    // Pair results for reading stored responses: the room check and the mean-free-path
    // estimate as CreateResults, but no ray or hit file is created, so stored ones survive.
    void CreateResultsForReading();
    // Every pair's "S%.3d-R%.3d.txt" into its globalIR (results created for reading first when
    // none exist); no parameters.
    void ReadResultFromFiles();
    // True when "S%.3d-R%.3d.txt" exists for every pair (false without sources or receivers).
    bool CheckSavedResults();
    // Delete the old result files of the project folder that match the fixed name patterns
    // (regular files only, no shell), printing each pattern.
    void CleanResultFiles();
    void CleanRayFiles();
    void CleanHitFiles();
    // Prints how many planes no ray of the last run reflected from and lists them in
    // "report.txt" of the project folder.
    void ListDeathPlanes();
    void ShowResults();
    // Loads the project file (the run chain of LoadProject), simulates on the calling thread
    // and saves the results.
    void RunFile(const char* Filename);

    // Result sets (TRoomResultSet.cpp). A run, a rebuild from ray files or a new
    // auralization writes its files as one set: under temporary names in the project folder,
    // all put in place by CommitResultSet, so that a run that cannot finish leaves the folder's
    // earlier files as they were. The folder's run lock is held from BeginResultSet to the
    // commit or the discard.
    // The lock of the project folder; BeginResultSet takes it unless the room holds it already.
    std::unique_ptr<RunLock> runLock;
    // Opens the set (a set still open is discarded first). With replacesRun, the commit also
    // removes the earlier run's files that the new one did not write, as a clean-up before the
    // run did. Another run in the folder: message and SorviExit(1).
    void BeginResultSet(bool replacesRun);
    bool ResultSetOpen() const { return staged_ != nullptr; }
    // Where the result file `name` of the project folder is written: its temporary while a set
    // is open, else the file itself.
    std::string ResultFile(const std::string& name) const;
    // Puts the set in place and frees the lock. A file that could not be written or put in
    // place: the message names it and why, the temporaries go, the earlier files stay byte for
    // byte, and SorviExit(1) is thrown. Without an open set, nothing happens.
    void CommitResultSet();
    // Drops the set's temporaries and frees the lock; harmless without a set.
    void DiscardResultSet();

    // WAV responses and auralization (TRoomAuralization.cpp).
    // Every source's sound file convolved with every pair's response ("S%.3d-R%.3d.wav", each
    // normalised to peak 1) and one mix per receiver ("SALL-R%.3d.wav", relative levels kept).
    // A sound file that cannot be auralized ends the process (status 1) before any file is
    // written; a pair file that could not be written is left out of the mix.
    void Auralization();
    // Every pair's response as "S%.3d-R%.3d-IR.wav", all scaled by one gain so that the
    // loudest pair peaks at 1. Silent responses are written as silence.
    void SaveImpRespWAV();
    // True when every source's sound file can be auralized: a readable, compatible, mono WAV
    // file of finite samples (a source without one, "NONE", takes a unit impulse). Otherwise
    // shows the reason ("File %s has %d channels. ...") and returns false.
    bool CheckAuralizationInputs();
    // Statistical decay (TRoomDecay.cpp): decaying noise at the Sabine time of
    // every band inserted into each pair from its direct-sound sample on. Results must exist.
    void SimulateDecay();

private:
    std::unique_ptr<StagedFiles> staged_;
    bool replacesRun_ = false;
    // Frees the pair results (what clearing the results does).
    void ReleaseResults();
};

// The programs load this room (LoadProject in room/LoadProject.h reads the chain).
using ProjectLoad = BasicProjectLoad<TRoom>;
using ProjectLoadSteps = BasicProjectLoadSteps<TRoom>;
inline ProjectLoad LoadProject(const std::string& path, ProjectChain chain, const ProjectLoadSteps& steps = {})
{
    return LoadProjectAs<TRoom>(path, chain, steps);
}
