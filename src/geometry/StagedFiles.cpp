#include "geometry/StagedFiles.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "geometry/FileLayer.h"

namespace fs = std::filesystem;

namespace {

// Names that no result pattern matches (they start with a dot).
constexpr std::string_view kPart = ".sorvi-part-";  // a file being written
constexpr std::string_view kOld = ".sorvi-old-";    // an earlier file set aside while the set goes in

std::mutex registryMutex;
std::vector<StagedFiles*> registry;

std::string Join(const std::string& folder, std::string_view name)
{
    if (folder.empty()) return std::string(name);
    const char last = folder.back();
    if (last == '/' || last == '\\') return folder + std::string(name);
    return folder + "/" + std::string(name);
}

// File names of the folder that start with prefix (regular files, no links).
std::vector<std::string> NamesStarting(const std::string& folder, std::string_view prefix)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_symlink(kind) || !it->is_regular_file(kind)) continue;
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveQuietly(const std::string& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

}  // namespace

StagedFiles::StagedFiles(std::string folder) : folder_(std::move(folder)), prefix_(Join(folder_, kPart))
{
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.push_back(this);
}

StagedFiles::~StagedFiles()
{
    if (!done_) Discard();
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.erase(std::remove(registry.begin(), registry.end(), this), registry.end());
}

std::string StagedFiles::Path(const std::string& name) const
{
    return prefix_ + name;
}

std::string StagedFiles::Target(const std::string& name) const
{
    return Join(folder_, name);
}

void StagedFiles::Fail(const std::string& path, const std::string& why)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_.empty()) return;
    const std::string shown = path.rfind(prefix_, 0) == 0 ? Target(path.substr(prefix_.size())) : path;
    failure_ = "Cannot write " + shown + ": " + why;
}

bool StagedFiles::Failed() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !failure_.empty();
}

std::string StagedFiles::Failure() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

bool StagedFiles::Note(const std::string& path, const std::string& why)
{
    std::lock_guard<std::mutex> lock(registryMutex);
    for (StagedFiles* set : registry)
        if (path.rfind(set->prefix_, 0) == 0) {
            set->Fail(path, why);
            return true;
        }
    return false;
}

bool StagedFiles::Commit(const std::vector<std::string>& stale, const std::string& keep)
{
    if (Failed()) {
        Discard();
        return false;
    }
    struct Moved {
        std::string name;
        bool setAside = false;  // the earlier file went to its set-aside name
        bool placed = false;    // the new file went in place
    };
    std::vector<Moved> moved;
    std::string why;
    bool ok = true;
    for (const std::string& part : NamesStarting(folder_, kPart)) {
        Moved m;
        m.name = part.substr(kPart.size());
        const std::string target = Target(m.name);
        const std::string old = Join(folder_, std::string(kOld) + m.name);
        std::error_code ec;
        if (fs::exists(fs::symlink_status(target, ec))) {
            if (!RenameFile(target, old, why)) {
                Fail(target, "cannot set the earlier file aside (" + why + ")");
                ok = false;
                break;
            }
            m.setAside = true;
        }
        if (!RenameFile(Join(folder_, part), target, why)) {
            moved.push_back(m);
            Fail(Join(folder_, part), "cannot put it in place (" + why + ")");
            ok = false;
            break;
        }
        m.placed = true;
        moved.push_back(m);
    }
    if (!ok) {
        // Back as it was: the new files go, the earlier ones return.
        for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
            const std::string target = Target(it->name);
            if (it->placed) RemoveQuietly(target);
            if (it->setAside) {
                std::string ignored;
                if (!RenameFile(Join(folder_, std::string(kOld) + it->name), target, ignored))
                    std::printf("Cannot restore %s: %s\n", target.c_str(), ignored.c_str());
            }
        }
        Discard();
        return false;
    }
    done_ = true;
    std::vector<std::string> written;
    for (const Moved& m : moved) {
        written.push_back(m.name);
        if (m.setAside) RemoveQuietly(Join(folder_, std::string(kOld) + m.name));
    }
    for (const std::string& pattern : stale) RemoveMatching(folder_, pattern, keep, written);
    return true;
}

void StagedFiles::Discard()
{
    done_ = true;
    for (const std::string& part : NamesStarting(folder_, kPart)) RemoveQuietly(Join(folder_, part));
}

void StagedFiles::Recover(const std::string& folder)
{
    for (const std::string& old : NamesStarting(folder, kOld)) {
        const std::string target = Join(folder, old.substr(kOld.size()));
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(target, ec))) {
            std::string why;
            if (RenameFile(Join(folder, old), target, why)) continue;
        }
        RemoveQuietly(Join(folder, old));
    }
    for (const std::string& part : NamesStarting(folder, kPart)) RemoveQuietly(Join(folder, part));
}

bool StagedFiles::Matches(const std::string& pattern, const std::string& name)
{
    std::size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

void StagedFiles::RemoveMatching(const std::string& folder, const std::string& pattern, const std::string& keep,
                                 const std::vector<std::string>& spare)
{
    std::error_code ec;
    std::vector<fs::path> doomed;
    const std::string where = folder.empty() ? "." : folder;
    for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_symlink(kind) || !it->is_regular_file(kind)) continue;
        const std::string name = it->path().filename().string();
        if (!Matches(pattern, name) || std::find(spare.begin(), spare.end(), name) != spare.end()) continue;
        std::error_code same;
        if (!keep.empty() && fs::equivalent(it->path(), keep, same)) continue;
        doomed.push_back(it->path());
    }
    if (ec) std::printf("Cannot list %s: %s\n", where.c_str(), ec.message().c_str());
    for (const fs::path& p : doomed) {
        std::error_code rm;
        if (!fs::remove(p, rm) && rm) std::printf("Cannot delete %s: %s\n", p.string().c_str(), rm.message().c_str());
    }
}
