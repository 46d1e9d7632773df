// The road of a desktop run without the window: start, progress ticks, stop, restart, the end
// with the results saved, a finished thread seen at the first tick, and core errors.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include <unistd.h>

#include "desktop/DesktopProjectSupport.h"
#include "desktop/ProjectCommands.h"
#include "desktop/RunControl.h"
#include "dsp/WavFile.h"
#include "geometry/ErrorHandler.h"
#include "geometry/FileLayer.h"
#include "room/TSource.h"
#include "support/ErrorCapture.h"

using namespace desktoptest;

namespace {

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file of the working folder, hidden ones included, and its bytes.
std::map<std::string, std::string> FolderFiles()
{
    std::map<std::string, std::string> all;
    for (const auto& e : fs::directory_iterator(".")) all[e.path().filename().string()] = ReadAll(e.path());
    return all;
}

class RunFolder : public WorkingFolder {
protected:
    // The tiny project loaded as the window loads it.
    std::unique_ptr<TRoom> Load(const std::string& text)
    {
        WriteText("room.txt", text);
        ProjectLoad load;
        projtest::Quietly([&] { load = LoadProjectRoom("room.txt"); });
        EXPECT_TRUE(load) << load.error;
        return std::move(load.room);
    }
    void TearDown() override
    {
        projtest::Quietly([&] { room.reset(); });
        WorkingFolder::TearDown();
    }
    // Ticks (every 5 ms, standing in for the timer's second) until the run has ended.
    RunTick TickToEnd()
    {
        RunTick tick = PollRun(*room);
        for (int i = 0; i < 12000 && !tick.finished; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            tick = PollRun(*room);
        }
        return tick;
    }
    std::unique_ptr<TRoom> room;
};

}  // namespace

TEST(RunControl, PressByStatusAndStartConditions)
{
    EXPECT_EQ(PressByStatus(0), RunPress::EmptyProject);
    EXPECT_EQ(PressByStatus(1), RunPress::Go);
    EXPECT_EQ(PressByStatus(2), RunPress::SaveFirst);
}

TEST_F(RunFolder, RunToTheEndSavesTheResponses)
{
    room = Load(TinyProject());
    ASSERT_TRUE(room);
    EXPECT_FALSE(CanStartRun(*room, false));
    ASSERT_TRUE(CanStartRun(*room, true));
    room->SetNumRays(10000);
    WriteText("S001-R001.txt", "stale");
    WriteText("RAYS-S001-R001.txt", "stale");

    bool started = false;
    projtest::Quietly([&] { started = StartRun(*room); });
    ASSERT_TRUE(started);
    // Every source traces the icosahedron count of the room's ray count; the old files stay
    // until the new ones are complete.
    EXPECT_EQ(room->source[0]->GetNumRays(), 10u * 32u * 32u + 2u);
    EXPECT_EQ(ReadAll("S001-R001.txt"), "stale");
    EXPECT_FALSE(CanStartRun(*room, true)) << "a second run while one is active";

    RunTick tick;
    projtest::Quietly([&] { tick = TickToEnd(); });
    ASSERT_TRUE(tick.finished);
    EXPECT_EQ(tick.gauge, 100);
    bool saved = false;
    projtest::Quietly([&] { saved = FinishRun(*room); });
    EXPECT_TRUE(saved);
    EXPECT_TRUE(fs::exists("S001-R001.txt"));
    EXPECT_TRUE(fs::exists("PARAMS-S001-R001.txt"));
    EXPECT_GT(fs::file_size("S001-R001.txt"), 100u);
    EXPECT_NE(ReadAll("RAYS-S001-R001.txt"), "stale");

    // Reopened, the project finds its stored responses; with one missing, none are read.
    auto reopened = Load(TinyProject());
    ASSERT_TRUE(reopened);
    bool loaded = false;
    projtest::Quietly([&] { loaded = LoadStoredResponses(*reopened); });
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(reopened->ResultsCreated);
    projtest::Quietly([&] { reopened.reset(); });
    fs::remove("S001-R001.txt");
    reopened = Load(TinyProject());
    projtest::Quietly([&] { loaded = LoadStoredResponses(*reopened); });
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(reopened->ResultsCreated);
    projtest::Quietly([&] { reopened.reset(); });
}

