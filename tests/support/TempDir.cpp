#include "support/TempDir.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>

TempDir::TempDir(const std::string& tag)
{
    std::string name = "sorvi-" + tag + "-";
    for (char& c : name)
        if (c == '/' || c == ' ') c = '_';  // a parameterised suite's name holds a '/'
    std::string pattern = (std::filesystem::temp_directory_path() / (name + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder like " + pattern);
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
