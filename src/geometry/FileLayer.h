#pragma once
// Output files whose every step is checked (open, each write, flush, close, rename), and the one
// seam through which tests make a step fail as a full disk or a read-only folder would.

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

enum class FileStep { Open, Write, Flush, Close, Rename };

// Test seam: called before every checked step on `path` (the file written, or for a rename its
// source); a non-zero errno value makes the step fail with it. Returns the previous fault.
using FileFault = std::function<int(FileStep step, const std::string& path)>;
FileFault SetFileFault(FileFault fault);

// A file written through stdio. The first failure is kept and reported once (ReportFileFailure)
// with the file's name and the reason; later steps then do nothing and fail.
class CheckedFile {
public:
    CheckedFile() = default;
    ~CheckedFile() { Close(); }
    CheckedFile(const CheckedFile&) = delete;
    CheckedFile& operator=(const CheckedFile&) = delete;

    bool Open(const std::string& path, const char* mode);
    bool Write(std::string_view bytes);
    // For writers that print into the stream: their errors are found by Close.
    std::FILE* Stream() { return f_; }
    // Flushes and closes; false when this or any earlier step failed.
    bool Close();
    bool Ok() const { return error_.empty(); }
    const std::string& Path() const { return path_; }
    // The first failure's reason since Open. With reporting off it is only kept here, for the
    // caller to report (on the thread whose output it belongs to).
    const std::string& Error() const { return error_; }
    void ReportFailures(bool on) { report_ = on; }

    // Opens path for appending (created if missing), appends bytes and closes it, with the
    // steps and failures of Open(path, "ab"), Write and Close. Appends of kDirectBytes or more
    // go past the page cache where the file system allows it: the bytes are copied once into
    // an aligned buffer kept for the next append, so that gigabytes of text written through
    // a run take no fresh memory from the system.
    bool Append(const std::string& path, std::string_view bytes);
    static constexpr std::size_t kDirectBytes = 256 * 1024;

private:
    enum class Direct { Done, Failed, Unsupported };
    Direct AppendDirect(const std::string& path, std::string_view bytes);
    struct FreeBytes {
        void operator()(char* p) const noexcept { std::free(p); }
    };
    std::unique_ptr<char, FreeBytes> aligned_;
    std::size_t alignedSize_ = 0;
    bool Fail(int err);
    std::FILE* f_ = nullptr;
    std::string path_;
    std::string error_;
    bool report_ = true;
};

// Renames from over to (replacing it); false with the reason in `why`.
bool RenameFile(const std::string& from, const std::string& to, std::string& why);

// A failed step on `path`: kept by the staged set that owns the path (StagedFiles.h), otherwise
// shown as "Cannot write <path>: <why>".
void ReportFileFailure(const std::string& path, const std::string& why);
