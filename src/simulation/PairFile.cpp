#include "simulation/PairFile.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "geometry/util.h"

bool TPairFile::Create(const std::string& path)
{
    Close();
    path_ = path;
    buffer_.clear();
    failed_ = false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    open_ = true;
    return true;
}

bool TPairFile::Flush()
{
    if (!open_ || buffer_.empty()) return true;
    bool ok = false;
    if (std::FILE* f = std::fopen(path_.c_str(), "ab")) {
        ok = std::fwrite(buffer_.data(), 1, buffer_.size(), f) == buffer_.size();
        ok = (std::fclose(f) == 0) && ok;
    }
    buffer_.clear();
    if (!ok && !failed_) {
        failed_ = true;
        ErrorMessage("Impossible to write file %s", path_.c_str());
    }
    return ok;
}

bool TPairFile::Close()
{
    if (!open_) return true;
    const bool ok = Flush();
    open_ = false;
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
    open_ = mark.open;
    failed_ = mark.failed;
}
