// Writing the room back into a project file.
//
// Each section is formatted into text first (numbers in the "C" locale). An entry that could
// not be read back as written (empty name, a name that breaks the line or holds a section tag,
// a value that is not finite, an index to nothing, a plane layer without material) is reported
// and left out; SaveRoom then writes nothing at all, and otherwise replaces the file only once
// the new one is complete.

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <system_error>

#include "directivity/TDirectivity.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TReceiverLayer.h"
#include "room/TRoomModel.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"

namespace {

// "%1.<decimals>f" in the "C" locale.
std::string Fixed(double value, int decimals)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return res.ec == std::errc() ? std::string(buf, res.ptr) : std::string("nan");
}

// Names are single items: every blank becomes '_'.
std::string Item(std::string name)
{
    for (char& c : name)
        if (c == ' ') c = '_';
    return name;
}

const char* const kSections[] = {"ENVIRONMENT", "SIMULATION",     "MATERIALS", "LAYERS::PLANE",    "LAYERS::COLOR",
                                 "PLANES",      "LAYERS::SOURCE", "SOURCES",   "LAYERS::RECEIVER", "RECEIVERS"};

// Why a name cannot be read back as written; empty when it can.
std::string NameProblem(const std::string& name)
{
    if (name.empty()) return "empty name";
    if (name.find_first_of("\r\n") != std::string::npos) return "the name " + name + " holds a line break";
    if (name.find('\0') != std::string::npos) return "the name holds a NUL character";
    for (const char* tag : kSections) {
        const std::string t(tag);
        if (name.find("<" + t + ">") != std::string::npos || name.find("</" + t + ">") != std::string::npos)
            return "the name " + name + " holds a section tag";
    }
    return std::string();
}

bool Finite(std::initializer_list<double> values)
{
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// Text of one or more sections and whether every entry made it in.
class Section {
public:
    std::string text;
    bool complete = true;

    void Refuse(const char* kind, std::size_t index, const std::string& reason)
    {
        ErrorMessage(utilFormat("Cannot save %s %d: %s.", kind, static_cast<int>(index + 1), reason.c_str()));
        complete = false;
    }
    // False (reported) when the name cannot be written.
    bool CheckName(const char* kind, std::size_t index, const std::string& name)
    {
        const std::string problem = NameProblem(name);
        if (problem.empty()) return true;
        Refuse(kind, index, problem);
        return false;
    }
};

template <class Collection, class NameOf>
void CheckUnique(Section& s, const char* kind, const Collection& items, NameOf nameOf)
{
    std::set<std::string> seen;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!seen.insert(Item(nameOf(items[i]))).second)
            s.Refuse(kind, i, "the name " + Item(nameOf(items[i])) + " is used twice");
}

Section SourceLayersText(const TRoomModel& room)
{
    Section s;
    s.text = "<LAYERS::SOURCE>\n";
    for (std::size_t i = 0; i < room.sourceLayer.size(); ++i) {
        const TSourceLayer& l = *room.sourceLayer[i];
        if (!s.CheckName("source layer", i, l.layername) || !s.CheckName("source layer", i, l.GetDirPatternName()))
            continue;
        std::string line = Item(l.layername) + " " + Item(l.GetDirPatternName());
        bool finite = true;
        for (unsigned int b = 0; b < room.NumBands; ++b) {
            const double db = b < l.spectrum.size() ? TSourceLayer::GainToDB(l.spectrum[b]) : 0.0;
            finite = finite && std::isfinite(db);
            line += " " + Fixed(db, 1);
        }
        if (!finite) {
            s.Refuse("source layer", i, "a gain is not a finite number");
            continue;
        }
        s.text += line + "\n";
    }
    CheckUnique(s, "source layer", room.sourceLayer, [](const auto& l) { return l->layername; });
    s.text += "</LAYERS::SOURCE>\n\n";
    return s;
}

Section SourcesText(const TRoomModel& room)
{
    Section s;
    s.text = "<SOURCES>\n";
    for (std::size_t i = 0; i < room.source.size(); ++i) {
        const TSource& src = *room.source[i];
        if (src.LayerID < 0 || static_cast<std::size_t>(src.LayerID) >= room.sourceLayer.size()) {
            s.Refuse("source", i, "its layer does not exist");
            continue;
        }
        const double spl = src.GetSPL();
        if (!Finite({src.Position.x, src.Position.y, src.Position.z, src.AzimRotation, src.ElevRotation, spl}) ||
            src.NumberOfRays > static_cast<unsigned int>(std::numeric_limits<int>::max())) {
            s.Refuse("source", i, "a value is not a finite number");
            continue;
        }
        const std::string sound = src.SoundFile.empty() ? std::string("NONE") : src.SoundFile;
        if (!s.CheckName("source", i, sound)) continue;
        s.text += Fixed(src.Position.x, 2) + " " + Fixed(src.Position.y, 2) + " " + Fixed(src.Position.z, 2) + " " +
                  std::to_string(src.NumberOfRays) + " " + Fixed(src.AzimRotation, 1) + " " +
                  Fixed(src.ElevRotation, 1) + " " + Fixed(spl, 1) + " " +
                  Item(room.sourceLayer[static_cast<std::size_t>(src.LayerID)]->layername) + " " + Item(sound) + "\n";
    }
    s.text += "</SOURCES>\n\n";
    return s;
}

