#include "room/ConvertDXF.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "room/TLayer.h"
#include "support/ErrorCapture.h"
#include "support/FileText.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kFixtures = fs::path(SORVI_SOURCE_DIR) / "tests" / "room" / "dxf";

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to)
{
    for (std::size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size())
        s.replace(pos, from.size(), to);
    return s;
}

// The lines of `text` between the line `open` and the line `close`.
std::vector<std::string> Section(const std::string& text, const std::string& open, const std::string& close)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line == open) {
            inside = true;
        } else if (line == close) {
            inside = false;
        } else if (inside) {
            lines.push_back(line);
        }
    }
    return lines;
}

class DXFTest : public ::testing::Test {
protected:
    fs::path Temp(const std::string& name) const { return dir_ / name; }

    // Runs the whole-room conversion with the console's flags; returns the output text.
    std::string Convert(const fs::path& dxf, int poly2D = 0, int poly3D = 1, int face3D = 1, int mesh = 1)
    {
        const fs::path out = Temp("out.txt");
        ::testing::internal::CaptureStdout();
        const bool ok = ConvertDXF_RoomFile(dxf.c_str(), out.c_str(), poly2D, poly3D, face3D, mesh);
        stdout_ = ::testing::internal::GetCapturedStdout();
        EXPECT_TRUE(ok);
        return ReadFile(out);
    }

    // Runs one per-layer converter on the drawing, appending to a file that already holds a line.
    std::string PerLayer(const fs::path& dxf, unsigned (*conv)(FILE*, FILE*, const char*), const char* layer,
                         unsigned& count)
    {
        const fs::path out = Temp("layer.txt");
        WriteFile(out, "<PLANES>\n");
        FILE* in = std::fopen(dxf.c_str(), "rt");
        FILE* o = std::fopen(out.c_str(), "at");
        EXPECT_TRUE(in && o);
        std::fgetc(in);  // the converter rewinds by itself
        ::testing::internal::CaptureStdout();
        count = conv(in, o, layer);
        stdout_ = ::testing::internal::GetCapturedStdout();
        std::fclose(in);
        std::fclose(o);
        return ReadFile(out).substr(9);
    }

    TempDir dir_{"dxf"};
    std::string stdout_;
};

// ---- Whole-room conversion -------------------------------------------------------------------

TEST_F(DXFTest, RoomDrawingGivesTheProjectSections)
{
    const std::string out = Convert(kFixtures / "room.dxf");
    EXPECT_EQ(out, ReadFile(kFixtures / "room.txt"));
    for (const char* line : {"NUMERO DE 3DPOLY: 1\n", "NUMERO DE 3DFace: 2\n", "NUMERO DE 3DPolyFaceMesh: 2\n",
                             "Number of sources imported: 1\n", "Number of receivers imported: 1\n"})
        EXPECT_NE(stdout_.find(line), std::string::npos) << line;
}

// The same drawing with Windows line ends, in the R12 layout (no subclass markers, other group
// orders), and with optional groups where the usual layout has none gives the same file.
struct Variant {
    const char* name;
    std::function<std::string(const std::string&)> make;
};

class DXFVariantTest : public DXFTest, public ::testing::WithParamInterface<Variant> {};

