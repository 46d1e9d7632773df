// Reading the element sections of a project file into the room.
//
// Every reader takes the section's lines whole, splits them at single blanks and checks every
// item before it changes the room: the new entries are built aside and stored at the end, so a
// fatal input error (message, then status 1) never leaves a reader's work half done.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "dsp/WavFile.h"
#include "dsp/acoustics.h"
#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "geometry/util.h"
#include "room/LoadProject.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TReceiverLayer.h"
#include "room/TRoomModel.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

File OpenText(const char* FileName)
{
    return File(FileName ? std::fopen(FileName, "r") : nullptr);
}

std::string Name(const char* FileName)
{
    return FileName ? FileName : "(null)";
}

// Opens the project file; a file that cannot be read empties the room and ends with status 1.
File OpenOrExit(TRoomModel& room, const char* FileName)
{
    File f = OpenText(FileName);
    if (!f) {
        const std::string msg = utilFormat("Cannot open %s for reading\n", Name(FileName).c_str());
        room.LiberaMemoria();
        ShowErrorAndThrowExit(1, msg);
    }
    return f;
}

// A line without its line end.
std::string Stripped(std::string line)
{
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// Items of a line: the text between single blanks (two blanks in a row give an empty item).
std::vector<std::string> Items(const std::string& line)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t blank = line.find(' ', start);
        if (blank == std::string::npos) {
            items.push_back(line.substr(start));
            return items;
        }
        items.push_back(line.substr(start, blank - start));
        start = blank + 1;
    }
}

// The entries of section <tag>, searched from the current position: every line up to the
// closing tag (or the end of the file), without line ends.
std::vector<std::string> SectionLines(FILE* fid, const std::string& tag)
{
    std::vector<std::string> lines;
    if (!utilBusca(fid, ("<" + tag + ">").c_str())) return lines;
    const std::string closeTag = "</" + tag + ">";
    std::string line;
    while (utilReadLine(fid, line)) {
        if (line.find(closeTag) != std::string::npos) break;
        lines.push_back(Stripped(line));
    }
    return lines;
}

// Item count of a line as read (blanks and its line feed); a last line without a line feed
// counts as if it had one.
int LineItems(const std::string& rawLine)
{
    int n = utilGetNumLineItems(rawLine);
    if (rawLine.empty() || rawLine.back() != '\n') ++n;
    return n;
}

// Checked access to the items of one entry.
class Entry {
public:
    Entry(const char* section, int line, const std::string& text) : section_(section), line_(line), items_(Items(text))
    {}

    std::size_t Count() const { return items_.size(); }
    const std::string& Item(std::size_t i) const { return items_[i]; }

    double Double(std::size_t i) const
    {
        const std::string& t = items_[i];
        const char* b = t.c_str();
        const char* e = b + t.size();
        const bool plus = b < e && *b == '+';
        if (plus) ++b;
        double v = 0.0;
        const auto res = std::from_chars(b, e, v);
        if (b == e || (plus && *b == '-') || res.ec != std::errc() || res.ptr != e || !std::isfinite(v)) Invalid(i);
        return v;
    }

    float Float(std::size_t i) const
    {
        const double v = Double(i);
        const float f = static_cast<float>(v);
        if (!std::isfinite(f)) Invalid(i);
        return f;
    }

