#pragma once
// The one way to read a project file into a room: the readers in a fixed chain, on a new room,
// so that a load that fails leaves every open room as it was.

#include <functional>
#include <memory>
#include <string>
#include <utility>

class TRoomModel;

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

// The chain reads into the room model; the templates below hand the caller's own room type
// (TRoom for the programs: simulation/TRoom.h names ProjectLoad, ProjectLoadSteps and
// LoadProject for it) to the steps and back in the result.

// Work a caller does between the readers on the room being loaded (listings, the external
// planes). Empty steps are skipped; the Short chain reaches only afterDirectivities.
template <class Room> struct BasicProjectLoadSteps {
    std::function<void(Room&)> afterMaterials;
    std::function<void(Room&)> afterPlanes;
    std::function<void(Room&)> afterDirectivities;
};

// A new room, or why there is none.
template <class Room> struct BasicProjectLoad {
    std::unique_ptr<Room> room;  // null when the load failed
    std::string error;           // the message shown for the failure
    int status = 0;              // the exit status the failure carries (0 on success)
    explicit operator bool() const { return room != nullptr; }
};

namespace projectload {
using Step = std::function<void()>;
// The chain on `room`, with the steps between the readers.
void ReadChain(TRoomModel& room, const std::string& path, ProjectChain chain, const Step& afterMaterials,
               const Step& afterPlanes, const Step& afterDirectivities);
// Runs `load`; a fatal input error (SorviExit) or a failed allocation leaving it becomes the
// message and status in error and status.
void Catch(const std::string& path, const std::function<void()>& load, std::string& error, int& status);
}  // namespace projectload

// Runs the chain's readers on `room`, in place. A fatal input error has been shown when its
// SorviExit leaves; the readers may have emptied the room by then.
template <class Room>
void ReadProjectChain(Room& room, const std::string& path, ProjectChain chain,
                      const BasicProjectLoadSteps<Room>& steps = {})
{
    auto bind = [&room](const std::function<void(Room&)>& step) -> projectload::Step {
        if (!step) return {};
        return [&room, &step] { step(room); };
    };
    projectload::ReadChain(room, path, chain, bind(steps.afterMaterials), bind(steps.afterPlanes),
                           bind(steps.afterDirectivities));
}

// Reads the project at `path` into a new room. Nothing else is touched: on a failure the new
// room is freed and the message (already shown through the error handler) and status returned.
template <class Room>
BasicProjectLoad<Room> LoadProjectAs(const std::string& path, ProjectChain chain,
                                     const BasicProjectLoadSteps<Room>& steps = {})
{
    BasicProjectLoad<Room> load;
    projectload::Catch(
        path,
        [&] {
            auto room = std::make_unique<Room>();
            ReadProjectChain(*room, path, chain, steps);
            load.room = std::move(room);
        },
        load.error, load.status);
    return load;
}
