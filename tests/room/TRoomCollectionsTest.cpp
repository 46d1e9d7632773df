#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TReceiverLayer.h"
#include "room/TRoomModel.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "support/ErrorCapture.h"

namespace {

// A room whose destructor listing stays out of the test output.
struct QuietTRoom {
    QuietTRoom() : room(new TRoomModel) {}
    ~QuietTRoom()
    {
        testing::internal::CaptureStdout();
        delete room;
        testing::internal::GetCapturedStdout();
    }
    TRoomModel* operator->() { return room; }
    TRoomModel& operator*() { return *room; }
    TRoomModel* room;
};

TPlane Square(double z, int layer)
{
    const TPoint3D v[4] = {{0, 0, z}, {1, 0, z}, {1, 1, z}, {0, 1, z}};
    TPlane p(4, v);
    p.LayerID = layer;
    return p;
}

TSource Source(int layer)
{
    TSource s;
    s.LayerID = layer;
    s.NumBands = 9;
    return s;
}

TReceiver Receiver(int layer)
{
    TReceiver r;
    r.LayerID = layer;
    r.Radius = 0.5;
    return r;
}

std::vector<std::string> PatternNames(TRoomModel& room)
{
    std::vector<std::string> names;
    for (unsigned i = 0; i < room.NumDirectivities; ++i) names.emplace_back(room.directivity[i]->GetPatternName());
    return names;
}

std::vector<int> PlaneLayers(TRoomModel& room)
{
    std::vector<int> ids;
    for (unsigned i = 0; i < room.NumPlanes; ++i) ids.push_back(room.plane[i]->LayerID);
    return ids;
}

}  // namespace

TEST(RoomCollections, PlaneLayerDeletionCountsPlanesByTheirLayer)
{
    QuietTRoom room;
    for (const char* name : {"L1", "L2", "L3"}) room->AddPlaneLayer(TPlaneLayer(name));
    for (int layer : {1, 2, 2}) {
        TPlane p = Square(layer, layer);
        room->AddPlane(&p);
    }
    // The layers' own plane counts were never maintained here: the planes decide.
    ErrorCapture cap;
    EXPECT_EQ(room->DelPlaneLayer(0), 1);
    EXPECT_EQ(room->NumPlaneLayers, 2u);
    EXPECT_EQ(room->planeLayer[0].nome, "L2");
    EXPECT_EQ(PlaneLayers(*room), (std::vector<int>{0, 1, 1}));
    EXPECT_TRUE(cap.messages.empty());

    EXPECT_EQ(room->DelPlaneLayer(1), 0);
    EXPECT_EQ(room->NumPlaneLayers, 2u);
    EXPECT_EQ(cap.messages,
              std::vector<std::string>{"Layer L3 cannot be removed because is associated to 2 plane(s)."});

    EXPECT_EQ(room->DelPlaneLayer(-1), 1);
    EXPECT_EQ(room->DelPlaneLayer(2), 1);
    EXPECT_EQ(room->NumPlaneLayers, 2u);

    // Once its planes are gone the layer can go.
    room->DelPlane(2);
    room->DelPlane(1);
    EXPECT_EQ(room->DelPlaneLayer(1), 1);
    EXPECT_EQ(room->NumPlaneLayers, 1u);
}

TEST(RoomCollections, MaterialDeletionRefusedWhileALayerUsesIt)
{
    QuietTRoom room;
    for (const char* name : {"M1", "M2", "M3"}) {
        TMaterial m(9);
        m.SetName(name);
        room->AddMaterial(&m);
    }
    room->AddPlaneLayer(TPlaneLayer("A"));
    room->AddPlaneLayer(TPlaneLayer("B"));
    room->AssociateMaterialToLayer("M1", "A");
    room->AssociateMaterialToLayer("M3", "B");
    ASSERT_EQ(room->planeLayer[1].MatID, 2);

    ErrorCapture cap;
    room->DelMaterial(1);
    EXPECT_EQ(room->NumMaterials, 2u);
    EXPECT_EQ(room->planeLayer[0].MatID, 0);
    EXPECT_EQ(room->planeLayer[1].MatID, 1);
    EXPECT_EQ(room->material[1]->nome, "M3");

    room->DelMaterial(0);
    EXPECT_EQ(room->NumMaterials, 2u);
    EXPECT_EQ(cap.messages, std::vector<std::string>{
                                "Material \"M1\" cannot be removed because is associated with plane layer \"A\".\n"});
    room->DelMaterial(7);
    EXPECT_EQ(room->NumMaterials, 2u);
}