TEST_P(DXFVariantTest, GivesTheSameOutput)
{
    const fs::path variant = Temp("variant.dxf");
    WriteFile(variant, GetParam().make(ReadFile(kFixtures / "room.dxf")));
    EXPECT_EQ(Convert(variant), ReadFile(kFixtures / "room.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DXFVariantTest,
    ::testing::Values(Variant{"crlf", [](const std::string& s) { return ReplaceAll(s, "\n", "\r\n"); }},
                      Variant{"r12", [](const std::string&) { return ReadFile(kFixtures / "room_r12.dxf"); }},
                      // Paper-space flag and colour between the entity marker and the layer, codes unpadded.
                      Variant{"optional_groups",
                              [](const std::string& s) {
                                  return ReplaceAll(ReplaceAll(s, "AcDbEntity\n", "AcDbEntity\n67\n0\n62\n256\n"),
                                                    "\n 10\n", "\n10\n");
                              }},
                      Variant{"byte_order_mark", [](const std::string& s) { return "\xEF\xBB\xBF" + s; }}),
    [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

TEST_F(DXFTest, FlagsSelectTheEntityKinds)
{
    // Lightweight polylines: z is the thickness; they come first.
    std::vector<std::string> planes = Section(Convert(kFixtures / "room.dxf", 1, 0, 0, 0), "<PLANES>", "</PLANES>");
    ASSERT_EQ(planes.size(), 1u);
    EXPECT_EQ(planes[0], "3 0.000 0.000 2.000 1.000 0.000 2.000 1.000 1.000 2.000 Wall_A");
    EXPECT_EQ(stdout_.find("NUMERO"), std::string::npos);

    planes = Section(Convert(kFixtures / "room.dxf", 0, 0, 0, 0), "<PLANES>", "</PLANES>");
    EXPECT_TRUE(planes.empty());

    planes = Section(Convert(kFixtures / "room.dxf", 1, 1, 1, 1), "<PLANES>", "</PLANES>");
    EXPECT_EQ(planes.size(), 13u);
}

TEST_F(DXFTest, DrawingThatCannotBeOpenedIsAnError)
{
    ErrorCapture cap;
    const fs::path out = Temp("out.txt");
    EXPECT_FALSE(ConvertDXF_RoomFile(Temp("missing.dxf").c_str(), out.c_str(), 0, 1, 1, 1));
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_NE(cap.messages[0].find("missing.dxf nao pode ser aberto para leitura"), std::string::npos);
    EXPECT_FALSE(fs::exists(out));

    cap.messages.clear();
    EXPECT_FALSE(ConvertDXF_RoomFile((kFixtures / "room.dxf").c_str(), (dir_ / "no" / "out.txt").c_str(), 0, 1, 1, 1));
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_EQ(cap.messages[0], "Cannot write " + (dir_ / "no" / "out.txt").string() + ": No such file or directory\n");
}

// A 3D polyline of two vertices ends the whole-room conversion (status 1) with nothing written;
// the per-layer converter leaves it out. Outlines that clean down to fewer than
// three vertices are skipped with a notice in both.
TEST_F(DXFTest, ShortPolylineEndsTheRoomConversion)
{
    ErrorCapture cap;
    const fs::path out = Temp("out.txt");
    ::testing::internal::CaptureStdout();
    try {
        ConvertDXF_RoomFile((kFixtures / "short_polyline.dxf").c_str(), out.c_str(), 0, 1, 1, 1);
        ADD_FAILURE() << "no exit";
    } catch (const SorviExit& e) {
        EXPECT_EQ(e.Status(), 1);
    }
    ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(cap.messages.size(), 1u);
    EXPECT_EQ(cap.messages[0], "Existem polilinhas com 2 vertices\n");
    EXPECT_FALSE(fs::exists(out));

    unsigned n = 0;
    const std::string lines = PerLayer(kFixtures / "short_polyline.dxf", ConvertDXF_3DPOLY, "Layer1", n);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(lines, "3 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 Layer1\n");
    EXPECT_NE(stdout_.find("NUMERO DE 3DPOLY: 3\n"), std::string::npos);
    EXPECT_NE(stdout_.find("3D polyline on layer Layer1 skipped"), std::string::npos);
}

TEST_F(DXFTest, DegenerateFacesAndPolylinesAreSkipped)
{
    const std::vector<std::string> planes = Section(Convert(kFixtures / "degenerate.dxf"), "<PLANES>", "</PLANES>");
    ASSERT_EQ(planes.size(), 2u);
    EXPECT_EQ(planes[0], "3 0.000 0.000 0.000 2.000 0.000 0.000 2.000 2.000 0.000 Default");
    // Collinear corners are removed, the rest keeps its order.
    EXPECT_EQ(planes[1], "3 0.000 0.000 1.000 2.000 0.000 1.000 2.000 2.000 1.000 Default");
    EXPECT_NE(stdout_.find("3D polyline on layer 0 skipped"), std::string::npos);
    EXPECT_NE(stdout_.find("3D face on layer 0 skipped"), std::string::npos);
}

// ---- Per-layer converters --------------------------------------------------------------------

struct LayerCase {
    const char* name;
    unsigned (*conv)(FILE*, FILE*, const char*);
    const char* layer;
    unsigned count;
    std::string lines;
};

class DXFLayerTest : public DXFTest, public ::testing::WithParamInterface<LayerCase> {};

TEST_P(DXFLayerTest, AppendsTheLayersLines)
{
    const LayerCase& c = GetParam();
    unsigned n = 0;
    EXPECT_EQ(PerLayer(kFixtures / "room.dxf", c.conv, c.layer, n), c.lines);
    EXPECT_EQ(n, c.count);
}

const std::string kFrameTriangles = "3 10.000 0.000 0.000 10.000 4.000 0.000 10.000 3.000 1.000 Wall_A\n"
                                    "3 10.000 0.000 0.000 10.000 3.000 1.000 10.000 1.000 1.000 Wall_A\n"
                                    "3 10.000 4.000 0.000 10.000 4.000 4.000 10.000 3.000 3.000 Wall_A\n"
                                    "3 10.000 4.000 0.000 10.000 3.000 3.000 10.000 3.000 1.000 Wall_A\n"
                                    "3 10.000 4.000 4.000 10.000 0.000 4.000 10.000 1.000 3.000 Wall_A\n"
                                    "3 10.000 4.000 4.000 10.000 1.000 3.000 10.000 3.000 3.000 Wall_A\n"
                                    "3 10.000 0.000 4.000 10.000 0.000 0.000 10.000 1.000 1.000 Wall_A\n"
                                    "3 10.000 0.000 4.000 10.000 1.000 1.000 10.000 1.000 3.000 Wall_A\n";

INSTANTIATE_TEST_SUITE_P(
    Converters, DXFLayerTest,
    ::testing::Values(
        // The per-layer converters keep the layer "0" as it is.
        LayerCase{"face_layer0", ConvertDXF_3DFACE, "0", 1,
                  "3 0.000 0.000 0.000 4.000 0.000 0.000 4.000 3.000 0.000 0\n"},
        LayerCase{"face_wall", ConvertDXF_3DFACE, "Wall A", 1,
                  "4 0.000 0.000 0.000 4.000 0.000 0.000 4.000 0.000 2.500 0.000 0.000 2.500 Wall_A\n"},
        LayerCase{"face_underscored_name_is_not_the_layer", ConvertDXF_3DFACE, "Wall_A", 0, ""},
        LayerCase{"polyline", ConvertDXF_3DPOLY, "Wall A", 1,
                  "4 0.000 3.000 0.000 4.000 3.000 0.000 4.000 3.000 2.500 0.000 3.000 2.500 Wall_A\n"},
        LayerCase{"mesh_outline", ConvertDXF_POLYFACEMESH, "0", 1,
                  "4 0.000 0.000 2.500 4.000 0.000 2.500 4.000 3.000 2.500 0.000 3.000 2.500 0\n"},
        LayerCase{"mesh_with_hole", ConvertDXF_POLYFACEMESH, "Wall A", 8, kFrameTriangles},
        LayerCase{"sources", ConvertDXF_Source, "sources", 1, "1.50 2.67 1.20 50000 0 0 94 sources NONE\n"},
        LayerCase{"source_on_blank_layer", ConvertDXF_Source, "Wall A", 1, "2.00 2.00 2.00 50000 0 0 94 Wall_A NONE\n"},
        LayerCase{"receivers", ConvertDXF_Receiver, "receivers", 1, "3.00 1.00 1.50 0.4 0 receivers\n"},
        LayerCase{"no_such_layer", ConvertDXF_Receiver, "nothing", 0, ""}),
    [](const ::testing::TestParamInfo<LayerCase>& info) { return std::string(info.param.name); });

TEST_F(DXFTest, PerLayerConvertersRewindEachTime)
{
    const fs::path out = Temp("out.txt");
    FILE* in = std::fopen((kFixtures / "room.dxf").c_str(), "rt");
    FILE* o = std::fopen(out.c_str(), "wt");
    ASSERT_TRUE(in && o);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(ConvertDXF_3DFACE(in, o, "Wall A"), 1u);
    EXPECT_EQ(ConvertDXF_3DFACE(in, o, "Wall A"), 1u);
    ConvertDXF_2DPOLY(in, o, "Wall A");
    ConvertDXF_2DPOLY(in, o, "Wall A");
    ::testing::internal::GetCapturedStdout();
    std::fclose(in);
    std::fclose(o);
    const std::string face = "4 0.000 0.000 0.000 4.000 0.000 0.000 4.000 0.000 2.500 0.000 0.000 2.500 Wall_A\n";
    const std::string poly = "3 0.000 0.000 2.000 1.000 0.000 2.000 1.000 1.000 2.000 Wall_A\n";
    EXPECT_EQ(ReadFile(out), face + face + poly + poly);
}

// ---- Polyface meshes -------------------------------------------------------------------------

// A drawing of one polyface mesh on layer "M" followed by a 3D face, in the usual layout.
std::string MeshDrawing(const std::vector<std::vector<double>>& vertices, const std::vector<std::vector<int>>& faces,
                        int declaredV, int declaredF)
{
    std::ostringstream s;
    auto g = [&](int code, const std::string& v) { s << code << "\n" << v << "\n"; };
    auto num = [](double d) {
        std::ostringstream o;
        o << d;
        return o.str();
    };
    g(0, "SECTION");
    g(2, "ENTITIES");
    g(0, "POLYLINE");
    g(100, "AcDbEntity");
    g(8, "M");
    g(100, "AcDbPolyFaceMesh");
    g(66, "1");
    g(70, "64");
    g(71, std::to_string(declaredV));
    g(72, std::to_string(declaredF));
    for (const auto& v : vertices) {
        g(0, "VERTEX");
        g(100, "AcDbEntity");
        g(8, "M");
        g(100, "AcDbVertex");
        g(100, "AcDbPolyFaceMeshVertex");
        g(10, num(v[0]));
        g(20, num(v[1]));
        g(30, num(v[2]));
        g(70, "192");
    }
    for (const auto& f : faces) {
        g(0, "VERTEX");
        g(100, "AcDbEntity");
        g(8, "M");
        g(100, "AcDbFaceRecord");
        g(70, "128");
        for (std::size_t k = 0; k < f.size(); ++k) g(71 + static_cast<int>(k), std::to_string(f[k]));
    }
    g(0, "SEQEND");
    g(0, "3DFACE");
    g(8, "F");
    g(10, "0");
    g(20, "0");
    g(30, "0");
    g(11, "1");
    g(21, "0");
    g(31, "0");
    g(12, "1");
    g(22, "1");
    g(32, "0");
    g(0, "ENDSEC");
    g(0, "EOF");
    return s.str();
}

const std::vector<std::vector<double>> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

struct MeshCase {
    const char* name;
    std::vector<std::vector<int>> faces;
    int declaredV;  // -1: the true count
    int declaredF;
    std::string planes;  // "" : the mesh is refused with the message
};

class DXFMeshTest : public DXFTest, public ::testing::WithParamInterface<MeshCase> {};

TEST_P(DXFMeshTest, OutlineOrRefusal)
{
    const MeshCase& c = GetParam();
    const fs::path dxf = Temp("mesh.dxf");
    const int nv = c.declaredV < 0 ? 4 : c.declaredV;
    const int nf = c.declaredF < 0 ? static_cast<int>(c.faces.size()) : c.declaredF;
    WriteFile(dxf, MeshDrawing(kSquare, c.faces, nv, nf));
    const std::vector<std::string> planes = Section(Convert(dxf), "<PLANES>", "</PLANES>");
    ASSERT_FALSE(planes.empty());
    // The face drawn after the mesh is converted whatever the mesh holds (faces come first).
    EXPECT_EQ(planes.front(), "3 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 F");
    std::string meshLines;
    for (std::size_t i = 1; i < planes.size(); ++i) meshLines += planes[i] + "\n";
    EXPECT_EQ(meshLines, c.planes);
    EXPECT_EQ(stdout_.find("Erro ao organizar vertices de polymesh\n") != std::string::npos, c.planes.empty());
}

const std::string kSquareLine = "4 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 0.000 1.000 0.000 M\n";

INSTANTIATE_TEST_SUITE_P(
    Meshes, DXFMeshTest,
    ::testing::Values(MeshCase{"two_triangles", {{1, 2, -3}, {-1, 3, 4}}, -1, -1, kSquareLine},
                      // The walk starts at the first positive index.
                      MeshCase{"start_after_invisible_entry",
                               {{-1, 3, 4}, {1, 2, -3}},
                               -1,
                               -1,
                               "4 1.000 1.000 0.000 0.000 1.000 0.000 0.000 0.000 0.000 1.000 0.000 0.000 M\n"},
                      // A quadrilateral face record (fourth index) is one face of four corners.
                      MeshCase{"quad_face", {{1, 2, 3, 4}}, -1, -1, kSquareLine},
                      MeshCase{"closed_early_gives_faces",
                               {{1, 2, 3}, {1, 3, 4}},
                               -1,
                               -1,
                               "3 0.000 0.000 0.000 1.000 0.000 0.000 1.000 1.000 0.000 M\n"
                               "3 0.000 0.000 0.000 1.000 1.000 0.000 0.000 1.000 0.000 M\n"},
                      MeshCase{"index_zero", {{1, 2, 0}, {-1, 3, 4}}, -1, -1, ""},
                      MeshCase{"index_beyond_vertices", {{1, 2, -3}, {-1, 3, 5}}, -1, -1, ""},
                      MeshCase{"negative_index_beyond_vertices", {{1, 2, -3}, {-1, 3, -9}}, -1, -1, ""},
                      MeshCase{"declares_more_vertices", {{1, 2, -3}, {-1, 3, 4}}, 6, -1, ""},
                      MeshCase{"declares_more_faces", {{1, 2, -3}, {-1, 3, 4}}, -1, 3, ""},
                      MeshCase{"no_visible_start", {{-1, -2, -3}, {-1, -3, -4}}, -1, -1, ""},
                      // Vertex 3 is held only by an invisible entry: the walk cannot go on from it.
                      MeshCase{"dead_end", {{1, 2, -3}, {-1, -3, 4}}, -1, -1, ""}),
    [](const ::testing::TestParamInfo<MeshCase>& info) { return std::string(info.param.name); });

// ---- No fixed limits -------------------------------------------------------------------------

TEST_F(DXFTest, LongNamesManyVerticesLongLines)
{
    const std::string layer = std::string(300, 'a') + " " + std::string(300, 'b');
    std::ostringstream s;
    s << "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\n" << layer << "\n0\nENDTAB\n0\nENDSEC\n";
    s << "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n8\n" << layer << "\n66\n1\n70\n8\n";
    const int n = 1000;  // a regular polygon: no vertex is dropped
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * 3.14159265358979323846 * i / n;
        s << "0\nVERTEX\n8\n"
          << layer << "\n10\n"
          << std::cos(a) << std::string(250, '0') << "\n20\n"
          << std::sin(a) << "\n30\n0\n70\n32\n";
    }
    s << "0\nSEQEND\n0\nENDSEC\n0\nEOF\n";
    const fs::path dxf = Temp("big.dxf");
    WriteFile(dxf, s.str());

    const std::string out = Convert(dxf);
    const std::string written = std::string(300, 'a') + "_" + std::string(300, 'b');
    EXPECT_EQ(Section(out, "<LAYERS::PLANE>", "</LAYERS::PLANE>"), std::vector<std::string>{written + " DEFAULT_MAT"});
    const std::vector<std::string> planes = Section(out, "<PLANES>", "</PLANES>");
    ASSERT_EQ(planes.size(), 1u);
    EXPECT_EQ(planes[0].substr(0, 5), "1000 ");
    EXPECT_EQ(planes[0].substr(planes[0].size() - written.size() - 1), " " + written);
}

// ---- Small helpers ---------------------------------------------------------------------------

TEST(RemoveSpaces, ReplacesEveryBlank)
{
    char text[] = "a b  c";
    EXPECT_EQ(RemoveSpaces(text), 3);
    EXPECT_STREQ(text, "a_b__c");
    std::string s = "no_blank";
    EXPECT_EQ(RemoveSpaces(s), 0);
    EXPECT_EQ(s, "no_blank");
}

TEST_F(DXFTest, LayerListAndListings)
{
    const std::string dxf = (kFixtures / "room.dxf").string();
    ASSERT_EQ(GetDXFNumLayers(dxf.c_str()), 4u);
    std::vector<TLayer> layers(4);
    GetDXFLayerNames(dxf.c_str(), layers.data(), 4);
    EXPECT_EQ(layers[0].nome, "0");
    EXPECT_EQ(layers[1].nome, "Wall A");
    EXPECT_EQ(layers[3].nome, "receivers");

    // Only the listed layers, with the material NOT_DEFINED.
    const fs::path planes = Temp("planes.txt");
    ::testing::internal::CaptureStdout();
    ConvertDXF_Planes(dxf.c_str(), planes.c_str(), &layers[1], 1, 1, 1, 1, 1);
    ::testing::internal::GetCapturedStdout();
    const std::string text = ReadFile(planes);
    EXPECT_EQ(text.substr(0, 51), "<LAYERS::PLANE>\nWall_A NOT_DEFINED\n</LAYERS::PLANE>");
    EXPECT_EQ(Section(text, "<PLANES>", "</PLANES>").size(), 1u + 1 + 1 + 8 + 1);  // +1: the empty last line

    const fs::path listing = Temp("lw.txt");
    ConvertDXF_LWPolyline(dxf.c_str(), listing.c_str());
    EXPECT_EQ(ReadFile(listing), "3\n"
                                 "0.000000 0.000000 2.000000 Layer = Wall A Thickness = 2.000000\n"
                                 "1.000000 0.000000 2.000000 Layer = Wall A Thickness = 2.000000\n"
                                 "1.000000 1.000000 2.000000 Layer = Wall A Thickness = 2.000000\n");
}

TEST_F(DXFTest, PlaneWriterAndExtrusion)
{
    // A unit square drawn clockwise seen from above: it is turned round before extruding.
    const TPoint3D square[4] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    const TPlane base(4, square);
    std::vector<TPlane> building;
    for (int i = 0; i < 4; ++i) building.emplace_back(4);
    building.emplace_back(4);
    BuildingFromFlatPlane(base, 0.5, 3.0, building.data());

    double volume = 0.0;  // the closed body of walls, roof and base
    std::vector<const TPlane*> all;
    for (const TPlane& p : building) all.push_back(&p);
    all.push_back(&base);  // drawn clockwise from above: its normal already points down
    for (const TPlane* p : all) {
        ASSERT_GE(p->NumTriang, 1u);
        for (const TTriangle& t : p->triangulo) {
            const TPoint3D c = (t.p0 + t.p1 + t.p2) / 3.0;
            const TPoint3D a = t.p1 - t.p0, b = t.p2 - t.p0;
            volume += c.x * (a.y * b.z - a.z * b.y) + c.y * (a.z * b.x - a.x * b.z) + c.z * (a.x * b.y - a.y * b.x);
        }
    }
    EXPECT_NEAR(std::abs(volume / 6.0), 2.5, 1e-6);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(building[4].GetVertex(k).z, 2.5);

    const fs::path out = Temp("plane.txt");
    FILE* o = std::fopen(out.c_str(), "wt");
    WritePlaneOnFile(o, building[4], "Roof");
    std::fclose(o);
    const std::string line = ReadFile(out);
    EXPECT_EQ(line.substr(0, 2), "4 ");
    EXPECT_EQ(line.substr(line.size() - 5), "Roof\n");
    EXPECT_NE(line.find(" 0.000000 0.000000 2.500000 "), std::string::npos);
}

}  // namespace
