#include "geometry/FileLayer.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include "geometry/StagedFiles.h"
#include "geometry/util.h"

namespace {

std::mutex faultMutex;
FileFault fault;

int Injected(FileStep step, const std::string& path)
{
    FileFault f;
    {
        std::lock_guard<std::mutex> lock(faultMutex);
        if (!fault) return 0;
        f = fault;
    }
    return f(step, path);
}

}  // namespace

FileFault SetFileFault(FileFault f)
{
    std::lock_guard<std::mutex> lock(faultMutex);
    return std::exchange(fault, std::move(f));
}

bool CheckedFile::Fail(int err)
{
    if (error_.empty()) {
        error_ = std::strerror(err ? err : EIO);
        if (report_) ReportFileFailure(path_, error_);
    }
    return false;
}

bool CheckedFile::Open(const std::string& path, const char* mode)
{
    Close();
    path_ = path;
    error_.clear();
    if (const int err = Injected(FileStep::Open, path)) return Fail(err);
    errno = 0;
    f_ = std::fopen(path.c_str(), mode);
    if (!f_) return Fail(errno);
    return true;
}

bool CheckedFile::Write(std::string_view bytes)
{
    if (!f_ || !error_.empty()) return false;
    if (bytes.empty()) return true;
    if (const int err = Injected(FileStep::Write, path_)) return Fail(err);
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) return Fail(errno);
    return true;
}

bool CheckedFile::Close()
{
    if (!f_) return error_.empty();
    std::FILE* f = std::exchange(f_, nullptr);
    int err = 0;
    errno = 0;
    if (error_.empty() && (err = Injected(FileStep::Flush, path_)) == 0 && (std::fflush(f) != 0 || std::ferror(f)))
        err = errno ? errno : EIO;
    if (err) Fail(err);
    errno = 0;
    const int injected = error_.empty() ? Injected(FileStep::Close, path_) : 0;
    if (std::fclose(f) != 0 && error_.empty()) Fail(errno);
    if (injected) Fail(injected);
    return error_.empty();
}

bool RenameFile(const std::string& from, const std::string& to, std::string& why)
{
    if (const int err = Injected(FileStep::Rename, from)) {
        why = std::strerror(err);
        return false;
    }
    errno = 0;
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        why = std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

void ReportFileFailure(const std::string& path, const std::string& why)
{
    if (!StagedFiles::Note(path, why)) ErrorMessage("Cannot write %s: %s\n", path.c_str(), why.c_str());
}