TEST(RoomCollections, SourceAndReceiverLayerDeletionRenumbers)
{
    QuietTRoom room;
    for (const char* name : {"S1", "S2", "S3"}) room->AddSourceLayer(name);
    for (const char* name : {"R1", "R2", "R3"}) room->AddReceiverLayer(name);
    for (int layer : {2, 0, 2}) {
        TSource s = Source(layer);
        room->AddSource(&s);
        TReceiver r = Receiver(layer);
        room->AddReceiver(&r);
    }
    ErrorCapture cap;
    EXPECT_FALSE(room->DelSourceLayer(2));
    EXPECT_FALSE(room->DelReceiverLayer(0));
    EXPECT_EQ(cap.messages,
              (std::vector<std::string>{"Layer S3 is in use by source 1", "Layer R1 is in use by receiver 2"}));
    EXPECT_TRUE(room->DelSourceLayer(1));
    EXPECT_TRUE(room->DelReceiverLayer(1));
    EXPECT_TRUE(room->DelSourceLayer(5));
    EXPECT_TRUE(room->DelReceiverLayer(-1));
    EXPECT_EQ(room->NumSourceLayers, 2u);
    EXPECT_EQ(room->NumReceiverLayers, 2u);
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(room->source[i]->LayerID, i == 1 ? 0 : 1);
        EXPECT_EQ(room->receiver[i]->LayerID, i == 1 ? 0 : 1);
    }
    EXPECT_EQ(room->sourceLayer[1]->layername, "S3");
    EXPECT_EQ(room->receiverLayer[1]->layername, "R3");
}

TEST(RoomCollections, SourceWithoutLayerGetsANewLayerAndNumbersFollowTheIndex)
{
    QuietTRoom room;
    TSource s = Source(0);
    room->AddSource(&s);
    EXPECT_EQ(s.LayerID, 0);  // the caller's object too
    ASSERT_EQ(room->NumSourceLayers, 1u);
    EXPECT_EQ(room->sourceLayer[0]->layername, "SRC_LAYER_1");
    EXPECT_EQ(std::string(room->sourceLayer[0]->GetDirPatternName()), "OMNI");
    EXPECT_EQ(room->sourceLayer[0]->spectrum, std::vector<float>(9, 1.0f));
    EXPECT_EQ(room->source[0]->LayerID, 0);

    TSource t = Source(7);
    room->AddSource(&t);
    EXPECT_EQ(t.LayerID, 1);
    EXPECT_EQ(room->sourceLayer[1]->layername, "SRC_LAYER_2");
    TSource u = Source(1);
    room->AddSource(&u);
    EXPECT_EQ(room->NumSourceLayers, 2u);

    room->DelSource(0);
    room->DelSource(-1);
    room->DelSource(2);
    ASSERT_EQ(room->NumSources, 2u);
    for (unsigned i = 0; i < 2; ++i) {
        EXPECT_EQ(room->source[i]->srcID, static_cast<int>(i));
        EXPECT_EQ(room->source[i]->Name, "src 0" + std::to_string(i + 1));
    }

    for (int i = 0; i < 3; ++i) {
        TReceiver r = Receiver(0);
        room->AddReceiver(&r);
    }
    room->DelReceiver(1);
    room->DelReceiver(3);
    ASSERT_EQ(room->NumReceivers, 2u);
    EXPECT_EQ(room->receiver[1]->recID, 1);
    EXPECT_EQ(room->receiver[1]->Name, "rec 02");
}

