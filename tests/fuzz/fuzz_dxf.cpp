// Converts arbitrary bytes as a DXF drawing into a project file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "geometry/ErrorHandler.h"
#include "room/ConvertDXF.h"

namespace {

struct Files {
    std::string input, output;
    Files()
    {
        const auto dir = std::filesystem::temp_directory_path();
        const std::string tag = std::to_string(getpid());
        input = (dir / ("sorvi_fuzz_dxf_" + tag + ".dxf")).string();
        output = (dir / ("sorvi_fuzz_dxf_" + tag + ".txt")).string();
        SetErrorHandler([](const std::string&) { return 1; });
        // The conversion's counts and notices would flood the fuzzer's log.
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
    try {
        ConvertDXF_RoomFile(files.input.c_str(), files.output.c_str(), 1, 1, 1, 1);
    } catch (const SorviExit&) {
        // A 3D polyline of fewer than three vertices ends the conversion on purpose.
    }
    return 0;
}
