// Imports arbitrary bytes as a DXF drawing the way the import dialog does: its layers scanned,
// sorted in turn into receiver, source and plane layers, the hand-over file written and loaded.

#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "desktop/DXFImport.h"
#include "room/LoadProject.h"
#include "simulation/TRoom.h"

namespace {

struct Files {
    std::string input = FuzzTempPath("sorvi_fuzz_import") + ".dxf";
    std::string output = FuzzTempPath("sorvi_fuzz_import") + ".txt";
    Files() { SilenceForFuzzing(); }
    // Runs when the fuzzer exits after its runs: nothing is left in the temporary folder.
    ~Files() { RemoveFuzzFiles({input, output}); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Files files;
    if (!WriteFuzzInput(files.input, data, size)) return 0;

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