TEST(RoomCollections, DuplicateNames)
{
    QuietTRoom room;
    TMaterial m(9);
    m.SetName("Wood");
    room->AddMaterial(&m);
    m.abs[0] = 0.3f;
    room->AddPlaneLayer(TPlaneLayer("Walls"));
    room->AddSourceLayer("Speaker");
    room->AddReceiverLayer("Mic");

    ErrorCapture cap;
    room->AddMaterial(&m);
    room->AddSourceLayer("Speaker");
    TSourceLayer sl(9);
    sl.SetLayerName("Speaker");
    room->AddSourceLayer(&sl);
    room->AddReceiverLayer("Mic");
    EXPECT_TRUE(cap.messages.empty());
    room->AddPlaneLayer(TPlaneLayer("Walls"));
    TReceiverLayer rl("Mic", nullptr);
    room->AddReceiverLayer(&rl);
    EXPECT_EQ(cap.messages, (std::vector<std::string>{"Layer Walls already defined.", "Layer Mic already defined."}));

    EXPECT_EQ(room->NumMaterials, 1u);
    EXPECT_EQ(room->material[0]->abs[0], 1.0f);  // a copy, not the caller's object
    EXPECT_EQ(room->NumPlaneLayers, 1u);
    EXPECT_EQ(room->NumSourceLayers, 1u);
    EXPECT_EQ(room->NumReceiverLayers, 1u);

    // Names match exactly.
    room->AddPlaneLayer(TPlaneLayer("walls"));
    EXPECT_EQ(room->FindPlaneLayer("walls"), 1);
    EXPECT_EQ(room->FindPlaneLayer("Wall"), -1);
    EXPECT_EQ(room->GetMaterialID("Wood"), 0);
    EXPECT_EQ(room->GetMaterialID("Woo"), -1);
    EXPECT_EQ(room->FindSourceLayer("Speaker"), 0);
    EXPECT_EQ(room->FindReceiverLayer("Mic "), -1);
}

