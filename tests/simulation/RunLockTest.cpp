// One run per folder: the lock file and what a second run, or a stale lock, meets.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "geometry/ErrorHandler.h"
#include "simulation/RunLock.h"
#include "support/ErrorCapture.h"

namespace fs = std::filesystem;

namespace {

struct Folder {
    fs::path path = fs::temp_directory_path() / ("sorvi-lock-" + std::to_string(::getpid()));
    Folder()
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(path / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

// The id of a process that has ended (reaped).
long EndedProcess()
{
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

}  // namespace

TEST(RunLock, HeldWhileAliveAndRefusedToASecondRun)
{
    Folder dir;
    {
        RunLock lock(dir.path.string());
        EXPECT_EQ(dir.Read(RunLock::kFileName), std::to_string(::getpid()) + "\n");
        // A second run in the folder, of this process or another, is refused at once.
        ErrorCapture cap;
        try {
            RunLock second(dir.path.string());
            FAIL() << "a second lock was given";
        } catch (const SorviExit& e) {
            EXPECT_EQ(e.Status(), 1);
        }
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_NE(cap.messages[0].find("Another run is going in folder " + dir.path.string() + " (process " +
                                       std::to_string(::getpid())),
                  std::string::npos)
            << cap.messages[0];
    }
    EXPECT_FALSE(fs::exists(dir.path / RunLock::kFileName)) << "released with the lock";
}

// A lock whose holder has ended, or that holds no process id, is taken over; what the ended run
// left half-written goes with it.
TEST(RunLock, AStaleLockIsTakenOver)
{
    for (const std::string& held : {std::to_string(EndedProcess()) + "\n", std::string("junk"), std::string()}) {
        SCOPED_TRACE(held);
        Folder dir;
        std::ofstream(dir.path / RunLock::kFileName) << held;
        std::ofstream(dir.path / ".sorvi-part-S001-R001.txt") << "half";
        {
            RunLock lock(dir.path.string());
            EXPECT_EQ(dir.Read(RunLock::kFileName), std::to_string(::getpid()) + "\n");
            EXPECT_FALSE(fs::exists(dir.path / ".sorvi-part-S001-R001.txt"));
        }
        EXPECT_FALSE(fs::exists(dir.path / RunLock::kFileName));
    }
}
