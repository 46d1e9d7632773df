#include "simulation/PairFile.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "geometry/FileLayer.h"

std::atomic<std::size_t> TPairFile::openFiles_{0};

void TPairFile::SetOpen(bool open)
{
    if (open == open_) return;
    open_ = open;
    if (open)
        openFiles_.fetch_add(1, std::memory_order_relaxed);
    else
        openFiles_.fetch_sub(1, std::memory_order_relaxed);
}

bool TPairFile::Create(const std::string& path)
{
    Close();
    path_ = path;
    buffer_.clear();
    failed_ = false;
    // Not reported here: the caller names the file it cannot create.
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    SetOpen(true);
    return true;
}

bool TPairFile::Flush()
{
    if (!open_ || buffer_.empty()) return !failed_;
    // A file that lost text once is incomplete: nothing more is appended to it.
    bool ok = !failed_;
    if (ok) {
        try {
            ok = appender_.Open(path_, "ab") && appender_.Write(buffer_);
            ok = appender_.Close() && ok;
        } catch (const std::exception&) {
            ok = false;  // out of memory while reporting: the file is incomplete all the same
        }
    }
    buffer_.clear();
    failed_ = failed_ || !ok;
    return ok;
}

bool TPairFile::Close()
{
    if (!open_) return true;
    const bool ok = Flush();
    SetOpen(false);
    return ok;
}

TPairFile::Mark TPairFile::Remember() const
{
    Mark mark;
    mark.pending = buffer_;
    mark.open = open_;
    mark.failed = failed_;
    std::error_code ec;
    if (open_) mark.size = std::filesystem::file_size(path_, ec);
    if (ec) mark.size = 0;
    return mark;
}

void TPairFile::Restore(const Mark& mark)
{
    if (!open_ && !mark.open) return;
    std::error_code ec;
    if (std::filesystem::is_regular_file(path_, ec)) std::filesystem::resize_file(path_, mark.size, ec);
    buffer_ = mark.pending;
    SetOpen(mark.open);
    failed_ = mark.failed;
}
