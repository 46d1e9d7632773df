#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "simulation/ResultTestSupport.h"
#include "simulation/TextFields.h"

using namespace resulttest;

namespace {

struct Early {
    unsigned index;
    float azim, elev;
    unsigned order;
    float fatordist;
    float energy;
    int id;
};

// A pair with ray and hit files in a scratch folder; early arrivals are written as the tracer
// writes them, then clustered.
class Clustering : public ::testing::Test {
protected:
    void SetUp() override
    {
        pair = setup.Make(3, 2000);
        pair->CreateHitFile(0, 0, (dir / "HITS").c_str());
        pair->CreateRayFile(0, 0, (dir / "RAYS").c_str());
    }
    void Write(const std::vector<Early>& arrivals)
    {
        const unsigned counts[2] = {1, 0};
        for (const Early& e : arrivals) {
            TRay a = Arrival(e.index, e.azim, e.elev, e.order, e.fatordist, e.energy, e.id);
            pair->SaveRay(&a, 0);
            pair->InsertHit(&a, counts, 2, 0, 1.0f);
        }
    }
    std::string Run()
    {
        testing::internal::CaptureStdout();
        pair->Cluster();
        return testing::internal::GetCapturedStdout();
    }
    std::vector<TRay> Clustered() { return ReadRays(dir / "RAYS-S001-R001.txt"); }
    // The arrival count of every hit line written after clustering.
    std::vector<int> HitCounts()
    {
        std::vector<int> n;
        for (const std::string& line : ReadLines(dir / "HITS-S001-R001.txt")) {
            std::string_view f[5];
            SplitFields(line, f, 5);
            int32_t v = 0;
            EXPECT_TRUE(ParseInt(f[3], v));
            n.push_back(v);
        }
        return n;
    }

    Scratch dir;
    PairSetup setup;
    std::unique_ptr<TResult> pair;
};

// The direction 40 degrees from (0, 0) and 42 degrees from (5, 0), found on the sphere.
TDirection FortyAndFortyTwo()
{
    const double rad = M_PI / 180.0;
    const double c40 = std::cos(40 * rad), c42 = std::cos(42 * rad);
    // cos(e) cos(a) = c40, cos(e) cos(a - 5) = c42
    const double a = std::atan((c42 / c40 - std::cos(5 * rad)) / std::sin(5 * rad));
    const double e = std::acos(c40 / std::cos(a));
    TDirection d;
    d.Set(static_cast<float>(a / rad + 360.0), static_cast<float>(e / rad), 1.0f);
    return d;
}

}  // namespace

