#include "desktop/ProjectCommands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "room/TPlaneLayer.h"
#include "simulation/TRoom.h"

bool ProceedPastSaveQuestion(int status, const std::function<SaveAnswer()>& ask, const std::function<bool()>& save)
{
    if (status != 2) return true;
    switch (ask()) {
    case SaveAnswer::Yes:
        return save();
    case SaveAnswer::No:
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

ProjectLoad LoadProjectRoom(const std::string& path)
{
    ProjectLoad load = LoadProject(path, ProjectChain::Full);
    if (!load) return load;
    TRoom& room = *load.room;
    try {
        room.IsRunning.store(false);
        room.GetExternalPlanes();
        room.CalculateVolumeGeometry();
        room.CalculateArea();
        room.AcousticParameters();
        room.GetCenter();
        room.ShowInfo(room.EnsureMeanFreePath());
    } catch (const SorviExit& e) {
        load.room.reset();
        load.error = e.what();
        load.status = e.Status();
    }
    return load;
}

namespace {

// The lengths of what an append adds to, and the planes counted per layer.
struct AppendMark {
    std::size_t materials, planeLayers, planes, directivities, receiverLayers, receivers, sourceLayers, sources;
    std::vector<unsigned int> planesPerLayer;
};

AppendMark Mark(const TRoom& room)
{
    AppendMark m{room.material.size(),    room.planeLayer.size(),    room.plane.size(),
                 room.directivity.size(), room.receiverLayer.size(), room.receiver.size(),
                 room.sourceLayer.size(), room.source.size(),        {}};
    for (const TPlaneLayer& layer : room.planeLayer) m.planesPerLayer.push_back(layer.NumPlanes);
    return m;
}

template <class V> void Cut(V& items, std::size_t length)
{
    if (items.size() > length) items.erase(items.begin() + static_cast<std::ptrdiff_t>(length), items.end());
}

// Drops everything appended since `m`; the readers only append, so what was there stays.
void Restore(TRoom& room, const AppendMark& m)
{
    // Elements before the types and patterns they point at.
    Cut(room.source, m.sources);
    Cut(room.receiver, m.receivers);
    Cut(room.plane, m.planes);
    Cut(room.sourceLayer, m.sourceLayers);
    Cut(room.receiverLayer, m.receiverLayers);
    Cut(room.planeLayer, m.planeLayers);
    Cut(room.material, m.materials);
    Cut(room.directivity, m.directivities);
    for (std::size_t l = 0; l < room.planeLayer.size() && l < m.planesPerLayer.size(); ++l)
        room.planeLayer[l].NumPlanes = m.planesPerLayer[l];
    room.NumSources = static_cast<unsigned int>(room.source.size());
    room.NumReceivers = static_cast<unsigned int>(room.receiver.size());
    room.NumPlanes = static_cast<unsigned int>(room.plane.size());
    room.NumSourceLayers = static_cast<unsigned int>(room.sourceLayer.size());
    room.NumReceiverLayers = static_cast<unsigned int>(room.receiverLayer.size());
    room.NumPlaneLayers = static_cast<unsigned int>(room.planeLayer.size());
    room.NumMaterials = static_cast<unsigned int>(room.material.size());
    room.NumDirectivities = static_cast<unsigned int>(room.directivity.size());
}

}  // namespace

bool AppendProject(TRoom& room, const std::string& path)
{
    // The whole file is read once on its own, so that a bad file stops before the open room
    // holds any of it.
    const ProjectLoad alone = LoadProject(path, ProjectChain::Full);
    if (!alone) return false;
    const char* f = path.c_str();
    const AppendMark mark = Mark(room);
    try {
        room.AddMaterialsTxt(f);
        room.AddPlaneLayersTxt(f);
        room.AddPlanesTxT(f);
        room.AddDirectivitiesTxt(f);
        room.AddReceiverLayersTxt(f);
        room.AddReceiversTxt(f);
        room.AddSourceLayersTxt(f);
        room.AddSourcesTxt(f);
        // Some readers only report a section they cannot read: count what arrived.
        if (room.plane.size() - mark.planes != alone.room->plane.size() ||
            room.source.size() - mark.sources != alone.room->source.size() ||
            room.receiver.size() - mark.receivers != alone.room->receiver.size())
            ShowErrorAndThrowExit(1, "The imported project could not be added whole: nothing of it was added.");
        room.GetExternalPlanes();
        return true;
    } catch (const SorviExit&) {
        // Shown; the file read alone, so this is the combination's fault.
    } catch (const std::bad_alloc&) {
        ShowErrorText("Not enough memory to add the imported project.");
    }
    Restore(room, mark);
    try {
        room.GetExternalPlanes();
    } catch (const SorviExit&) {
    } catch (const std::bad_alloc&) {
    }
    return false;
}

void MakeUntitled(TRoom& room)
{
    room.ProjectName.clear();
    room.ProjectFolder = ".";
}

SaveChooserStart SaveChooserStartFor(const TRoom& room, int status)
{
    if (status == 0 || room.ProjectName.empty()) return {};
    // A chooser opens a folder given from the root only.
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(room.ProjectFolder, ec);
    return {ec ? room.ProjectFolder : folder.lexically_normal().string(), room.ProjectName};
}

bool LoadStoredResponses(TRoom& room)
{
    try {
        if (!room.CheckSavedResults()) return false;
        return room.LoadResults() >= 0;
    } catch (const SorviExit&) {
        return false;
    } catch (const std::bad_alloc&) {
        ShowErrorText("Not enough memory to read the stored responses.");
        return false;
    }
}

bool CanWriteProjectFile(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(path, ec)) {
        if (fs::is_directory(path, ec)) return false;
        std::ofstream probe(path, std::ios::app | std::ios::binary);  // opens without truncating
        return probe.is_open();
    }
    bool ok = false;
    {
        std::ofstream probe(path, std::ios::binary);
        ok = probe.is_open();
    }
    if (ok) fs::remove(path, ec);
    return ok;
}

std::string AboutText(const char* date, const char* time)
{
    return std::string("Sorvi Version 2.0 compiled on ") + date + " (" + time + ")\n";
}
