#include "console/ConsoleViewer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "ConsoleTestProject.h"
#include "geometry/TPlane.h"
#include "room/LoadProject.h"
#include "simulation/TRoom.h"
#include "support/ErrorCapture.h"

namespace fs = std::filesystem;
using namespace console_test;

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// Loads a project the way the console's chain does (paths, settings, elements, external
// planes, centre), with what it prints kept out of the test's output.
std::unique_ptr<TRoom> LoadRoom(const fs::path& project)
{
    testing::internal::CaptureStdout();
    std::unique_ptr<TRoom> room = LoadProject(project, ProjectChain::Full).room;
    room->GetExternalPlanes();
    room->GetCenter();
    testing::internal::GetCapturedStdout();
    return room;
}

double Dot(const TVector& u, const TVector& v)
{
    return u.x * v.x + u.y * v.y + u.z * v.z;
}

std::string PressCaptured(ConsoleViewer& v, const std::string& keys)
{
    testing::internal::CaptureStdout();
    for (char k : keys) v.Key(static_cast<unsigned char>(k));
    return testing::internal::GetCapturedStdout();
}

class ViewerOnBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(dir.path() / "box.txt", BoxProject());
        room = LoadRoom(dir.path() / "box.txt");
        ASSERT_EQ(room->NumPlanes, 6u);
        viewer.SetCamera();
        viewer.Initialize();
    }
    ScratchDir dir{"viewer"};
    std::unique_ptr<TRoom> room;
    ConsoleViewer viewer{room};
};

}  // namespace

