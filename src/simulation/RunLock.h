#pragma once
// One run per folder: a lock file created atomically in the folder a run writes, holding the
// process id of the run. Console and desktop runs take it alike.

#include <string>

class RunLock {
public:
    // Takes the lock of folder ("" is the working directory). Another live process holding it
    // (this one too) is refused: the message names the folder and the process, and SorviExit(1)
    // is thrown. A lock left by a process that no longer exists is taken over, and what that
    // process left half-written is cleared away (StagedFiles::Recover).
    explicit RunLock(const std::string& folder);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    const std::string& Path() const { return path_; }

    static constexpr const char* kFileName = ".sorvi-run.lock";

private:
    std::string path_;
};
