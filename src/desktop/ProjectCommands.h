#pragma once
// The desktop window's project life cycle without wx: the save question's outcome, a project
// read into a new room (the open room is swapped only on success), the hand-over file merged
// into the open room, the stored responses read back, and the save target's check.

#include <functional>
#include <memory>
#include <string>

#include "room/LoadProject.h"
#include "simulation/TRoom.h"

// The save question asked before the project is dropped or replaced.
enum class SaveAnswer { Yes, No, Cancel };

// Whether a command that drops the project may go on. Only a modified project (status 2) is
// asked about; Yes goes on only when `save` saved the project, Cancel never.
bool ProceedPastSaveQuestion(int status, const std::function<SaveAnswer()>& ask, const std::function<bool()>& save);

// The project at `path` in a new room, with what the window shows derived: external planes,
// volume, area, reverberation estimates, centre, and the summary printed. On failure (a text
// that is no project among them) the message has been shown and the caller's room is untouched.
ProjectLoad LoadProjectRoom(const std::string& path);

// An import appended to the open project: when the hand-over file reads as a project of its
// own, its materials and layers the room lacks and all its planes, receivers and sources are
// appended and the external planes marked again. False (message shown) when the file does not
// read or a step of the merge fails: the room then holds what it held before.
bool AppendProject(TRoom& room, const std::string& path);

// A room read from a hand-over file becomes a project without a file: no name, the working
// directory as its folder, so that nothing is saved over the hand-over file or read beside it.
void MakeUntitled(TRoom& room);

// Where the save chooser opens: the project's own folder and file name; nothing proposed for a
// project that has no file yet (status 0, or untitled), so that its name is asked for.
struct SaveChooserStart {
    std::string folder;
    std::string file;
};
SaveChooserStart SaveChooserStartFor(const TRoom& room, int status);

// An import replaces the project when the dialog chose a new project or the project is empty.
inline bool ImportReplacesProject(bool newFileChosen, int status)
{
    return newFileChosen || status == 0;
}

// Reads the stored response of every source-receiver pair into the room's results when each
// of them exists in the project folder; false (nothing read) when one is missing or the
// reading failed.
bool LoadStoredResponses(TRoom& room);

// Whether `path` can be written, tested without changing an existing file (the room's save
// replaces it only once the new content is complete).
bool CanWriteProjectFile(const std::string& path);

// The About box's text for a build stamp ("Dec 10 2026", "20:41:47").
std::string AboutText(const char* date, const char* time);
