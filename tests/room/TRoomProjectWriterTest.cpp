// Writing project files: saved rooms load back equal, refused saves keep the old file, and the
// section writers on their own.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "dsp/acoustics.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TReceiverLayer.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "support/ErrorCapture.h"
#include "support/ProjectFileSupport.h"

using namespace projtest;

namespace {

std::string Underscored(std::string s)
{
    for (char& c : s)
        if (c == ' ') c = '_';
    return s;
}

const char* const kPatterns[] = {"OMNI", "CARDIOID", "OMNI2CARD", "HYPERCARD", "SUPERCARD", "EIGHTFIG"};

// A room built and edited through the add and delete operations, with values at the precision
// the file keeps (coordinates in centimetres, angles and levels in tenths).
RoomHandle RandomRoom(unsigned int seed)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) { return hi < lo ? lo : std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto cm = [&pick](int lo, int hi) { return pick(lo * 100, hi * 100) / 100.0; };
    RoomHandle room = QuietRoom();
    TRoomModel& r = *room;
    r.AuralizationFlag = pick(0, 1) == 1;

    const int nMat = pick(1, 4);
    for (int m = 0; m < nMat; ++m) {
        float abs[9];
        for (float& a : abs) a = static_cast<float>(pick(0, 99) / 100.0);
        const std::string name = (m % 2 ? "Mat " : "M") + std::to_string(m);
        const TMaterial mat(name.c_str(), 9, abs, static_cast<float>(pick(0, 100) / 100.0));
        r.AddMaterial(&mat);
    }
    const int nLayers = pick(1, 3);
    for (int l = 0; l < nLayers; ++l) {
        TPlaneLayer layer(("Layer " + std::to_string(l)).c_str());
        layer.SetColor(pick(0, 255), pick(0, 255), pick(0, 255));
        r.AddPlaneLayer(layer);
        r.AssociateMaterialToLayer(pick(0, nMat - 1), l);
    }
    for (int p = pick(1, 8); p > 0; --p) {
        const double x = cm(-5, 5), y = cm(-5, 5), z = cm(0, 3), a = cm(1, 4), b = cm(1, 4);
        std::vector<TPoint3D> v;
        if (pick(0, 1) == 0)
            v = {{x, y, z}, {x + a, y, z}, {x, y + b, z}};
        else
            v = {{x, y, z}, {x, y + a, z}, {x, y + a, z + b}, {x, y, z + b}};
        TPlane plane(static_cast<int>(v.size()), v.data());
        plane.LayerID = pick(0, nLayers - 1);
        r.AddPlane(&plane);
    }

    auto pattern = [&](const char* name) {
        r.AddDirectivity(name);
        return r.directivity[static_cast<std::size_t>(r.GetDirectivityID(name))].get();
    };
    const int nSrcLayers = pick(1, 3);
    for (int l = 0; l < nSrcLayers; ++l) {
        float gains[9];
        for (float& g : gains) g = static_cast<float>(std::pow(10.0, pick(-120, 20) / 2.0 / 10.0));
        const TSourceLayer layer(("Spk " + std::to_string(l)).c_str(), pattern(kPatterns[pick(0, 5)]), gains, 9);
        r.AddSourceLayer(&layer);
    }
    const char* const sounds[] = {"NONE", "voice.wav", "clip one.wav"};
    for (int s = pick(1, 4); s > 0; --s) {
        const int layer = pick(0, nSrcLayers - 1);
        TSource src(TPoint3D(cm(-5, 5), cm(-5, 5), cm(0, 3)), SPL2Power(static_cast<float>(pick(600, 1200) / 10.0)),
                    layer, static_cast<unsigned int>(pick(12, 30000)), pick(-180, 180) / 2.0, pick(-360, 360) / 2.0, 9,
                    sounds[pick(0, 2)]);
        src.SetDirectivity(r.sourceLayer[static_cast<std::size_t>(layer)]->directivity);
        r.AddSource(&src);
    }
    const int nRecLayers = pick(1, 2);
    for (int l = 0; l < nRecLayers; ++l) {
        const TReceiverLayer layer(("Ear " + std::to_string(l)).c_str(), pattern(kPatterns[pick(0, 5)]));
        r.AddReceiverLayer(&layer);
    }
    for (int k = pick(1, 4); k > 0; --k) {
        const int layer = pick(0, nRecLayers - 1);
        TReceiver rec(TPoint3D(cm(-5, 5), cm(-5, 5), cm(0, 3)), pick(2, 9) / 10.0, pick(-360, 360) / 2.0, layer);
        rec.SetDirectivity(r.receiverLayer[static_cast<std::size_t>(layer)]->directivity);
        r.AddReceiver(&rec);
    }

    // Edits: deletions that succeed renumber, the others are refused.
    for (int e = pick(0, 6); e > 0; --e) {
        switch (pick(0, 6)) {
        case 0:
            r.DelSource(pick(0, static_cast<int>(r.NumSources)));
            break;
        case 1:
            r.DelReceiver(pick(0, static_cast<int>(r.NumReceivers)));
            break;
        case 2:
            r.DelPlane(pick(0, static_cast<int>(r.NumPlanes)));
            break;
        case 3:
            r.DelMaterial(pick(0, static_cast<int>(r.NumMaterials) - 1));
            break;
        case 4:
            r.DelPlaneLayer(pick(0, static_cast<int>(r.NumPlaneLayers) - 1));
            break;
        case 5:
            r.DelSourceLayer(pick(0, static_cast<int>(r.NumSourceLayers) - 1));
            break;
        default:
            r.DelReceiverLayer(pick(0, static_cast<int>(r.NumReceiverLayers) - 1));
            break;
        }
    }
    return room;
}

