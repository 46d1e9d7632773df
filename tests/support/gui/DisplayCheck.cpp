#include "support/gui/DisplayCheck.h"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

bool DisplayReachable()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) {
            XCloseDisplay(display);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}
