#include "console/ProcessingTime.h"

#include <cstdio>

std::string ProcessingTimeText(double elapsed_secs)
{
    if (!(elapsed_secs > 0)) elapsed_secs = 0;
    const int hour = static_cast<int>(elapsed_secs / 3600);
    const int mn = static_cast<int>(elapsed_secs - 3600.0 * hour) / 60;
    const int sec = static_cast<int>(elapsed_secs - 60.0 * mn - 3600.0 * hour);
    char text[64];
    std::snprintf(text, sizeof text, "Processing Time: %.2d:%.2d:%.2d (H:M:S)\n", hour, mn, sec);
    return text;
}
