// Saving and reading back the results of a run, deleting old result files, the plane report
// and a whole run from a project file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "simulation/RoomRunSupport.h"
#include "simulation/RunChecks.h"
#include "simulation/TResult.h"
#include "support/ErrorCapture.h"

using namespace runtest;
namespace fs = std::filesystem;

namespace {

void Touch(const std::string& path, const std::string& text = "x")
{
    std::ofstream(path, std::ios::binary) << text;
}

// A 6 x 5 x 3 box with one source and two receivers, results in folder.
std::unique_ptr<TRoom> LoadedRoom(const std::string& folder)
{
    auto room = MakeBox(folder);
    AddSource(*room, {1, 1, 1.5}, 1002);
    AddReceiver(*room, {3, 2.5, 1.2});
    AddReceiver(*room, {4.5, 4, 2.0});
    return room;
}

void RunToEnd(TRoom& room)
{
    Quiet([&] {
        room.CreateResults();
        room.StartSimulation();
        while (room.IsRunning.load()) {
        }
        room.StopSimulation();
    });
}

// Every file of the folder with its contents.
std::map<std::string, std::string> Snapshot(const fs::path& folder, const std::string& prefix)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) == 0) files[name] = Slurp(e.path().string());
    }
    return files;
}

}  // namespace

TEST(ResultsFiles, StoredResponsesReadBackAsSavedAndStoredRayFilesSurvive)
{
    Scratch dir("sorvi-save");
    const std::string folder = dir.dir.string();
    {
        auto room = LoadedRoom(folder);
        room->HitFilesFlag = 1;
        RunToEnd(*room);
        Quiet([&] { room->SaveResults(); });
        Free(room);
    }
    const auto rays = Snapshot(dir.dir, "RAYS");
    const auto hits = Snapshot(dir.dir, "HITS");
    ASSERT_EQ(rays.size(), 4u);
    ASSERT_EQ(hits.size(), 4u);
    ASSERT_FALSE(rays.at("RAYS-S001-R001.txt").empty());

    // The desktop's reopening, the console's stored-response mode, and reading without results.
    enum Way { Load, ForReadingThenRead, ReadOnly };
    for (const Way way : {Load, ForReadingThenRead, ReadOnly}) {
        SCOPED_TRACE(way);
        auto room = LoadedRoom(folder);
        room->HitFilesFlag = 1;
        ASSERT_TRUE(room->CheckSavedResults());
        Quiet([&] {
            if (way == Load) {
                EXPECT_EQ(room->LoadResults(), 1);
            } else {
                if (way == ForReadingThenRead) room->CreateResultsForReading();
                room->ReadResultFromFiles();
            }
        });
        for (unsigned r = 0; r < 2; ++r) {
            const TResult& pair = *room->spcresult[r][0];
            const auto lines = resulttest::ReadLines(PairPath(folder, "S%.3d-R%.3d.txt", 1, static_cast<int>(r) + 1));
            ASSERT_EQ(lines.size(), room->MaxLength);
            float peak = 0.0f;
            for (unsigned n = 0; n < room->MaxLength; ++n) {
                ASSERT_EQ(pair.globalIR[0][n], std::strtof(lines[n].c_str(), nullptr)) << n;
                peak = std::max(peak, std::fabs(pair.globalIR[0][n]));
            }
            EXPECT_GT(peak, 0.0f);
            if (way == Load) {
                EXPECT_GT(pair.Param[kBands].SPL, 0.0f);  // parameters computed
            }
        }
        EXPECT_EQ(Snapshot(dir.dir, "RAYS"), rays);
        EXPECT_EQ(Snapshot(dir.dir, "HITS"), hits);
        Free(room);
    }

    // Responses rebuilt from the stored ray files leave them as they are too.
    auto room = LoadedRoom(folder);
    const std::string out = Quiet([&] {
        room->CreateResultsForRaysFiles();
        room->CalculateResponsesFromRayFiles();
    });
    EXPECT_NE(out.find("=========== Processing SRC [01] - REC [02] =============\n"), std::string::npos);
    EXPECT_GT(PeakOf(room->spcresult[1][0]->globalIR[0]), 0.0f);
    EXPECT_EQ(Snapshot(dir.dir, "RAYS"), rays);
    Free(room);
}

TEST(ResultsFiles, CheckSavedResultsAndRefusedLoads)
{
    Scratch dir("sorvi-save");
    const std::string folder = dir.dir.string();
    auto room = LoadedRoom(folder);
    EXPECT_FALSE(room->CheckSavedResults());
    Touch(PairPath(folder, "S%.3d-R%.3d.txt", 1, 1));
    EXPECT_FALSE(room->CheckSavedResults());  // the second receiver's file is missing
    Touch(PairPath(folder, "S%.3d-R%.3d.txt", 1, 2));
    EXPECT_TRUE(room->CheckSavedResults());

    auto empty = MakeBox(folder);
    AddSource(*empty, {1, 1, 1.5});
    EXPECT_FALSE(empty->CheckSavedResults());
    ErrorCapture cap;
    EXPECT_EQ(empty->LoadResults(), -1);
    EXPECT_EQ(cap.Joined(), "Results file could not be loaded!");
    EXPECT_FALSE(empty->ResultsCreated);
    Free(room);
    Free(empty);
}

