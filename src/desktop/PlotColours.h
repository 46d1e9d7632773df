#pragma once
// The colours of the response curves and of the parameter charts' curves: 55 packed values
// (red in the lowest byte, then green, then blue), taken in turn and then again from the first.

#include <cstdint>

#include "geometry/TPoint3D.h"

constexpr unsigned int NumPlotColours = 55;
extern const uint32_t ColourValues[NumPlotColours];

// Entry n mod 55, packed.
uint32_t PlotColourValue(unsigned int n);
// Entry n mod 55 as (red, green, blue) in 0..1, the form the 2D plot takes.
TPoint3D PlotColour(unsigned int n);
