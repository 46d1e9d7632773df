#include "views/ModelScene.h"

#include <gtest/gtest.h>

#include "ViewTestRooms.h"
#include "support/ErrorCapture.h"
#include "views/ViewControl.h"

using namespace model_scene;
using namespace view_test;

namespace {

TEST(ModelScene, StoredLayerColourIsBlackWithoutAColourOrALayer)
{
    TRoom room;
    ErrorCapture quiet;
    AddLayers(room, 2);
    room.planeLayer[1].SetColor(255, 51, 0);
    EXPECT_EQ(StoredLayerColor(room, 0), (ViewColor{0, 0, 0}));
    EXPECT_EQ(StoredLayerColor(room, 1), (ViewColor{1.0f, 0.2f, 0.0f}));
    EXPECT_EQ(StoredLayerColor(room, 2), (ViewColor{0, 0, 0}));
    EXPECT_EQ(StoredLayerColor(room, -1), (ViewColor{0, 0, 0}));
}

TEST(ModelScene, SinglePlaneTrianglesShadeTowardsTheLayerColour)
{
    const std::vector<ViewColor> table = {{0.3f, 0.6f, 0.9f}, {1, 1, 1}};
    EXPECT_EQ(SinglePlaneTriangleColor(table, 0, 2, 4, false), table[0]);
    // Triangle t of n: (t + 1) / (n + 1) of the colour; the last is darker than the layer's.
    const ViewColor first = SinglePlaneTriangleColor(table, 1, 0, 4, true);
    const ViewColor last = SinglePlaneTriangleColor(table, 1, 3, 4, true);
    EXPECT_FLOAT_EQ(first[0], 0.2f);
    EXPECT_FLOAT_EQ(last[2], 0.8f);
    // A layer the table has no row for: grey, not a read past the table.
    EXPECT_EQ(SinglePlaneTriangleColor(table, 5, 0, 1, false), (ViewColor{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(SinglePlaneTriangleColor({}, 0, 0, 1, false), (ViewColor{0.5f, 0.5f, 0.5f}));
}

TEST(ModelScene, DragAnglesWrapIntoZeroTo360)
{
    const int cases[][2] = {{0, 0}, {2, 2}, {-2, 358}, {360, 360}, {361, 1}, {725, 5}, {-725, 355}};
    for (const auto& c : cases) EXPECT_EQ(NormalizeAngle(c[0]), c[1]) << c[0];
}

TEST(ModelScene, PlanesAreLookedUpWithinTheRoomOnly)
{
    TRoom room;
    AddPlane(room, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, 0);
    EXPECT_EQ(PlaneAt(room, 0), room.plane[0].get());
    EXPECT_EQ(PlaneAt(room, 1), nullptr);
    EXPECT_EQ(PlaneAt(room, -1), nullptr);
    room.NumPlanes = 5;  // a count ahead of the list
    EXPECT_EQ(PlaneAt(room, 3), nullptr);
}

TEST(ModelScene, LostRaysAreHiddenWhileARunReplacesThem)
{
    TRoom room;
    ViewControl view;
    view.DrawLostRays = 1;
    EXPECT_FALSE(ShowLostRays(room, view));  // none
    AddLostRay(room, TPoint3D(0, 0, 0), TVector(1, 0, 0), 2);
    EXPECT_TRUE(ShowLostRays(room, view));
    {
        HeldRun run(room);
        EXPECT_FALSE(ShowLostRays(room, view));
    }
    EXPECT_TRUE(ShowLostRays(room, view));
    view.DrawLostRays = 0;
    EXPECT_FALSE(ShowLostRays(room, view));
}

TEST(ModelScene, TargetFollowsTheRoomButIsNotRefreshedDuringARun)
{
    TRoom room;
    AddSource(room, TPoint3D(2, 4, 6));
    EXPECT_EQ(ViewTarget(room), TPoint3D(2, 4, 6));
    {
        HeldRun run(room);
        room.source[0]->Position = TPoint3D(0, 0, 0);
        EXPECT_EQ(ViewTarget(room), TPoint3D(2, 4, 6));
    }
    EXPECT_EQ(ViewTarget(room), TPoint3D(0, 0, 0));
}

TEST(ModelScene, FingerprintChangesWithWhatIsDrawnOnly)
{
    TRoom room;
    ErrorCapture quiet;
    AddLayers(room, 2);
    AddPlane(room, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, 0);
    AddSource(room, TPoint3D(1, 1, 1));
    AddReceiver(room, TPoint3D(2, 2, 2), 0.3);
    const std::uint64_t base = Fingerprint(room);
    EXPECT_EQ(Fingerprint(room), base);
    room.Volume = 123;  // not drawn
    EXPECT_EQ(Fingerprint(room), base);

    struct Change {
        const char* what;
        void (*apply)(TRoom&);
        void (*undo)(TRoom&);
    };
    const Change changes[] = {
        {"source moved", [](TRoom& r) { r.source[0]->Position.x = 5; }, [](TRoom& r) { r.source[0]->Position.x = 1; }},
        {"receiver radius", [](TRoom& r) { r.receiver[0]->Radius = 1; }, [](TRoom& r) { r.receiver[0]->Radius = 0.3; }},
        {"layer colour", [](TRoom& r) { r.planeLayer[1].SetColor(1, 2, 3); },
         [](TRoom& r) { r.planeLayer[1].SetColor(-1, -1, -1); }},
        {"plane layer", [](TRoom& r) { r.plane[0]->LayerID = 1; }, [](TRoom& r) { r.plane[0]->LayerID = 0; }},
        {"vertex", [](TRoom& r) { r.plane[0]->vertice[1].y = 0.5; }, [](TRoom& r) { r.plane[0]->vertice[1].y = 0; }},
        {"lost rays", [](TRoom& r) { AddLostRay(r, TPoint3D(0, 0, 0), TVector(0, 0, 1), 1); },
         [](TRoom& r) { r.DeleteLostRays(); }},
    };
    for (const Change& c : changes) {
        c.apply(room);
        EXPECT_NE(Fingerprint(room), base) << c.what;
        c.undo(room);
        EXPECT_EQ(Fingerprint(room), base) << c.what << " undone";
    }
    {
        HeldRun run(room);
        EXPECT_NE(Fingerprint(room), base) << "run going";
    }
    EXPECT_EQ(Fingerprint(room), base) << "run ended";
}

}  // namespace