double GainDB(float g)
{
    return 10.0 * std::log10(g);
}

void ExpectEqualRooms(const TRoomModel& a, const TRoomModel& b)
{
    ASSERT_EQ(a.material.size(), b.material.size());
    for (std::size_t i = 0; i < a.material.size(); ++i) {
        EXPECT_EQ(Underscored(a.material[i]->nome), b.material[i]->nome);
        for (unsigned int k = 0; k < 9; ++k) {
            EXPECT_FLOAT_EQ(a.material[i]->abs[k], b.material[i]->abs[k]);
            EXPECT_FLOAT_EQ(a.material[i]->dif[0], b.material[i]->dif[k]);
        }
    }
    ASSERT_EQ(a.planeLayer.size(), b.planeLayer.size());
    for (std::size_t i = 0; i < a.planeLayer.size(); ++i) {
        EXPECT_EQ(Underscored(a.planeLayer[i].nome), b.planeLayer[i].nome);
        EXPECT_EQ(a.planeLayer[i].MatID, b.planeLayer[i].MatID);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(a.planeLayer[i].cor[c], b.planeLayer[i].cor[c]);
    }
    ASSERT_EQ(a.plane.size(), b.plane.size());
    for (std::size_t i = 0; i < a.plane.size(); ++i) {
        EXPECT_EQ(a.plane[i]->LayerID, b.plane[i]->LayerID);
        ASSERT_EQ(a.plane[i]->NumVert, b.plane[i]->NumVert);
        for (unsigned int v = 0; v < a.plane[i]->NumVert; ++v) {
            EXPECT_NEAR(a.plane[i]->vertice[v].x, b.plane[i]->vertice[v].x, 1e-9);
            EXPECT_NEAR(a.plane[i]->vertice[v].y, b.plane[i]->vertice[v].y, 1e-9);
            EXPECT_NEAR(a.plane[i]->vertice[v].z, b.plane[i]->vertice[v].z, 1e-9);
        }
    }
    ASSERT_EQ(a.sourceLayer.size(), b.sourceLayer.size());
    for (std::size_t i = 0; i < a.sourceLayer.size(); ++i) {
        EXPECT_EQ(Underscored(a.sourceLayer[i]->layername), b.sourceLayer[i]->layername);
        EXPECT_STREQ(a.sourceLayer[i]->GetDirPatternName(), b.sourceLayer[i]->GetDirPatternName());
        for (unsigned int k = 0; k < 9; ++k)
            EXPECT_NEAR(GainDB(a.sourceLayer[i]->spectrum[k]), GainDB(b.sourceLayer[i]->spectrum[k]), 1e-4);
    }
    ASSERT_EQ(a.source.size(), b.source.size());
    for (std::size_t i = 0; i < a.source.size(); ++i) {
        const TSource& s = *a.source[i];
        const TSource& t = *b.source[i];
        EXPECT_NEAR(s.Position.x, t.Position.x, 1e-9);
        EXPECT_NEAR(s.Position.y, t.Position.y, 1e-9);
        EXPECT_NEAR(s.Position.z, t.Position.z, 1e-9);
        EXPECT_EQ(s.NumberOfRays, t.NumberOfRays);
        EXPECT_FLOAT_EQ(s.AzimRotation, t.AzimRotation);
        EXPECT_FLOAT_EQ(s.ElevRotation, t.ElevRotation);
        EXPECT_NEAR(s.GetSPL(), t.GetSPL(), 1e-3);
        EXPECT_EQ(s.LayerID, t.LayerID);
        ASSERT_NE(t.directivity, nullptr);
        EXPECT_STREQ(s.directivity->GetPatternName(), t.directivity->GetPatternName());
        EXPECT_EQ(Underscored(s.SoundFile), t.SoundFile);
    }
    ASSERT_EQ(a.receiverLayer.size(), b.receiverLayer.size());
    for (std::size_t i = 0; i < a.receiverLayer.size(); ++i) {
        EXPECT_EQ(Underscored(a.receiverLayer[i]->layername), b.receiverLayer[i]->layername);
        EXPECT_STREQ(a.receiverLayer[i]->GetDirPatternName(), b.receiverLayer[i]->GetDirPatternName());
    }
    ASSERT_EQ(a.receiver.size(), b.receiver.size());
    for (std::size_t i = 0; i < a.receiver.size(); ++i) {
        const TReceiver& s = *a.receiver[i];
        const TReceiver& t = *b.receiver[i];
        EXPECT_NEAR(s.Position.x, t.Position.x, 1e-9);
        EXPECT_NEAR(s.Position.z, t.Position.z, 1e-9);
        EXPECT_NEAR(s.Radius, t.Radius, 1e-9);
        EXPECT_NEAR(s.AzimRotation, t.AzimRotation, 1e-9);
        EXPECT_EQ(s.LayerID, t.LayerID);
        ASSERT_NE(t.directivity, nullptr);
        EXPECT_STREQ(s.directivity->GetPatternName(), t.directivity->GetPatternName());
    }
}

}  // namespace

