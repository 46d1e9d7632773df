#include "support/gui/DisplayCheck.h"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

bool DisplayReachable()
{
    static Display* keepAlive = nullptr;
    if (keepAlive != nullptr) return true;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if ((keepAlive = XOpenDisplay(nullptr)) != nullptr) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}
