#include "room/LoadProject.h"

#include <exception>
#include <fstream>
#include <string>
#include <new>

#include "geometry/ErrorHandler.h"
#include "room/TRoom.h"

namespace {

void Step(const std::function<void(TRoom&)>& step, TRoom& room)
{
    if (step) step(room);
}

// A text in which no line opens a section of a project file (a README, a note) is no project:
// read as one it would become an empty project that a save writes over the text.
void RefuseTextWithoutSections(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return;  // the readers say that it cannot be opened
    static const char* const kSections[] = {"<ENVIRONMENT>", "<SIMULATION>",      "<MATERIALS>",
                                            "<LAYERS::PLANE>", "<LAYERS::COLOR>", "<PLANES>",
                                            "<LAYERS::SOURCE>", "<SOURCES>",      "<LAYERS::RECEIVER>",
                                            "<RECEIVERS>"};
    // Found as the readers find a section: anywhere in a line.
    std::string line;
    while (std::getline(in, line)) {
        if (line.find('<') == std::string::npos) continue;
        for (const char* section : kSections)
            if (line.find(section) != std::string::npos) return;
    }
    ShowErrorAndThrowExit(1, "File '" + path + "' is not a Sorvi project: none of its lines opens a project section "
                             "such as <ENVIRONMENT> or <PLANES>.");
}

}  // namespace

void ReadProjectChain(TRoom& room, const std::string& path, ProjectChain chain, const ProjectLoadSteps& steps)
{
    // Materials before plane layers (a layer names its material), plane layers before planes,
    // directivities before the source and receiver types, each type before its elements.
    RefuseTextWithoutSections(path);
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
