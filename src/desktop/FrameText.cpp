#include "desktop/FrameText.h"

#include <cmath>
#include <cstdio>
#include <locale>
#include <sstream>

std::string ProjectTitle(int projectStatus, const std::string& projectName)
{
    std::string title = "SORVI - ";
    if (projectStatus == 0 || projectName.empty())
        title += "Untitled Project";
    else
        title += projectName;
    if (projectStatus == 0) return title;
    if (projectStatus == 2) title += " *modified";
    return title;
}

std::string BandLabel(int band)
{
    const int f = static_cast<int>(1000.0 * std::pow(2.0, band - 4) + 0.5);
    char text[16];
    if (f <= 999)
        std::snprintf(text, sizeof text, "%d", f);
    else
        std::snprintf(text, sizeof text, "%dk", f / 1000);
    return text;
}

bool ReadNumber(const std::string& text, double& value)
{
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double read = 0;
    if (!(in >> read)) return false;
    in >> std::ws;
    if (!in.eof()) return false;
    value = read;
    return true;
}