    int Int(std::size_t i) const
    {
        const std::string& t = items_[i];
        const char* b = t.c_str();
        const char* e = b + t.size();
        const bool plus = b < e && *b == '+';
        if (plus) ++b;
        long long v = 0;
        const auto res = std::from_chars(b, e, v);
        if (b == e || (plus && *b == '-') || res.ec != std::errc() || res.ptr != e ||
            v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
            Invalid(i);
        return static_cast<int>(v);
    }

    // A name item: one that is empty cannot name anything.
    const std::string& NameItem(std::size_t i) const
    {
        if (items_[i].empty())
            ShowErrorAndThrowExit(1, utilFormat("Missing name on %s section, line %d.", section_, line_));
        return items_[i];
    }

    [[noreturn]] void WrongCount(int expected) const
    {
        ShowErrorAndThrowExit(
            1, utilFormat("Wrong number of parameters on %s section, line %d.\nShould be %d instead of %d items.",
                          section_, line_, expected, static_cast<int>(items_.size())));
    }

    // Item i is not a usable number.
    [[noreturn]] void Invalid(std::size_t i) const
    {
        ShowErrorAndThrowExit(
            1, utilFormat("Invalid number '%s' on %s section, line %d.", items_[i].c_str(), section_, line_));
    }

private:
    const char* section_;
    int line_;
    std::vector<std::string> items_;
};

std::vector<std::string> ReadSection(FILE* fid, const char* tag)
{
    std::rewind(fid);
    return SectionLines(fid, tag);
}

// Planes of a <PLANES> section, prepared for use, with the number of new planes per layer.
struct PlaneSet {
    std::vector<std::unique_ptr<TPlane>> planes;
    std::vector<unsigned int> perLayer;
};

const char* const kNoPlaneLayers =
    "Erro de programa\xE7\xE3o: \xE9 preciso carregar as layer dos planos ANTES de carregar os planos.\n";

PlaneSet ParsePlanes(TRoomModel& room, const std::vector<std::string>& lines, bool progress)
{
    PlaneSet set;
    set.perLayer.assign(room.planeLayer.size(), 0);
    for (std::size_t p = 0; p < lines.size(); ++p) {
        const int lineNo = static_cast<int>(p + 1);
        const Entry e("PLANES", lineNo, lines[p]);
        const int nv = e.Int(0);
        if (nv < 3)
            ShowErrorAndThrowExit(
                1, utilFormat("Plane on PLANES section, line %d, has %d vertices.\nA plane needs at least 3.", lineNo,
                              nv));
        const long long expected = 3LL * nv + 2;
        if (static_cast<long long>(e.Count()) != expected)
            e.WrongCount(static_cast<int>(std::min<long long>(expected, std::numeric_limits<int>::max())));

        auto pl = std::make_unique<TPlane>(nv);
        for (int v = 0; v < nv; ++v)
            pl->SetVertex(static_cast<unsigned int>(v), e.Double(1 + 3 * v), e.Double(2 + 3 * v), e.Double(3 + 3 * v));
        const std::string& layerName = e.Item(e.Count() - 1);
        const int layer = room.FindPlaneLayer(layerName.c_str());
        if (layer < 0) {
            const std::string msg =
                utilFormat("A Layer associada ao plano %d (%s) n\xE3o est\xE1 na lista de layers de planos.\n", lineNo,
                           layerName.c_str());
            room.LiberaMemoria();
            ShowErrorAndThrowExit(1, msg);
        }
        pl->LayerID = layer;
        ++set.perLayer[static_cast<std::size_t>(layer)];
        if (progress) std::printf("\rreading plane %d         ", lineNo);
        pl->CheckForErrors();
        pl->CalcNormal();
        pl->Tecelagem();
        set.planes.push_back(std::move(pl));
    }
    return set;
}

void PrintUnusedLayers(const TRoomModel& room, const PlaneSet& set, const char* head)
{
    std::printf("%s", head);
    for (std::size_t l = 0; l < room.planeLayer.size(); ++l)
        if (set.perLayer[l] == 0) std::printf("%s\n", room.planeLayer[l].nome.c_str());
}

}  // namespace

// ---- Section layout --------------------------------------------------------------------------

int TRoomModel::GetNumberOfItens(FILE* fid, const char* tag)
{
    if (!fid || !tag) return 0;
    const long pos = std::ftell(fid);
    int count = 0;
    if (Busca(fid, utilFormat("<%s>", tag).c_str())) {
        const std::string closeTag = utilFormat("</%s>", tag);
        std::string line;
        while (utilReadLine(fid, line) && line.find(closeTag) == std::string::npos) ++count;
    }
    std::clearerr(fid);
    std::fseek(fid, pos, SEEK_SET);
    return count;
}

int TRoomModel::CheckNumberOfParams(FILE* fid, const char* tag, int NParam, bool msgFlag)
{
    if (!fid || !tag) return 0;
    const long pos = std::ftell(fid);
    if (Busca(fid, utilFormat("<%s>", tag).c_str())) {
        const std::string closeTag = utilFormat("</%s>", tag);
        std::string line;
        int lineNo = 0;
        while (utilReadLine(fid, line) && line.find(closeTag) == std::string::npos) {
            ++lineNo;
            const int n = LineItems(line);
            if (n != NParam && msgFlag) {
                ErrorMessage(
                    utilFormat("Wrong number of parameters on %s section, line %d.\nShould be %d instead of %d items.",
                               tag, lineNo, NParam, n));
                return lineNo;
            }
        }
    }
    std::clearerr(fid);
    std::fseek(fid, pos, SEEK_SET);
    return 0;
}

