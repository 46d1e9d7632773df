// The simulation thread: progress, cooperative stop, restart, refusals and fatal exits.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "geometry/RayDirections.h"
#include "simulation/ProgressBar.h"
#include "simulation/RoomRunSupport.h"
#include "support/ErrorCapture.h"

using namespace runtest;

namespace {

bool Silent(const TResult& pair)
{
    for (const auto& ch : pair.globalIR)
        for (float v : ch)
            if (v != 0.0f) return false;
    return true;
}

// Adds every file of a run's folder to `out` by name, then writes the folder's name as "<dir>"
// wherever it appears (printed lines name it).
void AddRunFolder(const std::filesystem::path& dir, std::map<std::string, std::string>& out)
{
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.is_regular_file()) out[e.path().filename().string()] = resulttest::ReadFile(e.path().string());
    const std::string folder = dir.string();
    for (auto& [name, text] : out)
        for (std::size_t at; (at = text.find(folder)) != std::string::npos;) text.replace(at, folder.size(), "<dir>");
}

// Waits (polling, as the programs do) until the flag drops, the percentage passes `until` or
// the run is parked at `gate`.
std::vector<float> Watch(TRoom& room, float until = 1000.0f, RunGate* gate = nullptr)
{
    std::vector<float> seen;
    while (room.IsRunning.load() && !(gate && gate->Parked())) {
        const float p = room.PercentageStatus.load();
        if (seen.empty() || seen.back() != p) seen.push_back(p);
        if (p > until) break;
    }
    return seen;
}

// Long rays in a hard box, results created: a run that lasts long enough to be stopped while
// it traces.
std::unique_ptr<TRoom> LongRun(const Scratch& dir)
{
    auto room = MakeBox(dir.dir.string(), 6, 5, 3, 0.02f, 1.0f);
    AddSource(*room, {1, 1, 1.5}, 400000);
    AddReceiver(*room, {3, 2.5, 1.2});
    Quiet([&] { room->CreateResults(); });
    return room;
}

}  // namespace

TEST(SimulationRun, PercentageRunsOverTheRaysThenOverThePairsSourceBySource)
{
    Scratch dir("sorvi-run");
    auto room = MakeBox(dir.dir.string());
    AddSource(*room, {1, 1, 1.5}, 20000);
    AddSource(*room, {5, 4, 1.5}, 20000);
    AddReceiver(*room, {3, 2.5, 1.2});
    AddReceiver(*room, {1.5, 4, 1.2});
    AddReceiver(*room, {4.5, 1, 2.0});
    Quiet([&] { room->CreateResults(); });

    // The run is held where the second source's tracing starts its threads: a percentage
    // between 0 and 50 is seen here however the threads are scheduled.
    RunGate gate([&] {
        const float p = room->PercentageStatus.load();
        return p > 0.0f && p < 50.0f;
    });
    std::vector<float> seen;
    const std::string out = Quiet([&] {
        ParkAtThreadStarts at(gate);
        room->StartSimulation();
        seen = Watch(*room, 1000.0f, &gate);
        EXPECT_TRUE(gate.WaitParked(*room)) << "the tracing started no thread";
        seen.push_back(room->PercentageStatus.load());
        gate.Release();
        for (float p : Watch(*room))
            if (p != seen.back()) seen.push_back(p);
        room->StopSimulation();
    });
    seen.push_back(room->PercentageStatus.load());

    EXPECT_FALSE(room->SimulationActive());
    EXPECT_FALSE(room->IsRunning.load());
    EXPECT_FLOAT_EQ(seen.back(), 100.0f);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](float p) { return p > 0.0f && p < 50.0f; }));
    // Past 50 the percentage only takes the values of whole pairs: 58.33, 66.67, ... 100.
    const float expected[6] = {58.333333f, 66.666667f, 75.0f, 83.333333f, 91.666667f, 100.0f};
    for (float p : seen) {
        ASSERT_GE(p, 0.0f);
        if (p <= 50.0f) continue;
        EXPECT_TRUE(std::any_of(std::begin(expected), std::end(expected), [&](float e) {
            return std::fabs(e - p) < 1e-4f;
        })) << p;
    }
    // Pairs are processed sources outer, receivers inner, and every one gets its response.
    std::size_t at = 0;
    for (int s = 1; s <= 2; ++s)
        for (int r = 1; r <= 3; ++r) {
            char head[80];
            std::snprintf(head, sizeof head, "=========== Processing SRC [%.2d] - REC [%.2d] =============", s, r);
            at = out.find(head, at);
            ASSERT_NE(at, std::string::npos) << head;
            EXPECT_FALSE(Silent(*room->spcresult[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(s - 1)]));
        }
    Free(room);
}

