#include "room/LoadProject.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "geometry/ErrorHandler.h"
#include "room/TRoomModel.h"

namespace {

void RunStep(const projectload::Step& step)
{
    if (step) step();
}

// False for a file that opens but holds none of a project's sections (a drawing, a sound file,
// a result file given by mistake); one that does not open is the readers' to report.
bool HoldsProjectSection(const std::string& path)
{
    static const char* const kSections[] = {"<ENVIRONMENT>", "<SIMULATION>",     "<MATERIALS>", "<LAYERS::PLANE>",
                                            "<PLANES>",      "<LAYERS::SOURCE>", "<SOURCES>",   "<LAYERS::RECEIVER>",
                                            "<RECEIVERS>",   "<LAYERS::COLOR>"};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return true;
    std::string line;
    bool found = false;
    for (int c = 0; !found && c != EOF;) {
        line.clear();
        while ((c = std::fgetc(f)) != EOF && c != '\n') line += static_cast<char>(c);
        const std::size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line[at] != '<') continue;
        for (const char* tag : kSections)
            if (line.compare(at, std::strlen(tag), tag) == 0) found = true;
    }
    std::fclose(f);
    return found;
}

}  // namespace

namespace projectload {

void ReadChain(TRoomModel& room, const std::string& path, ProjectChain chain, const Step& afterMaterials,
               const Step& afterPlanes, const Step& afterDirectivities)
{
    // Materials before plane layers (a layer names its material), plane layers before planes,
    // directivities before the source and receiver types, each type before its elements.
    if (!HoldsProjectSection(path))
        ShowErrorAndThrowExit(1, "The file " + path +
                                     " holds no project section (such as <SIMULATION>, <PLANES> or "
                                     "<SOURCES>): it is not a project file.\n");
    const char* f = path.c_str();
    room.PathSetup(f);
    room.EnviromentSetupTXT(f);
    if (chain != ProjectChain::Short) {
        room.AddMaterialsTxt(f);
        RunStep(afterMaterials);
        room.AddPlaneLayersTxt(f);
        room.AssociatePlaneLayersTxT(f);
        room.AddPlanesTxT(f);
        RunStep(afterPlanes);
    }
    room.AddDirectivitiesTxt(f);
    RunStep(afterDirectivities);
    room.AddSourceLayersTxt(f);
    room.AddSourcesTxt(f);
    room.AddReceiverLayersTxt(f);
    room.AddReceiversTxt(f);
    if (chain == ProjectChain::Full) room.ReadColorLayers(f);
}

void Catch(const std::string& path, const std::function<void()>& load, std::string& error, int& status)
{
    try {
        load();
    } catch (const SorviExit& e) {
        error = e.what();
        status = e.Status();
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to load " + path;
        status = 1;
        ShowErrorText(error);
    }
}

}  // namespace projectload