// Which arrivals end up together, by time blocks and directions.
TEST_F(Clustering, GroupsByTimeBlockAndDirection)
{
    const TDirection z = FortyAndFortyTwo();
    struct Case {
        const char* what;
        std::vector<Early> in;
        std::vector<unsigned> indices;  // of the representatives, in output order
        std::vector<int> counts;        // group sizes
        std::vector<float> energies;    // band energy of each representative
    };
    const std::vector<Case> cases = {
        {"gap of 15 splits, gap of 5 joins",
         {{100, 10, 0, 1, 0.5f, 1, 1}, {105, 10, 0, 1, 0.4f, 2, 2}, {120, 10, 0, 1, 0.9f, 4, 3}},
         {100, 120},
         {2, 1},
         {3, 4}},
        {"gap of exactly 10 stays one block",
         {{100, 10, 0, 1, 0.5f, 1, 1}, {110, 10, 0, 1, 0.6f, 2, 2}},
         {110},
         {2},
         {3}},
        {"30 degrees apart: one group, the closer ray represents it",
         {{200, 0, 0, 2, 0.4f, 1, 1}, {203, 30, 0, 2, 0.9f, 2, 2}},
         {203},
         {2},
         {3}},
        {"60 degrees apart: two groups, written unchanged",
         {{200, 0, 0, 2, 0.4f, 1, 1}, {203, 60, 0, 2, 0.9f, 2, 2}},
         {200, 203},
         {1, 1},
         {1, 2}},
        {"5, 40 and 42 degrees: the strongest pair starts one group of three",
         {{300, 0, 0, 1, 0.2f, 1, 1}, {301, 5, 0, 1, 0.3f, 2, 2}, {302, z.azim, z.elev, 1, 0.9f, 4, 3}},
         {302},
         {3},
         {7}},
        {"the direct sound alone in its block is copied", {{386, 180, 0, 0, 0.8f, 8, 0}}, {386}, {1}, {8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Write(c.in);
        Run();
        EXPECT_TRUE(pair->ClusterDone);
        EXPECT_FALSE(pair->RayFileOpen);
        EXPECT_FALSE(pair->HitFileCreated);
        const auto out = Clustered();
        ASSERT_EQ(out.size(), c.indices.size());
        for (std::size_t k = 0; k < out.size(); ++k) {
            EXPECT_EQ(out[k].index, c.indices[k]) << k;
            for (unsigned b = 0; b < kBands; ++b) EXPECT_FLOAT_EQ(out[k].spectrum[b], c.energies[k]) << k;
            // Direction, order and ray number are the representative's own.
            for (const Early& e : c.in)
                if (e.index == out[k].index) {
                    EXPECT_EQ(out[k].ID, e.id);
                    EXPECT_NEAR(out[k].dir.azim, e.azim, 1e-3);
                    EXPECT_EQ(static_cast<unsigned>(out[k].reflections), e.order);
                }
        }
        EXPECT_EQ(HitCounts(), c.counts);
        // The early files stay as written.
        EXPECT_EQ(ReadLines(dir / "RAYS-S001-R001-EARLY.txt").size(), c.in.size());
    }
}

// At the wide-block limit the grouping follows the angle TDirection::Distancia gives, to the
// last bit: two arrivals 50 degrees apart (as the file holds them) stay one group unless that
// angle rounds above 50.
TEST_F(Clustering, WideBlockLimitFollowsTheDirectionAngle)
{
    for (float second : {50.0f, 50.001f, 49.999f}) {
        SCOPED_TRACE(second);
        TearDown();
        SetUp();
        Write({{100, 0, 0, 1, 0.4f, 1, 1}, {101, second, 0, 1, 0.9f, 2, 2}});
        Run();
        TDirection a, b;
        a.Set(0.0f, 0.0f, 1.0f);
        b.Set(second, 0.0f, 1.0f);
        EXPECT_EQ(Clustered().size(), a.Distancia(b) > 50.0f ? 2u : 1u);
    }
}

// Orders are clustered in ascending order; a missing order is reported; only single-arrival
// blocks move the direct-sound index.
TEST_F(Clustering, OrdersAscendWithAMessageForAMissingOne)
{
    pair->DirectSoundIndex = 1999;
    Write({{500, 10, 0, 3, 0.5f, 1, 1},
           {600, 20, 0, 0, 0.5f, 1, 2},
           {450, 30, 0, 1, 0.5f, 1, 3},
           {452, 31, 0, 1, 0.7f, 1, 4}});
    EXPECT_EQ(Run(), "\rClustering reflections of order 0 ..."
                     "\rClustering reflections of order 1 ..."
                     "\rClustering reflections of order 2 ... - No rays of order 2 for clustering\n"
                     "\rClustering reflections of order 3 ...");
    const auto out = Clustered();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].index, 600u);
    EXPECT_EQ(out[1].index, 452u);
    EXPECT_EQ(out[2].index, 500u);
    EXPECT_EQ(pair->DirectSoundIndex, 500u);
}

// Late arrivals already in the ray file stay first; representatives follow.
TEST_F(Clustering, AppendsAfterTheLateArrivals)
{
    TRay late = Arrival(1500, 0, 0, 5, 0.5f, 1, 99);
    pair->SaveRay(&late, 1);
    Write({{100, 10, 0, 1, 0.5f, 1, 1}});
    Run();
    const auto out = Clustered();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].ID, 99);
    EXPECT_EQ(out[1].ID, 1);
}

// A receiver no direct ray reached still has its early reflections clustered.
TEST_F(Clustering, PairWithoutDirectSoundKeepsItsEarlyReflections)
{
    Write({{700, 45, 0, 1, 0.5f, 1, 1}, {702, 46, 0, 1, 0.6f, 1, 2}});
    EXPECT_EQ(pair->DirectSoundRay->reflections, 0);
    EXPECT_EQ(pair->EarlyRefCount, 2u);
    Run();
    ASSERT_EQ(Clustered().size(), 1u);
    EXPECT_FLOAT_EQ(Clustered()[0].spectrum[0], 2.0f);
}

TEST_F(Clustering, NothingEarlyLeavesTheFilesOpen)
{
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(pair->DirectSoundIndex, 1999u);
    EXPECT_FALSE(pair->ClusterDone);
    EXPECT_TRUE(pair->RayFileOpen);
    EXPECT_TRUE(pair->HitFileCreated);
}