TEST(ResultsFiles, CleanUpDeletesOnlyStaleResultFilesWhateverTheFolderName)
{
    Scratch dir("sorvi-save");
    // A folder name a shell would take apart.
    const fs::path folder = dir.dir / "it's a \"room\" $(touch pwned); rm -rf x";
    fs::create_directories(folder);
    const std::vector<std::string> stale = {"S001-R001.txt",   "S012-R003.txt",      "PARAMS-S001-R001.txt",
                                            "PARAMS-old.txt",  "RAYS-S001-R001.txt", "RAYS-S001-R001-EARLY.txt",
                                            "RAYS.txt",        "S001-R002.wav",      "SALL-R001.wav",
                                            "S002-R001-IR.wav"};
    const std::vector<std::string> kept = {"project.txt",    "HITS-S001-R001.txt", "report.txt", "LostRays.txt",
                                           "S1-R1.txt",      "S001-R001.txt.bak",  "dry.wav",    "s001-r001.txt",
                                           "S0001-R001.txt", "SALL-R001-IR.txt"};
    for (const auto& n : stale) Touch((folder / n).string());
    for (const auto& n : kept) Touch((folder / n).string());
    fs::create_directory(folder / "S005-R005.txt");  // a folder is never deleted
    fs::create_directory(dir.dir / "x");

    auto room = MakeBox(folder.string());
    const std::string out = Quiet([&] { room->CleanResultFiles(); });
    const std::string f = folder.string();
    EXPECT_EQ(out, "=======================================\nRemoving old files: \n"
                   "IR Files:       " +
                       f +
                       "/S\?\?\?-R\?\?\?.txt\n"
                       "PARAM Files:    " +
                       f +
                       "/PARAMS-*.txt\n"
                       "RAY Files:      " +
                       f +
                       "/RAYS-*.txt\n"
                       "AUDIO Files:    " +
                       f +
                       "/S\?\?\?-R\?\?\?.wav\n"
                       "AUDIO Files:    " +
                       f +
                       "/SALL-R???.wav\n"
                       "AUDIO Files:    " +
                       f + "/S\?\?\?-R\?\?\?-IR.wav\n");
    for (const auto& n : stale) EXPECT_FALSE(fs::exists(folder / n)) << n;
    for (const auto& n : kept) EXPECT_TRUE(fs::exists(folder / n)) << n;
    EXPECT_TRUE(fs::is_directory(folder / "S005-R005.txt"));
    EXPECT_TRUE(fs::exists(dir.dir / "x"));
    EXPECT_FALSE(fs::exists("pwned"));

    // The ray and hit clean-ups take only their own files.
    Touch((folder / "RAYS-S001-R001.txt").string());
    Touch((folder / "S001-R001.txt").string());
    EXPECT_EQ(Quiet([&] { room->CleanRayFiles(); }), "Removing old files: " + f + "/RAYS*.txt\n");
    EXPECT_FALSE(fs::exists(folder / "RAYS-S001-R001.txt"));
    EXPECT_EQ(Quiet([&] { room->CleanHitFiles(); }), "Removing old files: " + f + "/HITS*.txt\n");
    EXPECT_FALSE(fs::exists(folder / "HITS-S001-R001.txt"));
    EXPECT_TRUE(fs::exists(folder / "S001-R001.txt"));
    EXPECT_TRUE(fs::exists(folder / "LostRays.txt"));
    Free(room);
}

