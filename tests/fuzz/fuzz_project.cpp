// Loads arbitrary bytes as a project file through the full reading chain. A room
// that SaveRoom accepts must load again from what it wrote. The first save may still round
// values to the file's precision (vertices that then coincide, a rate below one hertz), so the
// second save is the fixed point: loading it must give the same bytes again.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "FuzzSupport.h"
#include "geometry/ErrorHandler.h"
#include "room/LoadProject.h"
#include "simulation/TRoom.h"

namespace {

struct Files {
    std::filesystem::path dir = FuzzTempPath("sorvi_fuzz_project");
    std::string input, first, second, third;
    Files()
    {
        std::filesystem::create_directories(dir);
        input = (dir / "input.txt").string();
        first = (dir / "first.txt").string();
        second = (dir / "second.txt").string();
        third = (dir / "third.txt").string();
        SilenceForFuzzing();
    }
    // Runs when the fuzzer exits after its runs: nothing is left in the temporary folder.
    ~Files() { RemoveFuzzFiles({dir.string()}); }
};

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Files files;
    if (!WriteFuzzInput(files.input, data, size)) return 0;
    // Fatal input errors end the load on purpose; a file SaveRoom wrote must load.
    ProjectLoad input = LoadProject(files.input, ProjectChain::Full);
    if (!input || input.room->SaveRoom(files.first.c_str()) != 1) return 0;
    ProjectLoad again = LoadProject(files.first, ProjectChain::Full);
    if (!again || again.room->SaveRoom(files.second.c_str()) != 1) std::abort();
    ProjectLoad last = LoadProject(files.second, ProjectChain::Full);
    if (!last || last.room->SaveRoom(files.third.c_str()) != 1) std::abort();
    if (Contents(files.second) != Contents(files.third)) std::abort();
    return 0;
}
