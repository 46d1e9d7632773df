#pragma once
// The hand-over file through which the import dialog and the room designer give a project to
// the main window.

#include <functional>
#include <string>

// In the working directory.
inline constexpr const char* kHandOverFileName = "Temporary.txt";

// Writes `path` through a scratch file beside it: `write` fills the scratch file (given by
// name) and returns false when a step failed; only a complete scratch file replaces `path`,
// so a failed write leaves the previous hand-over file as it was. Returns an empty string on
// success, else the message for the user.
std::string WriteHandOverFile(const std::string& path, const std::function<bool(const std::string& scratch)>& write);

// Runs a section writer that appends to the named file (and shows its own box when it cannot
// open it); true when the file grew, i.e. the section was written.
bool AppendedBy(const std::string& path, const std::function<void()>& writer);