TEST_F(ViewerOnBox, StoredLayerColoursAndPlaneColours)
{
    ASSERT_EQ(viewer.colors.size(), 2u);
    EXPECT_FLOAT_EQ(viewer.colors[0][0], 1.0f);  // Floor 255 0 51
    EXPECT_FLOAT_EQ(viewer.colors[0][1], 0.0f);
    EXPECT_FLOAT_EQ(viewer.colors[0][2], 0.2f);
    // A plane seen from outside takes its layer's colour; others are violet; no layer is grey.
    TPlane& floor = *room->plane[0];
    floor.IsExternal = true;
    EXPECT_EQ(viewer.PlaneColor(floor), viewer.colors[0]);
    floor.IsExternal = false;
    EXPECT_EQ(viewer.PlaneColor(floor), (ViewerColor{0.5f, 0.0f, 1.0f}));
    EXPECT_EQ(viewer.LayerColor(-1), (ViewerColor{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(viewer.LayerColor(2), (ViewerColor{0.5f, 0.5f, 0.5f}));
}

TEST_F(ViewerOnBox, InitialCameraFramesTheRoom)
{
    EXPECT_DOUBLE_EQ(viewer.a, 57 * kDeg);
    EXPECT_DOUBLE_EQ(viewer.b, 39 * kDeg);
    EXPECT_DOUBLE_EQ(viewer.c.x, 2.0);
    EXPECT_DOUBLE_EQ(viewer.c.y, 1.5);
    EXPECT_DOUBLE_EQ(viewer.c.z, 1.25);
    // Diagonal sqrt(16 + 9 + 6.25) = 5.590 m; 1.1 of it fills 30 degrees.
    EXPECT_NEAR(viewer.d, 1.1 * std::sqrt(31.25) / 2 / std::tan(15 * kDeg), 1e-5);
    viewer.UpdateFrame();
    const TVector sight(viewer.c.x - viewer.o.x, viewer.c.y - viewer.o.y, viewer.c.z - viewer.o.z);
    EXPECT_NEAR(Module(sight), viewer.d, 1e-9);
    EXPECT_GT(viewer.o.z, viewer.c.z);  // looking down at 39 degrees
    EXPECT_GT(viewer.ZNear(), 0);
    EXPECT_GT(viewer.ZFar(), viewer.ZNear());
}

TEST_F(ViewerOnBox, UpVectorStaysAtRightAnglesAndNeverFlipsOverTheTop)
{
    viewer.UpdateFrame();
    TVector previous = viewer.Up;
    EXPECT_GT(previous.z, 0);
    // From 39 to 159 degrees of elevation: through the zenith without a jump.
    for (int i = 0; i < 40; ++i) {
        viewer.Key('w');
        viewer.UpdateFrame();
        const TVector sight(viewer.c.x - viewer.o.x, viewer.c.y - viewer.o.y, viewer.c.z - viewer.o.z);
        ASSERT_NEAR(Module(viewer.Up), 1.0, 1e-12) << "press " << i;
        ASSERT_NEAR(Dot(viewer.Up, sight), 0.0, 1e-9) << "press " << i;
        ASSERT_GT(Dot(viewer.Up, previous), 0.99) << "press " << i;
        previous = viewer.Up;
    }
}

TEST_F(ViewerOnBox, KeysMoveTheCameraAndToggleOptions)
{
    struct Case {
        char key;
        double da, db, dd;  // degrees, degrees, metres
    };
    const Case moves[] = {{'4', 3, 0, 0}, {'d', 3, 0, 0},  {'6', -3, 0, 0}, {'a', -3, 0, 0},   {'8', 0, 3, 0},
                          {'w', 0, 3, 0}, {'2', 0, -3, 0}, {'x', 0, -3, 0}, {'+', 0, 0, -0.4}, {'-', 0, 0, 0.4},
                          {'A', 0, 0, 0}, {'D', 0, 0, 0},  {'W', 0, 0, 0},  {'X', 0, 0, 0},    {'z', 0, 0, 0}};
    for (const Case& m : moves) {
        const double a = viewer.a, b = viewer.b, d = viewer.d;
        viewer.Key(static_cast<unsigned char>(m.key));
        EXPECT_NEAR(viewer.a - a, m.da * kDeg, 1e-12) << m.key;
        EXPECT_NEAR(viewer.b - b, m.db * kDeg, 1e-12) << m.key;
        EXPECT_NEAR(viewer.d - d, m.dd, 1e-12) << m.key;
    }

    struct Toggle {
        char key;
        int ConsoleViewer::*field;
    };
    const Toggle toggles[] = {{'b', &ConsoleViewer::bgrcolor},
                              {'p', &ConsoleViewer::pintura},
                              {'t', &ConsoleViewer::ViewTriangles},
                              {'v', &ConsoleViewer::ViewSinglePlane}};
    for (const Toggle& t : toggles) {
        const int before = viewer.*t.field;
        viewer.Key(static_cast<unsigned char>(t.key));
        EXPECT_EQ(viewer.*t.field, !before) << t.key;
        viewer.Key(static_cast<unsigned char>(t.key));
        EXPECT_EQ(viewer.*t.field, before) << t.key;
    }
    // The single-plane key also turns filling back on.
    viewer.pintura = 0;
    viewer.Key('v');
    EXPECT_EQ(viewer.pintura, 1);
}

TEST_F(ViewerOnBox, ZoomingInKeepsTheCameraOffTheCentre)
{
    double previous = viewer.d;
    for (int i = 0; i < 200; ++i) {
        viewer.Key('+');
        ASSERT_GT(viewer.d, 0) << "press " << i;
        ASSERT_LT(viewer.d, previous) << "press " << i;
        previous = viewer.d;
    }
    viewer.UpdateFrame();
    EXPECT_GT(viewer.ZNear(), 0);
    EXPECT_TRUE(std::isfinite(viewer.Up.x) && std::isfinite(viewer.Up.z));
}

TEST_F(ViewerOnBox, PlaneKeysWrapAndNameTheLayer)
{
    EXPECT_EQ(PressCaptured(viewer, "m"), "6 - layer Walls\n");
    EXPECT_EQ(viewer.activeplane, 5);
    EXPECT_EQ(PressCaptured(viewer, "n"), "1 - layer Floor\n");
    EXPECT_EQ(PressCaptured(viewer, "nn"), "2 - layer Walls\n3 - layer Walls\n");
    EXPECT_EQ(viewer.ActivePlane(), room->plane[2].get());
}

TEST_F(ViewerOnBox, SinglePlaneTrianglesTakeTheLayerColoursInTurn)
{
    viewer.Key('v');
    const TPlane* p = viewer.ActivePlane();
    ASSERT_NE(p, nullptr);
    ASSERT_GE(p->NumTriang, 2u);
    EXPECT_EQ(viewer.ActiveTriangleColor(0), viewer.colors[0]);
    EXPECT_EQ(viewer.ActiveTriangleColor(1), viewer.colors[0]);  // the floor's own colour
    viewer.Key('t');
    for (unsigned t = 0; t < 5; ++t) EXPECT_EQ(viewer.ActiveTriangleColor(t), viewer.colors[t % 2]) << t;
}

TEST_F(ViewerOnBox, InvertKeyTurnsTheActivePlaneOnlyInSinglePlaneMode)
{
    const TPlane& floor = *room->plane[0];
    const double nz = floor.normal.z;
    const unsigned triangles = floor.NumTriang;
    viewer.Key('i');
    EXPECT_EQ(floor.normal.z, nz);
    viewer.Key('v');
    viewer.Key('i');
    EXPECT_DOUBLE_EQ(floor.normal.z, -nz);
    EXPECT_EQ(floor.NumTriang, triangles);
}

TEST_F(ViewerOnBox, LostRaysLoadOnceThenToggle)
{
    {
        ErrorCapture cap;  // no "LostRays.txt" yet: reported, both flags set all the same
        EXPECT_EQ(PressCaptured(viewer, "l"), "view lost rays = 1\n");
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_NE(cap.messages[0].find("LostRays.txt"), std::string::npos);
    }
    EXPECT_EQ(viewer.RaysLoad, 1);
    EXPECT_EQ(room->NumLostRays, 0u);
    EXPECT_EQ(PressCaptured(viewer, "ll"), "view lost rays = 0\nview lost rays = 1\n");

    // A fresh viewer reads the file that is there now.
    WriteFile(dir.path() / "LostRays.txt", "1.00 1.00 1.00 1 0 0 0 0\n2.00 1.00 1.00 0 0 2 4 0\n");
    ConsoleViewer second(room);
    EXPECT_EQ(PressCaptured(second, "l"), "view lost rays = 1\n");
    ASSERT_EQ(room->NumLostRays, 2u);
    EXPECT_EQ(room->MaxLostRaysRef, 4);
}

TEST(ConsoleViewerEmptyRoom, EveryKeyIsHarmlessWithoutPlanesOrLayers)
{
    std::unique_ptr<TRoom> room = std::make_unique<TRoom>();
    ConsoleViewer viewer(room);
    viewer.SetCamera();
    viewer.Initialize();
    EXPECT_GT(viewer.d, 0);
    EXPECT_TRUE(viewer.colors.empty());
    EXPECT_EQ(PressCaptured(viewer, "nmvtiy+-bpwxadv"), "");
    EXPECT_EQ(viewer.activeplane, 0);
    EXPECT_EQ(viewer.ActivePlane(), nullptr);
    EXPECT_EQ(viewer.ActiveTriangleColor(3), (ViewerColor{0.5f, 0.5f, 0.5f}));
    viewer.UpdateFrame();
    EXPECT_GT(viewer.ZNear(), 0);
    EXPECT_TRUE(std::isfinite(viewer.Up.x) && std::isfinite(viewer.Up.y) && std::isfinite(viewer.Up.z));
}

TEST_F(ViewerOnBox, QuitDeletesTheRoomAndLaterKeysAreHarmless)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(viewer.Key('q'), ConsoleViewer::KeyAction::Quit);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(room, nullptr);
    EXPECT_EQ(viewer.Room(), nullptr);
    // The room's freeing messages, then the viewer's own line.
    EXPECT_NE(out.find("planes ...done."), std::string::npos);
    ASSERT_GE(out.size(), 10u);
    EXPECT_EQ(out.substr(out.size() - 10), "SalaClear\n");
    EXPECT_EQ(PressCaptured(viewer, "nmlrvi"), "");
}

TEST_F(ViewerOnBox, RunKeyTwiceStartsFromEmptyResults)
{
    const fs::path response = dir.path() / "S001-R001.txt";
    for (int run = 0; run < 2; ++run) {
        testing::internal::CaptureStdout();
        viewer.Key('r');
        const std::string out = testing::internal::GetCapturedStdout();
        ASSERT_TRUE(fs::exists(response)) << "run " << run << "\n" << out;
        EXPECT_TRUE(fs::exists(dir.path() / "PARAMS-S001-R001.txt"));
        EXPECT_TRUE(room->ResultsCreated);
        EXPECT_FALSE(room->IsRunning);
        EXPECT_NE(out.find("Calculating acoustic parameters ... Done!"), std::string::npos) << out;
    }
}

// A room without a receiver is refused by the run key with its message; the old results stay
// and the viewer goes on.
TEST(ConsoleViewerRunKey, RoomThatCannotRunKeepsTheResultsOnDisk)
{
    ScratchDir dir("viewer-norec");
    WriteFile(dir.path() / "box.txt", Cut(BoxProject(), "<RECEIVERS>"));
    WriteFile(dir.path() / "S001-R001.txt", "0.5\n");
    std::unique_ptr<TRoom> room = LoadRoom(dir.path() / "box.txt");
    ConsoleViewer viewer(room);
    viewer.SetCamera();
    viewer.Initialize();
    ErrorCapture cap;
    testing::internal::CaptureStdout();
    EXPECT_EQ(viewer.Key('r'), ConsoleViewer::KeyAction::Redraw);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(cap.messages, std::vector<std::string>{"No receiver was defined\nSimulation aborted!\n"});
    EXPECT_EQ(ReadFile(dir.path() / "S001-R001.txt"), "0.5\n");
    EXPECT_NE(room, nullptr);
}