TEST(SimulationRun, StopEndsTheTracingJoinsTheThreadAndARunCanStartAgain)
{
    Scratch dir("sorvi-run");
    auto room = LongRun(dir);

    ErrorCapture cap;
    float atStop = 0.0f;
    // The run is held where the tracing starts its threads until the stop is asked for: the
    // stop comes while it traces however the threads are scheduled.
    RunGate gate({}, [&] { return room->run.StopRequested(); });
    Quiet([&] {
        ParkAtThreadStarts at(gate);
        room->StartSimulation();
        // A second start while the first run works is refused.
        room->StartSimulation();
        EXPECT_TRUE(gate.WaitParked(*room)) << "the tracing started no thread";
        room->StopSimulation();
        atStop = room->PercentageStatus.load();
    });
    EXPECT_FALSE(room->SimulationActive());
    EXPECT_FALSE(room->IsRunning.load());
    EXPECT_GT(atStop, 0.0f);
    EXPECT_LT(atStop, 50.0f);                          // the tracing ended early and no pair was processed
    EXPECT_EQ(room->PercentageStatus.load(), atStop);  // the stop joined the run: nothing moves it any more
    EXPECT_TRUE(Silent(*room->spcresult[0][0]));
    const std::string shown = cap.Joined();
    EXPECT_NE(shown.find("A simulation is already running."), std::string::npos) << shown;
    EXPECT_NE(shown.find("Interrupted by the user! Results not calculated!!"), std::string::npos) << shown;

    // Again, with a short run that finishes.
    room->source[0]->NumberOfRays = 1002;
    room->SetMaxTime(0.1f);
    Quiet([&] {
        room->CreateResults();
        room->StartSimulation();
        Watch(*room);
        room->StopSimulation();
    });
    EXPECT_FALSE(room->SimulationActive());
    EXPECT_FLOAT_EQ(room->PercentageStatus.load(), 100.0f);
    EXPECT_FALSE(Silent(*room->spcresult[0][0]));
    Free(room);
}

TEST(SimulationRun, AFlagClearedWhileTracingStillGivesEveryPairButNotWhileThePairsAreProcessed)
{
    // The run is held where the flag is cleared: at a thread start of the second source's
    // tracing, or once the first pair is committed.
    const struct {
        const char* name;
        float from, to;  // the flag is cleared once the percentage lies in (from, to)
        bool interrupted;
        bool atThreadStart;  // else at the first pair's commit
    } cases[] = {{"while tracing", 0.0f, 50.0f, false, true}, {"after the first pair", 50.0f, 100.0f, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch dir("sorvi-run");
        auto room = MakeBox(dir.dir.string());
        AddSource(*room, {1, 1, 1.5}, 20000);
        AddSource(*room, {5, 4, 1.5}, 20000);
        AddReceiver(*room, {3, 2.5, 1.2});
        AddReceiver(*room, {1.5, 4, 1.2});
        AddReceiver(*room, {4.5, 1, 2.0});
        Quiet([&] { room->CreateResults(); });
        ErrorCapture cap;
        RunGate gate([&] {
            const float p = room->PercentageStatus.load();
            return p > c.from && p < c.to;
        });
        std::optional<ParkAtThreadStarts> at;
        if (c.atThreadStart)
            at.emplace(gate);
        else
            room->run.PairCommitted = [&](unsigned) { gate.Park(); };
        const std::string out = Quiet([&] {
            room->StartSimulation();
            EXPECT_TRUE(gate.WaitParked(*room)) << "the run was never held there";
            const float p = room->PercentageStatus.load();
            EXPECT_TRUE(p > c.from && p < c.to) << p;
            room->IsRunning = false;  // what a front end may do instead of stopping the thread
            gate.Release();
            room->WaitForSimulation();
            room->StopSimulation();
        });
        at.reset();
        room->run.PairCommitted = nullptr;
        const bool message =
            cap.Joined().find("Interrupted by the user! Results not calculated!!") != std::string::npos;
        EXPECT_EQ(message, c.interrupted) << cap.Joined();
        EXPECT_FALSE(Silent(*room->spcresult[0][0]));  // the first pair is always done
        const bool lastPair = out.find("Processing SRC [02] - REC [03]") != std::string::npos;
        EXPECT_EQ(lastPair, !c.interrupted);
        if (c.interrupted)
            EXPECT_LT(room->PercentageStatus.load(), 100.0f);
        else
            EXPECT_FLOAT_EQ(room->PercentageStatus.load(), 100.0f);
        Free(room);
    }
}

// Whether the file holds a ray-file record of order 0 (the direct sound's, which only the
// pair's response step writes).
bool HasDirectRecord(const std::string& path)
{
    const auto lines = resulttest::ReadLines(path);
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        TRay r(kBands);
        return r.ParseLine(line) && r.reflections == 0;
    });
}

