// The console's modes in this process, with faults injected through the file and thread seams:
// a run, a rebuild from ray files, an auralization or a conversion that cannot finish ends with
// its message and status 1, and the folder keeps every earlier file byte for byte and no
// temporary.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "ConsoleTestProject.h"
#include "console/ConsoleModes.h"
#include "dsp/WavFile.h"
#include "geometry/FileLayer.h"
#include "simulation/ThreadStart.h"
#include "support/ErrorCapture.h"

namespace fs = std::filesystem;
using namespace console_test;

namespace {

using Snapshot = std::map<std::string, std::string>;

// Every regular file of the folder and its bytes, hidden ones included.
Snapshot Take(const fs::path& dir)
{
    Snapshot s;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) s[e.path().filename().string()] = ReadFile(e.path());
    return s;
}

int Console(const fs::path& dir, std::vector<std::string> args)
{
    const fs::path here = fs::current_path();
    fs::current_path(dir);
    args.insert(args.begin(), "Sorvi");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    const int status = RunConsole(static_cast<int>(args.size()), argv.data(), {});
    const std::string out = testing::internal::GetCapturedStdout();
    fs::current_path(here);
    return status;
}

// Seams restored at the end of a case.
struct Faults {
    ~Faults()
    {
        SetFileFault({});
        SetThreadStartFault({});
    }
    // errno `err` at `step` on the files whose name contains `part`.
    void File(FileStep step, std::string part, int err)
    {
        SetFileFault([=](FileStep s, const std::string& path) {
            return s == step && path.find(part) != std::string::npos ? err : 0;
        });
    }
};

void PutWav(const fs::path& path, int channels, float value)
{
    std::vector<float> samples(441 * static_cast<std::size_t>(channels), value);
    samples[0] = value == 0.0f ? 1.0f : value;
    ASSERT_TRUE(writeWAVData<float>(path.c_str(), samples.data(), 441, 44100, channels));
}

// A folder with a whole run of the box (auralized, late arrivals stored) and its files.
class ConsoleFaults : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        good_ = new ScratchDir("modes-good");
        WriteFile(good_->path() / "box.txt", BoxProject({.auralization = 1, .lateRays = 1}));
        ASSERT_EQ(Console(good_->path(), {"box.txt"}), 0);
        ASSERT_TRUE(fs::exists(good_->path() / "SALL-R001.wav"));
    }
    static void TearDownTestSuite()
    {
        delete good_;
        good_ = nullptr;
    }
    static ScratchDir* good_;
};
ScratchDir* ConsoleFaults::good_ = nullptr;

struct FaultCase {
    const char* name;
    std::vector<std::string> args;
    std::function<void(const fs::path&, Faults&)> arrange;
    std::string message;  // part of the message shown
    int status = 1;
};

