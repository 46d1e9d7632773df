// Converts arbitrary bytes as a DXF drawing into a project file.

#include <string>

#include "FuzzSupport.h"
#include "geometry/ErrorHandler.h"
#include "room/ConvertDXF.h"

namespace {

struct Files {
    std::string input = FuzzTempPath("sorvi_fuzz_dxf") + ".dxf";
    std::string output = FuzzTempPath("sorvi_fuzz_dxf") + ".txt";
    Files() { SilenceForFuzzing(); }
    // Runs when the fuzzer exits after its runs: nothing is left in the temporary folder.
    ~Files() { RemoveFuzzFiles({input, output}); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Files files;
    if (!WriteFuzzInput(files.input, data, size)) return 0;
    try {
        ConvertDXF_RoomFile(files.input.c_str(), files.output.c_str(), 1, 1, 1, 1);
    } catch (const SorviExit&) {
        // A 3D polyline of fewer than three vertices ends the conversion on purpose.
    }
    return 0;
}
