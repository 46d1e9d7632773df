#include "support/gui/DisplayHold.h"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

DisplayHold::DisplayHold()
{
    for (int attempt = 0; attempt < 50 && !display_; ++attempt) {
        display_ = XOpenDisplay(nullptr);
        if (!display_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

DisplayHold::~DisplayHold()
{
    if (display_) XCloseDisplay(static_cast<Display*>(display_));
}
