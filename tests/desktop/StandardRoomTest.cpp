// The designer's parametric room: vertices, planes, the hand-over file and field parsing.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "desktop/DesktopTestFolder.h"
#include "desktop/StandardRoom.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/TMaterial.h"
#include "simulation/TRoom.h"
#include "support/ErrorCapture.h"
#include "support/ProjectFileSupport.h"

using namespace desktoptest;

namespace {

projtest::RoomHandleOf<TRoom> DesignedRoom(const RoomDimensions& d)
{
    projtest::RoomHandleOf<TRoom> room = projtest::QuietRoomOf<TRoom>();
    projtest::Quietly([&] {
        AddStandardRoomLayers(*room);
        BuildStandardRoomPlanes(*room, StandardRoomVertices(d));
    });
    return room;
}

std::string Write(TRoom& room, const std::string& path)
{
    std::string message;
    projtest::Quietly([&] { message = WriteStandardRoom(room, path); });
    return message;
}

void ExpectPoint(const TPoint3D& p, double x, double y, double z, const std::string& what)
{
    EXPECT_NEAR(p.x, x, 1e-6) << what;
    EXPECT_NEAR(p.y, y, 1e-6) << what;
    EXPECT_NEAR(p.z, z, 1e-6) << what;
}

TEST(StandardRoom, DefaultVerticesAndCentre)
{
    const auto v = StandardRoomVertices(RoomDimensions{});
    const double expected[10][3] = {{0, 3, 1}, {0, 3, 5}, {3, 3, 5}, {3, 3, 1},      {3, 4, 0},
                                    {3, 4, 5}, {7, 4, 5}, {7, 4, 0}, {12, 1.5, 1.5}, {12, 1.5, 5}};
    for (int i = 0; i < 10; ++i)
        ExpectPoint(v[static_cast<std::size_t>(i)], expected[i][0], expected[i][1], expected[i][2],
                    "vertex " + std::to_string(i + 1));

    projtest::RoomHandleOf<TRoom> room = DesignedRoom(RoomDimensions{});
    EXPECT_EQ(room->NumPlanes, 18u);
    TPoint3D centre;
    projtest::Quietly([&] { centre = room->GetCenter(); });
    ExpectPoint(centre, 6, 0, 2.5, "centre");
}

TEST(StandardRoom, ChangingTheHeightMovesOnlyTheCeilingVertices)
{
    RoomDimensions d;
    const auto before = StandardRoomVertices(d);
    d.H = 7;
    const auto after = StandardRoomVertices(d);
    for (int i = 0; i < 10; ++i) {
        const bool moves = i == 1 || i == 2 || i == 5 || i == 6 || i == 9;  // vertices 2, 3, 6, 7, 10
        const auto& b = before[static_cast<std::size_t>(i)];
        const auto& a = after[static_cast<std::size_t>(i)];
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.z, moves ? 7.0 : b.z) << "vertex " << i + 1;
    }
}

// The default room: a front part 3 x 6 m, 4 m high over a 1 m step, a middle part 4 x 8 x 5 m
// and a rear part narrowing to 3 m and rising to 1.5 m over 5 m (120 m3): 352 m3, the strips
// at x = L1 included.
TEST(StandardRoom, DefaultRoomVolume)
{
    projtest::RoomHandleOf<TRoom> room = DesignedRoom(RoomDimensions{});
    double volume = 0;
    projtest::Quietly([&] {
        room->GetExternalPlanes();
        volume = room->CalculateVolumeGeometry();
    });
    EXPECT_NEAR(volume, 352.0, 1e-3);
}

TEST(StandardRoom, MaterialsAndLayers)
{
    projtest::RoomHandleOf<TRoom> room = DesignedRoom(RoomDimensions{});
    ASSERT_EQ(room->NumMaterials, 3u);
    EXPECT_EQ(room->material[0]->nome, "Absorptive_mat");
    EXPECT_FLOAT_EQ(room->material[0]->abs[6], 0.90f);
    EXPECT_FLOAT_EQ(room->material[2]->dif[8], 0.10f);
    ASSERT_EQ(room->NumPlaneLayers, 3u);
    const char* names[] = {"Walls", "Floor", "Ceiling"};
    const int materials[] = {1, 0, 2};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(room->planeLayer[static_cast<std::size_t>(i)].nome, names[i]);
        EXPECT_EQ(room->planeLayer[static_cast<std::size_t>(i)].MatID, materials[i]);
    }
    for (int q = 0; q < 18; ++q) EXPECT_EQ(room->plane[static_cast<std::size_t>(q)]->LayerID, kStandardRoomLayers[q]);
}

