#pragma once
// Shared by the project-file tests of the room and the desktop: a temporary folder per test,
// the loading chains, and a quiet room.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "geometry/ErrorHandler.h"
#include "room/LoadProject.h"
#include "room/TRoomModel.h"
#include "support/FileText.h"
#include "support/ProjectText.h"
#include "support/TempDir.h"

namespace projtest {

namespace fs = std::filesystem;

using ::ReadFile;

inline std::string Shoebox()
{
    return testsupport::ShoeboxProjectText();
}

// The lines of `text` between the line `open` and the line `close` (a section's entries).
inline std::vector<std::string> SectionLines(const std::string& text, const std::string& open, const std::string& close)
{
    std::istringstream in(text);
    std::vector<std::string> lines;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line == open)
            inside = true;
        else if (line == close)
            inside = false;
        else if (inside)
            lines.push_back(line);
    }
    return lines;
}

// Replaces the first occurrence of `from` (which must be there).
inline std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

template <class Room> using RoomHandleOf = std::unique_ptr<Room, void (*)(Room*)>;

// A room whose destructor's listing stays out of the test output.
template <class Room> RoomHandleOf<Room> QuietRoomOf()
{
    return {new Room, [](Room* r) {
                testing::internal::CaptureStdout();
                delete r;
                testing::internal::GetCapturedStdout();
            }};
}

// The room model, for the tests of the room; the desktop's tests hold a TRoomModel.
using RoomHandle = RoomHandleOf<TRoomModel>;
inline RoomHandle QuietRoom()
{
    return QuietRoomOf<TRoomModel>();
}

// The full chain of LoadProject on a room the test owns (a fatal input error leaves as SorviExit).
template <class Room> void DesktopChain(Room& r, const std::string& file)
{
    ReadProjectChain(r, file, ProjectChain::Full);
}

// The run chain, then the colours: what the console viewer reads.
template <class Room> void ConsoleChain(Room& r, const std::string& file)
{
    ReadProjectChain(r, file, ProjectChain::Run);
    r.ReadColorLayers(file.c_str());
}

// Runs fn with standard output captured; returns what was printed.
inline std::string Quietly(const std::function<void()>& fn)
{
    testing::internal::CaptureStdout();
    try {
        fn();
    } catch (...) {
        testing::internal::GetCapturedStdout();
        throw;
    }
    return testing::internal::GetCapturedStdout();
}

class ProjectFiles : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Write(const std::string& name, const std::string& content) const
    {
        const std::string p = Path(name);
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    // Names of the files in the test folder.
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir temp_{"project"};
    fs::path dir_ = temp_.path();
};

}  // namespace projtest
