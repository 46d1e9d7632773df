#pragma once
// The hand-over file through which the import dialog and the room designer give a project to
// the main window.

#include <functional>
#include <string>

// A hand-over file private to the process: a file in a folder of its own (readable by this user
// only) in the system's temporary folder, never in the user's folders and never under a name
// the user sees. The folder and whatever was written into it go with the object.
class HandOverFile {
public:
    HandOverFile();
    ~HandOverFile();
    HandOverFile(const HandOverFile&) = delete;
    HandOverFile& operator=(const HandOverFile&) = delete;

    // False when the folder could not be made: Error() says why.
    explicit operator bool() const { return !path_.empty(); }
    // Where a dialog writes the project (the file does not exist before it is written).
    const std::string& Path() const { return path_; }
    const std::string& Error() const { return error_; }

private:
    std::string folder_, path_, error_;
};

// Writes `path` through a scratch file beside it: `write` fills the scratch file (given by
// name) and returns false when a step failed; only a complete scratch file replaces `path`,
// so a failed write leaves the previous hand-over file as it was. Returns an empty string on
// success, else the message for the user.
std::string WriteHandOverFile(const std::string& path, const std::function<bool(const std::string& scratch)>& write);

// Runs a section writer that appends to the named file (and shows its own box when it cannot
// open it); true when the file grew, i.e. the section was written.
bool AppendedBy(const std::string& path, const std::function<void()>& writer);
