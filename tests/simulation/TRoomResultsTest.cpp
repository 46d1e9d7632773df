#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "dsp/AcousticParams.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TSourceLayer.h"
#include "simulation/ResultTestSupport.h"
#include "simulation/TRoom.h"
#include "support/ErrorCapture.h"
#include "support/TestRooms.h"

using namespace resulttest;

namespace {

// A 10 x 8 x 3 m box (absorption 0.1) with one source layer (gain 2 in band b = 1) and sources and receivers
// placed inside; result files go to a scratch folder.
class RoomResults : public ::testing::Test {
protected:
    void SetUp() override
    {
        room = std::make_unique<TRoom>();
        room->ProjectFolder = dir.dir.string();
        testsupport::BuildOneMaterialRoom(*room, testsupport::ShoeboxQuads(10, 8, 3), 0.1f, 0.0f);
        room->sourceLayer[0]->spectrum[1] = 2.0f;
        omni = room->directivity[0].get();
    }
    void TearDown() override
    {
        testing::internal::CaptureStdout();
        room.reset();
        testing::internal::GetCapturedStdout();
    }
    void AddSource(TPoint3D at)
    {
        TSource s;
        s.Position = at;
        s.NumBands = kBands;
        s.NumberOfRays = 1002;
        s.LayerID = 0;
        s.directivity = omni;
        room->AddSource(&s);
    }
    void AddReceiver(TPoint3D at, double radius = 0.5)
    {
        TReceiver r(at, radius, 0.0, 0);
        r.SetDirectivity(omni);
        room->AddReceiver(&r);
    }
    std::string Quiet(void (TRoom::*op)())
    {
        testing::internal::CaptureStdout();
        (room.get()->*op)();
        return testing::internal::GetCapturedStdout();
    }
    std::string File(const char* kind, int S, int R, const char* tail = ".txt")
    {
        char name[64];
        std::snprintf(name, sizeof name, "%s-S%.3d-R%.3d%s", kind, S, R, tail);
        return dir / name;
    }

    Scratch dir;
    std::unique_ptr<TRoom> room;
    TDirectivity* omni = nullptr;
};

}  // namespace

TEST_F(RoomResults, OnePairPerReceiverAndSourceWithEmptyFiles)
{
    AddSource({2, 2, 1.5});
    AddSource({8, 6, 1.5});
    for (double x : {3.0, 5.0, 7.0}) AddReceiver({x, 4, 1.2});
    room->ClusterOrderGlobal = 2;
    room->HitFilesFlag = 1;
    std::ofstream(File("RAYS", 1, 1)) << "stale\n";

    const std::string out = Quiet(&TRoom::CreateResults);
    EXPECT_NE(out.find("Starting room check ... Done!\n"), std::string::npos);
    EXPECT_NE(out.find("Setting S[002]-R[003] maximum reflection order for clustering to 2\n"), std::string::npos);
    ASSERT_TRUE(room->ResultsCreated);
    EXPECT_EQ(room->ResultRec, 3u);
    EXPECT_EQ(room->ResultSrc, 2u);
    ASSERT_EQ(room->spcresult.size(), 3u);
    for (unsigned R = 0; R < 3; ++R) {
        ASSERT_EQ(room->spcresult[R].size(), 2u);
        for (unsigned S = 0; S < 2; ++S) {
            const TResult& p = *room->spcresult[R][S];
            EXPECT_EQ(p.receiver, room->receiver[R].get());
            EXPECT_EQ(p.source, room->source[S].get());
            EXPECT_EQ(p.ClusterOrder, 2u);
            EXPECT_EQ(p.NumRays, 1002u);
            EXPECT_TRUE(p.RayFileOpen && p.HitFileCreated);
            for (const char* kind : {"RAYS", "HITS"})
                for (const char* tail : {".txt", "-EARLY.txt"}) {
                    const std::string f = File(kind, S + 1, R + 1, tail);
                    ASSERT_TRUE(std::filesystem::exists(f)) << f;
                    EXPECT_EQ(std::filesystem::file_size(f), 0u) << f;
                }
        }
    }
    EXPECT_GT(room->MeanFreePath, 0.0f);
}

