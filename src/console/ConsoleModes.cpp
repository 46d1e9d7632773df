#include "console/ConsoleModes.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "console/ProcessingTime.h"
#include "dsp/Transform.h"
#include "geometry/ErrorHandler.h"
#include "geometry/StagedFiles.h"
#include "geometry/util.h"
#include "room/ConvertDXF.h"
#include "room/LoadProject.h"
#include "simulation/RunChecks.h"
#include "simulation/RunLock.h"
#include "simulation/TRoom.h"

namespace {

// The one room of the process; the viewer reads it and may delete it.
std::unique_ptr<TRoom> sala;

using Clock = std::chrono::steady_clock;

// A stop by a signal: the run ends as a stopped run and nothing is put in place.
volatile std::sig_atomic_t stopSignal = 0;
std::atomic<TSimulationRun*> signalledRun{nullptr};

extern "C" void OnStopSignal(int sig)
{
    stopSignal = sig;
    // Two lock-free stores; a second signal ends the process at once.
    if (TSimulationRun* run = signalledRun.load()) run->RequestStop();
    std::signal(sig, SIG_DFL);
}

void CatchStopSignals()
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, OnStopSignal);
}

// The status of a stopped run: nothing of it was put in place.
int StoppedBySignal()
{
    if (sala) sala->DiscardResultSet();
    std::printf("\nStopped by signal %d: no results were changed.\n", static_cast<int>(stopSignal));
    std::fflush(stdout);
    return 128 + static_cast<int>(stopSignal);
}

// The folder a path lies in, "" for the working directory.
std::string FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

// The result set in place; a stop by a signal drops it instead.
int Commit()
{
    if (stopSignal) return StoppedBySignal();
    sala->CommitResultSet();
    return 0;
}

void PrintUsage()
{
    std::printf("USAGE: Sorvi [option] ConfigFile.txt\n");
    std::printf("To RUN the simulation:\n");
    std::printf("       Sorvi ConfigFile.txt\n");
    std::printf("\n");
    std::printf("To view the model:\n");
    std::printf("       Sorvi [-view] ConfigFile.txt\n");
    std::printf("\n");
    std::printf("To extract planes from DXF files to TXT files:\n");
    std::printf("       Sorvi [-dxf2txt] DXFfile [TXTfile].txt\n");
    std::printf("\n");
    std::printf("To get impulse responses from simulated geometry:\n");
    std::printf("       Sorvi [-rayfiles] TXTfile.txt\n");
    std::printf("\n");
    std::printf("To auralize using previous simulation:\n");
    std::printf("       Sorvi [-auralize] TXTfile.txt\n");
    std::printf("\n");
}

// The summary report, with the mean free path estimated when the room has none yet.
void ShowSummary(TRoom& room)
{
    room.ShowInfo(room.EnsureMeanFreePath());
}

// Loads the project into `sala`; false (with the failure's status in `status`) when it cannot.
bool Load(const std::string& arquivo, ProjectChain chain, int& status, const ProjectLoadSteps& steps = {})
{
    ProjectLoad load = LoadProject(arquivo, chain, steps);
    if (!load) {
        status = load.status;
        return false;
    }
    sala = std::move(load.room);
    return true;
}

// The whole project with the console's listing, the room's figures and the information report
// "SIM-INFO.txt" (in the working directory).
bool FullChain(const std::string& arquivo, ProjectChain chain, int& status)
{
    ProjectLoadSteps steps;
    steps.afterMaterials = ShowSummary;
    steps.afterPlanes = [](TRoom& room) { room.GetExternalPlanes(); };
    steps.afterDirectivities = [](TRoom& room) { room.PrintDirectivities(); };
    if (!Load(arquivo, chain, status, steps)) return false;

    std::printf("Room Volume = %1.2f m3\n", sala->CalculateVolumeGeometry());
    std::printf("Total Surface Area = %1.2f m2\n", sala->CalculateArea());
    sala->GetCenter();
    std::printf("Room Center: %1.2f %1.2f %1.2f\n", sala->Center.x, sala->Center.y, sala->Center.z);

    sala->AcousticParameters();
    sala->ShowAcousticParameters();
    ShowSummary(*sala);
    sala->ShowMaterialAreas();
    sala->SaveInfo("SIM-INFO.txt");
    return true;
}