// A stop request that comes while the pair's response is being built (long responses take the
// synthesis a while) ends the step part way: the run reports the interruption, the percentage
// stays where the tracing left it, and the pair's files are put back as the tracing left them.
TEST(SimulationRun, AStopDuringAPairsResponseEndsItWithinThePair)
{
    Scratch dir("sorvi-run");
    auto room = MakeBox(dir.dir.string(), 6, 5, 3, 0.02f, 8.0f);
    AddSource(*room, {1, 1, 1.5}, 3000);
    AddReceiver(*room, {3, 2.5, 1.2});
    room->ClusterOrderGlobal = 3;
    Quiet([&] { room->CreateResults(); });
    ErrorCapture cap;
    const std::string early = dir / "RAYS-S001-R001-EARLY.txt";
    // The run is held at the first thread start (the clustering's, the synthesis') after the
    // step has written the direct sound and closed the early file to cluster it.
    RunGate gate([&] { return HasDirectRecord(early); });
    const std::string out = Quiet([&] {
        ParkAtThreadStarts at(gate);
        room->StartSimulation();
        EXPECT_TRUE(gate.WaitParked(*room)) << "the step started no thread after the direct sound";
        room->RequestSimulationStop();
        gate.Release();
        room->WaitForSimulation();
        room->StopSimulation();
    });
    EXPECT_NE(out.find("Processing SRC [01] - REC [01]"), std::string::npos);
    EXPECT_NE(cap.Joined().find("Interrupted by the user! Results not calculated!!"), std::string::npos)
        << cap.Joined();
    EXPECT_FLOAT_EQ(room->PercentageStatus.load(), 50.0f);
    EXPECT_TRUE(Silent(*room->spcresult[0][0]));
    Free(room);
    // What the tracing wrote is all there; nothing of the step is.
    EXPECT_FALSE(resulttest::ReadLines(early).empty());
    EXPECT_FALSE(HasDirectRecord(early));
    EXPECT_FALSE(HasDirectRecord(dir / "RAYS-S001-R001.txt"));
    EXPECT_FALSE(std::filesystem::exists(early + ".records"));
}

TEST(SimulationRun, StopWithoutARunOnlyClearsTheFlag)
{
    Scratch dir("sorvi-run");
    auto room = MakeBox(dir.dir.string());
    room->IsRunning = true;
    room->StopSimulation();
    EXPECT_FALSE(room->IsRunning.load());
    EXPECT_FALSE(room->SimulationActive());
    Free(room);
}

TEST(SimulationRun, AStopRequestEndsTheRunAndARoomDestroyedWhileRunningStopsItFirst)
{
    Scratch dir("sorvi-run");
    auto room = LongRun(dir);
    ErrorCapture cap;
    RunGate gate;  // held where the tracing starts its threads: the request comes while it traces
    Quiet([&] {
        ParkAtThreadStarts at(gate);
        room->StartSimulation();
        EXPECT_TRUE(room->SimulationActive());
        EXPECT_TRUE(gate.WaitParked(*room)) << "the tracing started no thread";
        room->RequestSimulationStop();
        gate.Release();
        room->WaitForSimulation();
    });
    EXPECT_FALSE(room->SimulationActive());
    EXPECT_LT(room->PercentageStatus.load(), 50.0f);
    EXPECT_TRUE(Silent(*room->spcresult[0][0]));

    // The destructor stops the run before it frees what the run reads.
    Quiet([&] {
        room->CreateResults();
        room->StartSimulation();
        while (room->PercentageStatus.load() <= 0.0f) std::this_thread::yield();
        room.reset();
    });
    EXPECT_EQ(room, nullptr);
}

