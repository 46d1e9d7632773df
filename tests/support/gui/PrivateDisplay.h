#pragma once
// An X server of the test program's own (Xvfb on a display it picks itself), so that test
// programs running side by side never share a display, its focus or its pointer, and no window
// of one lands on another's. The server ends when the program has ended, also when it dies:
// ending it earlier would break the connections that libraries close at exit.

#include <sys/types.h>

#include <string>

class PrivateDisplay {
public:
    // Starts Xvfb and points DISPLAY at it; Started() tells whether that worked (no Xvfb on the
    // PATH, or it could not start: DISPLAY is left as it was).
    PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool Started() const { return pid_ > 0; }
    const std::string& Name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};
