#include "desktop/DXFImport.h"

#include <cstdio>
#include <memory>

#include "desktop/HandOverFile.h"
#include "geometry/util.h"
#include "room/ConvertDXF.h"
#include "room/TLayer.h"
#include "simulation/TRoom.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const
    {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

std::string Underscored(std::string name)
{
    RemoveSpaces(name);
    return name;
}

// The sections after the setup, the converters appending their lines into `out`.
void WriteSections(FILE* dxf, FILE* out, const DXFImportChoice& c)
{
    std::fputs("<MATERIALS>\n"
               "DEFAULT_MAT 0.010 0.028 0.030 0.036 0.043 0.053 0.073 0.061 0.060 0.05\n"
               "</MATERIALS>\n"
               "\n",
               out);

    std::fputs("\n<LAYERS::RECEIVER>\n", out);
    for (const std::string& l : c.receiverLayers) std::fprintf(out, "%s OMNI\n", Underscored(l).c_str());
    std::fputs("</LAYERS::RECEIVER>\n", out);
    std::fputs("\n<RECEIVERS>\n", out);
    for (const std::string& l : c.receiverLayers) ConvertDXF_Receiver(dxf, out, l.c_str());
    std::fputs("</RECEIVERS>\n", out);

    std::fputs("\n<LAYERS::SOURCE>\n", out);
    for (const std::string& l : c.sourceLayers)
        std::fprintf(out, "%s OMNI 0 0 0 0 0 0 0 0 0\n", Underscored(l).c_str());
    std::fputs("</LAYERS::SOURCE>\n", out);
    std::fputs("\n<SOURCES>\n", out);
    for (const std::string& l : c.sourceLayers) ConvertDXF_Source(dxf, out, l.c_str());
    std::fputs("</SOURCES>\n", out);

    std::fputs("\n<LAYERS::PLANE>\n", out);
    for (const std::string& l : c.planeLayers) std::fprintf(out, "%s DEFAULT_MAT\n", Underscored(l).c_str());
    std::fputs("</LAYERS::PLANE>\n", out);
    std::fputs("\n<PLANES>\n", out);
    for (const std::string& l : c.planeLayers) {
        if (c.poly3D) ConvertDXF_3DPOLY(dxf, out, l.c_str());
        if (c.face3D) ConvertDXF_3DFACE(dxf, out, l.c_str());
        if (c.polyFaceMesh) ConvertDXF_POLYFACEMESH(dxf, out, l.c_str());
    }
    std::fputs("</PLANES>\n", out);

    std::fputs("\n<LAYERS::COLOR>\n", out);
    const unsigned count = static_cast<unsigned>(c.planeLayers.size());
    for (unsigned n = 0; n < count; ++n) {
        const std::array<int, 3> rgb = ImportLayerColour(n, count);
        std::fprintf(out, "%s %d %d %d\n", Underscored(c.planeLayers[n]).c_str(), rgb[0], rgb[1], rgb[2]);
    }
    std::fputs("</LAYERS::COLOR>\n", out);
}

}  // namespace

bool ScanDXFLayers(const std::string& drawing, std::vector<std::string>& layers)
{
    // Tested first, so that a missing file gets the dialog's message only.
    if (FILE* probe = std::fopen(drawing.c_str(), "rt"))
        std::fclose(probe);
    else
        return false;
    const unsigned count = GetDXFNumLayers(drawing.c_str());
    std::vector<TLayer> found(count);
    GetDXFLayerNames(drawing.c_str(), found.data(), count);
    layers.clear();
    for (const TLayer& l : found) layers.push_back(l.nome);
    return true;
}

std::array<int, 3> ImportLayerColour(unsigned n, unsigned count)
{
    if (count == 0) return {100, 10, 100};
    const float fn = static_cast<float>(n), fc = static_cast<float>(count);
    return {static_cast<int>(100.0f + 155.0f * fn / fc), static_cast<int>(10.0f + 245.0f * fn / fc), 100};
}

std::string WriteDXFImport(const std::string& drawing, const std::string& handOver, const DXFImportChoice& choice)
{
    // The drawing is checked before anything is written.
    if (FILE* probe = std::fopen(drawing.c_str(), "rt"))
        std::fclose(probe);
    else
        return "Cannot open file '" + drawing + "'.";

    return WriteHandOverFile(handOver, [&](const std::string& scratch) {
        {
            TRoom setup;
            if (!AppendedBy(scratch, [&] { setup.WriteDefaultSetup(scratch.c_str()); })) return false;
        }
        FilePtr dxf(utilOpenFile(drawing, "rt"));
        if (!dxf) return false;
        FILE* out = utilOpenFile(scratch, "at");
        if (!out) return false;
        WriteSections(dxf.get(), out, choice);
        const bool written = std::fflush(out) == 0 && !std::ferror(out) && !std::ferror(dxf.get());
        return std::fclose(out) == 0 && written;
    });
}
