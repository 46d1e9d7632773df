// Saving the results of a run, reading stored responses back, deleting old result files and
// the report of planes that no ray reflected from.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "geometry/FileLayer.h"
#include "geometry/HeldOutput.h"
#include "geometry/StagedFiles.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/LoadProject.h"
#include "room/TSource.h"
#include "simulation/OrderedSteps.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"

namespace {

std::string PairFile(const TRoom& room, const char* format, unsigned S, unsigned R)
{
    char name[64];
    std::snprintf(name, sizeof name, format, S + 1, R + 1);
    return room.ProjectFile(name);
}

// The file a pair's result is written to: its temporary while a result set is open.
std::string PairOut(const TRoom& room, const char* format, unsigned S, unsigned R)
{
    char name[64];
    std::snprintf(name, sizeof name, format, S + 1, R + 1);
    return room.ResultFile(name);
}

void DeleteMatching(const std::string& folder, const char* pattern, const std::string& keep)
{
    StagedFiles::RemoveMatching(folder, pattern, keep);
}

}  // namespace

void TRoom::SaveResults()
{
    if (!SimulationIdle("Results cannot be saved")) return;
    if (NumReceivers > 0 && NumSources > 0) {
        if (!HasPairResults()) {
            std::printf("No results to save.\n");
            return;
        }
        // Each pair writes its own files; the pairs run side by side, their lines in this order.
        const unsigned count = NumReceivers * NumSources;
        const unsigned threads = std::min(std::max(1u, TracerThreadCount()), count);
        OrderedSteps responses;
        responses.step = [&](unsigned k) {
            const unsigned R = k / NumSources, S = k % NumSources;
            spcresult[R][S]->SaveGlobalIR(PairOut(*this, "S%.3d-R%.3d.txt", S, R).c_str());
        };
        responses.Run(count, threads);
        OrderedSteps params;
        params.step = [&](unsigned k) {
            const unsigned R = k / NumSources, S = k % NumSources;
            Print("Calculating acoustic parameters ... (S%.3d-R%.3d)\r", S + 1, R + 1);
            TResult& pair = *spcresult[R][S];
            pair.GetMonoParams();
            pair.SaveParams(PairOut(*this, "PARAMS-S%.3d-R%.3d.txt", S, R).c_str());
        };
        params.Run(count, threads);
        std::printf("Calculating acoustic parameters ... Done!             \n");
    }
    if (AuralizationFlag) {
        Auralization();
        SaveImpRespWAV();
    }
}

void TRoom::CreateResultsForReading()
{
    ClearResults();  // so that the room check may lengthen the response
    CheckRoom();
    if (RoomConstant.size() < NumBands) RoomConstant.resize(NumBands, 0.0f);
    CalculateAbsorptionArea();
    CalcRoomConstant(RoomConstant.data());
    std::printf("Estimating Mean Free Path ... ");
    MeanFreePath = MFP_Estimation();
    std::printf("Done!\n");
    std::printf("MeanFreePath = %1.2f\n", MeanFreePath);
    // The pairs of the stored-ray-file mode open no ray file; with the hit files off for the
    // creation they open none at all, so every stored file stays as it is.
    const unsigned hitFiles = HitFilesFlag;
    HitFilesFlag = 0;
    try {
        CreateResultsForRaysFiles();
    } catch (...) {
        HitFilesFlag = hitFiles;
        throw;
    }
    HitFilesFlag = hitFiles;
}

int TRoom::LoadResults()
{
    if (NumSources == 0 || NumReceivers == 0) {
        ErrorMessage("Results file could not be loaded!");
        return -1;
    }
    if (!SimulationIdle("Results cannot be loaded")) return -1;
    ClearResults();
    CreateResultsForReading();
    std::printf("Loading impulse responses: ... ");
    for (unsigned S = 0; S < NumSources; ++S)
        for (unsigned R = 0; R < NumReceivers; ++R) {
            TResult& pair = *spcresult[R][S];
            pair.GetImpulseResponsesfromFile(PairFile(*this, "S%.3d-R%.3d.txt", S, R).c_str());
            pair.GetMonoParams();
        }
    std::printf(" Done!\n");
    return 1;
}

