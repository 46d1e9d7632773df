#pragma once
// A folder of its own below the system's temporary folder, removed with all it holds when the
// object goes. Its name is made unique by the system (mkdtemp), so tests and test programs
// running side by side never share one; the tag only helps a person find it.

#include <filesystem>
#include <string>

class TempDir {
public:
    explicit TempDir(const std::string& tag = "test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};