// ---- Materials -------------------------------------------------------------------------------

void TRoomModel::AddMaterialsTxt(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    const int bad = CheckNumberOfParams(f.get(), "MATERIALS", 11, true);
    if (bad != 0)
        throw SorviExit(1, utilFormat("Wrong number of parameters on MATERIALS section, line %d.", bad));  // shown
    if (GetNumberOfItens(f.get(), "MATERIALS") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "MATERIALS");

    std::vector<std::unique_ptr<TMaterial>> added;
    for (std::size_t m = 0; m < lines.size(); ++m) {
        const Entry e("MATERIALS", static_cast<int>(m + 1), lines[m]);
        const std::string& name = e.NameItem(0);
        if (GetMaterialID(name.c_str()) >= 0) continue;
        auto mat = std::make_unique<TMaterial>(NumBands);
        mat->nome = name;
        // A negative absorption adds energy at every reflection; 1 and above is kept just below 1.
        for (unsigned int b = 0; b < NumBands; ++b) {
            const float a = e.Float(1 + b);
            if (a < 0.0f)
                ShowErrorAndThrowExit(1, utilFormat("Absorption '%s' on MATERIALS section, line %d, is below 0.",
                                                    e.Item(1 + b).c_str(), static_cast<int>(m + 1)));
            mat->abs[b] = a >= 1.0f ? 0.999f : a;
        }
        const float scattering = e.Float(1 + NumBands);
        if (!(scattering >= 0.0f && scattering <= 1.0f))
            ShowErrorAndThrowExit(1, utilFormat("Scattering '%s' on MATERIALS section, line %d, lies outside 0 ... 1.",
                                                e.Item(1 + NumBands).c_str(), static_cast<int>(m + 1)));
        for (unsigned int b = 0; b < NumBands; ++b) mat->dif[b] = scattering;
        mat->AverageAbsortion();
        added.push_back(std::move(mat));
    }
    for (auto& mat : added) material.push_back(std::move(mat));
    NumMaterials = static_cast<unsigned int>(material.size());
}

// ---- Plane layers and colours ----------------------------------------------------------------

void TRoomModel::ReadPlaneLayersTxt(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "LAYERS::PLANE") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "LAYERS::PLANE");

    std::vector<TPlaneLayer> layers(lines.size());
    for (std::size_t m = 0; m < lines.size(); ++m) {
        const Entry e("LAYERS::PLANE", static_cast<int>(m + 1), lines[m]);
        if (e.Count() != 2 && e.Count() != 5) {
            ErrorMessage(utilFormat("Wrong number of parameters (%d) for LAYERS:PLANE section line %d",
                                    static_cast<int>(e.Count()), static_cast<int>(m + 1)));
            continue;
        }
        TPlaneLayer& layer = layers[m];
        layer.nome = e.NameItem(0);
        layer.MatID = GetMaterialID(e.Item(1).c_str());
        if (e.Count() == 5)
            layer.SetColor(e.Int(2), e.Int(3), e.Int(4));
        else
            layer.SetColor(200, 200, 200);
    }
    planeLayer = std::move(layers);
    NumPlaneLayers = static_cast<unsigned int>(planeLayer.size());
}

void TRoomModel::AddPlaneLayersTxt(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "LAYERS::PLANE") == 0) return;
    if (planeLayer.empty()) {
        f.reset();
        ReadPlaneLayersTxt(FileName);
        return;
    }
    const std::vector<std::string> lines = SectionLines(f.get(), "LAYERS::PLANE");

    std::vector<TPlaneLayer> added;
    for (std::size_t m = 0; m < lines.size(); ++m) {
        const Entry e("LAYERS::PLANE", static_cast<int>(m + 1), lines[m]);
        const std::string& name = e.NameItem(0);
        if (FindPlaneLayer(name.c_str()) >= 0) continue;
        TPlaneLayer layer;
        layer.nome = name;
        layer.MatID = e.Count() > 1 ? GetMaterialID(e.Item(1).c_str()) : -1;
        added.push_back(layer);
    }
    for (auto& layer : added) planeLayer.push_back(std::move(layer));
    NumPlaneLayers = static_cast<unsigned int>(planeLayer.size());
}