// Equal keys keep the order in which the arrivals were written: the first of equally close
// rays represents the group, whatever the sort implementation.
TEST_F(Clustering, TiesFollowTheFileOrder)
{
    for (int first : {1, 2}) {
        SCOPED_TRACE(first);
        TearDown();
        SetUp();
        const int second = 3 - first;
        Write({{100, 10, 5, 1, 0.5f, 1, first}, {100, 10, 5, 1, 0.5f, 2, second}, {104, 12, 5, 1, 0.25f, 4, 7}});
        Run();
        const auto out = Clustered();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].ID, first);
        EXPECT_FLOAT_EQ(out[0].spectrum[0], 7.0f);
    }
}

// Sums are taken over the energies as the file holds them (six significant digits).
TEST_F(Clustering, EnergiesAreSummedAsWrittenInTheFile)
{
    Write({{100, 10, 0, 1, 0.5f, 0.1234567f, 1}, {101, 10, 0, 1, 0.6f, 0.1234567f, 2}});
    Run();
    const auto out = Clustered();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].spectrum[0], 0.123457f + 0.123457f);
}

// A long block of diffuse arrivals is grouped in pieces of bounded size; no energy is lost.
TEST_F(Clustering, LongBlocksAreGroupedInBoundedPieces)
{
    std::vector<Early> in;
    for (unsigned k = 0; k < 20; ++k) in.push_back({300 + 2 * k, 10, 0, 2, 0.5f, 1, static_cast<int>(k)});
    for (unsigned limit : {8u, 1024u}) {
        SCOPED_TRACE(limit);
        TearDown();
        SetUp();
        pair->MaxClusterBlock = limit;
        Write(in);
        Run();
        const auto out = Clustered();
        const std::vector<float> expected = limit == 8 ? std::vector<float>{8, 8, 4} : std::vector<float>{20};
        ASSERT_EQ(out.size(), expected.size());
        for (std::size_t k = 0; k < out.size(); ++k) EXPECT_FLOAT_EQ(out[k].spectrum[0], expected[k]);
        if (limit == 8) {
            EXPECT_EQ(HitCounts(), (std::vector<int>{8, 8, 4}));
        }
    }
}

TEST(ClusteringHelpers, SmallestPositionAndGroupLookup)
{
    const float list[] = {3.0f, 1.0f, 1.0f, 2.0f};
    EXPECT_EQ(TResult::findPosMinFloat(list, 4), 1u);
    const std::vector<std::vector<int>> grupo = {{1, 0, 0}, {0, 1, 1}};
    EXPECT_EQ(TResult::ElementoTemGrupo(grupo, 2, 2), 1);
    EXPECT_EQ(TResult::ElementoTemGrupo(grupo, 1, 2), -1);
    TSubRay s[3];
    s[0].Set(TDirection{}, 0.5f, 1, 0, 0, 1);
    s[1].Set(TDirection{}, 0.9f, 1, 0, 1, 1);
    s[2].Set(TDirection{}, 0.9f, 1, 0, 2, 1);
    EXPECT_FLOAT_EQ(TResult::getMaxFatorDist(s, 3), 0.9f);
    EXPECT_EQ(TResult::getIndiceMaxFatorDist(s, 3), 1);
    s[1].Remove();
    EXPECT_EQ(TResult::getIndiceMaxFatorDist(s, 3), 2);
    testing::internal::CaptureStdout();
    TResult::showgrupos(grupo, 2, 3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "=========================================================\ngrupo [00] = 000 \ngrupo [01] = 001 002 \n");
}