void TRoom::ReadResultFromFiles()
{
    if (!SimulationIdle("Results cannot be read")) return;
    if (!HasPairResults()) CreateResultsForReading();
    std::printf("Loading impulse responses: ...");
    for (unsigned S = 0; S < NumSources; ++S)
        for (unsigned R = 0; R < NumReceivers; ++R)
            spcresult[R][S]->GetImpulseResponsesfromFile(PairFile(*this, "S%.3d-R%.3d.txt", S, R).c_str());
    std::printf(" Done!\n");
}

bool TRoom::CheckSavedResults()
{
    if (NumSources == 0 || NumReceivers == 0) return false;
    for (unsigned S = 0; S < NumSources; ++S)
        for (unsigned R = 0; R < NumReceivers; ++R)
            if (!utilFileExist(PairFile(*this, "S%.3d-R%.3d.txt", S, R))) return false;
    return true;
}

void TRoom::CleanRayFiles()
{
    std::printf("Removing old files: %s\n", ProjectFile("RAYS*.txt").c_str());
    DeleteMatching(ProjectFolder, "RAYS*.txt", ProjectFile(ProjectName));
}

void TRoom::CleanHitFiles()
{
    std::printf("Removing old files: %s\n", ProjectFile("HITS*.txt").c_str());
    DeleteMatching(ProjectFolder, "HITS*.txt", ProjectFile(ProjectName));
}

void TRoom::ListDeathPlanes()
{
    // Reflections of the last run: the hit counters also grow by the external-plane test and
    // the mean-free-path estimate, which ran before it.
    const bool since = PlaneHitsBeforeRun.size() == NumPlanes;
    std::vector<unsigned> dead;
    for (unsigned P = 0; P < NumPlanes; ++P) {
        const unsigned hits = plane[P]->hits - (since ? PlaneHitsBeforeRun[P] : 0u);
        if (hits == 0) dead.push_back(P);
    }
    if (dead.empty()) {
        std::printf("All planes reflected rays.\n");
        return;
    }
    std::printf("There are %d non-refleting planes!\nPlease see \"report.txt\" file.\n", static_cast<int>(dead.size()));
    CheckedFile out;
    if (!out.Open(ResultFile("report.txt"), "wt")) return;
    std::FILE* f = out.Stream();
    std::fprintf(f, "Planes without reflections: %d\nIDs: ", static_cast<int>(dead.size()));
    for (unsigned P : dead) std::fprintf(f, "%d ", static_cast<int>(P + 1));
    std::fprintf(f, "\n\n");
    std::fprintf(f, "<NON REFLECTIVE PLANES>\n");
    for (unsigned P : dead) {
        const TPlane& pl = *plane[P];
        pl.WriteVertexes(f);
        const bool layer = pl.LayerID >= 0 && static_cast<unsigned>(pl.LayerID) < planeLayer.size();
        std::fprintf(f, "%s\n", layer ? planeLayer[static_cast<std::size_t>(pl.LayerID)].nome.c_str() : "");
    }
    std::fprintf(f, "</NON REFLECTIVE PLANES>\n");
    std::fprintf(f, "\n\n");
    out.Close();  // a failure is reported (or kept by the result set)
}

void TRoom::MarkPlaneHitsBeforeRun()
{
    PlaneHitsBeforeRun.resize(NumPlanes);
    for (unsigned P = 0; P < NumPlanes; ++P) PlaneHitsBeforeRun[P] = plane[P]->hits;
}

void TRoom::ShowResults()
{
    if (!HasPairResults()) return;
    for (unsigned R = 0; R < NumReceivers; ++R)
        for (unsigned S = 0; S < NumSources; ++S) (void)spcresult[R][S];
}

void TRoom::RunFile(const char* Filename)
{
    ReadProjectChain(*this, Filename ? Filename : "", ProjectChain::Run);
    CreateResults();
    MarkPlaneHitsBeforeRun();
    Simulate();
    CalculateResponses();
    SaveResults();
}
