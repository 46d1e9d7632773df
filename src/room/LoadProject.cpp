#include "room/LoadProject.h"

#include <exception>
#include <new>

#include "geometry/ErrorHandler.h"
#include "room/TRoom.h"

namespace {

void Step(const std::function<void(TRoom&)>& step, TRoom& room)
{
    if (step) step(room);
}

}  // namespace

void ReadProjectChain(TRoom& room, const std::string& path, ProjectChain chain, const ProjectLoadSteps& steps)
{
    // Materials before plane layers (a layer names its material), plane layers before planes,
    // directivities before the source and receiver types, each type before its elements.
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