TEST_F(ProjectFiles, EverySavedRoomLoadsBackEqual)
{
    for (unsigned int seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        ErrorCapture cap;  // missing sound files and refused deletions show boxes
        RoomHandle room{nullptr, nullptr};
        Quietly([&] { room = RandomRoom(seed); });
        const std::string first = Path("first.txt");
        const std::string second = Path("second.txt");
        int saved = 0;
        Quietly([&] { saved = room->SaveRoom(first.c_str()); });
        ASSERT_EQ(saved, 1);

        RoomHandle loaded = QuietRoom();
        Quietly([&] {
            DesktopChain(*loaded, first);
            saved = loaded->SaveRoom(second.c_str());
        });
        ExpectEqualRooms(*room, *loaded);
        EXPECT_EQ(saved, 1);
        EXPECT_EQ(ReadFile(first), ReadFile(second));
    }
}

TEST_F(ProjectFiles, RefusedSaveKeepsTheOldFile)
{
    using Edit = void (*)(TRoomModel&);
    const struct {
        const char* name;
        Edit edit;
        std::string message;
    } cases[] = {
        {"plane layer without material", [](TRoomModel& r) { r.planeLayer[0].MatID = -1; },
         "PlaneLayer Walls not saved because it is NOT ASSOCIATED to a material"},
        {"material index past the list", [](TRoomModel& r) { r.planeLayer[0].MatID = 4; },
         "PlaneLayer Walls not saved because it is NOT ASSOCIATED to a material"},
        {"empty material name", [](TRoomModel& r) { r.material[0]->nome.clear(); },
         "Cannot save material 1: empty name."},
        {"line break in a layer name", [](TRoomModel& r) { r.sourceLayer[0]->layername = "Spk\nX"; },
         "Cannot save source layer 1: the name Spk\nX holds a line break."},
        {"section tag as a name", [](TRoomModel& r) { r.receiverLayer[0]->layername = "my<PLANES>"; },
         "Cannot save receiver layer 1: the name my<PLANES> holds a section tag."},
        {"source on a missing layer", [](TRoomModel& r) { r.source[0]->LayerID = 3; },
         "Cannot save source 1: its layer does not exist."},
        {"receiver at NaN", [](TRoomModel& r) { r.receiver[0]->Position.x = std::nan(""); },
         "Cannot save receiver 1: a value is not a finite number."},
        {"plane vertex at infinity",
         [](TRoomModel& r) { r.plane[0]->vertice[1].z = std::numeric_limits<double>::infinity(); },
         "Cannot save plane 1: a vertex is not a finite point."},
        {"gain of NaN", [](TRoomModel& r) { r.sourceLayer[0]->spectrum[3] = std::nanf(""); },
         "Cannot save source layer 1: a gain is not a finite number."},
        {"two plane layers of one name",
         [](TRoomModel& r) {
             r.planeLayer.push_back(r.planeLayer[0]);
             r.NumPlaneLayers = 2;
         },
         "Cannot save plane layer 2: the name Walls is used twice."},
        {"names that differ by a blank",
         [](TRoomModel& r) {
             r.material[0]->nome = "A B";
             const TMaterial other("A_B", 9, 0.5f, 0.1f);
             r.AddMaterial(&other);
         },
         "Cannot save material 2: the name A_B is used twice."},
    };
    const std::string shoebox = Write("shoebox.txt", Shoebox());
    const std::string target = Path("target.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write("target.txt", "the old project\n");
        RoomHandle room = QuietRoom();
        Quietly([&] { DesktopChain(*room, shoebox); });
        c.edit(*room);
        ErrorCapture cap;
        int saved = -1;
        Quietly([&] { saved = room->SaveRoom(target.c_str()); });
        EXPECT_EQ(saved, 0);
        EXPECT_EQ(cap.Joined(), c.message);
        EXPECT_EQ(ReadFile(target), "the old project\n");
        EXPECT_EQ(Listing(), (std::vector<std::string>{"shoebox.txt", "target.txt"}));
    }

    // Files that cannot be written: a missing folder, a folder in the file's place.
    RoomHandle room = QuietRoom();
    Quietly([&] { DesktopChain(*room, shoebox); });
    fs::create_directories(dir_ / "folder");
    for (const std::string& bad : {Path("nowhere/room.txt"), Path("folder")}) {
        SCOPED_TRACE(bad);
        ErrorCapture cap;
        int saved = -1;
        Quietly([&] { saved = room->SaveRoom(bad.c_str()); });
        EXPECT_EQ(saved, 0);
        EXPECT_EQ(cap.Joined(), "\n O arquivo " + bad + " nao pode ser aberto para escrita!\n");
        EXPECT_EQ(Listing(), (std::vector<std::string>{"folder", "shoebox.txt", "target.txt"}));
    }
    EXPECT_EQ(room->ProjectName, "shoebox.txt");
}

