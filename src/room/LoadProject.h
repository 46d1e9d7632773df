#pragma once
// The one way to read a project file into a room: the readers in a fixed chain, on a new room,
// so that a load that fails leaves every open room as it was.

#include <functional>
#include <memory>
#include <string>

class TRoom;

enum class ProjectChain {
    // Settings, materials, plane layers, planes, directivities, source and receiver types,
    // sources and receivers, then the plane layers' colours: what is shown and edited.
    Full,
    // Full without the colours: what a run needs.
    Run,
    // Settings, directivities, source and receiver types, sources and receivers: enough to
    // rebuild or re-save stored responses (no materials, plane layers or planes).
    Short,
};

// Work a caller does between the readers on the room being loaded (listings, the external
// planes). Empty steps are skipped; the Short chain reaches only afterDirectivities.
struct ProjectLoadSteps {
    std::function<void(TRoom&)> afterMaterials;
    std::function<void(TRoom&)> afterPlanes;
    std::function<void(TRoom&)> afterDirectivities;
};

// Runs the chain's readers on `room`, in place. A fatal input error has been shown when its
// SorviExit leaves; the readers may have emptied the room by then.
void ReadProjectChain(TRoom& room, const std::string& path, ProjectChain chain,
                      const ProjectLoadSteps& steps = {});

// A new room, or why there is none.
struct ProjectLoad {
    std::unique_ptr<TRoom> room;  // null when the load failed
    std::string error;            // the message shown for the failure
    int status = 0;               // the exit status the failure carries (0 on success)
    explicit operator bool() const { return room != nullptr; }
};

// Reads the project at `path` into a new room. Nothing else is touched: on a failure the new
// room is freed and the message (already shown through the error handler) and status returned.
ProjectLoad LoadProject(const std::string& path, ProjectChain chain, const ProjectLoadSteps& steps = {});
