#pragma once
// Scratch folders and files for the console tests; the projects come from support/ProjectText.h.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/ProjectText.h"

namespace console_test {

using testsupport::BoxOptions;
using testsupport::BoxProject;

// The text up to the first `before` (the whole text when it does not occur).
inline std::string Cut(const std::string& text, const std::string& before)
{
    return text.substr(0, text.find(before));
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name)
    {
        path_ = std::filesystem::temp_directory_path() /
                ("sorvi-console-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace console_test
