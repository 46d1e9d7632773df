// Reading project files: the shoebox example, section layout, malformed files, notices and the
// merging readers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "dsp/WavFile.h"
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

// Sections of the shoebox, for building variants.
const char* const kSectionNames[] = {"ENVIRONMENT", "SIMULATION", "LAYERS::SOURCE", "SOURCES",       "LAYERS::RECEIVER",
                                     "RECEIVERS",   "MATERIALS",  "LAYERS::PLANE",  "LAYERS::COLOR", "PLANES"};

std::string SectionOf(const std::string& text, const std::string& name)
{
    const std::string open = "<" + name + ">\n";
    const std::string close = "</" + name + ">\n";
    const std::size_t b = text.find(open);
    const std::size_t e = text.find(close, b);
    return text.substr(b, e + close.size() - b);
}

}  // namespace

TEST_F(ProjectFiles, ShoeboxLoadsWithEveryElement)
{
    const std::string path = Write("shoebox.txt", Shoebox());
    auto room = QuietRoom();
    ErrorCapture cap;
    Quietly([&] { DesktopChain(*room, path); });
    EXPECT_TRUE(cap.messages.empty()) << cap.Joined();

    ASSERT_EQ(room->NumMaterials, 1u);
    EXPECT_EQ(room->material[0]->nome, "Concrete");
    EXPECT_FLOAT_EQ(room->material[0]->abs[8], 0.05f);
    for (float d : room->material[0]->dif) EXPECT_FLOAT_EQ(d, 0.10f);
    ASSERT_EQ(room->NumPlaneLayers, 1u);
    EXPECT_EQ(room->planeLayer[0].MatID, 0);
    EXPECT_EQ(room->planeLayer[0].NumPlanes, 6u);
    EXPECT_EQ(room->planeLayer[0].cor[2], 200);
    ASSERT_EQ(room->NumPlanes, 6u);
    for (const auto& p : room->plane) {
        EXPECT_EQ(p->NumVert, 4u);
        EXPECT_EQ(p->NumTriang, 2u);
        EXPECT_EQ(p->LayerID, 0);
    }
    ASSERT_EQ(room->NumSources, 1u);
    const TSource& s = *room->source[0];
    EXPECT_DOUBLE_EQ(s.Position.y, 4.0);
    EXPECT_EQ(s.NumberOfRays, 1002u);
    EXPECT_NEAR(s.GetSPL(), 94.0f, 1e-3);
    EXPECT_EQ(s.SoundFile, "NONE");
    ASSERT_NE(s.directivity, nullptr);
    EXPECT_STREQ(s.directivity->GetPatternName(), "OMNI");
    ASSERT_EQ(room->NumSourceLayers, 1u);
    EXPECT_NEAR(room->sourceLayer[0]->spectrum[0], std::pow(10.0, -0.3), 1e-6);
    ASSERT_EQ(room->NumReceivers, 1u);
    EXPECT_DOUBLE_EQ(room->receiver[0]->Radius, 0.5);
    EXPECT_EQ(room->receiver[0]->directivity, room->receiverLayer[0]->directivity);
    EXPECT_EQ(room->NumDirectivities, 1u);
}