TEST(RoomCollections, PatternsAreSharedByExactNameAndStayWhereTheyAre)
{
    QuietTRoom room;
    room->AddSourceLayer("Talker");  // brings OMNI
    TDirectivity* omni = room->sourceLayer[0]->directivity;
    ASSERT_NE(omni, nullptr);

    room->AddDirectivity("CARDIOID");
    room->AddDirectivity("CARDIOID");
    EXPECT_EQ(PatternNames(*room), (std::vector<std::string>{"OMNI", "CARDIOID"}));
    for (const char* name : {"OMNI2CARD", "SUPERCARD", "HYPERCARD", "EIGHTFIG"}) room->AddDirectivity(name);
    // The pointer held by the layer still names the same live pattern.
    EXPECT_EQ(room->sourceLayer[0]->directivity, omni);
    EXPECT_EQ(room->directivity[0].get(), omni);
    EXPECT_STREQ(omni->GetPatternName(), "OMNI");

    testing::internal::CaptureStdout();
    EXPECT_EQ(room->GetDirectivityID("OMNI2CARD"), 2);
    EXPECT_EQ(room->GetDirectivityID("OMNI"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(RoomCollections, UnknownPatternFallsBackToOmni)
{
    struct Case {
        std::vector<std::string> known;
        std::string lookup;
        std::vector<std::string> after;
        int index;
    };
    const std::vector<Case> cases = {
        {{"OMNI2CARD"}, "OMNI", {"OMNI2CARD", "OMNI"}, 1},
        {{"CARDIOID", "OMNI"}, "FIGURE8", {"CARDIOID", "OMNI"}, 1},
        {{}, "CARD", {"OMNI"}, 0},
    };
    for (const auto& c : cases) {
        QuietTRoom room;
        for (const auto& k : c.known) room->AddDirectivity(k.c_str());
        testing::internal::CaptureStdout();
        EXPECT_EQ(room->GetDirectivityID(c.lookup.c_str()), c.index) << c.lookup;
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string notice = "Directivity pattern '" + c.lookup + "' not found: using OMNI.\n";
        EXPECT_EQ(out.substr(0, notice.size()), notice);
        EXPECT_EQ(PatternNames(*room), c.after) << c.lookup;
    }

    // Adding a name that is no pattern keeps a single OMNI.
    QuietTRoom room;
    room->AddDirectivity("OMNI");
    ErrorCapture cap;
    room->AddDirectivity("NOSUCHPATTERN");
    EXPECT_EQ(PatternNames(*room), std::vector<std::string>{"OMNI"});
    EXPECT_EQ(cap.messages.size(), 1u);
}

TEST(RoomCollections, ReceiverLayersBringTheirPatterns)
{
    QuietTRoom room;
    TDirectivity card("CARDIOID", 9);  // a pattern the room does not own
    TReceiverLayer a("Front", &card);
    TReceiverLayer b("Side", nullptr);
    TReceiverLayer* layers[] = {&a, &b};
    room->CreateReceiverLayers(layers, 2);
    ASSERT_EQ(room->NumReceiverLayers, 2u);
    EXPECT_EQ(PatternNames(*room), std::vector<std::string>{"CARDIOID"});
    EXPECT_EQ(room->receiverLayer[0]->directivity, room->directivity[0].get());
    EXPECT_EQ(room->receiverLayer[1]->directivity, nullptr);

    // The first receiver type of the desktop program brings the five patterns in order.
    QuietTRoom desk;
    for (const char* name : {"OMNI", "CARDIOID", "SUPERCARD", "HYPERCARD", "EIGHTFIG"}) desk->AddDirectivity(name);
    desk->AddReceiverLayer("RecType01");
    EXPECT_EQ(PatternNames(*desk),
              (std::vector<std::string>{"OMNI", "CARDIOID", "SUPERCARD", "HYPERCARD", "EIGHTFIG"}));
    EXPECT_STREQ(desk->receiverLayer[0]->GetDirPatternName(), "OMNI");
}

TEST(RoomCollections, PlanesAreCopiesAndLoseTheirExternalMark)
{
    QuietTRoom room;
    room->AddPlaneLayer(TPlaneLayer("Floor"));
    room->AddPlaneLayer(TPlaneLayer("Ceiling"));
    TPlane a = Square(0, 0), b = Square(3, 1);
    room->AddPlane(&a);
    room->AddPlane(&b);
    a.LayerID = 1;
    EXPECT_EQ(PlaneLayers(*room), (std::vector<int>{0, 1}));
    EXPECT_EQ(room->plane[1]->GetNumTriangles(), 2u);

    room->plane[0]->IsExternal = room->plane[1]->IsExternal = true;
    room->DelPlane(5);
    room->DelPlane(-1);
    EXPECT_EQ(room->NumPlanes, 2u);
    room->DelPlane(0);
    ASSERT_EQ(room->NumPlanes, 1u);
    EXPECT_FALSE(room->plane[0]->IsExternal);
    EXPECT_EQ(room->plane[0]->GetVertex(0).z, 3.0);

    room->AssociatePlaneToLayer(0, "Floor");
    EXPECT_EQ(room->plane[0]->LayerID, 0);
    room->AssociatePlaneToLayer(0, "Nothing");
    EXPECT_EQ(room->plane[0]->LayerID, 0);
    room->AssociatePlaneToLayer(0, 1);
    EXPECT_EQ(room->plane[0]->LayerID, 1);
    room->AssociatePlaneToLayer(1, 0);  // out of range: nothing
    room->AssociatePlaneToLayer(-1, "Floor");

    TPlane* list[] = {&a, &b, &a};
    room->CreatePlanes(list, 3);
    EXPECT_EQ(PlaneLayers(*room), (std::vector<int>{1, 1, 1}));
    room->CreatePlanes(list, 0);
    EXPECT_EQ(room->NumPlanes, 3u);
}

TEST(RoomCollections, MaterialAssociationErrors)
{
    QuietTRoom room;
    TMaterial m(9);
    m.SetName("Glass");
    room->AddMaterial(&m);
    room->AddPlaneLayer(TPlaneLayer("Window"));

    ErrorCapture cap;
    room->AssociateMaterialToLayer(0, 1);
    room->AssociateMaterialToLayer(-1, 0);
    EXPECT_EQ(cap.messages, std::vector<std::string>(2, "Material association to layer out of range!!"));
    EXPECT_EQ(room->planeLayer[0].MatID, -1);
    room->AssociateMaterialToLayer(0, 0);
    EXPECT_EQ(room->planeLayer[0].MatID, 0);

    room->AssociateMaterialToLayer("Steel", "NoLayer");  // no such layer: nothing
    EXPECT_EQ(cap.messages.size(), 2u);
    try {
        room->AssociateMaterialToLayer("Steel", "Window");
        FAIL() << "no exit";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 1);
    }
    EXPECT_EQ(cap.messages.back(),
              "Error: Material 'Steel' associated to layer 'Window' was not found in the material list.");
}

TEST(RoomCollections, CreateReplacesAndLiberaMemoriaKeepsPatternsAndReceiverTypes)
{
    QuietTRoom room;
    TMaterial m1(9), m2(9);
    m1.SetName("A");
    m2.SetName("B");
    TMaterial* mats[] = {&m1, &m2};
    room->CreateMaterials(mats, 2);
    room->CreateMaterials(mats, 1);
    ASSERT_EQ(room->NumMaterials, 1u);
    room->CreateMaterials(mats, 0);
    EXPECT_EQ(room->NumMaterials, 1u);

    TSourceLayer sl(9);
    sl.SetLayerName("Voice");
    TSourceLayer* sls[] = {&sl, &sl};
    room->CreateSourceLayers(sls, 2);
    EXPECT_EQ(room->NumSourceLayers, 2u);

    TSource s0 = Source(0), s1 = Source(1);
    TSource* srcs[] = {&s0, &s1};
    room->CreateSources(srcs, 2);
    EXPECT_EQ(room->source[1]->Name, "src 02");
    TReceiver r0 = Receiver(0);
    TReceiver* recs[] = {&r0};
    room->CreateReceivers(recs, 1);
    EXPECT_EQ(room->receiver[0]->Name, "rec 01");
    room->AddReceiverLayer("Ear");
    room->AddPlaneLayer(TPlaneLayer("P"));
    TPlane p = Square(0, 0);
    room->AddPlane(&p);

    room->LiberaMemoria();
    EXPECT_EQ(room->NumMaterials + room->NumSourceLayers + room->NumPlaneLayers + room->NumPlanes + room->NumSources +
                  room->NumReceivers,
              0u);
    EXPECT_TRUE(room->material.empty());
    EXPECT_TRUE(room->plane.empty());
    EXPECT_EQ(room->NumReceiverLayers, 1u);
    EXPECT_EQ(room->NumDirectivities, 1u);
}

TEST(RoomCollections, Listings)
{
    QuietTRoom room;
    room->AddSourceLayer("Voice");
    room->sourceLayer[0]->spectrum[1] = 0.5f;
    room->AddReceiverLayer("Ear");
    testing::internal::CaptureStdout();
    room->PrintSourceLayers();
    room->PrintReceiverLayers();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SOURCE LAYERS:\n[1] - name = Voice - pattern = OMNI - spectrum = 0.00 -3.01 0.00 0.00 0.00 0.00 "
              "0.00 0.00 0.00 \nRECEIVER LAYERS:\n[1] - name = Ear - pattern = OMNI\n");
}
