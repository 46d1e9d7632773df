// Saving the results of a run, reading stored responses back, deleting old result files and
// the report of planes that no ray reflected from.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "geometry/HeldOutput.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/LoadProject.h"
#include "room/TRoom.h"
#include "room/TSource.h"
#include "simulation/OrderedSteps.h"
#include "simulation/TResult.h"

namespace {

std::string PairFile(const TRoom& room, const char* format, unsigned S, unsigned R)
{
    char name[64];
    std::snprintf(name, sizeof name, format, S + 1, R + 1);
    return room.ProjectFile(name);
}

// Wildcards of a file pattern: '?' one character, '*' any run of characters.
bool Matches(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// Deletes the regular files of folder whose names match pattern. Nothing else is touched:
// no subfolder, no file reached through a link, and never `keep` (the project file, whatever
// its name).
void DeleteMatching(const std::string& folder, const char* pattern, const std::string& keep)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (!it->is_symlink(kind) && it->is_regular_file(kind) && Matches(pattern, it->path().filename().string())) {
            std::error_code same;
            if (!keep.empty() && fs::equivalent(it->path(), keep, same)) continue;
            doomed.push_back(it->path());
        }
    }
    if (ec) std::printf("Cannot list %s: %s\n", folder.c_str(), ec.message().c_str());
    for (const fs::path& p : doomed) {
        std::error_code rm;
        if (!fs::remove(p, rm) && rm) std::printf("Cannot delete %s: %s\n", p.string().c_str(), rm.message().c_str());
    }
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
            spcresult[R][S]->SaveGlobalIR(PairFile(*this, "S%.3d-R%.3d.txt", S, R).c_str());
        };
        responses.Run(count, threads);
        OrderedSteps params;
        params.step = [&](unsigned k) {
            const unsigned R = k / NumSources, S = k % NumSources;
            Print("Calculating acoustic parameters ... (S%.3d-R%.3d)\r", S + 1, R + 1);
            TResult& pair = *spcresult[R][S];
            pair.GetMonoParams();
            pair.SaveParams(PairFile(*this, "PARAMS-S%.3d-R%.3d.txt", S, R).c_str());
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

void TRoom::CleanResultFiles()
{
    struct Kind {
        const char* label;  // printed before the pattern
        const char* shown;  // the pattern as printed
        const char* deleted;
    };
    static const Kind kinds[] = {
        {"IR Files:       ", "S?\?\?-R???.txt", "S?\?\?-R???.txt"},
        {"PARAM Files:    ", "PARAMS-*.txt", "PARAMS-*.txt"},
        {"RAY Files:      ", "RAYS-*.txt", "RAYS*.txt"},  // the ray and early ray files
        {"AUDIO Files:    ", "S?\?\?-R???.wav", "S?\?\?-R???.wav"},
        {"AUDIO Files:    ", "SALL-R???.wav", "SALL-R???.wav"},
        {"AUDIO Files:    ", "S?\?\?-R?\?\?-IR.wav", "S?\?\?-R?\?\?-IR.wav"},
    };
    std::printf("=======================================\n");
    std::printf("Removing old files: \n");
    for (const Kind& k : kinds) {
        std::printf("%s%s\n", k.label, ProjectFile(k.shown).c_str());
        DeleteMatching(ProjectFolder, k.deleted, ProjectFile(ProjectName));
    }
    PlaneHitsBeforeRun.clear();
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
    std::FILE* f = utilOpenFile(ProjectFile("report.txt"), "wt");
    if (!f) return;
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
    if (std::ferror(f)) std::printf("Cannot write %s\n", ProjectFile("report.txt").c_str());
    std::fclose(f);
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