// The shoebox saved by SaveRoom's writers comes back byte for byte through every reading chain,
// and through files whose layout differs in what the readers ignore.
TEST_F(ProjectFiles, ShoeboxSavesBackByteIdentically)
{
    const std::string golden = Shoebox();
    std::string reversed;
    for (int i = 9; i >= 0; --i) reversed += "Legend of a section\n\n" + SectionOf(golden, kSectionNames[i]);
    std::string crlf;
    for (char c : golden) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    std::string tagged = Replace(golden, "<PLANES>\n", "  <PLANES>  room surfaces follow\n");
    tagged = Replace(tagged, "<SOURCES>\n", "# <SOURCES> one speaker\n");

    using Chain = void (*)(TRoomModel&, const std::string&);
    const Chain fresh = [](TRoomModel& r, const std::string& f) {
        r.LoadFromTxtFile(f.c_str());
        r.ReadColorLayers(f.c_str());
    };
    const struct {
        const char* name;
        std::string text;
        Chain chain;
    } cases[] = {
        {"desktop chain", golden, DesktopChain},  {"console chain", golden, ConsoleChain},
        {"fresh readers", golden, fresh},         {"sections in reverse order with legends", reversed, DesktopChain},
        {"carriage returns", crlf, DesktopChain}, {"tags sharing their line", tagged, DesktopChain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = Write("in.txt", c.text);
        const std::string out = Path("out.txt");
        auto room = QuietRoom();
        ErrorCapture cap;
        int saved = 0;
        Quietly([&] {
            c.chain(*room, in);
            saved = room->SaveRoom(out.c_str());
        });
        EXPECT_EQ(saved, 1);
        EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
        EXPECT_EQ(ReadFile(out), golden);
    }
}

TEST_F(ProjectFiles, MalformedFilesEndWithTheirMessageAndStatus)
{
    const std::string golden = Shoebox();
    const std::string file = Path("bad.txt");
    const std::string concrete = "Concrete 0.01 0.01 0.02 0.02 0.02 0.03 0.04 0.05 0.05 0.10\n";
    const std::string source = "2.00 4.00 1.50 1002 0.0 0.0 94.0 Speaker NONE\n";
    const std::string receiver = "7.00 5.00 1.20 0.5 0.0 Listener\n";
    const std::string floor = "4 0.00 0.00 0.00 10.00 0.00 0.00 10.00 8.00 0.00 0.00 8.00 0.00 Walls\n";
    const struct {
        const char* name;
        std::string text;
        std::string message;
    } cases[] = {
        {"material line with a trailing blank", Replace(golden, concrete, Replace(concrete, "\n", " \n")),
         "Wrong number of parameters on MATERIALS section, line 1.\nShould be 11 instead of 12 items."},
        {"blank line among materials", Replace(golden, concrete, concrete + "\n"),
         "Wrong number of parameters on MATERIALS section, line 2.\nShould be 11 instead of 1 items."},
        {"absorption nan", Replace(golden, "0.04 0.05", "0.04 nan"),
         "Invalid number 'nan' on MATERIALS section, line 1."},
        {"scattering inf", Replace(golden, "0.05 0.10", "0.05 inf"),
         "Invalid number 'inf' on MATERIALS section, line 1."},
        {"absorption below 0", Replace(golden, "0.04 0.05", "0.04 -0.5"),
         "Absorption '-0.5' on MATERIALS section, line 1, is below 0."},
        {"scattering below 0", Replace(golden, "0.05 0.10", "0.05 -2"),
         "Scattering '-2' on MATERIALS section, line 1, lies outside 0 ... 1."},
        {"scattering above 1", Replace(golden, "0.05 0.10", "0.05 1.5"),
         "Scattering '1.5' on MATERIALS section, line 1, lies outside 0 ... 1."},
        {"layer names a missing material", Replace(golden, "Walls Concrete\n", "Walls Brick\n"),
         "Error: Material 'Brick' associated to layer 'Walls' was not found in the material list."},
        {"layer without a name", Replace(golden, "Walls Concrete\n", " Concrete\n"),
         "Missing name on LAYERS::PLANE section, line 1."},
        {"plane names a missing layer", Replace(golden, "3.00 10.00 8.00 0.00 Walls\n", "3.00 10.00 8.00 0.00 Wals\n"),
         "A Layer associada ao plano 6 (Wals) n\xE3o est\xE1 na lista de layers de planos.\n"},
        {"plane of two vertices", Replace(golden, floor, "2 0.00 0.00 0.00 10.00 0.00 0.00 Walls\n"),
         "Plane on PLANES section, line 1, has 2 vertices.\nA plane needs at least 3."},
        {"plane of negative vertex count", Replace(golden, floor, "-4 0.00 Walls\n"),
         "Plane on PLANES section, line 1, has -4 vertices.\nA plane needs at least 3."},
        {"plane missing a vertex", Replace(golden, floor, "4 0.00 0.00 0.00 10.00 0.00 0.00 10.00 8.00 0.00 Walls\n"),
         "Wrong number of parameters on PLANES section, line 1.\nShould be 14 instead of 11 items."},
        {"plane coordinate with trailing text", Replace(golden, floor, Replace(floor, "10.00 8.00", "10.00abc 8.00")),
         "Invalid number '10.00abc' on PLANES section, line 1."},
        {"blank line among planes", Replace(golden, floor, floor + "\n"),
         "Invalid number '' on PLANES section, line 2."},
        {"source layer short of a gain", Replace(golden, " -4.0\n", "\n"),
         "Wrong number of parameters on LAYERS::SOURCE section, line 1.\nShould be 11 instead of 10 items."},
        {"source layer gain of words", Replace(golden, "-1.5", "loud"),
         "Invalid number 'loud' on LAYERS::SOURCE section, line 1."},
        {"source line of seven items", Replace(golden, source, "2.00 4.00 1.50 1002 0.0 0.0 94.0\n"),
         "Wrong number of parameters reading source 1 from file " + file + "!\nClick OK to exit."},
        {"blank source line", Replace(golden, source, source + "\n"),
         "Wrong number of parameters reading source 2 from file " + file + "!\nClick OK to exit."},
        {"source names a missing layer", Replace(golden, source, "2.00 4.00 1.50 1002 0.0 0.0 94.0 Spk NONE\n"),
         "Layer [Spk] associated to source [1] is not defined in <LAYERS:SOURCE> section"},
        {"fractional ray count", Replace(golden, " 1002 ", " 12.5 "),
         "Invalid number '12.5' on SOURCES section, line 1."},
        {"ray count beyond int", Replace(golden, " 1002 ", " 99999999999 "),
         "Invalid number '99999999999' on SOURCES section, line 1."},
        {"level of NaN", Replace(golden, " 94.0 ", " NaN "), "Invalid number 'NaN' on SOURCES section, line 1."},
        {"receiver names a missing layer", Replace(golden, receiver, "7.00 5.00 1.20 0.5 0.0 Ear\n"),
         "Layer [Ear] associated to receiver [1] not defined in <LAYERS:RECEIVER> section"},
        {"receiver at infinity", Replace(golden, receiver, "7.00 -inf 1.20 0.5 0.0 Listener\n"),
         "Invalid number '-inf' on RECEIVERS section, line 1."},
        {"receiver radius overflowing", Replace(golden, receiver, "7.00 5.00 1.20 1e999 0.0 Listener\n"),
         "Invalid number '1e999' on RECEIVERS section, line 1."},
        {"colour of a float", Replace(golden, "Walls 200 200 200", "Walls 200 200 2e2"),
         "Invalid number '2e2' on LAYERS::COLOR section, line 1."},
        {"colour of two components", Replace(golden, "Walls 200 200 200", "Walls 200 200"),
         "Wrong number of parameters on LAYERS::COLOR section, line 1.\nShould be 4 instead of 3 items."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write("bad.txt", c.text);
        auto room = QuietRoom();
        ErrorCapture cap;
        int status = 0;
        try {
            Quietly([&] { DesktopChain(*room, file); });
        } catch (const SorviExit& e) {
            status = e.Status();
        }
        EXPECT_EQ(status, 1);
        ASSERT_FALSE(cap.messages.empty());
        EXPECT_EQ(cap.messages.back(), c.message);
    }

    // A file that is not there.
    auto room = QuietRoom();
    ErrorCapture cap;
    const std::string missing = Path("missing.txt");
    for (auto reader : {&TRoomModel::AddMaterialsTxt, &TRoomModel::AddSourcesTxt, &TRoomModel::ReadColorLayers}) {
        cap.messages.clear();
        try {
            (room.get()->*reader)(missing.c_str());
            ADD_FAILURE() << "no exit";
        } catch (const SorviExit& e) {
            EXPECT_EQ(e.Status(), 1);
        }
        EXPECT_EQ(cap.Joined(), "Cannot open " + missing + " for reading\n");
    }
}

// A reader that meets a fatal line stores none of the lines before it.
TEST_F(ProjectFiles, FatalLineLeavesTheReadersWorkUndone)
{
    const std::string path = Write("shoebox.txt", Shoebox());
    auto room = QuietRoom();
    Quietly([&] { DesktopChain(*room, path); });

    const struct {
        const char* name;
        void (TRoomModel::*reader)(const char*);
        std::string section;
        unsigned int TRoomModel::*count;
        unsigned int expected;
    } cases[] = {
        {"materials", &TRoomModel::AddMaterialsTxt,
         "<MATERIALS>\nBrick 0.1 0.1 0.1 0.1 0.1 0.1 0.1 0.1 0.1 0.1\nGlass 0.1 0.1 0.1 0.1 0.1 0.1 0.1 0.1 0.1 "
         "x\n</MATERIALS>\n",
         &TRoomModel::NumMaterials, 1},
        {"planes", &TRoomModel::AddPlanesTxT,
         "<PLANES>\n3 0 0 0 1 0 0 0 1 0 Walls\n3 0 0 0 1 0 0 0 1 Walls\n</PLANES>\n", &TRoomModel::NumPlanes, 6},
        {"source layers", &TRoomModel::AddSourceLayersTxt,
         "<LAYERS::SOURCE>\nA OMNI 0 0 0 0 0 0 0 0 0\nB OMNI 0 0 0 0 0 0 0 0\n</LAYERS::SOURCE>\n",
         &TRoomModel::NumSourceLayers, 1},
        {"sources", &TRoomModel::AddSourcesTxt,
         "<SOURCES>\n1 1 1 1002 0 0 90 Speaker\n1 1 1 1002 0 0 90 Nobody\n</SOURCES>\n", &TRoomModel::NumSources, 1},
        {"receivers", &TRoomModel::AddReceiversTxt,
         "<RECEIVERS>\n1 1 1 0.5 0 Listener\n1 1 nan 0.5 0 Listener\n</RECEIVERS>\n", &TRoomModel::NumReceivers, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string part = Write("part.txt", c.section);
        ErrorCapture cap;
        EXPECT_THROW(Quietly([&] { (room.get()->*c.reader)(part.c_str()); }), SorviExit);
        EXPECT_EQ((*room).*c.count, c.expected);
    }
    EXPECT_EQ(room->material.size(), 1u);
    EXPECT_EQ(room->plane.size(), 6u);
    EXPECT_EQ(room->source.size(), 1u);
    EXPECT_EQ(room->receiver.size(), 1u);
}

TEST_F(ProjectFiles, RayCountsBelowTheGridBecomeTwelveWithANotice)
{
    const struct {
        const char* rays;
        unsigned int stored;
        bool notice;
    } cases[] = {{"5", 12, true},  {"11", 12, true},   {"0", 12, true},
                 {"-7", 12, true}, {"+12", 12, false}, {"1002", 1002, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rays);
        const std::string path = Write("p.txt", "<LAYERS::SOURCE>\nSpk OMNI 0 0 0 0 0 0 0 0 0\n</LAYERS::SOURCE>\n"
                                                "<SOURCES>\n1 2 1.5 " +
                                                    std::string(c.rays) + " 30 10 94 Spk\n</SOURCES>\n");
        auto room = QuietRoom();
        const std::string out = Quietly([&] {
            room->AddDirectivitiesTxt(path.c_str());
            room->AddSourceLayersTxt(path.c_str());
            room->AddSourcesTxt(path.c_str());
        });
        ASSERT_EQ(room->NumSources, 1u);
        const TSource& s = *room->source[0];
        EXPECT_EQ(s.NumberOfRays, c.stored);
        EXPECT_FLOAT_EQ(s.AzimRotation, 30.0f);
        EXPECT_FLOAT_EQ(s.ElevRotation, 10.0f);
        EXPECT_EQ(s.LayerID, 0);
        EXPECT_EQ(s.SoundFile, "NONE");
        EXPECT_EQ(out.find("Adjusting number of rays to minimum value: 12.") != std::string::npos, c.notice);
    }
}

// Lines the readers report and go past.
TEST_F(ProjectFiles, ReportedLinesAreSkipped)
{
    const std::string path =
        Write("p.txt", "<MATERIALS>\nM 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 1.5 0.2\n</MATERIALS>\n"
                       "<LAYERS::PLANE>\nWalls M\nOdd M 1\nLit M 0 128 255\nGhost Nothing\n</LAYERS::PLANE>\n"
                       "<LAYERS::RECEIVER>\nEar OMNI extra\n\nMic CARDIOID\n</LAYERS::RECEIVER>\n"
                       "<RECEIVERS>\n1 1 1 1.5 0 Mic\n1 1 1 0.5 Mic\n\n2 2 2 0.1 45 Mic\n</RECEIVERS>\n"
                       "<LAYERS::COLOR>\nNowhere 1 2 3\nWalls 10 20 30\n</LAYERS::COLOR>\n");
    auto room = QuietRoom();
    ErrorCapture cap;
    const std::string out = Quietly([&] {
        room->AddMaterialsTxt(path.c_str());
        room->ReadPlaneLayersTxt(path.c_str());
        room->AddDirectivitiesTxt(path.c_str());
        room->AddReceiverLayersTxt(path.c_str());
        room->AddReceiversTxt(path.c_str());
        room->ReadColorLayers(path.c_str());
    });
    EXPECT_EQ(cap.messages,
              (std::vector<std::string>{
                  "Wrong number of parameters (3) for LAYERS:PLANE section line 2",
                  "Wrong number of parameters (3) for LAYERS:RECEIVER section line 1.\nShould be 2 items.",
                  "Wrong number of parameters (1) for LAYERS:RECEIVER section line 2.\nShould be 2 items.",
              }));
    EXPECT_NE(out.find("Wrong number of parameters (5) for RECEIVERS section line 2: line skipped."),
              std::string::npos);
    EXPECT_NE(out.find("Wrong number of parameters (1) for RECEIVERS section line 3: line skipped."),
              std::string::npos);

    EXPECT_FLOAT_EQ(room->material[0]->abs[8], 0.999f);  // 1 or more
    ASSERT_EQ(room->NumPlaneLayers, 4u);
    EXPECT_EQ(room->planeLayer[0].nome, "Walls");
    EXPECT_EQ(room->planeLayer[0].cor[1], 20);  // from the colours section
    EXPECT_EQ(room->planeLayer[1].nome, "NoName");
    EXPECT_EQ(room->planeLayer[1].MatID, -1);
    EXPECT_EQ(room->planeLayer[1].cor[0], -1);
    EXPECT_EQ(room->planeLayer[2].cor[2], 255);
    EXPECT_EQ(room->planeLayer[3].MatID, -1);
    ASSERT_EQ(room->NumReceiverLayers, 1u);
    ASSERT_EQ(room->NumReceivers, 2u);
    EXPECT_DOUBLE_EQ(room->receiver[0]->Radius, 0.9);
    EXPECT_DOUBLE_EQ(room->receiver[1]->Radius, 0.2);
    EXPECT_STREQ(room->receiver[1]->GetDaffFile(), "CARDIOID");
}

TEST_F(ProjectFiles, MergingReadersAppendOnlyWhatIsNew)
{
    const std::string shoebox = Write("shoebox.txt", Shoebox());
    auto room = QuietRoom();
    Quietly([&] { DesktopChain(*room, shoebox); });
    const TPoint3D firstVertex = room->plane[0]->vertice[0];

    const std::string more =
        Write("more.txt",
              "<MATERIALS>\nConcrete 0.9 0.9 0.9 0.9 0.9 0.9 0.9 0.9 0.9 0.9\nWood 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 "
              "0.3\n</MATERIALS>\n"
              "<LAYERS::PLANE>\nWalls Wood 1 2 3\nStage Wood 9 9 9\n</LAYERS::PLANE>\n"
              "<PLANES>\n3 0 0 1 1 0 1 0 1 1 Stage\n3 0 0 2 1 0 2 0 1 2 Stage\n3 0 0 3 1 0 3 0 1 3 Walls\n</PLANES>\n");
    ErrorCapture cap;
    const std::string out = Quietly([&] {
        room->AddMaterialsTxt(more.c_str());
        room->AddMaterialsTxt(more.c_str());  // a second time adds nothing
        room->AddPlaneLayersTxt(more.c_str());
        room->AddPlanesTxT(more.c_str());
    });
    EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
    ASSERT_EQ(room->NumMaterials, 2u);
    EXPECT_FLOAT_EQ(room->material[0]->abs[0], 0.01f);  // the existing one is kept
    EXPECT_FLOAT_EQ(room->material[1]->dif[4], 0.3f);
    ASSERT_EQ(room->NumPlaneLayers, 2u);
    EXPECT_EQ(room->planeLayer[0].MatID, 0);
    EXPECT_EQ(room->planeLayer[1].nome, "Stage");
    EXPECT_EQ(room->planeLayer[1].MatID, 1);
    EXPECT_EQ(room->planeLayer[1].cor[0], -1);
    ASSERT_EQ(room->NumPlanes, 9u);
    EXPECT_EQ(room->plane[0]->vertice[0], firstVertex);
    EXPECT_EQ(room->plane[8]->LayerID, 0);
    EXPECT_DOUBLE_EQ(room->plane[8]->vertice[0].z, 3.0);
    EXPECT_EQ(room->planeLayer[0].NumPlanes, 7u);
    EXPECT_EQ(room->planeLayer[1].NumPlanes, 2u);
    EXPECT_NE(out.find("\nLAYER(S) NOT USED:\n"), std::string::npos);

    // A planes file that cannot be opened: a box, no exit, nothing changed.
    const std::string missing = Path("missing.txt");
    EXPECT_NO_THROW(room->AddPlanesTxT(missing.c_str()));
    EXPECT_EQ(cap.Joined(), "Cannot open " + missing + " for reading\n");
    EXPECT_EQ(room->NumPlanes, 9u);
}

TEST_F(ProjectFiles, PatternsAreTakenByExactName)
{
    const std::string path = Write("p.txt", "<LAYERS::SOURCE>\nSpk OMNI2CARD 0 0 0 0 0 0 0 0 0\nShort OMNI 0\n"
                                            "Cone CARDIOID 0 0 0 0 0 0 0 0 0\n</LAYERS::SOURCE>\n"
                                            "<LAYERS::RECEIVER>\nEar OMNI\nLobe EIGHTFIG\nOdd\n</LAYERS::RECEIVER>\n");
    auto room = QuietRoom();
    ErrorCapture cap;
    Quietly([&] { room->AddDirectivitiesTxt(path.c_str()); });
    EXPECT_EQ(cap.messages, std::vector<std::string>{"Wrong number of parameters (3) for SOURCE LAYER Spk"});
    std::vector<std::string> names;
    for (const auto& d : room->directivity) names.push_back(d->GetPatternName());
    EXPECT_EQ(names, (std::vector<std::string>{"OMNI2CARD", "CARDIOID", "OMNI", "EIGHTFIG"}));

    // Reading the same file again adds no pattern and keeps the old ones where they are.
    const TDirectivity* first = room->directivity[0].get();
    Quietly([&] { room->AddDirectivitiesTxt(path.c_str()); });
    EXPECT_EQ(room->NumDirectivities, 4u);
    EXPECT_EQ(room->directivity[0].get(), first);
}

TEST_F(ProjectFiles, SoundFilesKeepTheirNameAsWritten)
{
    fs::create_directories(dir_ / "project");
    fs::create_directories(dir_ / "elsewhere");
    const std::vector<float> click(100, 0.25f);
    ASSERT_TRUE(writeWAVData(Path("project/voice.wav").c_str(), click.data(), click.size(), 44100, 1));
    ASSERT_TRUE(writeWAVData(Path("elsewhere/drum.wav").c_str(), click.data(), click.size(), 44100, 1));
    const std::string absolute = Path("elsewhere/drum.wav");

    const std::string sources = "<SOURCES>\n"
                                "1.00 1.00 1.00 1002 0.0 0.0 90.0 Speaker voice.wav\n"
                                "2.00 1.00 1.00 1002 0.0 0.0 90.0 Speaker " +
                                absolute +
                                "\n"
                                "3.00 1.00 1.00 1002 0.0 0.0 90.0 Speaker gone.wav\n"
                                "4.00 1.00 1.00 1002 0.0 0.0 90.0 Speaker NONE\n"
                                "</SOURCES>\n";
    std::string text = Replace(Shoebox(), "AURALIZATION = 0", "AURALIZATION = 1");
    text = Replace(text, SectionOf(text, "SOURCES"), sources);
    const std::string path = Write("project/room.txt", text);

    // Loaded and saved over itself twice: the names stay, the folder is never doubled.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        auto room = QuietRoom();
        ErrorCapture cap;
        int saved = 0;
        Quietly([&] {
            DesktopChain(*room, path);
            saved = room->SaveRoom(path.c_str());
        });
        EXPECT_EQ(saved, 1);
        EXPECT_EQ(cap.messages,
                  std::vector<std::string>{"Soundfile " + (dir_ / "project" / "gone.wav").string() +
                                           " NOT FOUND!\nNo auralization will be performed for this source."});
        ASSERT_EQ(room->NumSources, 4u);
        EXPECT_EQ(room->source[0]->SoundFile, "voice.wav");
        EXPECT_TRUE(room->source[0]->SoundFileFlag);
        EXPECT_EQ(fs::path(room->source[0]->GetSoundFilePath()), dir_ / "project" / "voice.wav");
        EXPECT_EQ(room->source[1]->SoundFile, absolute);
        EXPECT_TRUE(room->source[1]->SoundFileFlag);
        EXPECT_EQ(room->source[2]->SoundFile, "gone.wav");
        EXPECT_FALSE(room->source[2]->SoundFileFlag);
        EXPECT_EQ(room->source[3]->SoundFile, "NONE");
        EXPECT_EQ(SectionOf(ReadFile(path), "SOURCES"), sources);
    }

    // A project rate other than the file's is reported; the source stays.
    Write("project/room.txt", Replace(Replace(text, "SAMPLE_RATE = 44100", "SAMPLE_RATE = 48000"), absolute, "NONE"));
    auto room = QuietRoom();
    ErrorCapture cap;
    Quietly([&] { DesktopChain(*room, path); });
    EXPECT_EQ(room->NumSources, 4u);
    ASSERT_FALSE(cap.messages.empty());
    EXPECT_EQ(cap.messages[0], "Soundfile voice.wav sample rate (44100) differs from project sample rate "
                               "(48000)\nOutput audio will be faster or slower!!");

    // With auralization off no sound file is looked for or used, but the names are saved again.
    Write("project/room.txt", text.replace(text.find("AURALIZATION = 1"), 16, "AURALIZATION = 0"));
    auto quiet = QuietRoom();
    ErrorCapture none;
    Quietly([&] {
        DesktopChain(*quiet, path);
        EXPECT_EQ(quiet->SaveRoom(path.c_str()), 1);
    });
    EXPECT_TRUE(none.messages.empty()) << none.Joined();
    for (const auto& s : quiet->source) EXPECT_FALSE(s->SoundFileFlag);
    EXPECT_EQ(quiet->source[2]->SoundFile, "gone.wav");
    EXPECT_EQ(SectionOf(ReadFile(path), "SOURCES"), sources);
}

TEST_F(ProjectFiles, SectionCountsAndItemChecks)
{
    const std::string path = Write("p.txt", "title\n  <MATERIALS> legend on the tag line\nA 1\n\nB 1 2\n</MATERIALS>\n"
                                            "<PLANES>\n1\n2\n");
    FILE* fid = std::fopen(path.c_str(), "r");
    ASSERT_NE(fid, nullptr);
    auto room = QuietRoom();
    ErrorCapture cap;
    const long start = std::ftell(fid);
    EXPECT_EQ(room->GetNumberOfItens(fid, "MATERIALS"), 3);
    EXPECT_EQ(room->GetNumberOfItens(fid, "PLANES"), 2);  // no closing tag: to the end
    EXPECT_EQ(room->GetNumberOfItens(fid, "SOURCES"), 0);
    EXPECT_EQ(std::ftell(fid), start);

    EXPECT_EQ(room->CheckNumberOfParams(fid, "MATERIALS", 2, false), 0);
    EXPECT_EQ(std::ftell(fid), start);
    EXPECT_TRUE(cap.messages.empty());
    EXPECT_EQ(room->CheckNumberOfParams(fid, "PLANES", 1, true), 0);
    EXPECT_EQ(room->CheckNumberOfParams(fid, "MATERIALS", 2, true), 2);
    EXPECT_EQ(cap.Joined(),
              "Wrong number of parameters on MATERIALS section, line 2.\nShould be 2 instead of 1 items.");
    std::fclose(fid);
}

TEST_F(ProjectFiles, DoubleSidedPlanesAndTriangleFile)
{
    const std::string path = Write("shoebox.txt", Shoebox());
    auto room = QuietRoom();
    const std::string out = Quietly([&] {
        room->AddMaterialsTxt(path.c_str());
        room->ReadPlaneLayersTxt(path.c_str());
        room->ReadPlanesTxtFrontBack(path.c_str());
    });
    EXPECT_NE(out.find("LAYER(S) NOT USED:\n"), std::string::npos);
    EXPECT_EQ(out.find("reading plane"), std::string::npos);
    ASSERT_EQ(room->NumPlanes, 12u);
    for (int p = 0; p < 6; ++p) {
        const TVector a = room->plane[p]->normal;
        const TVector b = room->plane[p + 6]->normal;
        EXPECT_NEAR(a.x + b.x, 0.0, 1e-9);
        EXPECT_NEAR(a.y + b.y, 0.0, 1e-9);
        EXPECT_NEAR(a.z + b.z, 0.0, 1e-9);
        EXPECT_EQ(room->plane[p + 6]->LayerID, 0);
    }

    const std::string triangles = Path("triangles.txt");
    room->gravatriangulos(triangles.c_str());
    const std::string text = ReadFile(triangles);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 24);
    const std::string printed = Quietly([&] { room->gravatriangulos(Path("no/such/dir.txt").c_str()); });
    EXPECT_EQ(printed, "N\xE3o foi possivel abrir o arquivo " + Path("no/such/dir.txt") + " para grava\xE7\xE3o\n");

    // Planes before any plane layer.
    auto bare = QuietRoom();
    ErrorCapture cap;
    EXPECT_THROW(Quietly([&] { bare->ReadPlanesTxt(path.c_str()); }), SorviExit);
    EXPECT_EQ(cap.Joined(),
              "Erro de programa\xE7\xE3o: \xE9 preciso carregar as layer dos planos ANTES de carregar os planos.\n");
}