TEST(SimulationRun, WhatARunResetsIsResetBeforeItsThreadStarts)
{
    // Read on this thread while the run works: the thread sanitizer reports a run that still
    // writes these.
    Scratch dir("sorvi-run");
    auto room = MakeBox(dir.dir.string(), 6, 5, 3, 0.02f, 1.0f);
    AddSource(*room, {1, 1, 1.5}, 400000);
    AddSource(*room, {4, 3, 1.5}, 1000);
    AddReceiver(*room, {3, 2.5, 1.2});
    room->ArtificialTailFlag = true;
    room->MaxRayTracReflections = -1;
    room->CreateLostRays(3);
    Quiet([&] {
        room->CreateResults();
        room->StartSimulation();
        EXPECT_EQ(room->source[0]->NumberOfRays, RayGridCount(400000));
        EXPECT_EQ(room->source[1]->NumberOfRays, RayGridCount(1000));
        EXPECT_TRUE(room->lostRays.empty());
        EXPECT_EQ(room->NumLostRays, 0u);
        EXPECT_EQ(room->MaxRayTracReflections, 6);
        room->StopSimulation();
    });
    Free(room);
}

TEST(SimulationRun, ARoomWithoutReceiversTracesNothingAndEndsIdle)
{
    Scratch dir("sorvi-run");
    auto room = MakeBox(dir.dir.string());
    AddSource(*room, {1, 1, 1.5});
    ErrorCapture cap;
    Quiet([&] {
        room->CreateResults();
        room->StartSimulation();
        Watch(*room);
        room->StopSimulation();
    });
    EXPECT_FALSE(room->IsRunning.load());
    EXPECT_NE(cap.Joined().find("No receiver was defined"), std::string::npos) << cap.Joined();
    Free(room);
}

TEST(SimulationRun, AFatalExitOnTheThreadReachesTheThreadThatJoinsIt)
{
    // The pair's ray file replaced by a folder: the synthesis cannot read it and ends the
    // process. The exit must come out on the caller's thread, whether it waits or stops.
    for (const bool waitFirst : {false, true}) {
        Scratch dir("sorvi-run");
        auto room = MakeBox(dir.dir.string());
        AddSource(*room, {1, 1, 1.5});
        AddReceiver(*room, {3, 2.5, 1.2});
        Quiet([&] { room->CreateResults(); });
        const std::string rays = PairPath(dir.dir.string(), "RAYS-S%.3d-R%.3d.txt", 1, 1);
        std::filesystem::remove(rays);
        std::filesystem::create_directory(rays);

        ErrorCapture cap;
        int status = -1;
        Quiet([&] {
            room->StartSimulation();
            try {
                if (waitFirst)
                    room->WaitForSimulation();
                else
                    Watch(*room);  // the run ends by itself (stopping at once would skip the synthesis)
                room->StopSimulation();
            } catch (const SorviExit& e) {
                status = e.Status();
            }
        });
        EXPECT_EQ(status, 1) << "waited first: " << waitFirst;
        EXPECT_FALSE(room->SimulationActive());
        EXPECT_FALSE(room->IsRunning.load());
        // Spent: the next stop has nothing to report.
        EXPECT_NO_THROW(room->StopSimulation());
        Free(room);
    }
}

TEST(SimulationRun, ProgressBarIsEmptyUntilTheEnd)
{
    const struct {
        float pos, total;
        int cols;
        const char* out;
    } cases[] = {{0, 10, 5, "\r"}, {9.9f, 10, 5, "\r"}, {10, 10, 5, "\r====="}, {3, 0, 5, "\r"}, {10, 10, 0, "\r"}};
    for (const auto& c : cases) EXPECT_EQ(Quiet([&] { ProgressBar(c.pos, c.total, c.cols); }), c.out) << c.pos;
}

