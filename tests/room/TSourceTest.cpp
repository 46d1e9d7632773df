#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "dsp/WavFile.h"
#include "dsp/acoustics.h"
#include "room/TSource.h"
#include "support/ErrorCapture.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
constexpr unsigned kSourceBands = 9;

TSource MakeSource(unsigned rays, const char* sndFile, const std::string& folder = std::string())
{
    return TSource(TPoint3D(1, 2, 3), SPL2Power(94.0f), 0, rays, 10.0, 45.0, kSourceBands, sndFile, folder);
}

TEST(Source, RayCountsFitTheIcosahedronGrid)
{
    const struct {
        unsigned requested, stored;
    } cases[] = {{12, 12},     {13, 12},     {50, 42}, {100, 92}, {1000, 1002},
                 {5000, 4842}, {4842, 4842}, {2, 12},  {1, 12},   {0, 12}};
    for (const auto& c : cases) {
        TSource src;
        EXPECT_EQ(src.SetNumRays(c.requested), c.stored) << c.requested;
        EXPECT_EQ(src.GetNumRays(), c.stored);
    }
}

TEST(Source, FewRaysAreRaisedWithANotice)
{
    for (unsigned rays : {0u, 5u, 11u}) {
        testing::internal::CaptureStdout();
        TSource src = MakeSource(rays, "NONE");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Adjusting number of rays to minimum value: 12.\n");
        EXPECT_EQ(src.NumberOfRays, 12u);
    }
    testing::internal::CaptureStdout();
    TSource src = MakeSource(5000, "NONE");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(src.NumberOfRays, 4842u);
    EXPECT_EQ(src.ElevRotation, 10.0f);
    EXPECT_EQ(src.AzimRotation, 45.0f);
    EXPECT_EQ(src.LayerID, 0);
    EXPECT_EQ(src.NumBands, kSourceBands);
    EXPECT_NEAR(src.GetSPL(), 94.0f, 1e-4);
}

TEST(Source, NoneOrAnyPartOfItMeansNoSoundFile)
{
    for (const char* name : {"NONE", "NON", "ONE", "N", "", static_cast<const char*>(nullptr)}) {
        ErrorCapture cap;
        TSource src = MakeSource(100, name);
        EXPECT_FALSE(src.SoundFileFlag);
        EXPECT_EQ(src.SoundFile, "NONE");
        EXPECT_TRUE(cap.messages.empty()) << (name ? name : "(null)");
        EXPECT_TRUE(src.SetSoundFile(name));
    }
}

// A project folder with sound files in it.
class SoundFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(folder_ / "audio");
        const std::vector<float> samples(100, 0.25f);
        ASSERT_TRUE(writeWAVData<float>((folder_ / "audio" / "voice.wav").c_str(), samples.data(), 100, 44100, 1));
        ASSERT_TRUE(writeWAVData<float>((folder_ / "fast.wav").c_str(), samples.data(), 100, 48000, 1));
    }
    std::string Folder() const { return folder_.string(); }
    TempDir temp_{"sound"};
    fs::path folder_ = temp_.path();
};

TEST_F(SoundFiles, NameIsKeptAsWrittenAndJoinedWithTheFolderForUse)
{
    ErrorCapture cap;
    TSource rel = MakeSource(100, "audio/voice.wav", Folder());
    EXPECT_TRUE(rel.SoundFileFlag);
    EXPECT_EQ(rel.SoundFile, "audio/voice.wav");
    EXPECT_EQ(fs::path(rel.GetSoundFilePath()), folder_ / "audio" / "voice.wav");

    const std::string absolute = (folder_ / "audio" / "voice.wav").string();
    TSource abs = MakeSource(100, absolute.c_str(), "/some/other/folder");
    EXPECT_TRUE(abs.SoundFileFlag);
    EXPECT_EQ(abs.SoundFile, absolute);
    EXPECT_EQ(abs.GetSoundFilePath(), absolute);
    EXPECT_TRUE(cap.messages.empty());

    TSource copy(&rel);
    EXPECT_TRUE(copy.SoundFileFlag);
    EXPECT_EQ(copy.SoundFile, "audio/voice.wav");
    EXPECT_EQ(copy.GetSoundFilePath(), rel.GetSoundFilePath());
}