void TRoomModel::AssociatePlaneLayersTxT(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "LAYERS::PLANE") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "LAYERS::PLANE");

    std::vector<std::pair<std::string, std::string>> pairs;  // layer, material
    for (const std::string& line : lines) {
        const std::vector<std::string> items = Items(line);
        pairs.emplace_back(items[0], items.size() > 1 ? items[1] : std::string());
    }
    // A missing material ends the process before any layer changes.
    for (const auto& [layer, mat] : pairs)
        if (FindPlaneLayer(layer.c_str()) >= 0 && GetMaterialID(mat.c_str()) < 0)
            AssociateMaterialToLayer(mat.c_str(), layer.c_str());
    for (const auto& [layer, mat] : pairs) AssociateMaterialToLayer(mat.c_str(), layer.c_str());
}

void TRoomModel::ReadColorLayers(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "LAYERS::COLOR") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "LAYERS::COLOR");

    struct Colour {
        int layer, r, g, b;
    };
    std::vector<Colour> colours;
    for (std::size_t m = 0; m < lines.size(); ++m) {
        const Entry e("LAYERS::COLOR", static_cast<int>(m + 1), lines[m]);
        const int layer = FindPlaneLayer(e.Item(0).c_str());
        if (layer < 0) continue;
        if (e.Count() != 4) e.WrongCount(4);
        colours.push_back({layer, e.Int(1), e.Int(2), e.Int(3)});
    }
    for (const Colour& c : colours) planeLayer[static_cast<std::size_t>(c.layer)].SetColor(c.r, c.g, c.b);
}

// ---- Planes ----------------------------------------------------------------------------------

void TRoomModel::ReadPlanesTxt(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "PLANES") == 0) return;
    if (planeLayer.empty()) {
        LiberaMemoria();
        ShowErrorAndThrowExit(1, kNoPlaneLayers);
    }
    const std::vector<std::string> lines = SectionLines(f.get(), "PLANES");
    PlaneSet set = ParsePlanes(*this, lines, true);
    PrintUnusedLayers(*this, set, "\nLAYER(S) NOT USED:\n");

    plane.clear();
    for (auto& pl : set.planes) plane.push_back(std::move(pl));
    NumPlanes = static_cast<unsigned int>(plane.size());
    for (std::size_t l = 0; l < planeLayer.size(); ++l) planeLayer[l].NumPlanes = set.perLayer[l];
}

void TRoomModel::AddPlanesTxT(const char* FileName)
{
    File f = OpenText(FileName);
    if (!f) {
        ErrorMessage(utilFormat("Cannot open %s for reading\n", Name(FileName).c_str()));
        return;
    }
    if (plane.empty()) {
        f.reset();
        ReadPlanesTxt(FileName);
        return;
    }
    if (GetNumberOfItens(f.get(), "PLANES") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "PLANES");
    PlaneSet set = ParsePlanes(*this, lines, true);
    PrintUnusedLayers(*this, set, "\nLAYER(S) NOT USED:\n");

    for (auto& pl : set.planes) plane.push_back(std::move(pl));
    NumPlanes = static_cast<unsigned int>(plane.size());
    for (std::size_t l = 0; l < planeLayer.size(); ++l) planeLayer[l].NumPlanes += set.perLayer[l];
}

void TRoomModel::ReadPlanesTxtFrontBack(const char* FileName)
{
    if (planeLayer.empty()) {
        LiberaMemoria();
        ShowErrorAndThrowExit(1, kNoPlaneLayers);
    }
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "PLANES") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "PLANES");
    PlaneSet set = ParsePlanes(*this, lines, false);
    PrintUnusedLayers(*this, set, "LAYER(S) NOT USED:\n");

    plane.clear();
    for (auto& pl : set.planes) plane.push_back(std::move(pl));
    const std::size_t n = plane.size();
    for (std::size_t p = 0; p < n; ++p) {
        auto back = std::make_unique<TPlane>(plane[p].get());
        back->InvertSequence();
        back->CheckForErrors();
        back->CalcNormal();
        back->Tecelagem();
        plane.push_back(std::move(back));
    }
    NumPlanes = static_cast<unsigned int>(plane.size());
}

// ---- Directivities and layers of sources and receivers ---------------------------------------

