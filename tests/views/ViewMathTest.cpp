#include "views/ViewMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "simulation/TRoom.h"
#include "support/ErrorCapture.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

double Dot(const TVector& u, const TVector& v)
{
    return u.x * v.x + u.y * v.y + u.z * v.z;
}

TEST(OrbitCameraFrame, EyeOrbitsTheTargetAndUpStaysAtRightAnglesWithoutFlipping)
{
    const TPoint3D target(2, -1.5, 1.25);
    const double d = 10;
    TVector previousUp;
    // Elevation from -80 to 260 degrees at two azimuths: through both poles without a jump.
    for (double azimuthDeg : {225.0, 30.0}) {
        for (int step = 0; step <= 68; ++step) {
            const double elevationDeg = -80 + 5 * step;
            const OrbitFrame f = OrbitCameraFrame(target, d, azimuthDeg * kDeg, elevationDeg * kDeg, 8);
            const TVector sight(target.x - f.eye.x, target.y - f.eye.y, target.z - f.eye.z);
            ASSERT_NEAR(Module(sight), d, 1e-9) << elevationDeg;
            ASSERT_NEAR(f.eye.z - target.z, d * std::sin(elevationDeg * kDeg), 1e-9);
            ASSERT_NEAR(Module(f.up), 1.0, 1e-12) << elevationDeg;
            ASSERT_NEAR(Dot(f.up, sight), 0.0, 1e-9) << elevationDeg;
            if (step > 0) {
                ASSERT_GT(Dot(f.up, previousUp), 0.99) << elevationDeg;
            }
            previousUp = f.up;
        }
    }
    // Looking down from the default position the picture's up points up.
    EXPECT_GT(OrbitCameraFrame(target, d, 225 * kDeg, 40 * kDeg, 8).up.z, 0);
}

TEST(OrbitCameraFrame, DepthBoundsKeepTheBoxInViewAndTheNearPlaneBeforeTheEye)
{
    // Target (1, -2, 3) with an 8 m margin: the far bound reaches (9, 10, 11).
    const TPoint3D target(1, -2, 3);
    const double db = std::sqrt(81.0 + 100.0 + 121.0);
    struct Case {
        double d, df;
    };
    const Case cases[] = {{30, db}, {db, 0.99 * db}, {5, 4.95}, {0.01, 0.0099}};
    for (const Case& c : cases) {
        const OrbitFrame f = OrbitCameraFrame(target, c.d, 1, 0.5, 8);
        EXPECT_NEAR(f.db, db, 1e-12);
        EXPECT_NEAR(f.df, c.df, 1e-12) << "distance " << c.d;
        EXPECT_GT(c.d - f.df, 0) << "near plane at or behind the eye, distance " << c.d;
    }
}

TEST(ZoomedDistance, StepsAndNeverReachesTheTarget)
{
    EXPECT_DOUBLE_EQ(ZoomedDistance(27.99, 0.8, true), 27.19);
    EXPECT_DOUBLE_EQ(ZoomedDistance(27.99, 0.8, false), 28.79);
    EXPECT_DOUBLE_EQ(ZoomedDistance(0.8, 0.8, true), 0.4);
    double d = 27.99;
    for (int notch = 0; notch < 1000; ++notch) d = ZoomedDistance(d, 0.8, true);
    EXPECT_GT(d, 0);
}

TEST(LayerColorTable, StoredColoursAndIndexDerivedColours)
{
    struct Case {
        unsigned layers, index;
        std::uint32_t r, g, b;  // numerators over the layer count
    };
    // 200 layers, layer 130: 250 - 260 wraps to 2^32 - 10, whose remainder by 200 is 86.
    const Case cases[] = {{3, 0, 1, 0, 1},  {3, 1, 2, 0, 0}, {3, 2, 0, 0, 2},       {12, 0, 10, 6, 4},
                          {12, 5, 0, 3, 8}, {1, 0, 0, 0, 0}, {200, 130, 86, 56, 76}};
    for (const Case& c : cases) {
        TRoom room;
        ErrorCapture quiet;
        for (unsigned i = 0; i < c.layers; ++i) room.AddPlaneLayer(TPlaneLayer("L" + std::to_string(i)));
        const auto table = LayerColorTable(room);
        ASSERT_EQ(table.size(), c.layers);
        const float n = static_cast<float>(c.layers);
        EXPECT_FLOAT_EQ(table[c.index][0], c.r / n) << c.layers << " layers, layer " << c.index;
        EXPECT_FLOAT_EQ(table[c.index][1], c.g / n) << c.layers << " layers, layer " << c.index;
        EXPECT_FLOAT_EQ(table[c.index][2], c.b / n) << c.layers << " layers, layer " << c.index;
    }

    TRoom room;
    ErrorCapture quiet;
    room.AddPlaneLayer(TPlaneLayer("Floor"));
    room.AddPlaneLayer(TPlaneLayer("Walls"));
    room.planeLayer[1].SetColor(255, 0, 51);
    const auto table = LayerColorTable(room);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1], (ViewColor{1.0f, 0.0f, 0.2f}));
    EXPECT_TRUE(LayerColorTable(TRoom()).empty());
}

