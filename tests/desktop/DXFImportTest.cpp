// The import's layer scan and hand-over file, on drawings made here and by ezdxf.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "desktop/DXFImport.h"
#include "desktop/DesktopTestFolder.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/TRoom.h"
#include "support/ErrorCapture.h"
#include "support/ProjectFileSupport.h"

using namespace desktoptest;

namespace {

// A drawing as group-code/value pairs, joined with the given line end.
struct Drawing {
    bool r12 = false;  // layer records without subclass markers
    std::vector<std::string> layers;
    std::string entities;  // pairs, '\n' separated

    std::string Text(const std::string& eol) const
    {
        std::string pairs = "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n" + std::to_string(layers.size()) + "\n";
        for (const std::string& l : layers) {
            pairs += "0\nLAYER\n";
            if (!r12) pairs += "5\n10\n100\nAcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n";
            pairs += "2\n" + l + "\n70\n0\n62\n7\n6\nCONTINUOUS\n";
        }
        pairs += "0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
        std::string out;
        for (char c : pairs) {
            if (c == '\n')
                out += eol;
            else
                out += c;
        }
        return out;
    }
};

std::string Face(const std::string& layer, double x0, double y0, double x1, double y1, double z)
{
    auto n = [](double v) { return std::to_string(v); };
    return "0\n3DFACE\n8\n" + layer + "\n10\n" + n(x0) + "\n20\n" + n(y0) + "\n30\n" + n(z) + "\n11\n" + n(x1) +
           "\n21\n" + n(y0) + "\n31\n" + n(z) + "\n12\n" + n(x1) + "\n22\n" + n(y1) + "\n32\n" + n(z) + "\n13\n" +
           n(x0) + "\n23\n" + n(y1) + "\n33\n" + n(z) + "\n";
}

std::string Point(const std::string& layer, double x, double y, double z)
{
    return "0\nPOINT\n8\n" + layer + "\n10\n" + std::to_string(x) + "\n20\n" + std::to_string(y) + "\n30\n" +
           std::to_string(z) + "\n";
}

// Two walls on a layer with blanks, one on a layer left out, a source and a receiver.
Drawing SmallDrawing()
{
    Drawing d;
    d.layers = {"0", "Wall A", "left out", "src", "rec"};
    d.entities = Face("Wall A", 0, 0, 2, 1, 0) + Face("Wall A", 0, 0, 2, 1, 3) + Face("left out", 5, 5, 6, 6, 1) +
                 Point("src", 1, 0.5, 1.2) + Point("rec", 1.5, 0.25, 1.5);
    return d;
}

std::string Quiet(const std::function<std::string()>& fn)
{
    std::string result;
    projtest::Quietly([&] { result = fn(); });
    return result;
}

class DXFImport : public WorkingFolder {};

TEST_F(DXFImport, ScanListsTheLayersAsTheConverterReadsThem)
{
    struct Case {
        const char* what;
        bool r12;
        const char* eol;
    };
    for (const Case& c : {Case{"LF", false, "\n"}, Case{"CRLF", false, "\r\n"}, Case{"R12 CRLF", true, "\r\n"},
                          Case{"R12 LF", true, "\n"}}) {
        Drawing d = SmallDrawing();
        d.r12 = c.r12;
        WriteText("d.dxf", d.Text(c.eol));
        std::vector<std::string> layers;
        ASSERT_TRUE(ScanDXFLayers("d.dxf", layers)) << c.what;
        EXPECT_EQ(layers, d.layers) << c.what;

        // Each scanned name finds its entities in the converter.
        DXFImportChoice choice;
        choice.planeLayers = {"Wall A"};
        choice.sourceLayers = {"src"};
        choice.receiverLayers = {"rec"};
        ASSERT_EQ(Quiet([&] { return WriteDXFImport("d.dxf", "Temporary.txt", choice); }), "") << c.what;
        const std::string text = ReadText("Temporary.txt");
        EXPECT_EQ(SectionLines(text, "<PLANES>", "</PLANES>").size(), 2u) << c.what;
        EXPECT_EQ(SectionLines(text, "<SOURCES>", "</SOURCES>").size(), 1u) << c.what;
        EXPECT_EQ(SectionLines(text, "<RECEIVERS>", "</RECEIVERS>").size(), 1u) << c.what;
    }
}

TEST_F(DXFImport, ScanOfAMissingDrawingFailsAndKeepsTheList)
{
    std::vector<std::string> layers = {"kept"};
    EXPECT_FALSE(ScanDXFLayers("missing.dxf", layers));
    EXPECT_EQ(layers, std::vector<std::string>{"kept"});

    WriteText("none.dxf", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
    EXPECT_TRUE(ScanDXFLayers("none.dxf", layers));
    EXPECT_TRUE(layers.empty());
}

TEST_F(DXFImport, HandOverFileHoldsTheSortedLayersAndTheirElements)
{
    WriteText("d.dxf", SmallDrawing().Text("\r\n"));
    DXFImportChoice choice;
    choice.planeLayers = {"Wall A", "0"};
    choice.sourceLayers = {"src"};
    choice.receiverLayers = {"rec"};
    ASSERT_EQ(Quiet([&] { return WriteDXFImport("d.dxf", "Temporary.txt", choice); }), "");
    const std::string text = ReadText("Temporary.txt");

    ASSERT_EQ(text.rfind("\n<ENVIRONMENT>\nTEMPERATURE = 20.0\n", 0), 0u) << text;
    const std::size_t at = text.find("<MATERIALS>");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(text.substr(at), "<MATERIALS>\n"
                               "DEFAULT_MAT 0.010 0.028 0.030 0.036 0.043 0.053 0.073 0.061 0.060 0.05\n"
                               "</MATERIALS>\n"
                               "\n"
                               "\n<LAYERS::RECEIVER>\nrec OMNI\n</LAYERS::RECEIVER>\n"
                               "\n<RECEIVERS>\n1.50 0.25 1.50 0.4 0 rec\n</RECEIVERS>\n"
                               "\n<LAYERS::SOURCE>\nsrc OMNI 0 0 0 0 0 0 0 0 0\n</LAYERS::SOURCE>\n"
                               "\n<SOURCES>\n1.00 0.50 1.20 50000 0 0 94 src NONE\n</SOURCES>\n"
                               "\n<LAYERS::PLANE>\nWall_A DEFAULT_MAT\n0 DEFAULT_MAT\n</LAYERS::PLANE>\n"
                               "\n<PLANES>\n"
                               "4 0.000 0.000 0.000 2.000 0.000 0.000 2.000 1.000 0.000 0.000 1.000 0.000 Wall_A\n"
                               "4 0.000 0.000 3.000 2.000 0.000 3.000 2.000 1.000 3.000 0.000 1.000 3.000 Wall_A\n"
                               "</PLANES>\n"
                               "\n<LAYERS::COLOR>\nWall_A 100 10 100\n0 177 132 100\n</LAYERS::COLOR>\n");
    // The layer left in the drawing's list contributes nothing.
    EXPECT_EQ(text.find("left"), std::string::npos);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Temporary.txt", "d.dxf"}));
}

TEST_F(DXFImport, LayerColoursRunFromPurpleTowardsYellow)
{
    EXPECT_EQ(ImportLayerColour(0, 1), (std::array<int, 3>{100, 10, 100}));
    const std::array<int, 3> four[] = {{100, 10, 100}, {138, 71, 100}, {177, 132, 100}, {216, 193, 100}};
    for (unsigned n = 0; n < 4; ++n) EXPECT_EQ(ImportLayerColour(n, 4), four[n]) << n;
    // Never reaching the end colour.
    EXPECT_EQ(ImportLayerColour(999, 1000), (std::array<int, 3>{254, 254, 100}));
}

TEST_F(DXFImport, UntickedObjectTypesGiveAnEmptyPlanesSection)
{
    WriteText("d.dxf", SmallDrawing().Text("\n"));
    DXFImportChoice choice;
    choice.planeLayers = {"Wall A", "left out"};
    choice.poly3D = choice.face3D = choice.polyFaceMesh = false;
    ASSERT_EQ(Quiet([&] { return WriteDXFImport("d.dxf", "Temporary.txt", choice); }), "");
    const std::string text = ReadText("Temporary.txt");
    EXPECT_NE(text.find("\n<PLANES>\n</PLANES>\n"), std::string::npos) << text;
    EXPECT_EQ(SectionLines(text, "<LAYERS::PLANE>", "</LAYERS::PLANE>"),
              (std::vector<std::string>{"Wall_A DEFAULT_MAT", "left_out DEFAULT_MAT"}));
    EXPECT_EQ(SectionLines(text, "<LAYERS::COLOR>", "</LAYERS::COLOR>"),
              (std::vector<std::string>{"Wall_A 100 10 100", "left_out 177 132 100"}));
}

TEST_F(DXFImport, DrawingWithoutLayersGivesTheSectionTagsOnly)
{
    WriteText("none.dxf", "0\nSECTION\n2\nENTITIES\n" + Face("0", 0, 0, 1, 1, 0) + "0\nENDSEC\n0\nEOF\n");
    ASSERT_EQ(Quiet([] { return WriteDXFImport("none.dxf", "Temporary.txt", DXFImportChoice{}); }), "");
    const std::string text = ReadText("Temporary.txt");
    for (const char* tag :
         {"LAYERS::RECEIVER", "RECEIVERS", "LAYERS::SOURCE", "SOURCES", "LAYERS::PLANE", "PLANES", "LAYERS::COLOR"})
        EXPECT_NE(text.find(std::string("\n<") + tag + ">\n</" + tag + ">\n"), std::string::npos) << tag;
    EXPECT_NE(text.find("<SIMULATION>"), std::string::npos);
}

// A failed import leaves the previous hand-over file and no scratch file behind.
TEST_F(DXFImport, FailuresLeaveTheHandOverFileAsItWas)
{
    WriteText("d.dxf", SmallDrawing().Text("\n"));
    WriteText("Temporary.txt", "previous");
    ErrorCapture errors;

    std::string message = Quiet([] { return WriteDXFImport("gone.dxf", "Temporary.txt", DXFImportChoice{}); });
    EXPECT_EQ(message, "Cannot open file 'gone.dxf'.");
    EXPECT_EQ(ReadText("Temporary.txt"), "previous");

    message = Quiet([] { return WriteDXFImport("d.dxf", "no/such/folder/Temporary.txt", DXFImportChoice{}); });
    EXPECT_EQ(message, "Cannot save file 'no/such/folder/Temporary.txt'.");
    EXPECT_FALSE(errors.messages.empty());  // the box of the file that could not be opened

    // The hand-over name taken by a folder: the finished file cannot replace it.
    fs::create_directory("Taken.txt");
    message = Quiet([] { return WriteDXFImport("d.dxf", "Taken.txt", DXFImportChoice{}); });
    EXPECT_EQ(message, "Cannot save file 'Taken.txt'.");
    EXPECT_TRUE(fs::is_directory("Taken.txt"));

    EXPECT_EQ(ReadText("Temporary.txt"), "previous");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Taken.txt", "Temporary.txt", "d.dxf"}));
}

TEST_F(DXFImport, HandOverFileLoadsAsAProject)
{
    WriteText("d.dxf", SmallDrawing().Text("\r\n"));
    DXFImportChoice choice;
    choice.planeLayers = {"Wall A"};
    choice.sourceLayers = {"src"};
    choice.receiverLayers = {"rec"};
    ASSERT_EQ(Quiet([&] { return WriteDXFImport("d.dxf", "Temporary.txt", choice); }), "");

    ErrorCapture errors;
    projtest::RoomHandleOf<TRoom> room = LoadHandOver();
    EXPECT_TRUE(errors.messages.empty()) << errors.Joined();
    ASSERT_EQ(room->NumPlanes, 2u);
    ASSERT_EQ(room->NumPlaneLayers, 1u);
    EXPECT_EQ(room->planeLayer[0].nome, "Wall_A");
    EXPECT_EQ(room->planeLayer[0].cor[0], 100);
    ASSERT_EQ(room->NumMaterials, 1u);
    EXPECT_EQ(room->material[0]->nome, "DEFAULT_MAT");
    EXPECT_EQ(room->planeLayer[0].MatID, 0);
    EXPECT_EQ(room->plane[1]->LayerID, 0);
    EXPECT_EQ(room->NumSources, 1u);
    EXPECT_EQ(room->NumReceivers, 1u);
}

// Drawings written by ezdxf (R12 and R2000, faces and a polyface mesh, layer names with
// blanks): every layer the scan lists is found by the converters under that name.
// The drawings are made once when the tests are built (see tests/CMakeLists.txt).
TEST_F(DXFImport, EzdxfDrawingsImportAsTheirBox)
{
#ifndef SORVI_EZDXF_DIR
    GTEST_SKIP() << "python3 with ezdxf was not installed when the tests were built";
#else
    for (const char* name : {"faces_r12.dxf", "faces_r2000.dxf", "mesh_r12.dxf", "mesh_r2000.dxf"}) {
        const std::string dxf = (std::filesystem::path(SORVI_EZDXF_DIR) / name).string();
        std::vector<std::string> layers;
        ASSERT_TRUE(ScanDXFLayers(dxf, layers)) << name;
        for (const char* l : {"Floor and ceiling", "Walls", "sources", "receivers"})
            EXPECT_NE(std::find(layers.begin(), layers.end(), l), layers.end()) << name << ": " << l;

        DXFImportChoice choice;
        for (const std::string& l : layers) {
            if (l == "sources")
                choice.sourceLayers.push_back(l);
            else if (l == "receivers")
                choice.receiverLayers.push_back(l);
            else
                choice.planeLayers.push_back(l);
        }
        ASSERT_EQ(Quiet([&] { return WriteDXFImport(dxf, "Temporary.txt", choice); }), "") << name;

        ErrorCapture errors;
        projtest::RoomHandleOf<TRoom> room = LoadHandOver();
        EXPECT_TRUE(errors.messages.empty()) << name << ": " << errors.Joined();
        EXPECT_EQ(room->NumPlanes, 6u) << name;
        EXPECT_EQ(room->NumSources, 1u) << name;
        EXPECT_EQ(room->NumReceivers, 1u) << name;
        EXPECT_GE(room->FindPlaneLayer("Floor_and_ceiling"), 0) << name;
        const std::string text = ReadText("Temporary.txt");
        EXPECT_EQ(text.find("Floor and"), std::string::npos) << name;
    }
#endif
}

}  // namespace
