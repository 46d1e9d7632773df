#include "room/LoadProject.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "geometry/ErrorHandler.h"
#include "room/TRoom.h"

namespace {

void Step(const std::function<void(TRoom&)>& step, TRoom& room)
{
    if (step) step(room);
}

// False for a file that opens but holds none of a project's sections (a drawing, a sound file,
// a result file given by mistake); one that does not open is the readers' to report.
bool HoldsProjectSection(const std::string& path)
{
    static const char* const kSections[] = {"<ENVIRONMENT>", "<SIMULATION>",       "<MATERIALS>", "<LAYERS::PLANE>",
                                            "<PLANES>",      "<LAYERS::SOURCE>",   "<SOURCES>",   "<LAYERS::RECEIVER>",
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

void ReadProjectChain(TRoom& room, const std::string& path, ProjectChain chain, const ProjectLoadSteps& steps)
{
    // Materials before plane layers (a layer names its material), plane layers before planes,
    // directivities before the source and receiver types, each type before its elements.
    if (!HoldsProjectSection(path))
        ShowErrorAndThrowExit(1, "The file " + path + " holds no project section (such as <SIMULATION>, <PLANES> or "
                                 "<SOURCES>): it is not a project file.\n");
    const char* f = path.c_str();
    room.PathSetup(f);
    room.EnviromentSetupTXT(f);
    if (chain != ProjectChain::Short) {
        room.AddMaterialsTxt(f);
        Step(steps.afterMaterials, room);
        room.AddPlaneLayersTxt(f);
        room.AssociatePlaneLayersTxT(f);
        room.AddPlanesTxT(f);
        Step(steps.afterPlanes, room);
    }
    room.AddDirectivitiesTxt(f);
    Step(steps.afterDirectivities, room);
    room.AddSourceLayersTxt(f);
    room.AddSourcesTxt(f);
    room.AddReceiverLayersTxt(f);
    room.AddReceiversTxt(f);
    if (chain == ProjectChain::Full) room.ReadColorLayers(f);
}

ProjectLoad LoadProject(const std::string& path, ProjectChain chain, const ProjectLoadSteps& steps)
{
    ProjectLoad load;
    try {
        auto room = std::make_unique<TRoom>();
        ReadProjectChain(*room, path, chain, steps);
        load.room = std::move(room);
    } catch (const SorviExit& e) {
        load.error = e.what();
        load.status = e.Status();
    } catch (const std::bad_alloc&) {
        load.error = "Not enough memory to load " + path;
        load.status = 1;
        ShowErrorText(load.error);
    }
    return load;
}