TEST(LostRayColor, FadesWithReflectionsWithinZeroToOne)
{
    EXPECT_EQ(LostRayColor(0, 0), (ViewColor{1, 0, 0}));  // no reflected ray: no division by zero
    const ViewColor expected[] = {{1, 0, 0}, {0.95f, 0.4f, 0.4f}, {0.9f, 0, 0.4f}, {0.85f, 0.4f, 0.4f}, {0.8f, 0, 0}};
    for (unsigned r = 0; r < 5; ++r) {
        const ViewColor got = LostRayColor(r, 4);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], expected[r][k], 1e-6) << "r " << r << " component " << k;
    }
    // Far more reflections than the reference: red saturates at 0.
    EXPECT_EQ(LostRayColor(30, 4)[0], 0.0f);
}

// Rays are drawn on white: every colour keeps a visible contrast with it (relative luminance
// of the sRGB colour well below white's 1; odd counts once came out near-white).
TEST(LostRayColor, StandsOutOnTheWhiteBackground)
{
    auto linear = [](float c) { return c <= 0.04045f ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    for (int maxRef : {0, 1, 4, 30})
        for (unsigned r = 0; r <= 40; ++r) {
            const ViewColor c = LostRayColor(r, maxRef);
            const double luminance = 0.2126 * linear(c[0]) + 0.7152 * linear(c[1]) + 0.0722 * linear(c[2]);
            EXPECT_LT(luminance, 0.35) << "r " << r << " of " << maxRef;
        }
}

// A right drag moves the target across the screen plane so that the picture follows the
// pointer: the target's depth along the line of sight does not change, and one view height
// dragged moves it by the height the view shows at that depth.
TEST(PanStep, PictureFollowsThePointer)
{
    const TPoint3D target(2, -1, 1.5);
    const double d = 20, fov = 0.5;
    const int height = 400;
    const OrbitFrame frame = OrbitCameraFrame(target, d, 225 * kDeg, 40 * kDeg, 8);
    const TVector forward = Normal(TVector(target.x - frame.eye.x, target.y - frame.eye.y, target.z - frame.eye.z));
    const double visibleHeight = 2 * d * std::tan(fov / 2);
    struct Case {
        double dx, dy;
        double right, up;  // expected move of the target along the screen's axes, metres
    };
    const Case cases[] = {{0, 0, 0, 0},
                          {400, 0, -visibleHeight, 0},
                          {0, 400, 0, visibleHeight},
                          {-100, -200, visibleHeight / 4, -visibleHeight / 2}};
    const TVector right = Normal(forward / frame.up);
    for (const Case& c : cases) {
        const TPoint3D step = PanStep(target, frame, d, fov, height, c.dx, c.dy);
        const TVector v(step.x, step.y, step.z);
        EXPECT_NEAR(v * forward, 0, 1e-9) << c.dx << "," << c.dy;
        EXPECT_NEAR(v * right, c.right, 1e-9) << c.dx << "," << c.dy;
        EXPECT_NEAR(v * Normal(frame.up), c.up, 1e-9) << c.dx << "," << c.dy;
    }
    // A view without pixels or a camera on its target moves nothing.
    const TPoint3D none = PanStep(target, frame, d, fov, 0, 10, 10);
    EXPECT_EQ(none, TPoint3D(0, 0, 0));
    const TPoint3D onTarget = PanStep(target, OrbitCameraFrame(target, 0, 0, 0, 8), 0, fov, height, 10, 10);
    EXPECT_EQ(onTarget, TPoint3D(0, 0, 0));
}

TEST(WholeRoomDistance, TheRoomsBoundingSphereFitsTheNarrowerField)
{
    const double fov = 0.5;
    // Wide view: the vertical field limits; tall view: the horizontal one does.
    EXPECT_NEAR(WholeRoomDistance(20, fov, 2.0), 10 / std::sin(0.25), 1e-9);
    const double horizontal = 2 * std::atan(std::tan(0.25) * 0.5);
    EXPECT_NEAR(WholeRoomDistance(20, fov, 0.5), 10 / std::sin(horizontal / 2), 1e-9);
    EXPECT_GT(WholeRoomDistance(20, fov, 0.5), WholeRoomDistance(20, fov, 2.0));
    EXPECT_EQ(WholeRoomDistance(0, fov, 1.0), 0);
}

TEST(ElementLabel, TwoDigitsAtLeastAndNeverCut)
{
    EXPECT_EQ(ElementLabel('S', 0), "S01");
    EXPECT_EQ(ElementLabel('R', 11), "R12");
    EXPECT_EQ(ElementLabel('S', 99), "S100");
    EXPECT_EQ(ElementLabel('R', 99999), "R100000");
    EXPECT_EQ(ElementLabel('S', 4294967295u), "S4294967296");
}

}  // namespace