TEST_F(RunFolder, StopJoinsTheRunAndAFreshRunFollows)
{
    room = Load(TinyProject("1.00"));
    ASSERT_TRUE(room);
    room->SetNumRays(200000);
    bool ok = false;
    ErrorCapture errors;  // the run says it was interrupted
    projtest::Quietly([&] {
        ok = StartRun(*room);
        const RunTick tick = PollRun(*room);
        EXPECT_FALSE(tick.finished);
        EXPECT_EQ(tick.text.rfind("Percent = ", 0), 0u);
        EXPECT_TRUE(StopRun(*room));
    });
    ASSERT_TRUE(ok);
    EXPECT_FALSE(room->SimulationActive());
    EXPECT_FALSE(room->IsRunning.load());
    EXPECT_FALSE(fs::exists("S001-R001.txt"));

    // Again, with a count that finishes before the first look.
    room->SetNumRays(100);
    projtest::Quietly([&] {
        ok = StartRun(*room);
        room->WaitForSimulation();
    });
    ASSERT_TRUE(ok);
    const RunTick tick = PollRun(*room);
    EXPECT_TRUE(tick.finished);
    EXPECT_EQ(tick.gauge, 100);
    projtest::Quietly([&] { ok = FinishRun(*room); });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(fs::exists("S001-R001.txt"));
}

TEST_F(RunFolder, CoreErrorAtTheStartStartsNothing)
{
    // Auralization of a stereo sound file.
    const std::vector<float> frames(2 * 4410, 0.1f);
    ASSERT_TRUE(writeWAVData("stereo.wav", frames.data(), frames.size() / 2, 44100, 2));
    std::string text = projtest::Replace(TinyProject(), "AURALIZATION = 0", "AURALIZATION = 1");
    text = projtest::Replace(text, "94.0 Speaker NONE", "94.0 Speaker stereo.wav");
    room = Load(text);
    ASSERT_TRUE(room);
    ErrorCapture errors;
    bool ok = true;
    projtest::Quietly([&] { ok = StartRun(*room); });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(errors.messages.empty());
    EXPECT_FALSE(room->SimulationActive());
    EXPECT_FALSE(room->IsRunning.load());

    // A ray file that cannot be created: the project folder is gone.
    auto other = Load(TinyProject());
    ASSERT_TRUE(other);
    other->SetProjectFolder("no/such/folder/");
    projtest::Quietly([&] { ok = StartRun(*other); });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(other->SimulationActive());
    projtest::Quietly([&] { other.reset(); });
}

TEST(RunControl, WorkBesideThePumpNeverBlocksTheCaller)
{
    // The work ends only after the caller has pumped three times: a caller that waited for it
    // without pumping would never return (the work gives up after ten seconds and says so).
    std::atomic<int> pumped{0};
    bool sawPumps = false;
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id worker;
    RunBeside(
        [&] {
            worker = std::this_thread::get_id();
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (pumped.load() < 3 && std::chrono::steady_clock::now() < end) std::this_thread::yield();
            sawPumps = pumped.load() >= 3;
        },
        [&] { pumped.fetch_add(1); });
    EXPECT_TRUE(sawPumps);
    EXPECT_NE(worker, caller);

    // What the work throws reaches the caller; without a pump the work runs on the caller.
    EXPECT_THROW(RunBeside([] { throw SorviExit(1, "failed"); }, [] {}), SorviExit);
    RunBeside([&] { worker = std::this_thread::get_id(); }, {});
    EXPECT_EQ(worker, caller);
}

