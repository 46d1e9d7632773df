// Sorvi, the console program: runs a project from loading to saved results, converts DXF
// drawings, rebuilds responses from stored ray files, auralizes stored responses again, and
// shows a project's model in a viewer window.

#include <GL/freeglut.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "console/ConsoleViewer.h"
#include "console/ConsoleViewerGL.h"
#include "console/ProcessingTime.h"
#include "dsp/Transform.h"
#include "geometry/ErrorHandler.h"
#include "geometry/util.h"
#include "room/ConvertDXF.h"
#include "room/LoadProject.h"
#include "room/TRoom.h"
#include "simulation/RunChecks.h"

namespace {

// The one room of the process; the viewer reads it and may delete it.
std::unique_ptr<TRoom> sala;

using Clock = std::chrono::steady_clock;

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
// ray reached, frees the room and prints the processing time.
int EndPath(Clock::time_point tbegin, bool save)
{
    if (sala) {
        if (save) {
            CheckResultsFinite(*sala);
            sala->SaveResults();
            sala->ListDeathPlanes();
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
    int status = 0;
    if (!FullChain(arquivo, ProjectChain::Run, status)) return status;
    // Nothing on disk changes before the project is known to be able to run.
    CheckRoomCanRun(*sala, true);
    sala->CleanResultFiles();
    sala->CreateResults();
    std::printf("\n===============================================\n");
    std::printf("Press 'ESC' key to finish (interrupt) simulation.\n");
    std::printf("===============================================\n\n");
    std::fflush(stdout);
    sala->StartSimulation();
    sala->WaitForSimulation();
    sala->StopSimulation();
    return EndPath(tbegin, true);
}

int ViewMode(const std::string& arquivo, int& argc, char** argv)
{
    const Clock::time_point tbegin = Clock::now();
    CheckProjectFile(arquivo, true);
    int status = 0;
    if (!FullChain(arquivo, ProjectChain::Full, status)) return status;

    ConsoleViewer viewer(sala);
    viewer.SetCamera();
    std::fflush(stdout);
    glutInit(&argc, argv);
    OpenGlInitialization(viewer);
    glutMainLoop();

    status = ViewerExitStatus();
    if (status >= 0) return status;  // quit key, or a fatal error raised by a key
    return EndPath(tbegin, false);   // the window was closed
}

int Run(int argc, char** argv)
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
    if (option == "-view") return ViewMode(argv[2], argc, argv);

    if (option == "-dxf2txt") {
        const std::string arquivo = argv[3];
        CheckConversionTarget(argv[2], arquivo);
        // A drawing that cannot be read has been reported; nothing is written or shown.
        if (!ConvertDXF_RoomFile(argv[2], arquivo.c_str(), 0, 1, 1, 1)) return 1;
        TRoom().WriteDefaultSections(arquivo.c_str());
        return ViewMode(arquivo, argc, argv);
    }

    // Both rebuilding modes check every stored file they read before anything is written.
    if (option == "-rayfiles") {
        CheckProjectFile(argv[2], false);
        int status = 0;
        if (!Load(argv[2], ProjectChain::Short, status)) return status;
        CheckRoomCanRun(*sala, true);
        CheckStoredRayFiles(*sala);
        // The rebuild writes no hit file: the stored ones of the run stay as they are.
        const unsigned hitFiles = std::exchange(sala->HitFilesFlag, 0u);
        sala->CreateResultsForRaysFiles();
        sala->HitFilesFlag = hitFiles;
        sala->CalculateResponsesFromRayFiles();
        CheckResultsFinite(*sala);
        sala->SaveResults();
        sala.reset();
        std::printf("SalaClear\n");
        return 0;
    }

    if (option == "-auralize") {
        CheckProjectFile(argv[2], false);
        int status = 0;
        if (!Load(argv[2], ProjectChain::Short, status)) return status;
        CheckRoomCanRun(*sala, false);
        // Results without new ray files: the stored ray files stay as they are.
        sala->CreateResultsForReading();
        CheckStoredResponses(*sala);
        sala->ReadResultFromFiles();
        CheckResultsFinite(*sala);
        sala->SaveResults();
        sala.reset();
        std::printf("SalaClear\n");
        return 0;
    }

    return RunMode(option);
}

}  // namespace

int main(int argc, char** argv)
{
    int status;
    try {
        status = Run(argc, argv);
    } catch (const SorviExit& e) {
        // The message has been shown. A simulation still running is stopped before the room goes.
        status = e.Status();
        if (sala && sala->IsRunning) {
            try {
                sala->StopSimulation();
            } catch (const SorviExit&) {
                // The run's own fatal exit, shown already; the first status stands.
            }
        }
    } catch (const std::bad_alloc&) {
        // What the checks before the run could not foresee; no results have been saved.
        ErrorMessage("Not enough memory for this project.\nNo results were saved.\n");
        status = 1;
    }
    sala.reset();
    std::fflush(stdout);
    return status;
}