void TRoomModel::AddDirectivitiesTxt(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    std::vector<std::string> names;
    auto take = [&names](const std::string& name) {
        if (name.empty()) return;
        for (const auto& n : names)
            if (n == name) return;
        names.push_back(name);
    };

    const std::vector<std::string> srcLines = ReadSection(f.get(), "LAYERS::SOURCE");
    std::string lastLayer;
    for (const std::string& line : srcLines) {
        const std::vector<std::string> items = Items(line);
        if (items.size() == 11) {
            lastLayer = items[0];
            take(items[1]);
        } else {
            ErrorMessage(utilFormat("Wrong number of parameters (%d) for SOURCE LAYER %s",
                                    static_cast<int>(items.size()), lastLayer.c_str()));
        }
    }
    for (const std::string& line : ReadSection(f.get(), "LAYERS::RECEIVER")) {
        const std::vector<std::string> items = Items(line);
        if (items.size() == 2) take(items[1]);
    }
    f.reset();
    // Appended after the room's own patterns; a name the room knows changes nothing.
    for (const auto& name : names) AddDirectivity(name.c_str());
}

void TRoomModel::AddSourceLayersTxt(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "LAYERS::SOURCE") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "LAYERS::SOURCE");
    f.reset();

    std::vector<std::unique_ptr<TSourceLayer>> added;
    for (std::size_t m = 0; m < lines.size(); ++m) {
        const Entry e("LAYERS::SOURCE", static_cast<int>(m + 1), lines[m]);
        const std::string& name = e.NameItem(0);
        if (FindSourceLayer(name.c_str()) >= 0) continue;
        if (e.Count() != 2 + NumBands) e.WrongCount(static_cast<int>(2 + NumBands));
        const std::string& pattern = e.NameItem(1);
        auto layer = std::make_unique<TSourceLayer>(NumBands);
        layer->layername = name;
        for (unsigned int b = 0; b < NumBands; ++b) {
            const float gain = static_cast<float>(std::pow(10.0, e.Double(2 + b) / 10.0));
            if (!std::isfinite(gain)) e.Invalid(2 + b);
            layer->spectrum[b] = gain;
        }
        layer->SetDirPattern(directivity[static_cast<std::size_t>(GetDirectivityID(pattern.c_str()))].get());
        added.push_back(std::move(layer));
    }
    for (auto& layer : added) sourceLayer.push_back(std::move(layer));
    NumSourceLayers = static_cast<unsigned int>(sourceLayer.size());
}

void TRoomModel::AddReceiverLayersTxt(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "LAYERS::RECEIVER") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "LAYERS::RECEIVER");
    f.reset();

    std::vector<std::unique_ptr<TReceiverLayer>> added;
    for (std::size_t m = 0; m < lines.size(); ++m) {
        const int lineNo = static_cast<int>(m + 1);
        const Entry e("LAYERS::RECEIVER", lineNo, lines[m]);
        if (e.Count() != 2) {
            ErrorMessage(
                utilFormat("Wrong number of parameters (%d) for LAYERS:RECEIVER section line %d.\nShould be 2 items.",
                           static_cast<int>(e.Count()), lineNo));
            continue;
        }
        const std::string& name = e.NameItem(0);
        if (FindReceiverLayer(name.c_str()) >= 0) continue;
        const std::string& pattern = e.NameItem(1);
        TDirectivity* dir = directivity[static_cast<std::size_t>(GetDirectivityID(pattern.c_str()))].get();
        added.push_back(std::make_unique<TReceiverLayer>(name.c_str(), dir));
        added.back()->layername = name;
    }
    for (auto& layer : added) receiverLayer.push_back(std::move(layer));
    NumReceiverLayers = static_cast<unsigned int>(receiverLayer.size());
}

// ---- Sources and receivers -------------------------------------------------------------------