// The cluster order of each pair: the setting, or from the reliable reception distance and
// the mean free path.
TEST_F(RoomResults, ClusterOrderFromTheSettingOrTheReceptionDistance)
{
    AddSource({2, 2, 1.5});
    AddReceiver({6, 4, 1.2}, 0.2);
    AddReceiver({7, 5, 1.2}, 0.9);
    for (int setting : {0, 4, -1}) {
        SCOPED_TRACE(setting);
        room->ClusterOrderGlobal = setting;
        const std::string out = Quiet(&TRoom::CreateResults);
        for (unsigned R = 0; R < 2; ++R) {
            unsigned expected = static_cast<unsigned>(setting);
            if (setting < 0) {
                const float d =
                    DistanceForRayProb(static_cast<float>(1.0 / 1002), static_cast<float>(room->receiver[R]->Radius));
                expected = static_cast<unsigned>(d / room->MeanFreePath);
            }
            EXPECT_EQ(room->spcresult[R][0]->ClusterOrder, expected) << R;
        }
        if (setting < 0) {
            EXPECT_NE(out.find("Max. Effective Raytracing Distance for src[1]-rec[2] is "), std::string::npos);
            EXPECT_LT(room->spcresult[0][0]->ClusterOrder, room->spcresult[1][0]->ClusterOrder);
            EXPECT_GT(room->spcresult[1][0]->ClusterOrder, 0u);
        }
    }
}

TEST_F(RoomResults, RoomCheckLengthensTheResponseOnlyForAFartherPair)
{
    struct Case {
        double distance;
        bool lengthened;
    };
    for (const Case c : {Case{343.0, false}, Case{400.0, true}}) {
        SCOPED_TRACE(c.distance);
        TearDown();
        SetUp();
        AddSource({0, 0, 0});
        AddReceiver({c.distance, 0, 0});
        room->MaxLength = 44100;
        const std::string out = Quiet(&TRoom::CheckRoom);
        if (!c.lengthened) {
            EXPECT_EQ(out, "Starting room check ... Done!\n");
            EXPECT_EQ(room->MaxLength, 44100u);
            continue;
        }
        EXPECT_EQ(out.rfind("Starting room check ... Propagation time between Source[1]-Receiver[1] greater than IR "
                            "length (400.00 m <=> 1.17 sec)!\nIncreasing simulation time: -> MAX_TIME = 1.17 (",
                            0),
                  0u)
            << out;
        EXPECT_NEAR(room->MaxLength, 401.0 / 343.0 * 44100.0, 1.0);
    }
}

// Creating again releases the earlier pairs first (their pending lines written), empties the
// files, and may lengthen the response again.
TEST_F(RoomResults, CreatingTwiceClearsFirst)
{
    AddSource({2, 2, 1.5});
    AddReceiver({6, 4, 1.2});
    Quiet(&TRoom::CreateResults);
    TRay a = Arrival(100, 10, 0, 1, 0.5f, 1.0f, 1);
    room->spcresult[0][0]->SaveRay(&a, 0);

    room->receiver[0]->Position = TPoint3D(400, 0, 0);
    ErrorCapture cap;
    const std::string out = Quiet(&TRoom::CreateResults);
    EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
    EXPECT_NE(out.find("Increasing simulation time"), std::string::npos);
    EXPECT_GT(room->MaxLength, 44100u);
    EXPECT_EQ(room->spcresult[0][0]->MaxLength, room->MaxLength);
    EXPECT_EQ(std::filesystem::file_size(File("RAYS", 1, 1, "-EARLY.txt")), 0u);
}

// Clearing releases what was created even after the room's counts changed.
TEST_F(RoomResults, ClearingUsesTheCreatedDimensions)
{
    AddSource({2, 2, 1.5});
    AddReceiver({6, 4, 1.2});
    AddReceiver({7, 4, 1.2});
    Quiet(&TRoom::CreateResults);
    TRay a = Arrival(100, 10, 0, 1, 0.5f, 1.0f, 1);
    room->spcresult[1][0]->SaveRay(&a, 0);
    AddSource({3, 3, 1.5});
    room->DelReceiver(0);
    room->ClearResults();
    EXPECT_FALSE(room->ResultsCreated);
    EXPECT_EQ(room->ResultRec + room->ResultSrc, 0u);
    EXPECT_TRUE(room->spcresult.empty());
    EXPECT_EQ(ReadLines(File("RAYS", 1, 2, "-EARLY.txt")).size(), 1u);
    room->ClearResults();  // nothing left: harmless
}

