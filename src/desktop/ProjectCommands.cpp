#include "desktop/ProjectCommands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

#include "geometry/ErrorHandler.h"
#include "room/TRoom.h"

bool ProceedPastSaveQuestion(int status, const std::function<SaveAnswer()>& ask, const std::function<bool()>& save)
{
    if (status != 2) return true;
    switch (ask()) {
    case SaveAnswer::Yes: return save();
    case SaveAnswer::No: return true;
    case SaveAnswer::Cancel: break;
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

bool AppendProject(TRoom& room, const std::string& path)
{
    // The whole file is read once on its own, so that a bad file stops before the open room
    // holds half of it.
    if (!LoadProject(path, ProjectChain::Full)) return false;
    const char* f = path.c_str();
    try {
        room.AddMaterialsTxt(f);
        room.AddPlaneLayersTxt(f);
        room.AddPlanesTxT(f);
        room.AddDirectivitiesTxt(f);
        room.AddReceiverLayersTxt(f);
        room.AddReceiversTxt(f);
        room.AddSourceLayersTxt(f);
        room.AddSourcesTxt(f);
        room.GetExternalPlanes();
    } catch (const SorviExit&) {
        return false;  // shown; the file read alone, so this is the combination's fault
    }
    return true;
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
