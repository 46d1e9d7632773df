#pragma once
// A small project for the desktop's life-cycle and run tests: the shoebox example with a short
// response and few rays, written into the test's folder.

#include <string>

#include "desktop/DesktopTestFolder.h"

namespace desktoptest {

// The shoebox with `maxTime` seconds of response; its one source sends 1002 rays.
inline std::string TinyProject(const std::string& maxTime = "0.20")
{
    return projtest::Replace(projtest::Shoebox(), "MAX_TIME = 2.00", "MAX_TIME = " + maxTime);
}

}  // namespace desktoptest
