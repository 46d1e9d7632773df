// The tracing phase's commit: the pairs' arrivals applied by several threads, each pair in ray
// order, give what one thread gives; a stop leaves every pair at the same ray; a file that
// fails is reported once and takes no more text.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "geometry/FileLayer.h"
#include "simulation/PairFile.h"
#include "simulation/TResult.h"
#include "simulation/ThreadStart.h"
#include "simulation/TracerRooms.h"
#include "support/ErrorCapture.h"
#include "support/FileText.h"

using namespace tracertest;
using resulttest::ReadLines;
using resulttest::ReadRays;

namespace tracecommit {

// A hall with an open coffer (some rays are lost), diffuse, with hit files and late ray files,
// two sources and `receivers` receivers in a row.
std::unique_ptr<TracerRoom> Hall(unsigned receivers, unsigned threads, unsigned rays)
{
    std::vector<Quad> quads = CofferedHallQuads(10, 8, 6, 3, 3);
    quads.erase(quads.end() - 1);
    auto hall = std::make_unique<TracerRoom>(quads, 0.2f, 0.3f);
    hall->AddSource({2, 2, 1.5}, rays);
    hall->AddSource({8, 6, 2}, rays / 2);
    for (unsigned r = 0; r < receivers; ++r) hall->AddReceiver({2.0 + 1.3 * r, 5.0, 1.2 + 0.2 * r}, 0.5);
    hall->room->DiffuseProcessing = 1;
    hall->room->HitFilesFlag = 1;
    hall->room->SaveDiffuseRaysFlag = 1;
    hall->room->ClusterOrderGlobal = 3;
    hall->room->MaxLength = 44100 / 4;
    hall->room->run.TracerThreads = threads;
    return hall;
}

// Every file of the folder, the printed lines, the mean free path, the plane counters and each
// pair's direct sound, counters and response sums.
std::map<std::string, std::string> Outputs(TracerRoom& hall, const std::string& printed)
{
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(hall.dir.dir))
        out[e.path().filename().string()] = ReadFile(e.path());
    std::ostringstream s;
    s.precision(9);
    s << printed << '\n' << hall.room->MeanFreePath << '\n';
    for (const auto& pl : hall.room->plane) s << pl->hits << ' ';
    for (const auto& row : hall.room->spcresult)
        for (const auto& pair : row) {
            s << '\n'
              << pair->DirectSoundRay->reflections << ' ' << pair->DirectSoundIndex << ' ' << pair->EarlyRefCount << ' '
              << pair->LateRefCount << ' ' << pair->NumReflections << ' ' << pair->MaxReflection << ' '
              << pair->EarlyArrivals.Count();
            for (float e : pair->DirectSoundRay->spectrum) s << ' ' << e;
            for (const auto& band : pair->IR[0]) {
                double sum = 0;
                for (float x : band) sum += x;
                s << ' ' << sum;
            }
        }
    out["state"] = s.str();
    return out;
}

// Refuses the thread starts for which refuse(start number) is true, while alive.
class RefusedStarts {
public:
    explicit RefusedStarts(std::function<bool(unsigned)> refuse)
    {
        SetThreadStartFault([this, refuse] { return refuse(count_++); });
    }
    ~RefusedStarts() { SetThreadStartFault({}); }

private:
    std::atomic<unsigned> count_{0};
};

}  // namespace tracecommit

using tracecommit::Hall;
using tracecommit::Outputs;
using tracecommit::RefusedStarts;

// The pairs split among group threads (up to one per two threads), with the group threads the
// system refuses left to the calling thread: every file, sum and printed line is one thread's.
TEST(TraceCommit, PairGroupsGiveWhatOneThreadGives)
{
    struct Case {
        const char* name;
        unsigned receivers, threads;
        std::function<bool(unsigned)> refuse;  // by start number; the group threads start first
    };
    // Six threads keep 96 chunks in flight, four 64, two 32: the slots are taken again.
    const Case cases[] = {
        {"five receivers, three group threads", 5, 6, {}},
        {"three receivers, two group threads", 3, 4, {}},
        {"one group thread", 5, 2, {}},
        {"first group thread refused", 5, 6, [](unsigned k) { return k == 0; }},
        {"second group thread refused", 5, 6, [](unsigned k) { return k == 1; }},
        {"every start refused", 5, 6, [](unsigned) { return true; }},
    };
    constexpr unsigned kRays = 1200;
    std::map<unsigned, std::map<std::string, std::string>> reference;
    for (const unsigned receivers : {3u, 5u}) {
        auto one = Hall(receivers, 1, kRays);
        const std::string printed = one->Run();
        reference[receivers] = Outputs(*one, printed);
        ASSERT_GT(reference[receivers].at("RAYS-S001-R001-EARLY.txt").size(), 1000u);
        ASSERT_FALSE(reference[receivers].at("HITS-S002-R003.txt").empty());
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto hall = Hall(c.receivers, c.threads, kRays);
        std::string printed;
        {
            std::unique_ptr<RefusedStarts> refused;
            if (c.refuse) refused = std::make_unique<RefusedStarts>(c.refuse);
            printed = hall->Run();
        }
        const auto out = Outputs(*hall, printed);
        const auto& ref = reference.at(c.receivers);
        ASSERT_EQ(out.size(), ref.size());
        for (const auto& [name, text] : ref) EXPECT_TRUE(out.at(name) == text) << name << " differs";
    }
}

