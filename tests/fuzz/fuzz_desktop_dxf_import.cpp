// Imports arbitrary bytes as a DXF drawing the way the import dialog does: its layers scanned,
// sorted in turn into receiver, source and plane layers, the hand-over file written and loaded.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "desktop/DXFImport.h"
#include "geometry/ErrorHandler.h"
#include "room/LoadProject.h"
#include "room/TRoom.h"

namespace {

struct Files {
    std::string input, output;
    Files()
    {
        const auto dir = std::filesystem::temp_directory_path();
        const std::string tag = std::to_string(getpid());
        input = (dir / ("sorvi_fuzz_import_" + tag + ".dxf")).string();
        output = (dir / ("sorvi_fuzz_import_" + tag + ".txt")).string();
        SetErrorHandler([](const std::string&) { return 1; });
        if (!std::freopen("/dev/null", "w", stdout)) std::perror("stdout");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Files files;
    FILE* f = std::fopen(files.input.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    std::vector<std::string> layers;
    if (!ScanDXFLayers(files.input, layers)) return 0;
    DXFImportChoice choice;
    for (std::size_t i = 0; i < layers.size(); ++i) {
        std::vector<std::string>& into =
            i % 3 == 0 ? choice.planeLayers : (i % 3 == 1 ? choice.receiverLayers : choice.sourceLayers);
        into.push_back(layers[i]);
    }
    choice.poly3D = size % 2 == 0;
    if (!WriteDXFImport(files.input, files.output, choice).empty()) return 0;
    ProjectLoad load = LoadProject(files.output, ProjectChain::Full);
    return 0;
}