Section ReceiverLayersText(const TRoomModel& room)
{
    Section s;
    s.text = "<LAYERS::RECEIVER>\n";
    for (std::size_t i = 0; i < room.receiverLayer.size(); ++i) {
        const TReceiverLayer& l = *room.receiverLayer[i];
        if (!s.CheckName("receiver layer", i, l.layername) || !s.CheckName("receiver layer", i, l.GetDirPatternName()))
            continue;
        s.text += Item(l.layername) + " " + Item(l.GetDirPatternName()) + "\n";
    }
    CheckUnique(s, "receiver layer", room.receiverLayer, [](const auto& l) { return l->layername; });
    s.text += "</LAYERS::RECEIVER>\n\n";
    return s;
}

Section ReceiversText(const TRoomModel& room)
{
    Section s;
    s.text = "<RECEIVERS>\n";
    for (std::size_t i = 0; i < room.receiver.size(); ++i) {
        const TReceiver& rec = *room.receiver[i];
        if (rec.LayerID < 0 || static_cast<std::size_t>(rec.LayerID) >= room.receiverLayer.size()) {
            s.Refuse("receiver", i, "its layer does not exist");
            continue;
        }
        if (!Finite({rec.Position.x, rec.Position.y, rec.Position.z, rec.Radius, rec.AzimRotation})) {
            s.Refuse("receiver", i, "a value is not a finite number");
            continue;
        }
        s.text += Fixed(rec.Position.x, 2) + " " + Fixed(rec.Position.y, 2) + " " + Fixed(rec.Position.z, 2) + " " +
                  Fixed(rec.Radius, 1) + " " + Fixed(rec.AzimRotation, 1) + " " +
                  Item(room.receiverLayer[static_cast<std::size_t>(rec.LayerID)]->layername) + "\n";
    }
    s.text += "</RECEIVERS>\n\n";
    return s;
}

Section MaterialsText(const TRoomModel& room)
{
    Section s;
    s.text = "<MATERIALS>\n";
    for (std::size_t i = 0; i < room.material.size(); ++i) {
        const TMaterial& m = *room.material[i];
        if (!s.CheckName("material", i, m.nome)) continue;
        std::string line = Item(m.nome) + " ";
        bool finite = true;
        for (unsigned int b = 0; b < room.NumBands; ++b) {
            const double a = b < m.abs.size() ? m.abs[b] : 0.0;
            finite = finite && std::isfinite(a);
            line += Fixed(a, 2) + " ";
        }
        const double scattering = m.dif.empty() ? 0.0 : m.dif[0];
        if (!finite || !std::isfinite(scattering)) {
            s.Refuse("material", i, "a coefficient is not a finite number");
            continue;
        }
        s.text += line + Fixed(scattering, 2) + "\n";
    }
    CheckUnique(s, "material", room.material, [](const auto& m) { return m->nome; });
    s.text += "</MATERIALS>\n\n";
    return s;
}

Section PlaneLayersText(const TRoomModel& room)
{
    Section s;
    s.text = "<LAYERS::PLANE>\n";
    std::string colours = "<LAYERS::COLOR>\n";
    for (std::size_t i = 0; i < room.planeLayer.size(); ++i) {
        const TPlaneLayer& l = room.planeLayer[i];
        if (!s.CheckName("plane layer", i, l.nome)) continue;
        if (l.MatID < 0 || static_cast<std::size_t>(l.MatID) >= room.material.size()) {
            ErrorMessage(
                utilFormat("PlaneLayer %s not saved because it is NOT ASSOCIATED to a material", l.nome.c_str()));
            s.complete = false;
        } else {
            s.text += Item(l.nome) + " " + Item(room.material[static_cast<std::size_t>(l.MatID)]->nome) + "\n";
        }
        if (l.cor[0] >= 0)
            colours += Item(l.nome) + " " + std::to_string(l.cor[0]) + " " + std::to_string(l.cor[1]) + " " +
                       std::to_string(l.cor[2]) + "\n";
    }
    CheckUnique(s, "plane layer", room.planeLayer, [](const auto& l) { return l.nome; });
    s.text += "</LAYERS::PLANE>\n\n" + colours + "</LAYERS::COLOR>\n\n";
    return s;
}

