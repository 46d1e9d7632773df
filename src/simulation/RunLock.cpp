#include "simulation/RunLock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "geometry/ErrorHandler.h"
#include "geometry/StagedFiles.h"
#include "geometry/util.h"

namespace {

std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}

// The process id a lock file holds; 0 when it holds none that can be read.
long HolderOf(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    char text[32] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[n] = '\0';
    char* end = nullptr;
    const long pid = std::strtol(text, &end, 10);
    return end != text && pid > 0 ? pid : 0;
}

bool Alive(long pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// A complete file holding our process id, linked to the lock's name in one step: the lock never
// appears without its holder. 0, or the errno of the failure.
int TryCreate(const std::string& path, const std::string& mine)
{
    const std::string pid = std::to_string(static_cast<long>(::getpid())) + "\n";
    const int fd = ::open(mine.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    const bool written = ::write(fd, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
    const int err = written ? 0 : (errno ? errno : EIO);
    ::close(fd);
    if (err) {
        ::unlink(mine.c_str());
        return err;
    }
    const int linked = ::link(mine.c_str(), path.c_str()) == 0 ? 0 : errno;
    ::unlink(mine.c_str());
    return linked;
}

}  // namespace

RunLock::RunLock(const std::string& folder) : path_(Join(folder, kFileName))
{
    const std::string shown = folder.empty() ? "." : folder;
    const std::string mine = path_ + "." + std::to_string(static_cast<long>(::getpid()));
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int err = TryCreate(path_, mine);
        if (err == 0) {
            StagedFiles::Recover(folder);
            return;
        }
        if (err != EEXIST)
            ShowErrorAndThrowExit(1, utilFormat("Cannot take the run lock %s of folder %s: %s\nNothing was changed.\n",
                                                path_.c_str(), shown.c_str(), std::strerror(err)));
        const long holder = HolderOf(path_);
        if (Alive(holder))
            ShowErrorAndThrowExit(1, utilFormat("Another run is going in folder %s (process %ld, lock file %s).\n"
                                                "Nothing was changed.\n",
                                                shown.c_str(), holder, path_.c_str()));
        // The holder has ended: its lock goes aside under a name of ours (only one taker wins
        // the rename), and is removed if it is still the dead process's.
        const std::string stale = mine + ".stale";
        if (::rename(path_.c_str(), stale.c_str()) == 0) {
            const long moved = HolderOf(stale);
            if (moved != holder && Alive(moved)) (void)::link(stale.c_str(), path_.c_str());  // a live lock goes back
            ::unlink(stale.c_str());
        }
    }
    ShowErrorAndThrowExit(1, utilFormat("Cannot take the run lock %s of folder %s.\nNothing was changed.\n",
                                        path_.c_str(), shown.c_str()));
}

RunLock::~RunLock()
{
    if (HolderOf(path_) == static_cast<long>(::getpid())) ::unlink(path_.c_str());
}