TEST_F(SoundFiles, MissingOrIncompatibleFileIsReportedAndNotAuralized)
{
    {
        ErrorCapture cap;
        TSource src = MakeSource(100, "missing.wav", Folder());
        EXPECT_FALSE(src.SoundFileFlag);
        EXPECT_EQ(src.SoundFile, "missing.wav");  // a later save keeps the name
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_EQ(cap.messages[0], "Soundfile " + (folder_ / "missing.wav").string() +
                                       " NOT FOUND!\nNo auralization will be performed for this source.");
    }
    {
        ErrorCapture cap;
        TSource src = MakeSource(100, "audio", Folder());  // a folder is not a sound file
        EXPECT_FALSE(src.SoundFileFlag);
        ASSERT_EQ(cap.messages.size(), 1u);
    }
    {
        ErrorCapture cap;
        testing::internal::CaptureStdout();
        TSource src = MakeSource(100, "fast.wav", Folder());
        testing::internal::GetCapturedStdout();
        EXPECT_FALSE(src.SoundFileFlag);
        ASSERT_FALSE(cap.messages.empty());
        EXPECT_EQ(cap.messages.back(), "Soundfile not compatible. No signal output!");
    }
}

TEST_F(SoundFiles, SetSoundFileRefusesAndKeepsTheOldFile)
{
    TSource src = MakeSource(100, "audio/voice.wav", Folder());
    ASSERT_TRUE(src.SoundFileFlag);
    {
        ErrorCapture cap;
        EXPECT_FALSE(src.SetSoundFile("nothing.wav"));
        EXPECT_EQ(cap.messages,
                  std::vector<std::string>{"Soundfile " + (folder_ / "nothing.wav").string() + " NOT FOUND!\n"});
    }
    {
        ErrorCapture cap;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(src.SetSoundFile("fast.wav"));
        testing::internal::GetCapturedStdout();
        ASSERT_FALSE(cap.messages.empty());
        EXPECT_EQ(cap.messages.back(), "Soundfile not compatible!\n");
    }
    EXPECT_TRUE(src.SoundFileFlag);
    EXPECT_EQ(src.SoundFile, "audio/voice.wav");

    EXPECT_TRUE(src.SetSoundFile("NONE"));
    EXPECT_FALSE(src.SoundFileFlag);
    EXPECT_EQ(src.SoundFile, "NONE");
    EXPECT_TRUE(src.SetSoundFile("audio/voice.wav"));
    EXPECT_TRUE(src.SoundFileFlag);
}

TEST(Source, RoomCopyKeepsStoredRaysAndSharesThePattern)
{
    testing::internal::CaptureStdout();
    TDirectivity card("CARDIOID", kSourceBands);
    testing::internal::GetCapturedStdout();
    auto original = std::make_unique<TSource>(MakeSource(1000, "NONE"));
    original->SetDirectivity(&card);
    original->NumberOfRays = 777;  // written by the tracer, not of the grid's form
    original->srcID = 4;
    original->Name = "src 05";
    original->SetPower(0.01f);

    TSource copy(original.get());
    original.reset();
    EXPECT_EQ(copy.NumberOfRays, 777u);
    EXPECT_EQ(copy.directivity, &card);
    EXPECT_EQ(copy.GetPower(), 0.01f);
    EXPECT_EQ(copy.Position, TPoint3D(1, 2, 3));
    EXPECT_EQ(copy.srcID, 0);
    EXPECT_EQ(copy.Name, "");

    testing::internal::CaptureStdout();
    copy.PrintSource();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Pos = (1.00,2.00,3.00) - LayerID = 0 - NRaios = 777 - Power = 10000.00 e-6 - "
              "SPL_1m = 89.01 - Elev. = 10.00 - Azim. = 45.00\n"
              "Directivity = CARDIOID\nSoundFileFlag = 0 FileName: NONE\n");
}

TEST(Source, RelativeDirectionUsesTheLocalAxes)
{
    TSource src;
    src.vx = TVector(0, 1, 0);
    src.vy = TVector(-1, 0, 0);
    src.vz = TVector(0, 0, 1);
    const TVector r = src.GetRelativeDirection(TVector(2, 3, 4));
    EXPECT_EQ(r, TVector(3, -2, 4));
}

}  // namespace