TEST(ResultsFiles, PlaneReportListsThePlanesNoTracedRayReflectedFrom)
{
    Scratch dir("sorvi-save");
    const std::string folder = dir.dir.string();
    // The box and a panel above it, outside: the external-plane test hits the panel, but no
    // ray of a run can reach it.
    for (const bool threaded : {true, false}) {
        SCOPED_TRACE(threaded);
        auto room = LoadedRoom(folder);
        const TPoint3D panel[4] = {{1, 1, 5}, {2, 1, 5}, {2, 2, 5}, {1, 2, 5}};
        room->plane.push_back(std::make_unique<TPlane>(4, panel));
        room->plane.back()->LayerID = 0;
        room->NumPlanes = 7;
        Quiet([&] { room->GetExternalPlanes(); });
        ASSERT_GT(room->plane[6]->hits, 0u);
        if (threaded) {
            RunToEnd(*room);
        } else {
            Quiet([&] {
                room->CreateResults();
                room->MarkPlaneHitsBeforeRun();
                room->Simulate();
                room->CalculateResponses();
            });
        }
        const std::string out = Quiet([&] { room->ListDeathPlanes(); });
        EXPECT_EQ(out, "There are 1 non-refleting planes!\nPlease see \"report.txt\" file.\n");
        char vertices[200];
        const TPlane& p = *room->plane[6];
        std::snprintf(vertices, sizeof vertices,
                      "4 %1.2f %1.2f %1.2f %1.2f %1.2f %1.2f %1.2f %1.2f %1.2f %1.2f %1.2f %1.2f ", p.vertice[0].x,
                      p.vertice[0].y, p.vertice[0].z, p.vertice[1].x, p.vertice[1].y, p.vertice[1].z, p.vertice[2].x,
                      p.vertice[2].y, p.vertice[2].z, p.vertice[3].x, p.vertice[3].y, p.vertice[3].z);
        EXPECT_EQ(Slurp(folder + "/report.txt"), std::string("Planes without reflections: 1\nIDs: 7 \n\n"
                                                             "<NON REFLECTIVE PLANES>\n") +
                                                     vertices + "walls\n</NON REFLECTIVE PLANES>\n\n\n");
        Free(room);
    }

    // Every plane reflected: one line, and an older report stays.
    auto room = LoadedRoom(folder);
    RunToEnd(*room);
    Touch(folder + "/report.txt", "older");
    EXPECT_EQ(Quiet([&] { room->ListDeathPlanes(); }), "All planes reflected rays.\n");
    EXPECT_EQ(Slurp(folder + "/report.txt"), "older");
    Free(room);
}

TEST(ResultsFiles, RunFileSimulatesAProjectOnTheCallingThread)
{
    Scratch dir("sorvi-save");
    std::string project = Slurp(SORVI_SOURCE_DIR "/examples/shoebox.txt");
    ASSERT_FALSE(project.empty());
    const auto set = [&](const std::string& from, const std::string& to) {
        const auto at = project.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        project.replace(at, from.size(), to);
    };
    set("MAX_TIME = 2.00", "MAX_TIME = 0.10");
    set("AURALIZATION = 0", "AURALIZATION = 1");
    const std::string file = dir / "shoebox.txt";
    Touch(file, project);

    auto room = std::make_unique<TRoom>();
    Quiet([&] { room->RunFile(file.c_str()); });
    EXPECT_FALSE(room->IsRunning.load());
    for (const char* name :
         {"S001-R001.txt", "PARAMS-S001-R001.txt", "S001-R001.wav", "SALL-R001.wav", "S001-R001-IR.wav"})
        EXPECT_TRUE(fs::exists(dir.dir / name)) << name;
    EXPECT_GT(PeakOf(room->spcresult[0][0]->globalIR[0]), 0.0f);
    Free(room);
}

// The check before saving works the pairs side by side: finite pairs get the parameters that
// working them one by one gives, and the first pair (in pair order) that is not finite is the
// one refused, whichever pair ends first.
TEST(SaveResults, FiniteCheckRefusesTheFirstPairNotFinite)
{
    Scratch dir("sorvi-finite");
    auto room = MakeBox(dir.dir.string());
    AddSource(*room, {1, 1, 1.5}, 502);
    AddSource(*room, {5, 4, 1.0}, 502);
    for (const TPoint3D& at : {TPoint3D(3, 2.5, 1.2), TPoint3D(4.5, 4, 2.0), TPoint3D(2, 4, 1.5)})
        AddReceiver(*room, at);
    room->run.TracerThreads = 4;
    RunToEnd(*room);
    std::vector<std::vector<TMonoParams>> serial;
    for (unsigned R = 0; R < 3; ++R)
        for (unsigned S = 0; S < 2; ++S) {
            TResult& pair = *room->spcresult[R][S];
            Quiet([&] { pair.GetMonoParams(); });
            serial.push_back(pair.Param);
            for (TMonoParams& p : pair.Param) p = TMonoParams{};
        }
    Quiet([&] { CheckResultsFinite(*room); });
    for (unsigned k = 0; k < 6; ++k) {
        const std::vector<TMonoParams>& got = room->spcresult[k / 2][k % 2]->Param;
        ASSERT_EQ(got.size(), serial[k].size());
        for (std::size_t b = 0; b < got.size(); ++b)
            EXPECT_EQ(std::memcmp(&got[b], &serial[k][b], sizeof(TMonoParams)), 0) << "pair " << k << " band " << b;
    }

    // R002 of S002 and, later in pair order, R003 of S001 hold a NaN.
    room->spcresult[1][1]->globalIR[0][100] = std::numeric_limits<float>::quiet_NaN();
    room->spcresult[2][0]->globalIR[0][7] = std::numeric_limits<float>::infinity();
    ErrorCapture cap;
    bool refused = false;
    Quiet([&] {
        try {
            CheckResultsFinite(*room);
        } catch (const SorviExit&) {
            refused = true;
        }
    });
    EXPECT_TRUE(refused);
    EXPECT_EQ(cap.Joined(), "The response of S002-R002 holds values that are not finite numbers.\nNo results were "
                            "saved.\n");
    Free(room);
}