// The room frees its results (closing their files) and its lost rays under the model's listing.
TEST_F(RoomResults, DestructionClosesTheResultsUnderTheModelsListing)
{
    AddSource({2, 2, 1.5});
    AddReceiver({6, 4, 1.2});
    Quiet(&TRoom::CreateResults);
    room->CreateLostRays(3);
    TRay a = Arrival(100, 10, 0, 1, 0.5f, 1.0f, 1);
    room->spcresult[0][0]->SaveRay(&a, 0);
    testing::internal::CaptureStdout();
    room.reset();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "absorption ...done.\nresults ...done.\nreceivers ...done.\nsources ...done.\n"
              "directivities ...done.\nplanes ...done.\nplanelayers ...done.\nsourcelayers ...done.\n"
              "materials ...done.\nlost rays ...done.\n");
    EXPECT_EQ(ReadLines(File("RAYS", 1, 1, "-EARLY.txt")).size(), 1u);
}

// The release before a fatal exit empties the results first, then the model's collections;
// the lost rays stay.
TEST_F(RoomResults, ReleaseBeforeAFatalExitEmptiesTheResultsToo)
{
    AddSource({2, 2, 1.5});
    AddReceiver({6, 4, 1.2});
    Quiet(&TRoom::CreateResults);
    room->CreateLostRays(3);
    TRay a = Arrival(100, 10, 0, 1, 0.5f, 1.0f, 1);
    room->spcresult[0][0]->SaveRay(&a, 0);
    TRoomModel& model = *room;
    model.LiberaMemoria();
    EXPECT_FALSE(room->ResultsCreated);
    EXPECT_TRUE(room->spcresult.empty());
    EXPECT_EQ(room->ResultRec + room->ResultSrc, 0u);
    EXPECT_EQ(room->NumPlanes + room->NumSources + room->NumReceivers + room->NumMaterials, 0u);
    EXPECT_EQ(room->NumLostRays, 3u);
    EXPECT_EQ(ReadLines(File("RAYS", 1, 1, "-EARLY.txt")).size(), 1u);
}

// Stored ray files are read, not recreated; every arrival is early for a negative order.
TEST_F(RoomResults, ResultsForStoredRayFilesKeepThem)
{
    AddSource({2, 2, 1.5});
    AddReceiver({6, 4, 1.2});
    room->ClusterOrderGlobal = -1;
    room->HitFilesFlag = 1;
    std::ofstream(File("RAYS", 1, 1)) << "stored\n";
    const std::string out = Quiet(&TRoom::CreateResultsForRaysFiles);
    EXPECT_EQ(out, "");
    ASSERT_TRUE(room->ResultsCreated);
    const TResult& p = *room->spcresult[0][0];
    EXPECT_EQ(p.ClusterOrder, 0xFFFFFFFFu);
    EXPECT_FALSE(p.RayFileOpen);
    EXPECT_TRUE(p.HitFileCreated);
    EXPECT_FLOAT_EQ(p.LayerSpectrum[1], 2.0f);
    EXPECT_FLOAT_EQ(p.LayerSpectrum[0], 1.0f);
    EXPECT_EQ(ReadLines(File("RAYS", 1, 1)), std::vector<std::string>{"stored"});
    EXPECT_EQ(room->MeanFreePath, 0.0f);
}

// A thousand pairs with hit files: four thousand files, far more than may be open at once.
TEST_F(RoomResults, AThousandPairsWithHitFiles)
{
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = std::min<rlim_t>(old.rlim_cur, 256);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    AddSource({2, 2, 1.5});
    for (int k = 0; k < 1000; ++k) AddReceiver({3 + 0.005 * k, 4, 1.2});
    room->MaxLength = 400;
    room->HitFilesFlag = 1;
    Quiet(&TRoom::CreateResults);
    ASSERT_EQ(room->spcresult.size(), 1000u);
    const unsigned counts[1] = {0};
    for (auto& row : room->spcresult) {
        TRay a = Arrival(100, 10, 0, 5, 0.5f, 1.0f, 1);
        row[0]->SaveRay(&a, 1);
        row[0]->InsertHit(&a, counts, 1, 1, 1.0f);
    }
    room->ClearResults();
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(ReadLines(File("RAYS", 1, 1000)).size(), 1u);
    EXPECT_EQ(ReadLines(File("HITS", 1, 1000)).size(), 1u);
}
