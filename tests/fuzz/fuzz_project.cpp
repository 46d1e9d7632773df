// Loads arbitrary bytes as a project file through the desktop program's reading chain. A room
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

#include "geometry/ErrorHandler.h"
#include "room/TRoom.h"

namespace {

struct Files {
    std::string input, first, second, third;
    Files()
    {
        const auto dir = std::filesystem::temp_directory_path() / ("sorvi_fuzz_project_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        input = (dir / "input.txt").string();
        first = (dir / "first.txt").string();
        second = (dir / "second.txt").string();
        third = (dir / "third.txt").string();
        SetErrorHandler([](const std::string&) { return 1; });
        // The readers' progress and notices would flood the fuzzer's log.
        if (!std::freopen("/dev/null", "w", stdout)) std::perror("stdout");
    }
};

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Load(TRoom& r, const char* f)
{
    r.PathSetup(f);
    r.EnviromentSetupTXT(f);
    r.AddMaterialsTxt(f);
    r.AddPlaneLayersTxt(f);
    r.AssociatePlaneLayersTxT(f);
    r.AddPlanesTxT(f);
    r.AddDirectivitiesTxt(f);
    r.AddSourceLayersTxt(f);
    r.AddReceiverLayersTxt(f);
    r.AddSourcesTxt(f);
    r.AddReceiversTxt(f);
    r.ReadColorLayers(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Files files;
    {
        std::ofstream out(files.input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    int saved = 0;
    try {
        TRoom room;
        Load(room, files.input.c_str());
        saved = room.SaveRoom(files.first.c_str());
    } catch (const SorviExit&) {
        // Fatal input errors end the load on purpose.
        return 0;
    }
    if (saved != 1) return 0;
    try {
        TRoom again;
        Load(again, files.first.c_str());
        if (again.SaveRoom(files.second.c_str()) != 1) std::abort();
    } catch (const SorviExit&) {
        std::abort();  // a file SaveRoom wrote must load
    }
    try {
        TRoom last;
        Load(last, files.second.c_str());
        if (last.SaveRoom(files.third.c_str()) != 1) std::abort();
    } catch (const SorviExit&) {
        std::abort();
    }
    if (Contents(files.second) != Contents(files.third)) std::abort();
    return 0;
}
