#pragma once
// Scratch folders and files for the console tests; the projects come from support/ProjectText.h.

#include <filesystem>
#include <fstream>
#include <string>

#include "support/FileText.h"
#include "support/ProjectText.h"
#include "support/TempDir.h"

namespace console_test {

using testsupport::BoxOptions;
using testsupport::BoxProject;

// The text up to the first `before` (the whole text when it does not occur).
inline std::string Cut(const std::string& text, const std::string& before)
{
    return text.substr(0, text.find(before));
}

using ::ReadFile;
using ::WriteFile;
// A fresh folder under the system's temporary folder, removed with the object.
using ScratchDir = TempDir;

}  // namespace console_test