class StandardRoomFile : public WorkingFolder {};

TEST_F(StandardRoomFile, DefaultRoomHandsOverSeventeenPlanes)
{
    projtest::RoomHandleOf<TRoom> room = DesignedRoom(RoomDimensions{});
    ASSERT_EQ(Write(*room, "Temporary.txt"), "");
    const std::string text = ReadText("Temporary.txt");
    const std::vector<std::string> planes = SectionLines(text, "<PLANES>", "</PLANES>");
    ASSERT_EQ(planes.size(), 17u);  // the quadrilateral on the line x = L1, z = H is left out
    EXPECT_EQ(planes[0], "4 0.00 3.00 1.00 0.00 3.00 5.00 0.00 -3.00 5.00 0.00 -3.00 1.00 Walls");
    EXPECT_EQ(SectionLines(text, "<LAYERS::PLANE>", "</LAYERS::PLANE>"),
              (std::vector<std::string>{"Walls Generic_mat", "Floor Absorptive_mat", "Ceiling Reflective_mat"}));
    EXPECT_EQ(SectionLines(text, "<LAYERS::COLOR>", "</LAYERS::COLOR>"),
              (std::vector<std::string>{"Walls 50 50 255", "Floor 0 128 255", "Ceiling 50 128 20"}));
    EXPECT_EQ(SectionLines(text, "<MATERIALS>", "</MATERIALS>"),
              (std::vector<std::string>{"Absorptive_mat 0.60 0.65 0.65 0.70 0.70 0.85 0.90 0.85 0.80 0.01",
                                        "Generic_mat 0.30 0.55 0.45 0.50 0.50 0.45 0.50 0.50 0.40 0.05",
                                        "Reflective_mat 0.02 0.02 0.03 0.04 0.05 0.05 0.04 0.04 0.04 0.10"}));
    for (const char* absent : {"SOURCE", "RECEIVER"}) EXPECT_EQ(text.find(absent), std::string::npos) << absent;
    EXPECT_EQ(text.find("<ENVIRONMENT>"), 1u);
    EXPECT_EQ(Listing(), std::vector<std::string>{"Temporary.txt"});

    // It loads as a project with the same planes.
    ErrorCapture errors;
    projtest::RoomHandleOf<TRoom> loaded = LoadHandOver();
    EXPECT_TRUE(errors.messages.empty()) << errors.Joined();
    EXPECT_EQ(loaded->NumPlanes, 17u);
    EXPECT_EQ(loaded->NumMaterials, 3u);
    ASSERT_EQ(loaded->NumPlaneLayers, 3u);
    EXPECT_EQ(loaded->planeLayer[2].cor[1], 128);
    // The surface of the three sections, from the quadrilaterals' shoelace areas.
    double area = 0;
    projtest::Quietly([&] { area = loaded->CalculateArea(); });
    EXPECT_NEAR(area, 318.2273, 1e-3);
}

TEST_F(StandardRoomFile, EditedDimensionsMoveTheFirstPlane)
{
    RoomDimensions d;
    d.W1 = 10;
    d.H1 = 0.5f;
    d.H = 6.25f;
    d.W = 10;  // equal to W1: the two side risers lie on lines as well
    projtest::RoomHandleOf<TRoom> room = DesignedRoom(d);
    ASSERT_EQ(Write(*room, "Temporary.txt"), "");
    const std::vector<std::string> planes = SectionLines(ReadText("Temporary.txt"), "<PLANES>", "</PLANES>");
    ASSERT_FALSE(planes.empty());
    EXPECT_EQ(planes[0], "4 0.00 5.00 0.50 0.00 5.00 6.25 0.00 -5.00 6.25 0.00 -5.00 0.50 Walls");
    EXPECT_EQ(planes.size(), 15u);
}

