#include "views/ViewControl.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kOneDegree = 3.14159265358979323846 / 180.0;

TEST(ViewControl, ConstructedToDrawNothingAndResetToTheDefaultCamera)
{
    ViewControl v;
    EXPECT_FALSE(v.DrawRoom);
    EXPECT_EQ(v.DrawLostRays, 0);
    EXPECT_TRUE(v.drawSources && v.drawReceivers && v.drawSourceIDs && v.drawReceiverIDs);
    EXPECT_EQ(v.target, TPoint3D(0, 0, 0));
    EXPECT_GT(v.d, 0);

    v.DrawRoom = true;
    v.DrawLostRays = 1;
    v.drawSources = false;
    v.activeTriangle = 7;
    v.ViewSinglePlane = v.ViewTriangles = 1;
    v.pintura = 0;
    v.activeplane = 4;
    v.activereceiver = 2;
    v.alpha = v.beta = 1;
    v.d = 3;
    v.SetDefaultViewOptions();
    EXPECT_DOUBLE_EQ(v.alpha, 225 * kOneDegree);
    EXPECT_DOUBLE_EQ(v.beta, 40 * kOneDegree);
    EXPECT_NEAR(v.d, 27.99, 0.005);
    EXPECT_DOUBLE_EQ(v.fov, 0.5);
    EXPECT_DOUBLE_EQ(v.e * v.g, 8.0);
    EXPECT_EQ(v.pintura, 1);
    EXPECT_EQ(v.ViewSinglePlane, 0);
    EXPECT_EQ(v.ViewTriangles, 0);
    EXPECT_EQ(v.activeplane, 0);
    EXPECT_EQ(v.activereceiver, 0);
    // What the reset leaves alone.
    EXPECT_TRUE(v.DrawRoom);
    EXPECT_EQ(v.DrawLostRays, 1);
    EXPECT_FALSE(v.drawSources);
    EXPECT_EQ(v.activeTriangle, 7);
}

TEST(ViewControl, ZoomMovesPointEightMetresPerNotchAndNeverThroughTheTarget)
{
    ViewControl v;
    v.SetDefaultViewOptions();
    const double d0 = v.d;
    v.Zoom(true);
    EXPECT_NEAR(v.d, d0 - 0.8, 1e-12);
    v.Zoom(false);
    v.Zoom(false);
    EXPECT_NEAR(v.d, d0 + 0.8, 1e-12);
    // More notches forward than d / 0.8: the camera closes in but stays before the target, and
    // the near plane stays before the eye.
    for (int notch = 0; notch < 200; ++notch) {
        v.Zoom(true);
        v.UpdateFrame();
        ASSERT_GT(v.d, 0) << notch;
        ASSERT_GT(v.ZNear(), 0) << notch;
        ASSERT_GT(v.ZFar(), v.ZNear()) << notch;
    }
}

TEST(ViewControl, FrameLooksAtTheTargetFromTheDistance)
{
    ViewControl v;
    v.SetDefaultViewOptions();
    v.target = TPoint3D(4, 3, 1.5);
    v.width = 800;
    v.height = 400;
    v.UpdateFrame();
    const TVector sight(v.target.x - v.viewpt.x, v.target.y - v.viewpt.y, v.target.z - v.viewpt.z);
    EXPECT_NEAR(Module(sight), v.d, 1e-9);
    // Azimuth 225 degrees: the eye is on the -x, -y side of the target, above it.
    EXPECT_LT(v.viewpt.x, v.target.x);
    EXPECT_LT(v.viewpt.y, v.target.y);
    EXPECT_GT(v.viewpt.z, v.target.z);
    EXPECT_GT(v.Up.z, 0);
    EXPECT_NEAR(v.FovyDegrees(), 0.5 / kOneDegree, 1e-9);
    EXPECT_DOUBLE_EQ(v.Aspect(), 2.0);
    // Far bound: corner of the box 8 m beyond (4, 3, 1.5); the eye is farther, so df = db.
    EXPECT_NEAR(v.db, std::sqrt(144.0 + 121.0 + 90.25), 1e-9);
    EXPECT_NEAR(v.ZNear(), v.d - v.db, 1e-9);
}

// A right drag moves the target with the pointer, metres by the picture's scale (not one metre
// per pixel); the record changes, so the view redraws; the default camera takes the pan back.
TEST(ViewControl, PanFollowsThePointerAndTheDefaultsTakeItBack)
{
    ViewControl v;
    v.SetDefaultViewOptions();
    v.height = 500;
    v.width = 700;
    v.target = TPoint3D(3, 2, 1);
    const ViewControl before = v;
    v.Pan(50, 0);  // a tenth of the view's height to the right
    EXPECT_FALSE(v == before);
    const TPoint3D moved = v.target - before.target;
    EXPECT_NEAR(v.pan.x, moved.x, 1e-12);
    EXPECT_NEAR(v.pan.y, moved.y, 1e-12);
    EXPECT_NEAR(v.pan.z, moved.z, 1e-12);
    const double metres = std::sqrt(moved.x * moved.x + moved.y * moved.y + moved.z * moved.z);
    EXPECT_NEAR(metres, 2 * v.d * std::tan(v.fov / 2) / 10, 1e-9);
    // The camera keeps its distance from the room: the eye moves with the target.
    v.UpdateFrame();
    const TPoint3D eyeFromTarget = v.viewpt - v.target;
    EXPECT_NEAR(std::sqrt(eyeFromTarget.x * eyeFromTarget.x + eyeFromTarget.y * eyeFromTarget.y +
                          eyeFromTarget.z * eyeFromTarget.z),
                v.d, 1e-9);
    v.Pan(-50, 0);
    EXPECT_NEAR(v.pan.x, 0, 1e-12);
    EXPECT_NEAR(v.pan.y, 0, 1e-12);
    EXPECT_NEAR(v.pan.z, 0, 1e-12);

    v.Pan(400, -300);
    v.SetDefaultViewOptions();
    EXPECT_EQ(v.pan, TPoint3D(0, 0, 0));
}

}  // namespace