void PrintProcessingTime(Clock::time_point tbegin)
{
    const double elapsed_secs = std::chrono::duration<double>(Clock::now() - tbegin).count();
    std::fputs(ProcessingTimeText(elapsed_secs).c_str(), stdout);
}

// Saves the results (unless the viewer's run key saved them already), reports the planes no
// ray reached, puts the files in place, frees the room and prints the processing time.
int EndPath(Clock::time_point tbegin, bool save)
{
    if (sala) {
        if (save) {
            CheckResultsFinite(*sala);
            sala->SaveResults();
            sala->ListDeathPlanes();
            if (const int status = Commit()) return status;
        }
        sala.reset();
        std::printf("Room Cleared.\n");
    }
    TransformDestroyAllTwiddles();
    PrintProcessingTime(tbegin);
    return 0;
}

int RunMode(const std::string& arquivo)
{
    const Clock::time_point tbegin = Clock::now();
    CheckProjectFile(arquivo, true);
    auto lock = std::make_unique<RunLock>(FolderOf(arquivo));
    int status = 0;
    if (!FullChain(arquivo, ProjectChain::Run, status)) return status;
    sala->runLock = std::move(lock);
    // Nothing on disk changes before the project is known to be able to run; the earlier
    // results are replaced only when every new file is complete.
    CheckRoomCanRun(*sala, true);
    CheckRunInputs(*sala);
    sala->BeginResultSet(true);
    sala->CreateResults();
    std::printf("\n===============================================\n");
    std::printf("Press 'ESC' key to finish (interrupt) simulation.\n");
    std::printf("===============================================\n\n");
    std::fflush(stdout);
    signalledRun.store(&sala->run);
    if (stopSignal) sala->RequestSimulationStop();
    if (!sala->StartSimulation()) throw SorviExit(1, "The simulation thread could not be started");  // shown
    sala->WaitForSimulation();
    sala->StopSimulation();
    signalledRun.store(nullptr);
    if (stopSignal) return StoppedBySignal();
    return EndPath(tbegin, true);
}

int ViewMode(const std::string& arquivo, int& argc, char** argv, const ConsoleWindow& window)
{
    const Clock::time_point tbegin = Clock::now();
    CheckProjectFile(arquivo, true);
    int status = 0;
    if (!FullChain(arquivo, ProjectChain::Full, status)) return status;
    std::fflush(stdout);
    status = window ? window(sala, argc, argv) : -1;
    if (status >= 0) return status;  // quit key, or a fatal error raised by a key
    return EndPath(tbegin, false);   // the window was closed
}

