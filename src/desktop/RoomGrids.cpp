#include "desktop/RoomGrids.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

#include "desktop/GridEdit.h"
#include "directivity/TDirectivity.h"
#include "dsp/acoustics.h"
#include "room/TMaterial.h"
#include "room/TPlaneLayer.h"
#include "room/TReceiver.h"
#include "room/TReceiverLayer.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "simulation/TRoom.h"

namespace RoomGrids {
namespace {

using GridEdit::Fixed2;

constexpr int kBandColumns = 9;  // octave bands shown in the type and material grids

// A number column of a point grid: how the cell reads the point and writes it.
template <class Point> struct NumberColumn {
    double (*get)(const Point&);
    void (*set)(Point&, double);
};

const NumberColumn<TSource> kSourceColumns[] = {
    {[](const TSource& s) { return s.Position.x; }, [](TSource& s, double v) { s.Position.x = v; }},
    {[](const TSource& s) { return s.Position.y; }, [](TSource& s, double v) { s.Position.y = v; }},
    {[](const TSource& s) { return s.Position.z; }, [](TSource& s, double v) { s.Position.z = v; }},
    {[](const TSource& s) { return double(s.AzimRotation); },
     [](TSource& s, double v) { s.AzimRotation = static_cast<float>(v); }},
    {[](const TSource& s) { return double(s.ElevRotation); },
     [](TSource& s, double v) { s.ElevRotation = static_cast<float>(v); }},
    {[](const TSource& s) { return double(Power2SPL(s.GetPower())); },
     [](TSource& s, double v) { s.SetPower(SPL2Power(static_cast<float>(v))); }},
};

const NumberColumn<TReceiver> kReceiverColumns[] = {
    {[](const TReceiver& r) { return r.Position.x; }, [](TReceiver& r, double v) { r.Position.x = v; }},
    {[](const TReceiver& r) { return r.Position.y; }, [](TReceiver& r, double v) { r.Position.y = v; }},
    {[](const TReceiver& r) { return r.Position.z; }, [](TReceiver& r, double v) { r.Position.z = v; }},
    // The rotation is kept at float precision, as the sources' angles are.
    {[](const TReceiver& r) { return r.AzimRotation; },
     [](TReceiver& r, double v) { r.AzimRotation = static_cast<float>(v); }},
};

// Sources or receivers with their types: where the room keeps them, and their grids' columns.
template <class Point, class Type> struct Side {
    std::vector<RoomPtr<Point>> TRoom::*points;
    unsigned TRoom::*pointCount;
    std::vector<RoomPtr<Type>> TRoom::*types;
    unsigned TRoom::*typeCount;
    int (TRoom::*findType)(const char* name);
    const char* typeKind;  // names the list in refusals
    int typeColumn;
    std::span<const NumberColumn<Point>> numbers;  // columns 0.. of the point grid
};

const Side<TSource, TSourceLayer> kSources{&TRoom::source,          &TRoom::NumSources,      &TRoom::sourceLayer,
                                           &TRoom::NumSourceLayers, &TRoom::FindSourceLayer, "source type",
                                           kSourceTypeColumn,       kSourceColumns};
const Side<TReceiver, TReceiverLayer> kReceivers{
    &TRoom::receiver,          &TRoom::NumReceivers, &TRoom::receiverLayer, &TRoom::NumReceiverLayers,
    &TRoom::FindReceiverLayer, "receiver type",      kReceiverTypeColumn,   kReceiverColumns};

bool Within(int index, unsigned count)
{
    return index >= 0 && static_cast<unsigned>(index) < count;
}

// The number typed into a cell showing `shown`: refused with the old text, or set.
template <class Value, class Set> CellEdit EditNumber(const std::string& text, Value shown, Set set)
{
    const auto value = GridEdit::ParseNumber(text);
    if (!value) return {false, GridEdit::NumberRefusal(text), Fixed2(shown)};
    set(*value);
    return {true, {}, std::nullopt};
}

// A name typed into column 0 of `row` of `names`: blanks made '_', refused when empty, too long
// or another row's name (the cell gets the old name back).
template <class Rename>
CellEdit EditName(const std::vector<std::string>& names, int row, const std::string& text, const std::string& kind,
                  Rename rename)
{
    const std::string name = GridEdit::NameFromCell(text);
    const std::string refusal = GridEdit::CheckName(name, names, row, kind);
    if (!refusal.empty()) return {false, refusal, names[static_cast<std::size_t>(row)]};
    rename(name);
    return {true, {}, name};
}

template <class P, class T> std::vector<std::string> TypeNames(const TRoom& room, const Side<P, T>& side)
{
    std::vector<std::string> names;
    for (unsigned t = 0; t < room.*side.typeCount; ++t) names.push_back((room.*side.types)[t]->layername);
    return names;
}

template <class P, class T> std::string TypeName(const TRoom& room, const Side<P, T>& side, int type)
{
    return Within(type, room.*side.typeCount) ? (room.*side.types)[static_cast<std::size_t>(type)]->layername
                                              : std::string();
}

// Name and pattern, the columns both type grids share.
template <class P, class T> Row TypeRow(const TRoom& room, const Side<P, T>& side, unsigned type)
{
    const T& t = *(room.*side.types)[type];
    return {t.GetLayerName(), t.GetDirPatternName()};
}

// The numbers and the type, the columns both point grids share.
template <class P, class T> Row PointRow(const TRoom& room, const Side<P, T>& side, unsigned index)
{
    const P& point = *(room.*side.points)[index];
    Row row;
    for (const auto& column : side.numbers) row.push_back(Fixed2(column.get(point)));
    row.push_back(TypeName(room, side, point.LayerID));
    return row;
}

// The pattern named `text` (OMNI when there is none of that name) for type `type` and every
// point of it, as a reload of the saved project would give them.
template <class P, class T>
CellEdit SetTypePattern(TRoom& room, const Side<P, T>& side, int type, const std::string& text)
{
    const int id = std::max(0, room.GetDirectivityID(text.c_str()));
    TDirectivity* pattern = room.directivity[static_cast<std::size_t>(id)].get();
    T& t = *(room.*side.types)[static_cast<std::size_t>(type)];
    t.SetDirPattern(pattern);
    for (unsigned p = 0; p < room.*side.pointCount; ++p)
        if ((room.*side.points)[p]->LayerID == type) (room.*side.points)[p]->SetDirectivity(pattern);
    return {true, {}, std::string(t.GetDirPatternName())};
}

// Name or pattern of a type; other columns are the caller's.
template <class P, class T>
CellEdit EditTypeHead(TRoom& room, const Side<P, T>& side, int row, int col, const std::string& text)
{
    if (col == 0) {
        T& type = *(room.*side.types)[static_cast<std::size_t>(row)];
        return EditName(TypeNames(room, side), row, text, side.typeKind,
                        [&](const std::string& name) { type.SetLayerName(name); });
    }
    if (col == kPatternColumn) return SetTypePattern(room, side, row, text);
    return {};
}

// A number or the type of a point; other columns are the caller's. A point given another type
// takes that type's pattern; an unknown type name leaves the point as it was.
template <class P, class T>
CellEdit EditPoint(TRoom& room, const Side<P, T>& side, int row, int col, const std::string& text)
{
    P& point = *(room.*side.points)[static_cast<std::size_t>(row)];
    if (col >= 0 && static_cast<std::size_t>(col) < side.numbers.size()) {
        const auto& column = side.numbers[static_cast<std::size_t>(col)];
        return EditNumber(text, column.get(point), [&](double v) { column.set(point, v); });
    }
    if (col != side.typeColumn) return {};
    const int type = (room.*side.findType)(text.c_str());
    if (type < 0) return {false, {}, TypeName(room, side, point.LayerID)};
    point.LayerID = type;
    point.SetDirectivity((room.*side.types)[static_cast<std::size_t>(type)]->directivity);
    return {true, {}, std::nullopt};
}

TDirectivity* FirstPattern(TRoom& room)
{
    return room.NumDirectivities > 0 ? room.directivity[0].get() : nullptr;
}

}  // namespace

Row SourceTypeRow(const TRoom& room, unsigned type)
{
    Row row = TypeRow(room, kSources, type);
    const TSourceLayer& layer = *room.sourceLayer[type];
    for (std::size_t b = 0; b < kBandColumns; ++b)
        row.push_back(b < layer.spectrum.size() ? Fixed2(TSourceLayer::GainToDB(layer.spectrum[b])) : "");
    return row;
}

Row SourceRow(const TRoom& room, unsigned source)
{
    Row row = PointRow(room, kSources, source);
    row.push_back(room.source[source]->SoundFile);
    return row;
}

Row ReceiverTypeRow(const TRoom& room, unsigned type)
{
    return TypeRow(room, kReceivers, type);
}

Row ReceiverRow(const TRoom& room, unsigned receiver)
{
    return PointRow(room, kReceivers, receiver);
}

Row MaterialRow(const TRoom& room, unsigned material)
{
    const TMaterial& mat = *room.material[material];
    Row row = {mat.nome};
    for (std::size_t b = 0; b < kBandColumns; ++b) row.push_back(b < mat.abs.size() ? Fixed2(mat.abs[b]) : "");
    row.push_back(mat.dif.empty() ? "" : Fixed2(mat.dif[0]));
    return row;
}

Row PlaneLayerRow(const TRoom& room, unsigned layer)
{
    const TPlaneLayer& l = room.planeLayer[layer];
    const bool known = Within(l.MatID, room.NumMaterials);
    return {l.nome, known ? room.material[static_cast<std::size_t>(l.MatID)]->nome : std::string()};
}

std::array<unsigned char, 3> PlaneLayerColour(const TPlaneLayer& layer)
{
    std::array<unsigned char, 3> rgb{};
    for (int c = 0; c < 3; ++c)
        rgb[c] = static_cast<unsigned char>(layer.cor[c] < 0 ? 255 : std::min(layer.cor[c], 255));
    return rgb;
}

std::vector<std::string> PatternChoices(const TRoom& room, const std::string& last)
{
    std::vector<std::string> names;
    for (unsigned d = 0; d < room.NumDirectivities; ++d) names.push_back(room.directivity[d]->GetPatternName());
    names.push_back(last);
    return names;
}

std::vector<std::string> SourceTypeNames(const TRoom& room)
{
    return TypeNames(room, kSources);
}

std::vector<std::string> ReceiverTypeNames(const TRoom& room)
{
    return TypeNames(room, kReceivers);
}

std::vector<std::string> MaterialNames(const TRoom& room)
{
    std::vector<std::string> names;
    for (unsigned m = 0; m < room.NumMaterials; ++m) names.push_back(room.material[m]->nome);
    return names;
}

CellEdit EditSourceType(TRoom& room, int row, int col, const std::string& text)
{
    if (!Within(row, room.NumSourceLayers)) return {};
    if (col < kSourceTypeNumbers.first) return EditTypeHead(room, kSources, row, col, text);
    if (col > kSourceTypeNumbers.last) return {};
    std::vector<float>& spectrum = room.sourceLayer[row]->spectrum;
    const std::size_t band = static_cast<std::size_t>(col - kSourceTypeNumbers.first);
    if (band >= spectrum.size()) return {};
    return EditNumber(text, TSourceLayer::GainToDB(spectrum[band]),
                      [&](double dB) { spectrum[band] = static_cast<float>(std::pow(10.0, dB / 10.0)); });
}

CellEdit EditSource(TRoom& room, int row, int col, const std::string& text)
{
    if (!Within(row, room.NumSources)) return {};
    if (col != kSoundFileColumn) return EditPoint(room, kSources, row, col, text);
    TSource& src = *room.source[row];
    const std::string refusal = GridEdit::SoundFileRefusal(text);
    // A file that is missing or does not fit is refused by the source (it says why).
    const bool taken = refusal.empty() && src.SetSoundFile(text.c_str());
    return {taken, refusal, src.SoundFile};
}

CellEdit EditReceiverType(TRoom& room, int row, int col, const std::string& text)
{
    if (!Within(row, room.NumReceiverLayers)) return {};
    return EditTypeHead(room, kReceivers, row, col, text);
}

CellEdit EditReceiver(TRoom& room, int row, int col, const std::string& text)
{
    if (!Within(row, room.NumReceivers)) return {};
    return EditPoint(room, kReceivers, row, col, text);
}

CellEdit EditMaterial(TRoom& room, int row, int col, const std::string& text)
{
    if (!Within(row, room.NumMaterials)) return {};
    TMaterial& mat = *room.material[row];
    if (col == 0)
        return EditName(MaterialNames(room), row, text, "material",
                        [&](const std::string& name) { mat.SetName(name); });
    if (col < kMaterialNumbers.first || col > kMaterialNumbers.last) return {};
    // Absorption of one band, or scattering of every band (shown as the first band's).
    const bool scattering = col == kMaterialNumbers.last;
    std::vector<float>& values = scattering ? mat.dif : mat.abs;
    const std::size_t band = scattering ? 0 : static_cast<std::size_t>(col - kMaterialNumbers.first);
    if (band >= values.size()) return {};
    const auto value = GridEdit::ParseNumber(text);
    if (!value) return {false, GridEdit::NumberRefusal(text), Fixed2(values[band])};
    const double limited = GridEdit::Clamp01(*value);
    const float v = static_cast<float>(limited);
    if (scattering)
        std::fill(values.begin(), values.end(), v);
    else
        values[band] = v;
    // A coefficient outside 0..1 shows the limit it was given; one within stays as typed.
    if (limited != *value) return {true, {}, Fixed2(v)};
    return {true, {}, std::nullopt};
}

CellEdit EditPlaneLayer(TRoom& room, int row, int col, const std::string& text)
{
    if (!Within(row, room.NumPlaneLayers)) return {};
    TPlaneLayer& layer = room.planeLayer[static_cast<std::size_t>(row)];
    if (col == 0) {
        std::vector<std::string> names;
        for (unsigned l = 0; l < room.NumPlaneLayers; ++l) names.push_back(room.planeLayer[l].nome);
        return EditName(names, row, text, "plane layer", [&](const std::string& name) { layer.SetLayerName(name); });
    }
    if (col != kMaterialColumn) return {};
    const int id = room.GetMaterialID(text.c_str());
    if (id < 0) return {false, {}, PlaneLayerRow(room, static_cast<unsigned>(row))[kMaterialColumn]};
    layer.SetMaterialID(id);
    return {true, {}, std::nullopt};
}

void AddSourceType(TRoom& room)
{
    const std::string name = GridEdit::NewName("SrcType%.2d", room.NumSourceLayers + 1);
    if (room.NumDirectivities == 0) room.AddDirectivity("OMNI");
    TSourceLayer layer(name.c_str(), FirstPattern(room), room.NumBands);
    room.AddSourceLayer(&layer);
}

void AddReceiverType(TRoom& room)
{
    const std::string name = GridEdit::NewName("RecType%.2d", room.NumReceiverLayers + 1);
    if (room.NumDirectivities == 0)
        for (const char* pattern : {"OMNI", "CARDIOID", "SUPERCARD", "HYPERCARD", "EIGHTFIG"})
            room.AddDirectivity(pattern);
    TReceiverLayer layer(name.c_str(), FirstPattern(room));
    room.AddReceiverLayer(&layer);
}

bool AddSource(TRoom& room)
{
    if (room.NumSourceLayers == 0) return false;
    TSource src(room.GetCenter(), SPL2Power(94.0f), 0, 5000, 0.0, 0.0, room.NumBands, "NONE", room.ProjectFolder);
    src.SetDirectivity(room.sourceLayer[0]->directivity);
    room.AddSource(&src);
    return true;
}

bool AddReceiver(TRoom& room)
{
    if (room.NumReceiverLayers == 0) return false;
    TReceiver rec(room.Center, 0.4, 0.0, 0);
    rec.SetDirectivity(room.receiverLayer[0]->directivity);
    room.AddReceiver(&rec);
    return true;
}

void AddMaterial(TRoom& room)
{
    TMaterial mat(room.NumBands);
    mat.SetName(GridEdit::NewName("Material_%.2d", room.NumMaterials + 1));
    std::fill(mat.abs.begin(), mat.abs.end(), 0.01f);
    std::fill(mat.dif.begin(), mat.dif.end(), 0.05f);
    room.AddMaterial(&mat);
}

bool AddPlaneLayer(TRoom& room)
{
    if (room.NumMaterials == 0) return false;
    TPlaneLayer layer(GridEdit::NewName("PlaneLayer%.2d", room.NumPlaneLayers + 1));
    layer.SetMaterialID(0);
    layer.SetColor(255, 255, 255);
    room.AddPlaneLayer(layer);
    return true;
}

std::string DeleteReceiverType(TRoom& room, int row)
{
    if (!Within(row, room.NumReceiverLayers)) return {};
    const std::string name = room.receiverLayer[row]->layername;
    if (room.DelReceiverLayer(row)) return {};
    return "Layer " + name + " cannot be removed while being used in receiver(s)";
}

std::string DeletePlaneLayer(TRoom& room, int row)
{
    if (!Within(row, room.NumPlaneLayers)) return {};
    const std::string name = room.planeLayer[static_cast<std::size_t>(row)].nome;
    if (room.DelPlaneLayer(row)) return {};
    return "Layer " + name + " cannot be removed while being used in plane(s)";
}

}  // namespace RoomGrids
