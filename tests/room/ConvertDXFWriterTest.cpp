// Drawings written by an independent DXF writer (ezdxf) convert into the expected room.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/TPlane.h"
#include "room/ConvertDXF.h"
#include "room/ProjectFileSupport.h"
#include "room/TRoom.h"
#include "support/ErrorCapture.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = fs::path(SORVI_SOURCE_DIR) / "tests" / "room" / "dxf";
const fs::path kScript = kFixtures / "make_shoebox.py";

// Completes the converted file with the default settings and material and reads it like the
// console does.
void Load(TRoom& room, const std::string& project)
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

// A Python that has ezdxf, or "" when there is none.
std::string PythonWithEzdxf()
{
    for (const char* python : {"python3", "/usr/bin/python3"}) {
        const std::string cmd = std::string(python) + " -c \"import ezdxf\" >/dev/null 2>&1";
        if (std::system(cmd.c_str()) == 0) return python;
    }
    return "";
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
    ASSERT_TRUE(ConvertDXF_RoomFile((kFixtures / "room.dxf").c_str(), project.c_str(), 1, 1, 1, 1));
    TRoom room;
    Load(room, project);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
    ASSERT_EQ(room.NumPlanes, 13u);
    for (unsigned i = 0; i < room.NumPlanes; ++i) EXPECT_GE(room.plane[i]->LayerID, 0) << "plane " << i;
    EXPECT_EQ(room.NumSources, 1u);
    EXPECT_EQ(room.NumReceivers, 1u);
}

class ShoeboxTest : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite()
    {
        temp_ = std::make_unique<TempDir>("dxf-shoebox");
        dir_ = temp_->path() / "drawings";
        python_ = PythonWithEzdxf();
        if (python_.empty()) return;
        const std::string cmd = python_ + " \"" + kScript.string() + "\" \"" + dir_.string() + "\"";
        generated_ = std::system(cmd.c_str()) == 0;
    }
    static void TearDownTestSuite() { temp_.reset(); }

    void SetUp() override
    {
        if (python_.empty()) GTEST_SKIP() << "python3 with ezdxf is not installed";
        ASSERT_TRUE(generated_) << "the drawing script failed";
    }

    static std::unique_ptr<TempDir> temp_;
    static fs::path dir_;
    static std::string python_;
    static bool generated_;
};

std::unique_ptr<TempDir> ShoeboxTest::temp_;
fs::path ShoeboxTest::dir_;
std::string ShoeboxTest::python_;
bool ShoeboxTest::generated_ = false;

TEST_P(ShoeboxTest, ConvertsToSixWallsSourceAndReceiver)
{
    const fs::path dxf = dir_ / (std::string(GetParam()) + ".dxf");
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
    EXPECT_EQ(Lines(out, "<RECEIVERS>", "</RECEIVERS>"),
              std::vector<std::string>{"3.50 2.25 1.60 0.4 0 receivers"});
}

// With the default settings and material appended, the file loads as the closed 60 m3 box.
TEST_P(ShoeboxTest, LoadsAsTheClosedRoom)
{
    const fs::path dxf = dir_ / (std::string(GetParam()) + ".dxf");
    const std::string project = (dir_ / (std::string(GetParam()) + "_project.txt")).string();
    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(ConvertDXF_RoomFile(dxf.c_str(), project.c_str(), 0, 1, 1, 1));
    TRoom room;
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