int Run(int argc, char** argv, const ConsoleWindow& window)
{
    if (argc < 2) {
        PrintUsage();
        return 1;
    }
    const std::string option = argv[1];
    const bool needsFile = option == "-view" || option == "-rayfiles" || option == "-auralize";
    if (needsFile && argc < 3) {
        PrintUsage();
        return 1;
    }
    if (option == "-dxf2txt" && argc < 4) {
        ErrorMessage("Please check usage: Sorvi -dxf2txt dxffile outfile\n");
        return 1;
    }
    // Every mode works on one room, created once the command line has been accepted.
    if (option == "-view") return ViewMode(argv[2], argc, argv, window);

    if (option == "-dxf2txt") {
        const std::string arquivo = argv[3];
        CheckConversionTarget(argv[2], arquivo);
        {
            // The project is written whole: a drawing that cannot be read leaves nothing.
            RunLock lock(FolderOf(arquivo));
            StagedFiles staged(FolderOf(arquivo));
            const std::string name = std::filesystem::path(arquivo).filename().string();
            const std::string part = staged.Path(name);
            if (!ConvertDXF_RoomFile(argv[2], part.c_str(), 0, 1, 1, 1)) return 1;  // reported
            TRoom().WriteDefaultSections(part.c_str());
            if (stopSignal) return StoppedBySignal();
            if (!staged.Commit()) {
                ErrorMessage("%s\nNothing was written.\n", staged.Failure().c_str());
                return 1;
            }
        }
        return ViewMode(arquivo, argc, argv, window);
    }

    // Both rebuilding modes check every stored file they read before anything is written.
    if (option == "-rayfiles") {
        CheckProjectFile(argv[2], false);
        auto lock = std::make_unique<RunLock>(FolderOf(argv[2]));
        int status = 0;
        if (!Load(argv[2], ProjectChain::Short, status)) return status;
        sala->runLock = std::move(lock);
        CheckRoomCanRun(*sala, true);
        CheckStoredRayFiles(*sala);
        if (sala->AuralizationFlag && !sala->CheckAuralizationInputs())
            throw SorviExit(1, "A sound file cannot be auralized");  // the reason was shown
        sala->BeginResultSet(false);
        // The rebuild writes no hit file: the stored ones of the run stay as they are.
        const unsigned hitFiles = std::exchange(sala->HitFilesFlag, 0u);
        sala->CreateResultsForRaysFiles();
        sala->HitFilesFlag = hitFiles;
        sala->CalculateResponsesFromRayFiles();
        CheckResultsFinite(*sala);
        sala->SaveResults();
        if ((status = Commit()) != 0) return status;
        sala.reset();
        std::printf("SalaClear\n");
        return 0;
    }

    if (option == "-auralize") {
        CheckProjectFile(argv[2], false);
        auto lock = std::make_unique<RunLock>(FolderOf(argv[2]));
        int status = 0;
        if (!Load(argv[2], ProjectChain::Short, status)) return status;
        sala->runLock = std::move(lock);
        CheckRoomCanRun(*sala, false);
        if (sala->AuralizationFlag && !sala->CheckAuralizationInputs())
            throw SorviExit(1, "A sound file cannot be auralized");  // the reason was shown
        // Results without new ray files: the stored ray files stay as they are.
        sala->CreateResultsForReading();
        CheckStoredResponses(*sala);
        sala->ReadResultFromFiles();
        CheckResultsFinite(*sala);
        sala->BeginResultSet(false);
        sala->SaveResults();
        if ((status = Commit()) != 0) return status;
        sala.reset();
        std::printf("SalaClear\n");
        return 0;
    }

    return RunMode(option);
}

// A simulation still running is stopped, and the result set dropped, before the room goes.
void DropRun()
{
    if (!sala) return;
    try {
        sala->StopSimulation();
    } catch (const std::exception&) {
        // The run's own fatal exit, shown already; the first status stands.
    }
    sala->DiscardResultSet();
}

}  // namespace

int RunConsole(int argc, char** argv, const ConsoleWindow& window)
{
    CatchStopSignals();
    stopSignal = 0;
    int status;
    try {
        status = Run(argc, argv, window);
    } catch (const SorviExit& e) {
        status = e.Status();  // the message has been shown
        DropRun();
    } catch (const std::bad_alloc&) {
        // What the checks before the run could not foresee; no results have been changed.
        DropRun();
        ErrorMessage("Not enough memory for this project.\nNo results were changed.\n");
        status = 1;
    } catch (const std::system_error& e) {
        // A thread the system would not start.
        DropRun();
        ErrorMessage("The system refused the run: %s.\nNo results were changed.\n", e.what());
        status = 1;
    }
    signalledRun.store(nullptr);
    sala.reset();
    std::fflush(stdout);
    return status;
}