// A stop while the groups commit leaves every pair with the arrivals of the same rays, as one
// thread leaves them: each pair's ray files are the beginning of the full run's, up to one ray.
TEST(TraceCommit, StopLeavesEveryPairAtTheSameRay)
{
    constexpr unsigned kReceivers = 4, kRays = 12000;
    const char* const tails[] = {"-EARLY.txt", ".txt"};
    // The full run's ray files of the first source (the rooms of one test share their folder).
    std::map<std::string, std::vector<std::string>> fullLines;
    std::map<std::string, std::vector<int>> fullIds;
    {
        auto full = Hall(kReceivers, 1, kRays);
        full->room->DiffuseProcessing = 0;
        full->Run();
        for (unsigned r = 1; r <= kReceivers; ++r)
            for (const char* tail : tails) {
                const std::string name = full->File("RAYS", 1, r, tail);
                fullLines[name] = ReadLines(name);
                for (const TRay& ray : ReadRays(name)) fullIds[name].push_back(ray.ID);
            }
    }
    // The flag is cleared once 2 % is committed; a clear that came too late to tell anything
    // (this thread descheduled past half the first source) is tried again.
    std::unique_ptr<TracerRoom> hall;
    int last = -1;  // the last ray any pair of the first source took
    for (int attempt = 1;; ++attempt) {
        hall.reset();
        hall = Hall(kReceivers, 6, kRays);
        hall->room->DiffuseProcessing = 0;
        testing::internal::CaptureStdout();
        hall->room->AcousticParameters();
        hall->room->CreateResults();
        hall->room->PercentageStatus = 0.0f;
        std::thread run([&] { hall->room->Simulate(); });
        while (hall->room->PercentageStatus.load() < 2.0f) std::this_thread::yield();
        hall->room->IsRunning = false;
        run.join();
        testing::internal::GetCapturedStdout();
        for (auto& row : hall->room->spcresult)
            for (auto& pair : row) {
                pair->CloseRayFile();
                pair->CloseHitFile();
            }
        last = -1;
        for (unsigned r = 1; r <= kReceivers; ++r)
            for (const char* tail : tails)
                for (const TRay& ray : ReadRays(hall->File("RAYS", 1, r, tail))) last = std::max(last, ray.ID);
        if (last < static_cast<int>(kRays / 2) || attempt == 5) break;
    }
    ASSERT_GT(last, 0);
    EXPECT_LT(last, static_cast<int>(kRays / 2)) << "the stop came too late to tell anything";
    for (unsigned r = 1; r <= kReceivers; ++r)
        for (const char* tail : tails) {
            const std::string name = hall->File("RAYS", 1, r, tail);
            SCOPED_TRACE(name);
            const std::vector<int>& ids = fullIds[name];
            ASSERT_GT(ids.size(), 200u);
            const auto taken = std::count_if(ids.begin(), ids.end(), [&](int id) { return id <= last; });
            std::vector<std::string> expected = fullLines[name];
            expected.resize(static_cast<std::size_t>(taken));
            const std::vector<std::string> lines = ReadLines(name);
            EXPECT_EQ(lines.size(), expected.size()) << "lines up to ray " << last;
            EXPECT_TRUE(lines == expected);
        }
    EXPECT_TRUE(ReadLines(hall->File("RAYS", 2, 1, "-EARLY.txt")).empty());
}

// A pair file whose write fails while the groups commit: one message naming it, the text it
// held before the failure and nothing after; every other file as without the failure.
TEST(TraceCommit, AFailedPairFileIsReportedOnceAndTakesNoMoreText)
{
    // Many pair files open make every file write small blocks, so the early file takes several.
    resulttest::Scratch spare("sorvi-spare-files");
    std::vector<std::unique_ptr<TPairFile>> many;
    for (unsigned k = 0; k < 1100; ++k) {
        many.push_back(std::make_unique<TPairFile>());
        ASSERT_TRUE(many.back()->Create((spare.dir / ("f" + std::to_string(k))).string()));
    }
    for (const unsigned threads : {1u, 6u}) {
        SCOPED_TRACE(threads);
        auto clean = Hall(3, threads, 3000);
        const auto reference = Outputs(*clean, clean->Run());
        auto hall = Hall(3, threads, 3000);
        const std::string failing = hall->File("RAYS", 1, 2, "-EARLY.txt");
        ASSERT_GT(reference.at("RAYS-S001-R002-EARLY.txt").size(), 3 * TPairFile::kBlockBytes);
        unsigned writes = 0;
        const FileFault previous = SetFileFault([&](FileStep step, const std::string& path) {
            return step == FileStep::Write && path == failing && ++writes == 2 ? ENOSPC : 0;
        });
        ErrorCapture errors;
        const auto out = Outputs(*hall, hall->Run());
        SetFileFault(previous);
        ASSERT_EQ(errors.messages.size(), 1u) << errors.Joined();
        EXPECT_EQ(errors.messages[0], "Cannot write " + failing + ": " + std::strerror(ENOSPC) + "\n");
        const std::string& whole = reference.at("RAYS-S001-R002-EARLY.txt");
        const std::string& kept = out.at("RAYS-S001-R002-EARLY.txt");
        EXPECT_GE(kept.size(), TPairFile::kBlockBytes);
        EXPECT_LT(kept.size(), 2 * TPairFile::kBlockBytes);
        EXPECT_EQ(kept, whole.substr(0, kept.size()));
        for (const auto& [name, text] : reference)
            if (name != "RAYS-S001-R002-EARLY.txt") {
                EXPECT_TRUE(out.at(name) == text) << name << " differs";
            }
    }
}
