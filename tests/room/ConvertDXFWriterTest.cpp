// Drawings written by an independent DXF writer (ezdxf) convert into the expected room.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/TPlane.h"
#include "room/ConvertDXF.h"
#include "room/TRoomModel.h"
#include "support/ErrorCapture.h"
#include "support/ProjectFileSupport.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDxfFixtures = fs::path(SORVI_SOURCE_DIR) / "tests" / "room" / "dxf";

// Completes the converted file with the default settings and material and reads it like the
// console does.
void Load(TRoomModel& room, const std::string& project)
{
    room.WriteDefaultSections(project.c_str());
    const char* f = project.c_str();
    room.PathSetup(f);
    room.EnviromentSetupTXT(f);
    room.AddMaterialsTxt(f);
    room.AddPlaneLayersTxt(f);
    room.AssociatePlaneLayersTxT(f);
    room.AddPlanesTxT(f);
    room.GetExternalPlanes();
    room.AddDirectivitiesTxt(f);
    room.AddSourceLayersTxt(f);
    room.AddSourcesTxt(f);
    room.AddReceiverLayersTxt(f);
    room.AddReceiversTxt(f);
}

std::vector<std::string> Lines(const fs::path& p, const std::string& open, const std::string& close)
{
    return projtest::SectionLines(projtest::ReadFile(p.string()), open, close);
}

// Every line the conversion writes is read back without a complaint.
TEST(ConvertedFixture, LoadsEveryElement)
{
    const TempDir dir("dxf-fixture");
    const std::string project = (dir / "room.txt").string();
    ErrorCapture cap;
    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(ConvertDXF_RoomFile((kDxfFixtures / "room.dxf").c_str(), project.c_str(), 1, 1, 1, 1));
    TRoomModel room;
    Load(room, project);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
    ASSERT_EQ(room.NumPlanes, 13u);
    for (unsigned i = 0; i < room.NumPlanes; ++i) EXPECT_GE(room.plane[i]->LayerID, 0) << "plane " << i;
    EXPECT_EQ(room.NumSources, 1u);
    EXPECT_EQ(room.NumReceivers, 1u);
}

// The drawings ezdxf writes, made once when the tests are built (see tests/CMakeLists.txt).
#ifdef SORVI_EZDXF_DIR
const fs::path kEzdxfDrawings = SORVI_EZDXF_DIR;
#else
const fs::path kEzdxfDrawings;  // python3 with ezdxf was not there
#endif

class ShoeboxTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        if (kEzdxfDrawings.empty()) GTEST_SKIP() << "python3 with ezdxf was not installed when the tests were built";
    }

    const fs::path dxf = kEzdxfDrawings / (std::string(GetParam()) + ".dxf");
    const TempDir dir_{"dxf-shoebox"};
};

TEST_P(ShoeboxTest, ConvertsToSixWallsSourceAndReceiver)
{
    const fs::path out = dir_ / (std::string(GetParam()) + ".txt");
    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(ConvertDXF_RoomFile(dxf.c_str(), out.c_str(), 0, 1, 1, 1));
    ::testing::internal::GetCapturedStdout();

    const std::vector<std::string> layers = Lines(out, "<LAYERS::PLANE>", "</LAYERS::PLANE>");
    for (const char* name : {"Default DEFAULT_MAT", "Walls DEFAULT_MAT", "sources DEFAULT_MAT"})
        EXPECT_NE(std::find(layers.begin(), layers.end(), name), layers.end()) << name;

    const std::vector<std::string> planes = Lines(out, "<PLANES>", "</PLANES>");
    ASSERT_EQ(planes.size(), 6u);
    const bool mesh = std::string(GetParam()).rfind("mesh", 0) == 0;
    int floorAndCeiling = 0;
    for (const std::string& p : planes) {
        EXPECT_EQ(p.substr(0, 2), "4 ") << p;
        if (p.find(" Floor_and_ceiling") != std::string::npos) ++floorAndCeiling;
    }
    EXPECT_EQ(floorAndCeiling, mesh ? 0 : 2);
    // The floor, with its corners in the drawn order.
    const std::string floor = "4 0.000 0.000 0.000 5.000 0.000 0.000 5.000 4.000 0.000 0.000 4.000 0.000 ";
    EXPECT_EQ(planes[0], floor + (mesh ? "Walls" : "Floor_and_ceiling"));

    EXPECT_EQ(Lines(out, "<SOURCES>", "</SOURCES>"),
              std::vector<std::string>{"1.00 1.50 1.20 50000 0 0 94 sources NONE"});
    EXPECT_EQ(Lines(out, "<RECEIVERS>", "</RECEIVERS>"), std::vector<std::string>{"3.50 2.25 1.60 0.4 0 receivers"});
}

// With the default settings and material appended, the file loads as the closed 60 m3 box.
TEST_P(ShoeboxTest, LoadsAsTheClosedRoom)
{
    const std::string project = (dir_ / (std::string(GetParam()) + "_project.txt")).string();
    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(ConvertDXF_RoomFile(dxf.c_str(), project.c_str(), 0, 1, 1, 1));
    TRoomModel room;
    Load(room, project);
    const double volume = room.CalculateVolumeGeometry();
    const double area = room.CalculateArea();
    ::testing::internal::GetCapturedStdout();

    ASSERT_EQ(room.NumPlanes, 6u);
    for (unsigned i = 0; i < room.NumPlanes; ++i) {
        EXPECT_TRUE(room.plane[i]->IsExternal) << "plane " << i;
        EXPECT_GE(room.plane[i]->LayerID, 0) << "plane " << i;
    }
    EXPECT_NEAR(volume, 60.0, 1e-4);  // the plane frames are single precision
    EXPECT_NEAR(area, 94.0, 1e-4);
    EXPECT_EQ(room.NumSources, 1u);
    EXPECT_EQ(room.NumReceivers, 1u);
}

INSTANTIATE_TEST_SUITE_P(Ezdxf, ShoeboxTest, ::testing::Values("faces_r2000", "faces_r12", "mesh_r2000", "mesh_r12"),
                         [](const testing::TestParamInfo<const char*>& i) { return std::string(i.param); });

}  // namespace
