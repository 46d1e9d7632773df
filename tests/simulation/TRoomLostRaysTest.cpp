#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "simulation/LostRayFile.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"
#include "support/ErrorCapture.h"
#include "support/TempDir.h"

namespace {

class LostRays : public ::testing::Test {
protected:
    void SetUp() override { room.ProjectFolder = folder.string(); }
    void WriteFile(const std::string& text) { std::ofstream(folder / "LostRays.txt", std::ios::binary) << text; }

    TempDir temp{"lost-rays"};
    std::filesystem::path folder = temp.path();
    TRoom room;
};

TEST_F(LostRays, ReadsEveryLineNormalisesAndDropsTheSource)
{
    // The last line has no line feed: it is still a complete record.
    WriteFile("1.00 2.00 3.00 0.60 0.00 0.80 4 1\n"
              "-0.50 0.00 7.25 0.00 0.00 2.00 11 0\r\n"
              "\n"
              "0.00 0.00 0.00 0.00 -1.00 0.00 0 2");
    room.LoadLostRaysTxt();
    ASSERT_EQ(room.NumLostRays, 3u);
    ASSERT_EQ(room.lostRays.size(), 3u);
    EXPECT_TRUE(room.LostRaysCreated);
    EXPECT_EQ(room.MaxLostRaysRef, 11);
    const Raio_st& first = *room.lostRays[0];
    EXPECT_EQ(first.p, TPoint3D(1, 2, 3));
    EXPECT_NEAR(first.v.x, 0.6, 1e-12);
    EXPECT_NEAR(first.v.z, 0.8, 1e-12);
    EXPECT_EQ(first.reflections, 4u);
    EXPECT_EQ(first.NumBands, 0u);
    EXPECT_EQ(room.lostRays[1]->v, TVector(0, 0, 1));  // normalised from (0, 0, 2)
    EXPECT_EQ(room.lostRays[2]->reflections, 0u);

    // Loading again replaces the list.
    WriteFile("9.00 9.00 9.00 1.00 0.00 0.00 2 0\n");
    room.LoadLostRaysTxt();
    ASSERT_EQ(room.NumLostRays, 1u);
    EXPECT_EQ(room.lostRays[0]->p, TPoint3D(9, 9, 9));
    EXPECT_EQ(room.MaxLostRaysRef, 2);
}

TEST_F(LostRays, MalformedLinesEndTheListWithAMessage)
{
    const struct {
        const char* text;
        unsigned kept;
    } cases[] = {
        {"1.00 2.00 3.00 0.60 0.00 0.80 4 1\n1.00 2.00 3.00 0.60 0.00\n5.00 5.00 5.00 1.00 0.00 0.00 1 0\n", 1},
        {"1.00 2.00 3.00 0.60 0.00 0.80 4\n", 0},      // no source index
        {"1.00 2.00 3.00 0.60 0.00 0.80 4 1 9\n", 0},  // a field too many
        {"1,00 2,00 3,00 0,60 0,00 0,80 4 1\n", 0},    // decimal commas
        {"1.00 2.00 3.00 0.60 0.00 0.80 -4 1\n", 0},   // negative reflections
    };
    for (const auto& c : cases) {
        WriteFile(c.text);
        ErrorCapture cap;
        room.LoadLostRaysTxt();
        EXPECT_EQ(room.NumLostRays, c.kept) << c.text;
        ASSERT_EQ(cap.messages.size(), 1u) << c.text;
        EXPECT_NE(cap.messages[0].find("malformed line"), std::string::npos);
        EXPECT_NE(cap.messages[0].find("LostRays.txt"), std::string::npos);
    }
}

TEST_F(LostRays, MissingOrEmptyFile)
{
    room.CreateLostRays(4);
    {
        ErrorCapture cap;
        room.LoadLostRaysTxt();
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_EQ(cap.messages[0],
                  "\nFile with lost rays cannot be opened (" + room.ProjectFile("LostRays.txt") + ")!\n");
    }
    EXPECT_EQ(room.NumLostRays, 0u);
    EXPECT_TRUE(room.lostRays.empty());

    WriteFile("");
    room.MaxLostRaysRef = 5;
    room.LoadLostRaysTxt();
    EXPECT_EQ(room.NumLostRays, 0u);
    EXPECT_EQ(room.MaxLostRaysRef, 0);
}

TEST_F(LostRays, CreateAndDeleteTheList)
{
    room.CreateLostRays(3);
    ASSERT_EQ(room.NumLostRays, 3u);
    ASSERT_EQ(room.lostRays.size(), 3u);
    EXPECT_EQ(room.lostRays[2]->ID, -1);
    EXPECT_TRUE(room.LostRaysCreated);
    room.DeleteLostRays();
    room.DeleteLostRays();
    EXPECT_EQ(room.NumLostRays, 0u);
    EXPECT_TRUE(room.lostRays.empty());
    EXPECT_FALSE(room.LostRaysCreated);
    room.WriteLostRays("ignored.txt");
    room.AddLostRay(Raio_st());
    EXPECT_EQ(room.NumLostRays, 0u);
}

TEST(LostRayLine, WriteAndParseRoundTrip)
{
    Raio_st ray;
    ray.p = TPoint3D(1.005, -2, 3.5);
    ray.v = TVector(0.6, 0, -0.8);
    ray.reflections = 12;
    std::string line;
    AppendLostRayLine(line, ray, 3);
    EXPECT_EQ(line, "1.00 -2.00 3.50 0.60 0.00 -0.80 12 3\n");  // 1.005 is just below 1.005
    std::string fromValues;
    AppendLostRayLine(fromValues, ray.p, ray.v, 12, 3);
    EXPECT_EQ(fromValues, line);

    Raio_st back;
    int source = -1;
    ASSERT_TRUE(ParseLostRayLine(line, back, source));
    EXPECT_EQ(back.p, TPoint3D(1, -2, 3.5));
    EXPECT_EQ(back.reflections, 12u);
    EXPECT_EQ(source, 3);
    EXPECT_FALSE(ParseLostRayLine("1.00 -2.00 3.50 0.60 0.00 -0.80 12", back, source));
    EXPECT_EQ(source, 3);
}

}  // namespace