TEST_F(ProjectFiles, EmptyRoomAndPathsAfterSaving)
{
    RoomHandle room = QuietRoom();
    fs::create_directories(dir_ / "sub");
    const std::string path = Path("sub/empty.txt");
    int saved = 0;
    ErrorCapture cap;
    Quietly([&] { saved = room->SaveRoom(path.c_str()); });
    EXPECT_EQ(saved, 1);
    EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
    EXPECT_EQ(room->ProjectName, "empty.txt");
    EXPECT_EQ(fs::path(room->ProjectFolder), dir_ / "sub");

    const std::string text = ReadFile(path);
    EXPECT_EQ(
        text.substr(text.find("<LAYERS::SOURCE>")),
        "<LAYERS::SOURCE>\n</LAYERS::SOURCE>\n\n<SOURCES>\n</SOURCES>\n\n<LAYERS::RECEIVER>\n</LAYERS::RECEIVER>\n\n"
        "<RECEIVERS>\n</RECEIVERS>\n\n<MATERIALS>\n</MATERIALS>\n\n<LAYERS::PLANE>\n</LAYERS::PLANE>\n\n"
        "<LAYERS::COLOR>\n</LAYERS::COLOR>\n\n<PLANES>\n</PLANES>\n\n");
    RoomHandle loaded = QuietRoom();
    Quietly([&] { DesktopChain(*loaded, path); });
    EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
    EXPECT_EQ(loaded->NumMaterials + loaded->NumPlaneLayers + loaded->NumPlanes + loaded->NumSources +
                  loaded->NumReceivers + loaded->NumSourceLayers + loaded->NumReceiverLayers,
              0u);
}