// The file is read and the pieces grouped on several threads, and a large file is clustered a
// few orders at a time: the files and the printed lines are the same as on one thread at once.
TEST_F(Clustering, ThreadsAndBatchesChangeNothing)
{
    std::mt19937 gen(11);
    std::uniform_real_distribution<float> azim(0.0f, 360.0f), elev(-80.0f, 80.0f), fd(0.0f, 1.0f);
    std::vector<Early> in;
    for (unsigned k = 0; k < 3000; ++k) {
        const unsigned order = 1 + gen() % 4;
        const unsigned index = order == 4 ? 900 + 40 * (k % 7) : 100 + order * 50 + gen() % 200;
        in.push_back(
            {index, azim(gen), elev(gen), order, fd(gen), 1.0f + static_cast<float>(k % 5), static_cast<int>(k)});
    }
    std::string reference[3];
    // Threads, memory, and the pairs sharing that memory while the arrivals come in (the
    // last run spills them then but clusters them in one batch).
    const std::tuple<unsigned, uint64_t, uint32_t> runs[] = {
        {1, 1u << 30, 1}, {4, 1u << 30, 1}, {7, 1u << 30, 1}, {1, 1, 1}, {3, 40000, 1}, {2, 1u << 30, 1u << 20}};
    for (auto [threads, memory, share] : runs) {
        SCOPED_TRACE(std::to_string(threads) + " threads, " + std::to_string(memory) + " bytes / " +
                     std::to_string(share));
        TearDown();
        SetUp();
        pair->MaxClusterBlock = 100;
        pair->ClusterThreads = threads;
        pair->ClusterMemoryBytes = memory;
        pair->ArrivalMemoryShare = share;
        Write(in);
        // Lines the reading skips: malformed ones, with and without an order field.
        pair->EarlyRayFile.Close();
        std::ofstream(dir / "RAYS-S001-R001-EARLY.txt", std::ios::app) << "500 0.5 10 20 2 x\n1 2\n\n";
        EXPECT_EQ(pair->EarlyArrivals.Spilled(), memory < 1u << 30 || share > 1);
        const std::string printed = Run();
        // The scratch file read back goes once the clustering has read it.
        pair->EarlyArrivals.Settle();
        EXPECT_FALSE(std::filesystem::exists(dir / "RAYS-S001-R001-EARLY.txt.records"));
        const std::string files[3] = {printed, ReadFile(dir / "RAYS-S001-R001.txt"),
                                      ReadFile(dir / "HITS-S001-R001.txt")};
        if (threads == 1 && memory > 1) {
            std::copy(std::begin(files), std::end(files), reference);
            EXPECT_GT(files[1].size(), 10000u);
            continue;
        }
        for (int f = 0; f < 3; ++f) EXPECT_TRUE(files[f] == reference[f]) << f;
    }
}

// Thousands of clustered lines are formatted in windows and chunks of pieces on the pair's
// threads: the files and printed lines are those of one thread. The synthesis that follows
// takes the clustered arrivals from the records kept when they were written, after the late
// lines it reads from the file: its response is the one a pair rebuilds from the file alone.
TEST_F(Clustering, ManyLinesOnThreadsAndTheKeptRecordsGiveTheFilesResponse)
{
    std::mt19937 gen(23);
    std::uniform_real_distribution<float> azim(0.0f, 360.0f), elev(-80.0f, 80.0f), fd(0.0f, 1.0f), e(1e-7f, 1e-3f);
    std::vector<Early> in;
    for (unsigned k = 0; k < 13000; ++k) {
        // Mostly arrivals alone in their time block, every 16th a block of five.
        const unsigned order = 1 + k % 3;
        const unsigned index = 50 + 20 * (k / 3);
        const unsigned copies = k % 16 == 0 ? 5 : 1;
        for (unsigned c = 0; c < copies; ++c)
            in.push_back({index + c, azim(gen), elev(gen), order, fd(gen), e(gen), static_cast<int>(k * 8 + c)});
    }
    std::vector<TRay> lates;
    for (unsigned k = 0; k < 300; ++k)
        lates.push_back(Arrival(3000 + 97 * k, azim(gen), elev(gen), 5 + k % 4, 0.5f, e(gen), 900000 + k));
    constexpr unsigned kLength = 90000;
    std::string reference[3];
    std::vector<float> response;
    for (unsigned threads : {1u, 2u, 5u}) {
        SCOPED_TRACE(threads);
        pair = setup.Make(3, kLength);
        pair->CreateHitFile(0, 0, (dir / "HITS").c_str());
        pair->CreateRayFile(0, 0, (dir / "RAYS").c_str());
        pair->ClusterThreads = threads;
        for (TRay& late : lates) pair->SaveRay(&late, 1);
        Write(in);
        const std::string printed = Run();
        // The scratch file read back goes once the clustering has read it.
        pair->EarlyArrivals.Settle();
        EXPECT_FALSE(std::filesystem::exists(dir / "RAYS-S001-R001-EARLY.txt.records"));
        const std::string files[3] = {printed, ReadFile(dir / "RAYS-S001-R001.txt"),
                                      ReadFile(dir / "HITS-S001-R001.txt")};
        testing::internal::CaptureStdout();
        pair->GetImpulseResponses();
        testing::internal::GetCapturedStdout();
        if (threads == 1) {
            std::copy(std::begin(files), std::end(files), reference);
            EXPECT_GT(std::count(files[1].begin(), files[1].end(), '\n'), 13000);
            response = pair->globalIR[0];
            // A pair given the written file alone.
            auto rebuilt = setup.Make(3, kLength);
            testing::internal::CaptureStdout();
            rebuilt->GetImpulseResponsesfromRAYS((dir / "RAYS-S001-R001.txt").c_str());
            testing::internal::GetCapturedStdout();
            EXPECT_EQ(rebuilt->NumReflections, pair->NumReflections);
            EXPECT_TRUE(rebuilt->globalIR[0] == response);
            EXPECT_GT(*std::max_element(response.begin(), response.end()), 0.0f);
            continue;
        }
        for (int f = 0; f < 3; ++f) EXPECT_TRUE(files[f] == reference[f]) << f;
        EXPECT_TRUE(pair->globalIR[0] == response);
    }
}

