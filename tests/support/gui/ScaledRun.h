#pragma once
// The GUI tests of this program run again in a child process whose toolkit draws at another
// scale (GDK_SCALE: device pixels per window unit), on an X server of the child's own. The
// toolkit reads the scale once, when it opens the display, so a second scale needs a second
// process.

#include <string>

struct ChildRun {
    bool passed = false;  // the child ran and every test it selected passed
    std::string output;   // what it wrote, for the failure message
};

// Runs the tests `filter` selects (a --gtest_filter pattern) at `scale`.
ChildRun RunAtScale(const std::string& filter, int scale);

// The scale the toolkit was started with: GDK_SCALE when set to a whole number, else 1.
int StartedScale();