TEST_F(RunFolder, StartAndStopWithTheWindowPumping)
{
    room = Load(TinyProject("1.00"));
    ASSERT_TRUE(room);
    room->SetNumRays(200000);
    int pumps = 0;
    const auto pump = [&] {
        ++pumps;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    bool started = false, stopped = false;
    ErrorCapture errors;  // the run says it was interrupted
    projtest::Quietly([&] {
        started = StartRun(*room, pump);
        stopped = StopRun(*room, pump);
    });
    ASSERT_TRUE(started);
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(room->SimulationActive());
    EXPECT_FALSE(room->IsRunning.load());

    // A fresh run after the stop ends and saves with the pump.
    room->SetNumRays(100);
    projtest::Quietly([&] {
        started = StartRun(*room, pump);
        while (!PollRun(*room).finished) pump();
        stopped = FinishRun(*room, pump);
    });
    EXPECT_TRUE(started);
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(fs::exists("S001-R001.txt"));
}

// A stop whose temporaries are dropped beside the caller: the run has ended at the return, the
// clean-up holds the result set until it is finished, then the folder is as before and a fresh
// run starts.
TEST_F(RunFolder, AStopLeavesTheCleanUpBesideTheCaller)
{
    room = Load(TinyProject("1.00"));
    ASSERT_TRUE(room);
    const auto before = FolderFiles();
    room->SetNumRays(200000);
    RunCleanup cleanup;
    EXPECT_FALSE(cleanup.Pending());
    bool started = false, stopped = false;
    ErrorCapture errors;  // the run says it was interrupted
    const auto pump = [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); };
    projtest::Quietly([&] {
        started = StartRun(*room, pump);
        stopped = StopRun(*room, pump, &cleanup);
    });
    ASSERT_TRUE(started);
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(room->SimulationActive());
    EXPECT_TRUE(cleanup.Pending());
    cleanup.Finish(pump);
    EXPECT_FALSE(cleanup.Pending());
    EXPECT_FALSE(cleanup.Busy());
    EXPECT_FALSE(room->ResultSetOpen());
    EXPECT_EQ(FolderFiles(), before);

    room->SetNumRays(100);
    projtest::Quietly([&] {
        started = StartRun(*room);
        room->WaitForSimulation();
        stopped = FinishRun(*room);
    });
    EXPECT_TRUE(started && stopped);
    EXPECT_TRUE(fs::exists("S001-R001.txt"));
}

// A desktop run goes through the same result set as the console's: a full disk or a stop leaves
// the folder's earlier results byte for byte and no temporary, and the window is told why.
TEST_F(RunFolder, AFailedOrStoppedRunKeepsTheEarlierResults)
{
    room = Load(TinyProject());
    ASSERT_TRUE(room);
    room->SetNumRays(100);
    bool ok = false;
    projtest::Quietly([&] {
        ok = StartRun(*room);
        room->WaitForSimulation();
        ok = ok && FinishRun(*room);
    });
    ASSERT_TRUE(ok);
    const auto before = FolderFiles();

    SetFileFault([](FileStep s, const std::string& path) {
        return s == FileStep::Write && path.find("PARAMS-S001-R001.txt") != std::string::npos ? ENOSPC : 0;
    });
    ErrorCapture errors;
    projtest::Quietly([&] {
        ok = StartRun(*room);
        room->WaitForSimulation();
        ok = ok && FinishRun(*room);
    });
    SetFileFault({});
    EXPECT_FALSE(ok);
    ASSERT_FALSE(errors.messages.empty());
    EXPECT_NE(errors.messages.back().find("PARAMS-S001-R001.txt: No space left on device"), std::string::npos)
        << errors.messages.back();
    EXPECT_EQ(FolderFiles(), before);

    room->SetNumRays(200000);
    projtest::Quietly([&] {
        ok = StartRun(*room);
        EXPECT_TRUE(StopRun(*room));
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(FolderFiles(), before);

    // A run of another process going in the folder: refused at once, named.
    WriteText(".sorvi-run.lock", std::to_string(::getppid()) + "\n");
    const auto locked = FolderFiles();
    errors.messages.clear();
    projtest::Quietly([&] { ok = StartRun(*room); });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(room->SimulationActive());
    ASSERT_FALSE(errors.messages.empty());
    EXPECT_NE(errors.messages.back().find("Another run is going in folder"), std::string::npos)
        << errors.messages.back();
    EXPECT_EQ(FolderFiles(), locked);
}
