#pragma once
// A fresh temporary working directory for one test: the dialogs hand their project over in
// the working directory, which must never be the source tree.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "room/LoadProject.h"
#include "simulation/TRoom.h"
#include "support/FileText.h"
#include "support/ProjectFileSupport.h"
#include "support/TempDir.h"

namespace desktoptest {

namespace fs = std::filesystem;

inline std::string ReadText(const fs::path& path)
{
    return ReadFile(path);
}

inline void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The hand-over file read as the main window reads a project (the full chain), quietly; a
// null room when the load failed.
inline projtest::RoomHandleOf<TRoom> LoadHandOver(const std::string& path = "Temporary.txt")
{
    ProjectLoad load;
    projtest::Quietly([&] { load = LoadProject(path, ProjectChain::Full); });
    EXPECT_TRUE(load) << load.error;
    projtest::RoomHandleOf<TRoom> room = projtest::QuietRoomOf<TRoom>();
    if (load) room.reset(load.room.release());
    return room;
}

using projtest::SectionLines;

// Makes a fresh temporary folder of its own the working directory, and puts back
// the previous one (removing the folder) at its end.
class ScopedWorkingFolder {
public:
    ScopedWorkingFolder()
    {
        previous_ = fs::current_path();
        fs::current_path(dir_);
    }
    ~ScopedWorkingFolder() { fs::current_path(previous_); }  // then the folder goes
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

    // Names of the files in the folder.
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    const fs::path& Path() const { return dir_; }

private:
    fs::path previous_;
    TempDir temp_{"desktop"};
    fs::path dir_ = temp_.path();
};

class WorkingFolder : public ::testing::Test {
protected:
    void SetUp() override { folder_ = std::make_unique<ScopedWorkingFolder>(); }
    void TearDown() override { folder_.reset(); }
    std::vector<std::string> Listing() const { return folder_->Listing(); }

    std::unique_ptr<ScopedWorkingFolder> folder_;
};

}  // namespace desktoptest