// Every combination of zero and non-zero dimensions builds, writes and loads without a crash.
TEST_F(StandardRoomFile, DegenerateDimensionsNeverFail)
{
    const float values[] = {0.0f, 2.0f};
    int built = 0;
    for (int mask = 0; mask < (1 << 9); mask += 7) {  // a spread of the 512 zero patterns
        float dims[9];
        for (int i = 0; i < 9; ++i) dims[i] = values[(mask >> i) & 1];
        const RoomDimensions d{dims[0], dims[1], dims[2], dims[3], dims[4], dims[5], dims[6], dims[7], dims[8]};
        ErrorCapture errors;
        projtest::RoomHandleOf<TRoom> room = DesignedRoom(d);
        ASSERT_EQ(room->NumPlanes, 18u) << mask;
        ASSERT_EQ(Write(*room, "Temporary.txt"), "") << mask;
        projtest::RoomHandleOf<TRoom> loaded = LoadHandOver();
        EXPECT_LE(loaded->NumPlanes, 18u);
        // Nothing to show: the designer rebuilds on every keystroke.
        EXPECT_TRUE(errors.messages.empty()) << mask << ": " << errors.Joined();
        ++built;
    }
    // All zero, W1 = W, and rooms folded back on themselves: the folded ones have outlines
    // that cannot be triangulated, counted but not shown.
    struct Case {
        RoomDimensions d;
        bool folded;
    };
    for (const Case& c :
         {Case{{0, 0, 0, 0, 0, 0, 0, 0, 0}, false}, Case{{3, 4, 5, 8, 8, 8, 1, 5, 1.5f}, false},
          Case{{3, 4, 5, 6, 8, 3, 7, 5, 9}, true}, Case{{1000, 1000, 1000, 1000, 0, 1000, 1000, 0, 1000}, false}}) {
        ErrorCapture errors;
        projtest::RoomHandleOf<TRoom> room = projtest::QuietRoomOf<TRoom>();
        int untriangulated = 0;
        projtest::Quietly([&] {
            AddStandardRoomLayers(*room);
            untriangulated = BuildStandardRoomPlanes(*room, StandardRoomVertices(c.d));
        });
        EXPECT_EQ(untriangulated > 0, c.folded);
        ASSERT_EQ(Write(*room, "Temporary.txt"), "");
        EXPECT_TRUE(errors.messages.empty()) << errors.Joined();
        ++built;
    }
    // The handler installed before is back after the build.
    ErrorCapture errors;
    projtest::RoomHandleOf<TRoom> room = DesignedRoom(RoomDimensions{3, 4, 5, 6, 8, 3, 7, 5, 9});
    std::thread([] { ErrorMessage("from a run"); }).join();
    EXPECT_EQ(errors.Joined(), "from a run");
    EXPECT_GT(built, 70);
}

TEST_F(StandardRoomFile, UnwritableHandOverFileIsReported)
{
    projtest::RoomHandleOf<TRoom> room = DesignedRoom(RoomDimensions{});
    ErrorCapture errors;
    EXPECT_EQ(Write(*room, "missing/Temporary.txt"), "Cannot save file 'missing/Temporary.txt'.");
    fs::create_directory("Temporary.txt");
    EXPECT_EQ(Write(*room, "Temporary.txt"), "Cannot save file 'Temporary.txt'.");
    EXPECT_EQ(Listing(), std::vector<std::string>{"Temporary.txt"});
}

TEST(StandardRoom, FieldTextIsReadAsTyped)
{
    struct Case {
        const char* text;
        bool ok;
        float value;
    };
    const Case cases[] = {
        {"3", true, 3},       {"2.5", true, 2.5f},   {" 4.75 ", true, 4.75f}, {"4,5", true, 4.5f}, {"0", true, 0},
        {"1000", true, 1000}, {"1000.01", false, 9}, {"-1", false, 9},        {"", false, 9},      {"4.", true, 4},
        {"abc", false, 9},    {"3x", false, 9},      {"nan", false, 9},       {"inf", false, 9},   {"1e2", true, 100},
    };
    for (const Case& c : cases) {
        float v = 9;
        EXPECT_EQ(ParseDimension(c.text, v), c.ok) << c.text;
        EXPECT_FLOAT_EQ(v, c.value) << c.text;
    }
}

}  // namespace

namespace {

// The sketch's outlines pass through the room's vertices: the plan through their (x, y)
// with the mirrored side, the section through their (x, z).
TEST(StandardRoom, SketchOutlinesFollowTheVertices)
{
    RoomDimensions d;
    d.L2 = 6;
    d.W2 = 5;
    const auto v = StandardRoomVertices(d);
    const std::vector<Point2D> plan = StandardRoomPlan(d), section = StandardRoomSection(d);
    auto has = [](const std::vector<Point2D>& outline, double x, double y) {
        for (const Point2D& p : outline)
            if (std::abs(p.x - x) < 1e-9 && std::abs(p.y - y) < 1e-9) return true;
        return false;
    };
    for (const TPoint3D& p : v) {
        EXPECT_TRUE(has(plan, p.x, p.y) && has(plan, p.x, -p.y)) << p.x << " " << p.y;
        EXPECT_TRUE(has(section, p.x, p.z)) << p.x << " " << p.z;
    }
    EXPECT_EQ(plan.size(), 10u);
    EXPECT_EQ(section.size(), 9u);
}

}  // namespace
