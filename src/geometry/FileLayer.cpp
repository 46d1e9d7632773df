#include "geometry/FileLayer.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// Offsets, lengths and buffer addresses of unbuffered transfers are multiples of this.
constexpr std::size_t kDirectAlign = 4096;

// Closes a descriptor on every way out.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0) ::close(fd);
    }
    int Release() { return std::exchange(fd, -1); }
};

// Writes bytes at offset, resuming after short writes; the errno of a failure.
int WriteAt(int fd, const char* bytes, std::size_t size, off_t offset)
{
    while (size > 0) {
        errno = 0;
        const ssize_t n = ::pwrite(fd, bytes, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return errno ? errno : EIO;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return 0;
}

}  // namespace

bool CheckedFile::Append(const std::string& path, std::string_view bytes)
{
    if (bytes.size() >= kDirectBytes) {
        const Direct d = AppendDirect(path, bytes);
        if (d != Direct::Unsupported) return d == Direct::Done;
    }
    const bool ok = Open(path, "ab") && Write(bytes);
    return Close() && ok;
}

CheckedFile::Direct CheckedFile::AppendDirect(const std::string& path, std::string_view bytes)
{
    Close();
    path_ = path;
    error_.clear();
    if (const int err = Injected(FileStep::Open, path)) return Fail(err), Direct::Failed;
    Descriptor file;
    errno = 0;
    file.fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_DIRECT | O_CLOEXEC, 0666);
    if (file.fd < 0) return errno == EINVAL ? Direct::Unsupported : (Fail(errno), Direct::Failed);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) return Fail(errno), Direct::Failed;
    // The file's last partial block is read back and written again in front of the bytes.
    const off_t size = st.st_size;
    const off_t base = size / static_cast<off_t>(kDirectAlign) * static_cast<off_t>(kDirectAlign);
    const std::size_t head = static_cast<std::size_t>(size - base);
    const std::size_t total = head + bytes.size();
    const std::size_t rounded = (total + kDirectAlign - 1) / kDirectAlign * kDirectAlign;
    if (alignedSize_ < rounded) {
        aligned_.reset(static_cast<char*>(std::aligned_alloc(kDirectAlign, rounded)));
        alignedSize_ = aligned_ ? rounded : 0;
        if (!aligned_) return Direct::Unsupported;
    }
    char* buffer = aligned_.get();
    if (head > 0) {
        errno = 0;
        const ssize_t got = ::pread(file.fd, buffer, kDirectAlign, base);
        if (got < 0 && errno == EINVAL) return Direct::Unsupported;
        if (got != static_cast<ssize_t>(head)) return Fail(got < 0 ? errno : EIO), Direct::Failed;
    }
    std::memcpy(buffer + head, bytes.data(), bytes.size());
    if (const int err = Injected(FileStep::Write, path)) return Fail(err), Direct::Failed;
    const std::size_t whole = total / kDirectAlign * kDirectAlign;
    errno = 0;
    const ssize_t first = ::pwrite(file.fd, buffer, whole, base);
    // A file system that takes the descriptor but not the transfer: nothing has been written.
    if (first < 0 && errno == EINVAL) return Direct::Unsupported;
    int err = first < 0 ? (errno ? errno : EIO) : 0;
    if (!err && static_cast<std::size_t>(first) < whole)
        err = WriteAt(file.fd, buffer + first, whole - static_cast<std::size_t>(first), base + first);
    // The last partial block goes through the page cache, as the next append reads it back.
    if (!err && whole < total) {
        const int flags = ::fcntl(file.fd, F_GETFL);
        if (flags < 0 || ::fcntl(file.fd, F_SETFL, flags & ~O_DIRECT) != 0)
            err = errno ? errno : EIO;
        else
            err = WriteAt(file.fd, buffer + whole, total - whole, base + static_cast<off_t>(whole));
    }
    if (!err) err = Injected(FileStep::Flush, path);
    if (!err) err = Injected(FileStep::Close, path);
    errno = 0;
    if (::close(file.Release()) != 0 && !err) err = errno ? errno : EIO;
    if (err) return Fail(err), Direct::Failed;
    return Direct::Done;
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