TEST_F(ConsoleFaults, ARunThatCannotFinishLeavesTheFolderAsItWas)
{
    const std::string box = ReadFile(good_->path() / "box.txt");
    auto project = [](std::string text) {
        return [text](const fs::path& d, Faults&) { WriteFile(d / "box.txt", text); };
    };
    auto withSound = [&](const char* file) {
        std::string text = box;
        text.replace(text.find("Speaker NONE"), 12, std::string("Speaker ") + file);
        return text;
    };
    const std::vector<FaultCase> cases = {
        {"disk full on a parameter file",
         {"box.txt"},
         [](const fs::path&, Faults& f) { f.File(FileStep::Write, "PARAMS-S001-R001.txt", ENOSPC); },
         "PARAMS-S001-R001.txt: No space left on device"},
        {"disk full on a ray file while tracing",
         {"box.txt"},
         [](const fs::path&, Faults& f) { f.File(FileStep::Write, "RAYS-S001-R001-EARLY.txt", ENOSPC); },
         "RAYS-S001-R001-EARLY.txt: No space left on device"},
        {"disk full when the response is closed",
         {"box.txt"},
         [](const fs::path&, Faults& f) { f.File(FileStep::Flush, "S001-R001.txt", ENOSPC); },
         "S001-R001.txt: No space left on device"},
        {"a result that cannot be put in place",
         {"box.txt"},
         [](const fs::path&, Faults& f) { f.File(FileStep::Rename, ".sorvi-part-SALL-R001.wav", EIO); },
         "SALL-R001.wav: cannot put it in place"},
        {"disk full during -auralize",
         {"-auralize", "box.txt"},
         [](const fs::path&, Faults& f) { f.File(FileStep::Write, "SALL-R001.wav", ENOSPC); },
         "SALL-R001.wav: No space left on device"},
        {"-auralize in a folder that cannot be written",
         {"-auralize", "box.txt"},
         [](const fs::path&, Faults& f) { f.File(FileStep::Open, ".sorvi-part-", EACCES); },
         "Permission denied"},
        {"disk full during -rayfiles",
         {"-rayfiles", "box.txt"},
         [](const fs::path&, Faults& f) { f.File(FileStep::Close, "PARAMS-S001-R001.txt", ENOSPC); },
         "No space left on device"},
        {"the run's thread cannot start",
         {"box.txt"},
         [](const fs::path&, Faults&) { SetThreadStartFault([] { return true; }); },
         "could not be started"},
        {"out of memory during the run",
         {"box.txt"},
         [](const fs::path&, Faults&) {
             // Once: an allocation that fails while a pair's response is written on a worker.
             SetFileFault([thrown = false](FileStep s, const std::string& p) mutable -> int {
                 if (!thrown && s == FileStep::Write && p.find(".sorvi-part-S001-R001.txt") != std::string::npos) {
                     thrown = true;
                     throw std::bad_alloc();
                 }
                 return 0;
             });
         },
         "Not enough memory"},
        {"a 6-channel dry sound file",
         {"box.txt"},
         [&](const fs::path& d, Faults&) {
             PutWav(d / "six.wav", 6, 0.5f);
             WriteFile(d / "box.txt", withSound("six.wav"));
         },
         "has 6 channels"},
        {"a dry sound file that is no WAV",
         {"-auralize", "box.txt"},
         [&](const fs::path& d, Faults&) {
             WriteFile(d / "dry.wav", "not a sound\n");
             WriteFile(d / "box.txt", withSound("dry.wav"));
         },
         "is no WAV file the reader takes"},
        {"a dry WAV of NaN samples",
         {"-auralize", "box.txt"},
         [&](const fs::path& d, Faults&) {
             PutWav(d / "nan.wav", 1, std::numeric_limits<float>::quiet_NaN());
             WriteFile(d / "box.txt", withSound("nan.wav"));
         },
         "not a finite number"},
        {"another run going in the folder",
         {"box.txt"},
         [](const fs::path& d, Faults&) { WriteFile(d / ".sorvi-run.lock", std::to_string(::getppid()) + "\n"); },
         "Another run is going in folder"},
        {"a plane that cannot be triangulated",
         {"box.txt"},
         project(Cut(box, "</PLANES>") +
                 "4 0.00 0.00 1.00 4.00 3.00 1.00 4.00 0.00 1.00 0.00 3.00 1.00 Walls\n</PLANES>\n"),
         "cannot be triangulated"},
        {"a ray record of order 2000000000",
         {"-rayfiles", "box.txt"},
         [](const fs::path& d, Faults&) {
             std::string t = ReadFile(d / "RAYS-S001-R001.txt");
             std::size_t at = t.find(' ');
             for (int i = 0; i < 3; ++i) at = t.find(' ', at + 1);
             t.replace(at + 1, t.find(' ', at + 1) - at - 1, "2000000000");
             WriteFile(d / "RAYS-S001-R001.txt", t);
         },
         "RAYS-S001-R001.txt, line 1: its reflection order is out of range"},
        {"a ray record of a negative ray number",
         {"-rayfiles", "box.txt"},
         [](const fs::path& d, Faults&) {
             std::string t = ReadFile(d / "RAYS-S001-R001.txt");
             const std::size_t end = t.find('\n');
             t.replace(t.rfind(' ', end) + 1, end - t.rfind(' ', end) - 1, "-7");
             WriteFile(d / "RAYS-S001-R001.txt", t);
         },
         "line 1: its ray number is negative"},
        {"a file with no project section", {"box.txt"}, project("just some words\n"), "holds no project section"},
        {"random bytes as a drawing",
         {"-dxf2txt", "noise.dxf", "box.txt"},
         [](const fs::path& d, Faults&) {
             WriteFile(d / "noise.dxf", std::string("\x13\x9a 0\nzz\x01\xff\n999\n", 14));
         },
         "holds no entity that can be converted"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir("modes-fault");
        fs::copy(good_->path(), dir.path(), fs::copy_options::recursive);
        Faults faults;
        c.arrange(dir.path(), faults);
        const Snapshot before = Take(dir.path());
        ErrorCapture cap;
        const int status = Console(dir.path(), c.args);
        SetFileFault({});
        SetThreadStartFault({});
        EXPECT_EQ(status, c.status);
        std::string shown;
        for (const std::string& m : cap.messages) shown += m;
        EXPECT_NE(shown.find(c.message), std::string::npos) << shown;
        Snapshot after = Take(dir.path());
        after.erase("SIM-INFO.txt");  // the report of the project just read, in the working directory
        Snapshot earlier = before;
        earlier.erase("SIM-INFO.txt");
        EXPECT_EQ(after.size(), earlier.size());
        for (const auto& [name, bytes] : earlier) {
            const auto it = after.find(name);
            ASSERT_NE(it, after.end()) << name << " is gone";
            EXPECT_TRUE(it->second == bytes) << name << " changed";
        }
    }
}

// A stop by a signal in the middle of the run keeps no file of it and no temporary.
TEST_F(ConsoleFaults, ASignalStopsTheRunAndLeavesTheFolderAsItWas)
{
    ScratchDir dir("modes-signal");
    fs::copy(good_->path(), dir.path(), fs::copy_options::recursive);
    const Snapshot before = Take(dir.path());
    Faults faults;
    bool raised = false;
    SetFileFault([&](FileStep s, const std::string& p) {
        if (!raised && s == FileStep::Write && p.find("RAYS") != std::string::npos) {
            raised = true;
            std::raise(SIGTERM);
        }
        return 0;
    });
    EXPECT_EQ(Console(dir.path(), {"box.txt"}), 128 + SIGTERM);
    std::signal(SIGTERM, SIG_DFL);
    EXPECT_TRUE(raised);
    Snapshot after = Take(dir.path());
    after["SIM-INFO.txt"] = before.at("SIM-INFO.txt");
    for (const auto& [name, bytes] : after) EXPECT_TRUE(before.count(name) && before.at(name) == bytes) << name;
    EXPECT_EQ(after.size(), before.size());
}

// The sound results of the rows that run: a receiver outside the room and one at the source get
// a warning and a parameter file of finite numbers with the true distance.
TEST(ConsoleNoDirectSound, WarnedAndWrittenInFiniteNumbers)
{
    struct Case {
        const char* name;
        const char* receiver;
        const char* warning;
        const char* distance;
    };
    const Case cases[] = {
        {"outside the room", "9.00 1.50 1.20", "lies outside the room", "Distance = 8.00 m"},
        {"at the source", "1.00 1.50 1.20", "lies at source 1", "Distance = 0.00 m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir("modes-direct");
        std::string box = BoxProject();
        box.replace(box.find("3.00 1.50 1.20 0.5"), 14, c.receiver);
        WriteFile(dir.path() / "box.txt", box);
        const fs::path here = fs::current_path();
        fs::current_path(dir.path());
        std::vector<std::string> args = {"Sorvi", "box.txt"};
        std::vector<char*> argv = {args[0].data(), args[1].data(), nullptr};
        testing::internal::CaptureStdout();
        const int status = RunConsole(2, argv.data(), {});
        const std::string out = testing::internal::GetCapturedStdout();
        fs::current_path(here);
        EXPECT_EQ(status, 0);
        EXPECT_NE(out.find(c.warning), std::string::npos) << out.substr(0, 3000);
        const std::string params = ReadFile(dir.path() / "PARAMS-S001-R001.txt");
        EXPECT_NE(params.find(std::string(c.distance) + ", Rays = 0,  SPL(dir): -999.00 (no direct sound)"),
                  std::string::npos)
            << params;
        EXPECT_EQ(params.find("inf"), std::string::npos) << params;
        EXPECT_EQ(ReadFile(dir.path() / "S001-R001.txt").find("nan"), std::string::npos);
    }
}

}  // namespace
