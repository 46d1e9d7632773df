#include "simulation/PairFile.h"

#include <cstdio>

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
