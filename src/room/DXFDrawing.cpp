#include "room/DXFDrawing.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "geometry/util.h"

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A group-code line: an integer and nothing else but blanks.
bool ParseCode(std::string_view line, int& code)
{
    line = Trim(line);
    if (!line.empty() && line.front() == '+') line.remove_prefix(1);
    if (line.empty()) return false;
    auto res = std::from_chars(line.data(), line.data() + line.size(), code);
    return res.ec == std::errc() && res.ptr == line.data() + line.size();
}

// Splits the text into lines: '\n' ends a line and a '\r' before it is dropped.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text)
    {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
    }
    bool Next(std::string_view& line)
    {
        if (pos_ >= text_.size()) return false;
        std::size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

const std::string* DXFEntity::Find(int code) const
{
    for (const DXFGroup& g : groups)
        if (g.code == code) return &g.value;
    return nullptr;
}

double DXFEntity::Real(int code, double missing) const
{
    const std::string* v = Find(code);
    if (!v) return missing;
    double d = utilAtof(v->c_str());
    return std::isfinite(d) ? d : missing;
}

long long DXFEntity::Integer(int code, long long missing) const
{
    const std::string* v = Find(code);
    if (!v) return missing;
    std::string_view s = Trim(*v);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    long long n = 0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), n);
    return res.ec == std::errc() ? n : missing;
}

bool DXFEntity::HasSubclass(std::string_view marker) const
{
    for (const DXFGroup& g : groups)
        if (g.code == 100 && Trim(g.value) == marker) return true;
    return false;
}

std::string DXFEntity::Layer() const
{
    const std::string* v = Find(8);
    if (!v || v->empty()) return "0";
    return *v;
}

bool DXFPolyline::IsPolyfaceMesh() const
{
    if (head->HasSubclass("AcDbPolyFaceMesh")) return true;
    if (head->HasSubclass("AcDb3dPolyline") || head->HasSubclass("AcDb2dPolyline") ||
        head->HasSubclass("AcDbPolygonMesh"))
        return false;
    return (head->Integer(70) & 64) != 0;
}

bool DXFPolyline::Is3DPolyline() const
{
    if (head->HasSubclass("AcDb3dPolyline")) return true;
    if (head->HasSubclass("AcDbPolyFaceMesh") || head->HasSubclass("AcDb2dPolyline") ||
        head->HasSubclass("AcDbPolygonMesh"))
        return false;
    const long long flags = head->Integer(70);
    return (flags & 8) != 0 && (flags & (16 | 64)) == 0;
}

DXFDrawing DXFDrawing::FromText(std::string_view text)
{
    DXFDrawing drawing;
    LineReader lines(text);

    // Where the pairs are: the section, and in the tables section the current table.
    std::string section;
    std::string table;
    bool sectionNameDue = false;
    DXFEntity record;  // the record (entity, table entry) being collected
    bool haveRecord = false;

    auto finishRecord = [&]() {
        if (!haveRecord) return;
        haveRecord = false;
        if (section == "TABLES") {
            if (record.type == "TABLE") {
                const std::string* name = record.Find(2);
                table = name ? std::string(Trim(*name)) : std::string();
            } else if (record.type == "LAYER" && table == "LAYER") {
                if (const std::string* name = record.Find(2)) drawing.layers.push_back(*name);
            }
        } else if (section == "ENTITIES") {
            drawing.entities.push_back(std::move(record));
        }
        record = DXFEntity();
    };

    std::string_view codeLine, valueLine;
    while (lines.Next(codeLine)) {
        int code = 0;
        if (!ParseCode(codeLine, code) || !lines.Next(valueLine)) break;

        if (code == 0) {
            finishRecord();
            const std::string_view type = Trim(valueLine);
            if (type == "SECTION") {
                section.clear();
                table.clear();
                sectionNameDue = true;
                continue;
            }
            sectionNameDue = false;
            if (type == "ENDSEC" || type == "EOF") {
                section.clear();
                table.clear();
                continue;
            }
            if (type == "ENDTAB") {
                table.clear();
                continue;
            }
            record.type = std::string(type);
            haveRecord = true;
            continue;
        }
        if (sectionNameDue) {
            sectionNameDue = false;
            if (code == 2) {
                section = std::string(Trim(valueLine));
                continue;
            }
        }
        if (haveRecord) record.groups.push_back(DXFGroup{code, std::string(valueLine)});
    }
    finishRecord();
    return drawing;
}

DXFDrawing DXFDrawing::FromStream(FILE* fid)
{
    std::string text;
    if (fid) {
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, fid)) > 0) text.append(buffer, n);
    }
    return FromText(text);
}

std::vector<const DXFEntity*> DXFDrawing::OfType(std::string_view type) const
{
    std::vector<const DXFEntity*> found;
    for (const DXFEntity& e : entities)
        if (e.type == type) found.push_back(&e);
    return found;
}

std::vector<DXFPolyline> DXFDrawing::Polylines() const
{
    std::vector<DXFPolyline> found;
    for (std::size_t i = 0; i < entities.size(); ++i) {
        if (entities[i].type != "POLYLINE") continue;
        DXFPolyline pl;
        pl.head = &entities[i];
        // The vertices run up to SEQEND; a drawing that lacks it ends them at the next entity.
        std::size_t j = i + 1;
        while (j < entities.size() && entities[j].type == "VERTEX") pl.vertices.push_back(&entities[j++]);
        found.push_back(std::move(pl));
        i = j - 1;
    }
    return found;
}
