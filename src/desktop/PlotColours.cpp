#include "desktop/PlotColours.h"

namespace {
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b)
{
    return r | (g << 8) | (b << 16);
}
}  // namespace

const uint32_t ColourValues[NumPlotColours] = {
    Rgb(0, 0, 255),     Rgb(0, 128, 0),     Rgb(255, 0, 0),     Rgb(0, 255, 255), Rgb(255, 0, 255), Rgb(255, 255, 0),
    Rgb(0, 0, 0),       Rgb(0, 0, 128),     Rgb(0, 255, 0),     Rgb(128, 0, 0),   Rgb(0, 128, 128), Rgb(128, 0, 128),
    Rgb(128, 128, 0),   Rgb(128, 128, 128), Rgb(0, 0, 192),     Rgb(0, 192, 0),   Rgb(192, 0, 0),   Rgb(0, 192, 192),
    Rgb(192, 0, 192),   Rgb(192, 192, 0),   Rgb(192, 192, 192), Rgb(0, 0, 64),    Rgb(0, 64, 0),    Rgb(64, 0, 0),
    Rgb(0, 64, 64),     Rgb(64, 0, 64),     Rgb(64, 64, 0),     Rgb(64, 64, 64),  Rgb(0, 0, 32),    Rgb(0, 32, 0),
    Rgb(32, 0, 0),      Rgb(0, 32, 32),     Rgb(32, 0, 32),     Rgb(32, 32, 0),   Rgb(32, 32, 32),  Rgb(0, 0, 96),
    Rgb(0, 96, 0),      Rgb(96, 0, 0),      Rgb(0, 96, 96),     Rgb(96, 0, 96),   Rgb(96, 96, 0),   Rgb(96, 96, 96),
    Rgb(0, 0, 160),     Rgb(0, 160, 0),     Rgb(160, 0, 0),     Rgb(0, 160, 160), Rgb(160, 0, 160), Rgb(160, 160, 0),
    Rgb(160, 160, 160), Rgb(0, 0, 224),     Rgb(0, 224, 0),     Rgb(224, 0, 0),   Rgb(0, 224, 224), Rgb(224, 0, 224),
    Rgb(224, 224, 0),
};

uint32_t PlotColourValue(unsigned int n)
{
    return ColourValues[n % NumPlotColours];
}

TPoint3D PlotColour(unsigned int n)
{
    const uint32_t c = PlotColourValue(n);
    return TPoint3D((c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}