TEST_F(ProjectFiles, SectionWritersOnTheirOwn)
{
    const std::string shoebox = Write("shoebox.txt", Shoebox());
    RoomHandle room = QuietRoom();
    Quietly([&] { DesktopChain(*room, shoebox); });

    // A layer without material keeps its colour line; a plane of two vertices is left out.
    TPlaneLayer loose("Loose wall");
    loose.SetColor(0, 128, 255);
    room->AddPlaneLayer(loose);
    TPlaneLayer plain("Plain");
    room->AddPlaneLayer(plain);
    const TPoint3D tri[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    TPlane thin(3, tri);
    thin.RemoveVertex(2);
    room->plane.push_back(std::make_unique<TPlane>(thin));
    room->NumPlanes = 7;

    // Gains of 1, 0 and levels far down keep their text through a save and a load.
    float gains[9] = {1.0f, 0.0f, 1e-6f, 1e-5f, 2e-5f, 0.5f, 2.0f, 1e-7f, 0.001f};
    for (int b = 0; b < 9; ++b) room->sourceLayer[0]->spectrum[b] = gains[b];

    const std::string part = Path("part.txt");
    ErrorCapture cap;
    room->SavePlaneLayers(part.c_str());
    room->SavePlanes(part.c_str());
    room->SaveSourceLayers(part.c_str());
    room->SaveReceiverLayers(part.c_str());
    room->SaveReceivers(part.c_str());
    room->SaveSources(part.c_str());
    room->SaveMaterials(part.c_str());
    EXPECT_EQ(cap.messages,
              (std::vector<std::string>{"PlaneLayer Loose wall not saved because it is NOT ASSOCIATED to a material",
                                        "PlaneLayer Plain not saved because it is NOT ASSOCIATED to a material"}));
    const std::string golden = Shoebox();
    std::string expected = golden.substr(golden.find("<LAYERS::PLANE>"));
    expected = Replace(expected, "Walls 200 200 200\n", "Walls 200 200 200\nLoose_wall 0 128 255\n");
    expected +=
        "<LAYERS::SOURCE>\nSpeaker OMNI 0.0 -60.0 -60.0 -50.0 -47.0 -3.0 3.0 -60.0 -30.0\n</LAYERS::SOURCE>\n\n";
    expected += golden.substr(golden.find("<LAYERS::RECEIVER>"),
                              golden.find("<MATERIALS>") - golden.find("<LAYERS::RECEIVER>"));
    expected += golden.substr(golden.find("<SOURCES>"), golden.find("<LAYERS::RECEIVER>") - golden.find("<SOURCES>"));
    expected += golden.substr(golden.find("<MATERIALS>"), golden.find("<LAYERS::PLANE>") - golden.find("<MATERIALS>"));
    EXPECT_EQ(ReadFile(part), expected);

    RoomHandle again = QuietRoom();
    const std::string resaved = Path("resaved.txt");
    Quietly([&] {
        again->AddDirectivitiesTxt(part.c_str());
        again->AddSourceLayersTxt(part.c_str());
        again->SaveSourceLayers(resaved.c_str());
    });
    EXPECT_EQ(ReadFile(resaved),
              "<LAYERS::SOURCE>\nSpeaker OMNI 0.0 -60.0 -60.0 -50.0 -47.0 -3.0 3.0 -60.0 -30.0\n</LAYERS::SOURCE>\n\n");

    // The receivers with their pattern names, on a stream.
    const std::string streamed = Path("receivers.txt");
    FILE* fid = std::fopen(streamed.c_str(), "w");
    ASSERT_NE(fid, nullptr);
    room->WriteReceivers(fid);
    std::fclose(fid);
    EXPECT_EQ(ReadFile(streamed), "<RECEIVERS>\n7.00 5.00 1.20 0.5 0 OMNI\n</RECEIVERS>\n");
}
