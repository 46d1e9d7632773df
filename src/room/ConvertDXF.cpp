#include "room/ConvertDXF.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "geometry/FileLayer.h"
#include "geometry/TPlane.h"
#include "geometry/TPoint3D.h"
#include "geometry/util.h"
#include "room/DXFDrawing.h"
#include "room/TLayer.h"

namespace {

struct DxfFileCloser {
    void operator()(FILE* f) const
    {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, DxfFileCloser>;

const char* const kShortPolyline = "Existem polilinhas com 2 vertices\n";
const char* const kMeshError = "Erro ao organizar vertices de polymesh\n";

// printf("%1.<decimals>f") in the "C" locale whatever the process locale is.
void AppendFixed(std::string& out, double value, int decimals)
{
    char buf[400];  // the largest double in fixed notation with 6 decimals fits
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    out.append(buf, res.ptr);
}

void AppendPoint(std::string& out, const TPoint3D& p, int decimals, const char* after)
{
    AppendFixed(out, p.x, decimals);
    out += ' ';
    AppendFixed(out, p.y, decimals);
    out += ' ';
    AppendFixed(out, p.z, decimals);
    out += after;
}

void Write(FILE* fid, const std::string& text)
{
    if (fid && !text.empty()) std::fwrite(text.data(), 1, text.size(), fid);
}

std::string Underscored(std::string name)
{
    RemoveSpaces(name);
    return name;
}

// Which entities a pass converts and under which name their layer is written: the whole-room
// conversion takes every layer and calls the layer "0" Default; the per-layer converters take
// one layer, named exactly as in the drawing.
struct Selection {
    const char* layer = nullptr;  // null: every layer

    bool Selects(const std::string& drawingLayer) const { return !layer || drawingLayer == layer; }
    std::string Written(const std::string& drawingLayer) const
    {
        if (!layer && drawingLayer == "0") return "Default";
        return Underscored(drawingLayer);
    }
};

// "%d " vertex count, "%1.3f %1.3f %1.3f " per vertex, "%s\n" layer.
void AppendPlaneLine(std::string& out, const std::vector<TPoint3D>& vertices, const std::string& layer)
{
    out += std::to_string(vertices.size());
    out += ' ';
    for (const TPoint3D& p : vertices) AppendPoint(out, p, 3, " ");
    out += layer;
    out += '\n';
}

// The outline after the plane clean-up (repeated and collinear vertices removed, the rest
// flattened onto the plane of the first three); empty when fewer than 3 vertices remain.
std::vector<TPoint3D> Cleaned(const std::vector<TPoint3D>& vertices)
{
    if (vertices.size() < 3) return {};
    TPlane plane(static_cast<int>(vertices.size()));
    for (std::size_t i = 0; i < vertices.size(); ++i) plane.SetVertex(static_cast<unsigned>(i), vertices[i]);
    if (plane.CheckForErrors() == 0) return {};
    std::vector<TPoint3D> out;
    for (unsigned i = 0; i < plane.GetNumVertexes(); ++i) out.push_back(plane.GetVertex(static_cast<int>(i)));
    return out;
}

TPoint3D GroupPoint(const DXFEntity& e, int xCode)
{
    return TPoint3D(e.Real(xCode), e.Real(xCode + 10), e.Real(xCode + 20));
}

// ---- 3D polylines ----------------------------------------------------------------------------

unsigned Convert3DPolylines(const DXFDrawing& drawing, FILE* out, const Selection& sel, bool shortIsFatal)
{
    std::vector<DXFPolyline> polylines;
    for (DXFPolyline& pl : drawing.Polylines())
        if (pl.Is3DPolyline()) polylines.push_back(std::move(pl));
    std::printf("NUMERO DE 3DPOLY: %d\n", static_cast<int>(polylines.size()));
    if (polylines.empty()) return 0;

    // All polylines are sized before any is written.
    if (shortIsFatal) {
        for (const DXFPolyline& pl : polylines) {
            if (pl.vertices.size() < 3) {
                ShowErrorAndThrowExit(1, kShortPolyline);
            }
        }
    }

    unsigned written = 0;
    std::string text;
    for (const DXFPolyline& pl : polylines) {
        const std::string layer = pl.head->Layer();
        if (!sel.Selects(layer) || pl.vertices.size() < 3) continue;
        std::vector<TPoint3D> vertices;
        for (const DXFEntity* v : pl.vertices) vertices.push_back(GroupPoint(*v, 10));
        if (Cleaned(vertices).empty()) {
            std::printf("3D polyline on layer %s skipped: fewer than 3 distinct vertices\n", layer.c_str());
            continue;
        }
        // Written as drawn: the project reader cleans the outline itself.
        AppendPlaneLine(text, vertices, sel.Written(layer));
        ++written;
    }
    Write(out, text);
    return written;
}

// ---- 3D faces --------------------------------------------------------------------------------

unsigned Convert3DFaces(const DXFDrawing& drawing, FILE* out, const Selection& sel)
{
    const std::vector<const DXFEntity*> faces = drawing.OfType("3DFACE");
    std::printf("NUMERO DE 3DFace: %d\n", static_cast<int>(faces.size()));

    unsigned written = 0;
    std::string text;
    for (const DXFEntity* face : faces) {
        const std::string layer = face->Layer();
        if (!sel.Selects(layer)) continue;
        std::vector<TPoint3D> corners;
        for (int code = 10; code <= 12; ++code) corners.push_back(GroupPoint(*face, code));
        // A face of three corners may leave the fourth out: it then repeats the third.
        const bool hasFourth = face->Find(13) || face->Find(23) || face->Find(33);
        corners.push_back(hasFourth ? GroupPoint(*face, 13) : corners[2]);
        const std::vector<TPoint3D> outline = Cleaned(corners);
        if (outline.empty()) {
            std::printf("3D face on layer %s skipped: fewer than 3 distinct corners\n", layer.c_str());
            continue;
        }
        AppendPlaneLine(text, outline, sel.Written(layer));
        ++written;
    }
    Write(out, text);
    return written;
}

// ---- Polyface meshes -------------------------------------------------------------------------

struct MeshFace {
    long long index[4] = {0, 0, 0, 0};  // from 1; negative: the edge after it is invisible
    int count = 3;                      // 3, or 4 when the record has a fourth index
};

// A mesh is taken as one planar polygon split into faces whose inner edges are invisible: the
// outline is walked from vertex to vertex along the visible edges. When the walk comes back to
// its start early (a hole, or a closed body) the faces are written one by one.
unsigned ConvertMesh(const DXFPolyline& mesh, const std::string& layer, std::string& text)
{
    std::vector<TPoint3D> vertices;
    std::vector<MeshFace> faces;
    for (const DXFEntity* v : mesh.vertices) {
        bool isVertex = v->HasSubclass("AcDbPolyFaceMeshVertex");
        bool isFace = v->HasSubclass("AcDbFaceRecord");
        if (!isVertex && !isFace) {
            const long long flags = v->Integer(70);
            isVertex = (flags & 64) != 0;
            isFace = !isVertex && (flags & 128) != 0;
        }
        if (isVertex) {
            vertices.push_back(GroupPoint(*v, 10));
        } else if (isFace) {
            MeshFace f;
            for (int k = 0; k < 4; ++k) f.index[k] = v->Integer(71 + k);
            f.count = f.index[3] != 0 ? 4 : 3;
            faces.push_back(f);
        }
    }

    // The counts the mesh declares must match its records, and every index must name a vertex.
    const long long nv = static_cast<long long>(vertices.size());
    const long long declaredV = mesh.head->Integer(71, nv);
    const long long declaredF = mesh.head->Integer(72, static_cast<long long>(faces.size()));
    bool valid = declaredV == nv && declaredF == static_cast<long long>(faces.size());
    for (const MeshFace& f : faces)
        for (int k = 0; k < f.count && valid; ++k) valid = f.index[k] != 0 && f.index[k] >= -nv && f.index[k] <= nv;
    if (!valid) {
        std::printf("%s", kMeshError);
        return 0;
    }

    // The first face (in face order, then position) that holds each index as a visible entry.
    std::unordered_map<long long, std::pair<std::size_t, int>> firstHolder;
    long long start = 0;
    for (std::size_t f = 0; f < faces.size(); ++f) {
        for (int k = 0; k < faces[f].count; ++k) {
            const long long idx = faces[f].index[k];
            if (idx >= 1) {
                firstHolder.try_emplace(idx, f, k);
                if (start == 0) start = idx;
            }
        }
    }
    if (start == 0) {
        std::printf("%s", kMeshError);
        return 0;
    }

    std::vector<long long> outline{start};
    bool hole = false;
    for (long long p = 1; p < nv; ++p) {
        auto it = firstHolder.find(outline.back());
        if (it == firstHolder.end()) {
            std::printf("%s", kMeshError);
            return 0;
        }
        const MeshFace& f = faces[it->second.first];
        const long long next = std::llabs(f.index[(it->second.second + 1) % f.count]);
        if (next == start) {
            // The walk would only go round the same loop again.
            hole = true;
            break;
        }
        outline.push_back(next);
    }

    if (hole) {
        for (const MeshFace& f : faces) {
            std::vector<TPoint3D> corners;
            for (int k = 0; k < f.count; ++k) corners.push_back(vertices[std::llabs(f.index[k]) - 1]);
            AppendPlaneLine(text, corners, layer);
        }
        return static_cast<unsigned>(faces.size());
    }

    std::vector<TPoint3D> polygon;
    for (long long idx : outline) polygon.push_back(vertices[idx - 1]);
    const std::vector<TPoint3D> cleaned = Cleaned(polygon);
    if (cleaned.empty()) {
        std::printf("Polyface mesh on layer %s skipped: fewer than 3 distinct vertices\n", layer.c_str());
        return 0;
    }
    AppendPlaneLine(text, cleaned, layer);
    return 1;
}

unsigned ConvertPolyfaceMeshes(const DXFDrawing& drawing, FILE* out, const Selection& sel)
{
    std::vector<DXFPolyline> meshes;
    for (DXFPolyline& pl : drawing.Polylines())
        if (pl.IsPolyfaceMesh()) meshes.push_back(std::move(pl));
    std::printf("NUMERO DE 3DPolyFaceMesh: %d\n", static_cast<int>(meshes.size()));

    unsigned written = 0;
    std::string text;
    for (const DXFPolyline& mesh : meshes) {
        const std::string layer = mesh.head->Layer();
        if (sel.Selects(layer)) written += ConvertMesh(mesh, sel.Written(layer), text);
    }
    Write(out, text);
    return written;
}

// ---- Lightweight polylines -------------------------------------------------------------------

struct LWPolyline {
    std::string layer;
    double thickness = 0.0;
    std::vector<TPoint3D> vertices;  // z is the thickness
};

std::vector<LWPolyline> LWPolylines(const DXFDrawing& drawing)
{
    std::vector<LWPolyline> found;
    for (const DXFEntity* e : drawing.OfType("LWPOLYLINE")) {
        LWPolyline pl;
        pl.layer = e->Layer();
        pl.thickness = e->Real(39);
        double x = 0.0;
        for (const DXFGroup& g : e->groups) {
            if (g.code == 10) {
                x = utilAtof(g.value.c_str());
            } else if (g.code == 20) {
                pl.vertices.push_back(TPoint3D(x, utilAtof(g.value.c_str()), pl.thickness));
                x = 0.0;
            }
        }
        for (TPoint3D& p : pl.vertices)
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) p = TPoint3D(0.0, 0.0, pl.thickness);
        found.push_back(std::move(pl));
    }
    return found;
}

void Convert2DPolylines(const DXFDrawing& drawing, FILE* out, const Selection& sel)
{
    std::string text;
    for (const LWPolyline& pl : LWPolylines(drawing)) {
        if (!sel.Selects(pl.layer)) continue;
        if (pl.vertices.size() < 3) {
            std::printf("Polyline on layer %s skipped: fewer than 3 vertices\n", pl.layer.c_str());
            continue;
        }
        AppendPlaneLine(text, pl.vertices, sel.Written(pl.layer));
    }
    Write(out, text);
}

// ---- Points ----------------------------------------------------------------------------------

enum class PointKind { Source, Receiver };

unsigned ConvertPoints(const DXFDrawing& drawing, FILE* out, const char* layerName, PointKind kind)
{
    if (!layerName) return 0;
    const std::string written = Underscored(layerName);
    unsigned count = 0;
    std::string text;
    for (const DXFEntity* e : drawing.OfType("POINT")) {
        if (e->Layer() != layerName) continue;
        AppendPoint(text, GroupPoint(*e, 10), 2, "");
        if (kind == PointKind::Source)
            text += " 50000 0 0 94 " + written + " NONE\n";
        else
            text += " 0.4 0 " + written + "\n";
        ++count;
    }
    Write(out, text);
    return count;
}

DXFDrawing ReadFromStart(FILE* fid)
{
    if (!fid) return DXFDrawing();
    std::rewind(fid);
    return DXFDrawing::FromStream(fid);
}

DXFDrawing ReadFile(const char* name, bool& opened)
{
    opened = false;
    if (!name) return DXFDrawing();
    FilePtr fid(utilOpenFile(name, "rt"));
    opened = fid != nullptr;
    return opened ? DXFDrawing::FromStream(fid.get()) : DXFDrawing();
}

}  // namespace

// ---- Whole-room conversion -------------------------------------------------------------------

bool ConvertDXF_RoomFile(const char* input, const char* output, int Poly2D, int Poly3D, int Face3D, int PolyFaceMesh)
{
    if (!input || !output) return false;
    bool opened = false;
    const DXFDrawing drawing = ReadFile(input, opened);
    if (!opened) return false;
    // The project is made in memory and written only when the drawing gave something to write.
    char* made = nullptr;
    std::size_t madeSize = 0;
    struct Freed {  // after the stream is closed, which may move the buffer
        char*& p;
        ~Freed() { std::free(p); }
    } freed{made};
    FilePtr out(open_memstream(&made, &madeSize));
    if (!out) {
        ErrorMessage("Not enough memory to convert %s.\n", input);
        return false;
    }
    FILE* o = out.get();
    std::string text = "<LAYERS::PLANE>\n";
    for (const std::string& name : drawing.layers) {
        text += Selection{}.Written(name);
        text += " DEFAULT_MAT\n";
    }
    text += "</LAYERS::PLANE>\n";
    text += "\nNumber_of_vertexes [X Y Z] layername\n";
    text += "<PLANES>\n";
    Write(o, text);

    const Selection all;
    const long planesStart = std::ftell(o);
    if (Poly2D) Convert2DPolylines(drawing, o, all);
    if (Poly3D) Convert3DPolylines(drawing, o, all, true);
    if (Face3D) Convert3DFaces(drawing, o, all);
    if (PolyFaceMesh) ConvertPolyfaceMeshes(drawing, o, all);
    const bool planes = std::ftell(o) > planesStart;

    Write(o, "</PLANES>\n"
             "Sources section:\n"
             "sourceLayer directivity_pattern Gain_dB[62 - 16k]\n"
             "<LAYERS::SOURCE>\n"
             "sources OMNI 0 0 0 0 0 0 0 0 0\n"
             "</LAYERS::SOURCE>\n"
             "\n"
             "X Y Z NRays azim elev SPL_1m source-layer audiofile|NONE (no sound file)\n"
             "<SOURCES>\n");
    const unsigned sources = ConvertPoints(drawing, o, "sources", PointKind::Source);
    Write(o, "</SOURCES>\n");
    std::printf("Number of sources imported: %d\n", static_cast<int>(sources));

    Write(o, "Receivers section:\n"
             "receiverLayer directivity_pattern\n"
             "<LAYERS::RECEIVER>\n"
             "receivers OMNI\n"
             "</LAYERS::RECEIVER>\n"
             "\n"
             "<RECEIVERS>\n");
    const unsigned receivers = ConvertPoints(drawing, o, "receivers", PointKind::Receiver);
    Write(o, "</RECEIVERS>\n");
    std::printf("Number of receivers imported: %d\n", static_cast<int>(receivers));

    const bool ok = std::ferror(o) == 0;
    if (std::fclose(out.release()) != 0 || !ok) {
        ErrorMessage("Not enough memory to convert %s.\n", input);
        return false;
    }
    if (!planes && sources == 0 && receivers == 0) {
        ErrorMessage("The drawing %s holds no entity that can be converted (no 3D polyline, 3D face, polyface mesh "
                     "or polyline of three or more vertices, and no point on the sources or receivers layers).\n"
                     "Nothing was written.\n",
                     input);
        return false;
    }
    CheckedFile file;
    return file.Open(output, "wt") && file.Write(std::string_view(made, madeSize)) && file.Close();
}

// ---- Per-layer converters --------------------------------------------------------------------

unsigned ConvertDXF_3DPOLY(FILE* fid, FILE* outfid, const char* layername)
{
    if (!fid || !layername) return 0;
    return Convert3DPolylines(ReadFromStart(fid), outfid, Selection{layername}, false);
}

unsigned ConvertDXF_3DFACE(FILE* fid, FILE* outfid, const char* layername)
{
    if (!fid || !layername) return 0;
    return Convert3DFaces(ReadFromStart(fid), outfid, Selection{layername});
}

unsigned ConvertDXF_POLYFACEMESH(FILE* fid, FILE* outfid, const char* layername)
{
    if (!fid || !layername) return 0;
    return ConvertPolyfaceMeshes(ReadFromStart(fid), outfid, Selection{layername});
}

unsigned ConvertDXF_Source(FILE* fid, FILE* outfid, const char* LayerName)
{
    if (!fid) return 0;
    return ConvertPoints(ReadFromStart(fid), outfid, LayerName, PointKind::Source);
}

unsigned ConvertDXF_Receiver(FILE* fid, FILE* outfid, const char* LayerName)
{
    if (!fid) return 0;
    return ConvertPoints(ReadFromStart(fid), outfid, LayerName, PointKind::Receiver);
}

void ConvertDXF_2DPOLY(FILE* fid, FILE* outfid, const char* layername)
{
    // Rewinds like the other converters, so that a second layer finds its polylines too.
    if (!fid || !layername) return;
    Convert2DPolylines(ReadFromStart(fid), outfid, Selection{layername});
}

void ConvertDXF_Planes(const char* input, const char* output, const TLayer* LayerList, int numLayers, int Poly2D,
                       int Poly3D, int Face3D, int PolyFaceMesh)
{
    if (!input || !output || (!LayerList && numLayers > 0)) return;
    FilePtr in(utilOpenFile(input, "rt"));
    if (!in) return;
    FilePtr out(utilOpenFile(output, "wt"));
    if (!out) return;
    FILE* o = out.get();

    std::string text = "<LAYERS::PLANE>\n";
    for (int i = 0; i < numLayers; ++i) text += Underscored(LayerList[i].nome) + " NOT_DEFINED\n";
    text += "</LAYERS::PLANE>\n";
    text += "\n<PLANES>\n";
    Write(o, text);
    for (int i = 0; i < numLayers; ++i) {
        const char* name = LayerList[i].nome.c_str();
        if (Poly2D) ConvertDXF_2DPOLY(in.get(), o, name);
        if (Poly3D) ConvertDXF_3DPOLY(in.get(), o, name);
        if (Face3D) ConvertDXF_3DFACE(in.get(), o, name);
        if (PolyFaceMesh) ConvertDXF_POLYFACEMESH(in.get(), o, name);
    }
    Write(o, "\n</PLANES>\n");
}

void ConvertDXF_LWPolyline(const char* input, const char* output)
{
    bool opened = false;
    const DXFDrawing drawing = ReadFile(input, opened);
    if (!opened) return;
    if (!output) return;
    FilePtr out(utilOpenFile(output, "wt"));
    if (!out) return;

    std::string text;
    for (const LWPolyline& pl : LWPolylines(drawing)) {
        text += std::to_string(pl.vertices.size()) + "\n";
        for (const TPoint3D& p : pl.vertices) {
            AppendPoint(text, p, 6, " ");
            text += "Layer = " + pl.layer + " Thickness = ";
            AppendFixed(text, pl.thickness, 6);
            text += '\n';
        }
    }
    Write(out.get(), text);
}

unsigned GetDXFNumLayers(const char* inputfile)
{
    bool opened = false;
    return static_cast<unsigned>(ReadFile(inputfile, opened).layers.size());
}

void GetDXFLayerNames(const char* inputfile, TLayer* Layer, unsigned NumLayers)
{
    bool opened = false;
    const DXFDrawing drawing = ReadFile(inputfile, opened);
    if (!Layer) return;
    for (unsigned i = 0; i < NumLayers && i < drawing.layers.size(); ++i) Layer[i].nome = drawing.layers[i];
}

// ---- Small helpers ---------------------------------------------------------------------------

int RemoveSpaces(char* String)
{
    if (!String) return 0;
    int n = 0;
    for (char* c = String; *c; ++c) {
        if (*c == ' ') {
            *c = '_';
            ++n;
        }
    }
    return n;
}

int RemoveSpaces(std::string& String)
{
    int n = 0;
    for (char& c : String) {
        if (c == ' ') {
            c = '_';
            ++n;
        }
    }
    return n;
}

void WritePlaneOnFile(FILE* fid, const TPlane& plane, const char* layer)
{
    std::string text = std::to_string(plane.GetNumVertexes()) + " ";
    for (unsigned i = 0; i < plane.GetNumVertexes(); ++i)
        AppendPoint(text, plane.GetVertex(static_cast<int>(i)), 6, " ");
    text += layer ? layer : "";
    text += '\n';
    Write(fid, text);
}

void BuildingFromFlatPlane(const TPlane& pbase, double Height, TPlane* new_plane)
{
    if (!new_plane) return;
    TPlane base(pbase);
    const unsigned n = base.GetNumVertexes();
    if (n < 3) return;
    if (base.CalcNormal().z < 0.0) base.InvertSequence();
    for (unsigned p = 0; p < n; ++p) {
        const TPoint3D a = base.GetVertex(static_cast<int>(p));
        const TPoint3D b = base.GetVertex(static_cast<int>((p + 1) % n));
        TPlane& wall = new_plane[p];
        wall.SetVertex(0, a);
        wall.SetVertex(1, b);
        wall.SetVertex(2, b.x, b.y, Height);
        wall.SetVertex(3, a.x, a.y, Height);
        wall.Tecelagem();
    }
    // Every base vertex goes into the roof (a roof one vertex short would keep a vertex at the
    // origin).
    TPlane& roof = new_plane[n];
    for (unsigned p = 0; p < n; ++p) {
        const TPoint3D a = base.GetVertex(static_cast<int>(p));
        roof.SetVertex(p, a.x, a.y, Height);
    }
    roof.Tecelagem();
}

void BuildingFromFlatPlane(const TPlane& pbase, double Elevation, double Thickness, TPlane* new_plane)
{
    BuildingFromFlatPlane(pbase, static_cast<float>(Thickness - Elevation), new_plane);
}