// A stop request ends the clustering and the synthesis part way, at every point where the
// step asks; a probe that never stops changes nothing.
TEST_F(Clustering, AStopRequestEndsThePairsStepsPartWay)
{
    std::mt19937 gen(13);
    std::uniform_real_distribution<float> azim(0.0f, 360.0f), elev(-80.0f, 80.0f), fd(0.0f, 1.0f);
    std::vector<Early> in;
    for (unsigned k = 0; k < 1500; ++k)
        in.push_back({100 + k / 3, azim(gen), elev(gen), 1 + k % 3, fd(gen), 1.0f, static_cast<int>(k)});
    auto prepare = [&](unsigned threads) {
        TearDown();
        SetUp();
        pair->MaxClusterBlock = 16;
        pair->ClusterThreads = threads;
        pair->ClusterMemoryBytes = 20000;  // several batches
        Write(in);
    };
    prepare(1);
    const std::string reference = Run() + ReadFile(dir / "RAYS-S001-R001.txt");

    unsigned asked = 0;
    prepare(1);
    pair->StopProbe = [&] {
        ++asked;
        return false;
    };
    EXPECT_EQ(Run() + ReadFile(dir / "RAYS-S001-R001.txt"), reference);
    ASSERT_GT(asked, 3u);

    for (unsigned threads : {1u, 3u})
        for (unsigned after : {0u, 1u, asked / 2, asked - 1}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, stop at question " + std::to_string(after + 1));
            prepare(threads);
            std::atomic<unsigned> n{0};
            pair->StopProbe = [&] { return n.fetch_add(1) >= after; };
            testing::internal::CaptureStdout();
            EXPECT_THROW(pair->Cluster(), PairStepStopped);
            testing::internal::GetCapturedStdout();
            EXPECT_FALSE(pair->ClusterDone);
        }

    prepare(1);
    Run();
    pair->StopProbe = [] { return true; };
    testing::internal::CaptureStdout();
    EXPECT_THROW(pair->GetImpulseResponses(), PairStepStopped);
    testing::internal::GetCapturedStdout();
}

// An early arrival the step writes (the direct sound) may spill every record held: a stop
// request ends that spill before its first block, and once the arrival is dropped again the
// pair clusters as if nothing had happened.
TEST_F(Clustering, AStopRequestEndsASpillOfTheEarlyRecords)
{
    std::mt19937 gen(17);
    std::uniform_real_distribution<float> azim(0.0f, 360.0f), elev(-80.0f, 80.0f), fd(0.0f, 1.0f);
    std::vector<Early> in;
    for (unsigned k = 0; k < 3000; ++k)
        in.push_back({100 + k / 3, azim(gen), elev(gen), 1 + k % 3, fd(gen), 1.0f, static_cast<int>(k)});
    Write(in);
    const std::string reference = Run() + ReadFile(dir / "RAYS-S001-R001.txt");

    TearDown();
    SetUp();
    Write(in);
    ASSERT_FALSE(pair->EarlyArrivals.Spilled());
    const TPairFile::Mark mark = pair->EarlyRayFile.Remember();
    pair->ClusterMemoryBytes = 1;
    unsigned asked = 0;
    pair->StopProbe = [&] { return ++asked > 0; };
    TRay direct = Arrival(90, 0.0f, 0.0f, 0, 1.0f, 1.0f, 0);
    EXPECT_THROW(pair->SaveRay(&direct, 0), PairStepStopped);
    EXPECT_EQ(asked, 1u);
    EXPECT_FALSE(pair->EarlyArrivals.Spilled());

    pair->StopProbe = nullptr;
    pair->ClusterMemoryBytes = uint64_t{768} << 20;
    pair->EarlyRayFile.Restore(mark);
    pair->EarlyArrivals.Truncate(in.size());
    EXPECT_EQ(Run() + ReadFile(dir / "RAYS-S001-R001.txt"), reference);
}