Section PlanesText(const TRoomModel& room)
{
    Section s;
    s.text = "<PLANES>\n";
    for (std::size_t i = 0; i < room.plane.size(); ++i) {
        const TPlane& p = *room.plane[i];
        if (p.NumVert <= 2) continue;
        if (p.LayerID < 0 || static_cast<std::size_t>(p.LayerID) >= room.planeLayer.size()) {
            s.Refuse("plane", i, "its layer does not exist");
            continue;
        }
        std::string line = std::to_string(p.NumVert) + " ";
        bool finite = true;
        for (unsigned int v = 0; v < p.NumVert; ++v) {
            const TPoint3D& q = p.vertice[v];
            finite = finite && Finite({q.x, q.y, q.z});
            line += Fixed(q.x, 2) + " " + Fixed(q.y, 2) + " " + Fixed(q.z, 2) + " ";
        }
        if (!finite) {
            s.Refuse("plane", i, "a vertex is not a finite point");
            continue;
        }
        s.text += line + Item(room.planeLayer[static_cast<std::size_t>(p.LayerID)].nome) + "\n";
    }
    s.text += "</PLANES>\n\n";
    return s;
}

// Appends text to the named file; false when it cannot be written whole.
bool Append(const char* FileName, const std::string& text)
{
    FILE* fid = utilOpenFile(FileName, "at");
    if (!fid) return false;
    const bool written =
        std::fwrite(text.data(), 1, text.size(), fid) == text.size() && std::fflush(fid) == 0 && !std::ferror(fid);
    return std::fclose(fid) == 0 && written;
}

// A name beside the target, in the same folder, that no other file has.
std::string TemporaryName(const std::string& target)
{
    static std::atomic<unsigned int> counter{0};
    std::random_device rd;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return target + ".saving-" + std::to_string(rd() ^ static_cast<unsigned int>(now)) + "-" +
           std::to_string(counter++);
}

void CannotWrite(const char* FileName)
{
    ErrorMessage(utilFormat("\n O arquivo %s nao pode ser aberto para %s!\n", FileName, "escrita"));
}

}  // namespace

// ---- Section writers -------------------------------------------------------------------------

void TRoomModel::SaveSourceLayers(const char* FileName)
{
    Append(FileName, SourceLayersText(*this).text);
}

void TRoomModel::SaveSources(const char* FileName)
{
    Append(FileName, SourcesText(*this).text);
}

void TRoomModel::SaveReceiverLayers(const char* FileName)
{
    Append(FileName, ReceiverLayersText(*this).text);
}

void TRoomModel::SaveReceivers(const char* FileName)
{
    Append(FileName, ReceiversText(*this).text);
}

void TRoomModel::SaveMaterials(const char* FileName)
{
    Append(FileName, MaterialsText(*this).text);
}

void TRoomModel::SavePlaneLayers(const char* FileName)
{
    Append(FileName, PlaneLayersText(*this).text);
}

void TRoomModel::SavePlanes(const char* FileName)
{
    Append(FileName, PlanesText(*this).text);
}

void TRoomModel::WriteReceivers(FILE* fid)
{
    if (!fid) return;
    std::string text = "<RECEIVERS>\n";
    for (const auto& r : receiver) {
        if (!r) continue;
        text += Fixed(r->Position.x, 2) + " " + Fixed(r->Position.y, 2) + " " + Fixed(r->Position.z, 2) + " " +
                Fixed(r->Radius, 1) + " " + Fixed(r->AzimRotation, 0) + " " + Item(r->GetDaffFile()) + "\n";
    }
    text += "</RECEIVERS>\n";
    std::fputs(text.c_str(), fid);
}

// ---- Whole project ---------------------------------------------------------------------------

int TRoomModel::SaveRoom(const char* FileName)
{
    if (!FileName || !*FileName) return 0;

    const Section sections[] = {SourceLayersText(*this), SourcesText(*this),   ReceiverLayersText(*this),
                                ReceiversText(*this),    MaterialsText(*this), PlaneLayersText(*this),
                                PlanesText(*this)};
    std::string body;
    bool complete = true;
    for (const Section& s : sections) {
        body += s.text;
        complete = complete && s.complete;
    }
    if (!complete) return 0;

    // Written beside the target and moved over it only when complete.
    const std::string temp = TemporaryName(FileName);
    FILE* fid = std::fopen(temp.c_str(), "wx");
    if (!fid) {
        CannotWrite(FileName);
        return 0;
    }
    std::fclose(fid);
    std::error_code ec;
    SaveSetup(temp.c_str());
    const bool hasSetup = std::filesystem::file_size(temp, ec) > 0 && !ec;
    if (!hasSetup || !Append(temp.c_str(), body)) {
        std::filesystem::remove(temp, ec);
        CannotWrite(FileName);
        return 0;
    }
    std::filesystem::rename(temp, FileName, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        CannotWrite(FileName);
        return 0;
    }
    PathSetup(FileName);
    return 1;
}