// A whole run with diffuse processing, hit files and the artificial tail on one thread and on
// several (pairs side by side): every file written (ray and hit files, responses, parameters),
// every line printed and every error text are the same.
TEST(SimulationRun, ThreadCountChangesNoFileAndNoPrintedLine)
{
    TResult::SetTailSeed(20261211);
    auto runOn = [](unsigned threads) {
        Scratch dir("sorvi-run-threads");
        auto room = MakeBox(dir.dir.string(), 7, 5, 3, 0.2f, 0.3f);
        room->run.TracerThreads = threads;
        room->DiffuseProcessing = 1;
        room->HitFilesFlag = 1;
        room->ClusterOrderGlobal = -1;  // automatic: many orders clustered
        AddSource(*room, {1, 1, 1.5}, 3000);
        AddSource(*room, {5, 4, 1.5}, 2000);
        AddReceiver(*room, {3, 2.5, 1.2});
        AddReceiver(*room, {6, 4, 2.0}, 0.4);
        AddReceiver(*room, {2, 4, 1.0}, 0.6);
        room->ArtificialTailFlag = 1;
        room->MaxRayTracReflections = 6;
        std::map<std::string, std::string> out;
        ErrorCapture errors;
        out["printed"] = Quiet([&] {
            room->CreateResults();
            room->Simulate();
            room->CalculateResponses();
            room->SaveResults();
        });
        out["errors"] = errors.Joined();
        Free(room);
        AddRunFolder(dir.dir, out);
        return out;
    };
    const auto reference = runOn(1);
    EXPECT_GT(reference.at("RAYS-S001-R001.txt").size(), 10000u);
    EXPECT_NE(reference.at("printed").find("Adding artificial tail"), std::string::npos);
    for (unsigned threads : {3u, 8u}) {
        const auto other = runOn(threads);
        ASSERT_EQ(other.size(), reference.size()) << threads;
        for (const auto& [name, text] : reference)
            EXPECT_TRUE(other.at(name) == text) << name << " differs on " << threads << " threads";
    }
    TResult::UseRandomTailSeed();
}

// A pair that ends the run with a fatal error while later pairs run beside it: the files, the
// printed lines and the error texts are those of the run on one thread, where the later pairs
// never started (their ray and hit files hold only what the tracing wrote).
TEST(SimulationRun, AFatalErrorInAMiddlePairLeavesTheLaterPairsAsTheTracingLeftThem)
{
    auto runOn = [](unsigned threads) {
        Scratch dir("sorvi-run-fatal");
        auto room = MakeBox(dir.dir.string(), 7, 5, 3, 0.2f, 0.3f);
        room->run.TracerThreads = threads;
        room->DiffuseProcessing = 1;
        room->HitFilesFlag = 1;
        AddSource(*room, {1, 1, 1.5}, 2000);
        AddSource(*room, {5, 4, 1.5}, 2000);
        for (TPoint3D at : {TPoint3D(3, 2.5, 1.2), TPoint3D(6, 4, 2.0), TPoint3D(2, 4, 1.0)}) AddReceiver(*room, at);
        std::map<std::string, std::string> out;
        ErrorCapture errors;
        int status = 0;
        out["printed"] = Quiet([&] {
            room->CreateResults();
            room->Simulate();
            // The second pair's ray file cannot be read back.
            const std::string rays = PairPath(dir.dir.string(), "RAYS-S%.3d-R%.3d.txt", 1, 2);
            std::filesystem::remove(rays);
            std::filesystem::create_directory(rays);
            try {
                room->CalculateResponses();
            } catch (const SorviExit& e) {
                status = e.Status();
            }
            room.reset();
        });
        EXPECT_EQ(status, 1) << threads;
        out["errors"] = errors.Joined();
        AddRunFolder(dir.dir, out);
        return out;
    };
    const auto reference = runOn(1);
    EXPECT_NE(reference.at("printed").find("SRC [01] - REC [02]"), std::string::npos);
    EXPECT_EQ(reference.at("printed").find("SRC [01] - REC [03]"), std::string::npos);
    const auto other = runOn(6);
    ASSERT_EQ(other.size(), reference.size());
    for (const auto& [name, text] : reference) EXPECT_TRUE(other.at(name) == text) << name << " differs";
}
