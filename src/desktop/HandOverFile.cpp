#include "desktop/HandOverFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <stdlib.h>

#include <unistd.h>

#include "geometry/ErrorHandler.h"
#include "geometry/util.h"

namespace fs = std::filesystem;

namespace {

std::uintmax_t SizeOf(const std::string& path)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

}  // namespace

HandOverFile::HandOverFile()
{
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    std::string pattern = (temp / "sorvi-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkdtemp makes a new folder of mode 0700 under a name nobody else holds.
    if (!mkdtemp(name.data())) {
        error_ = "Cannot create a temporary folder in '" + temp.string() + "': " + std::strerror(errno) + ".";
        return;
    }
    folder_ = name.data();
    path_ = folder_ + "/project.txt";
}

HandOverFile::~HandOverFile()
{
    if (folder_.empty()) return;
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

std::string WriteHandOverFile(const std::string& path, const std::function<bool(const std::string& scratch)>& write)
{
    const std::string failed = "Cannot save file '" + path + "'.";
    const std::string scratch = path + ".part-" + std::to_string(getpid());
    FILE* fid = utilOpenFile(scratch, "wt");
    if (!fid) return failed;
    std::fclose(fid);

    std::error_code ec;
    bool complete = false;
    try {
        complete = write(scratch);
    } catch (const SorviExit&) {
        // A fatal input error of the shared code: its message has been shown.
    }
    if (!complete) {
        fs::remove(scratch, ec);
        return failed;
    }
    fs::rename(scratch, path, ec);
    if (ec) {
        fs::remove(scratch, ec);
        return failed;
    }
    return std::string();
}

bool AppendedBy(const std::string& path, const std::function<void()>& writer)
{
    const std::uintmax_t before = SizeOf(path);
    writer();
    return SizeOf(path) > before;
}