void TRoomModel::AddSourcesTxt(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "SOURCES") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "SOURCES");
    f.reset();

    std::vector<std::unique_ptr<TSource>> added;
    for (std::size_t m = 0; m < lines.size(); ++m) {
        const int number = static_cast<int>(m + 1);
        const Entry e("SOURCES", number, lines[m]);
        if (e.Count() != 8 && e.Count() != 9)
            ShowErrorAndThrowExit(
                1, utilFormat("Wrong number of parameters reading source %d from file %s!\nClick OK to exit.", number,
                              Name(FileName).c_str()));
        const TPoint3D pos(e.Double(0), e.Double(1), e.Double(2));
        const int rays = e.Int(3);
        const double azim = e.Float(4);
        const double elev = e.Float(5);
        const float spl = e.Float(6);
        const float power = SPL2Power(spl);
        if (!std::isfinite(power)) e.Invalid(6);
        const std::string& layerName = e.Item(7);
        std::string sound = e.Count() == 9 ? e.Item(8) : std::string("NONE");
        if (sound.find("NONE") != std::string::npos) sound = "NONE";

        const int layer = FindSourceLayer(layerName.c_str());
        if (layer < 0)
            ShowErrorAndThrowExit(
                1, utilFormat("Layer [%s] associated to source [%d] is not defined in <LAYERS:SOURCE> section",
                              layerName.c_str(), number));
        TDirectivity* dir = directivity[static_cast<std::size_t>(GetDirectivityID(
                                            sourceLayer[static_cast<std::size_t>(layer)]->GetDirPatternName()))]
                                .get();

        // Counts of 11 and below (negative ones too) become the smallest grid, with a notice.
        const unsigned int requested = rays <= 11 ? 0u : static_cast<unsigned int>(rays);
        // Without auralization the file is neither looked for nor used, but its name is kept so
        // that saving the project does not lose it.
        auto src = std::make_unique<TSource>(pos, power, layer, requested, elev, azim, NumBands,
                                             AuralizationFlag ? sound.c_str() : "NONE", ProjectFolder);
        if (!AuralizationFlag) src->SoundFile = sound;
        src->SetDirectivity(dir);
        if (src->SoundFileFlag) {
            const double rate = wavGetSampleRate(src->GetSoundFilePath().c_str());
            if (rate != static_cast<double>(FSample))
                ErrorMessage(utilFormat("Soundfile %s sample rate (%d) differs from project sample rate (%1.0f)\n"
                                        "Output audio will be faster or slower!!",
                                        sound.c_str(), static_cast<int>(std::min(rate, 2147483647.0)), FSample));
        }
        added.push_back(std::move(src));
    }
    std::vector<TSource*> raw;
    for (auto& s : added) raw.push_back(s.get());
    AddSources(raw.data(), static_cast<unsigned int>(raw.size()));
}

void TRoomModel::AddReceiversTxt(const char* FileName)
{
    File f = OpenOrExit(*this, FileName);
    if (GetNumberOfItens(f.get(), "RECEIVERS") == 0) return;
    const std::vector<std::string> lines = SectionLines(f.get(), "RECEIVERS");
    f.reset();

    std::vector<std::unique_ptr<TReceiver>> all;
    for (const auto& r : receiver)
        if (r) all.push_back(std::make_unique<TReceiver>(r.get()));
    const std::size_t before = all.size();
    for (std::size_t m = 0; m < lines.size(); ++m) {
        const int number = static_cast<int>(m + 1);
        const Entry e("RECEIVERS", number, lines[m]);
        if (e.Count() != 6) {
            std::printf("Wrong number of parameters (%d) for RECEIVERS section line %d: line skipped.\n",
                        static_cast<int>(e.Count()), number);
            continue;
        }
        const TPoint3D pos(e.Double(0), e.Double(1), e.Double(2));
        const double radius = e.Double(3);
        const double azim = e.Double(4);
        const std::string& layerName = e.Item(5);
        const int layer = FindReceiverLayer(layerName.c_str());
        if (layer < 0)
            ShowErrorAndThrowExit(
                1, utilFormat("Layer [%s] associated to receiver [%d] not defined in <LAYERS:RECEIVER> section",
                              layerName.c_str(), number));
        auto rec = std::make_unique<TReceiver>(pos, radius, azim, layer);
        rec->SetDirectivity(directivity[static_cast<std::size_t>(GetDirectivityID(
                                            receiverLayer[static_cast<std::size_t>(layer)]->GetDirPatternName()))]
                                .get());
        all.push_back(std::move(rec));
    }
    if (all.size() == before) return;
    std::vector<TReceiver*> raw;
    for (auto& r : all) raw.push_back(r.get());
    CreateReceivers(raw.data(), static_cast<unsigned int>(raw.size()));
}

// ---- Whole chain and triangles ---------------------------------------------------------------

void TRoomModel::LoadFromTxtFile(const char* FileName)
{
    ReadProjectChain(*this, Name(FileName), ProjectChain::Run);
}

void TRoomModel::gravatriangulos(const char* arquivo)
{
    FILE* fid = arquivo ? std::fopen(arquivo, "w") : nullptr;
    if (!fid) {
        std::printf("N\xE3o foi possivel abrir o arquivo %s para grava\xE7\xE3o\n", Name(arquivo).c_str());
        return;
    }
    for (const auto& p : plane)
        if (p) p->SaveTriangles(fid);
    std::fclose(fid);
}
