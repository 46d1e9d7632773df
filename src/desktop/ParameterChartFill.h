#pragma once
// Puts a parameter chart's curves into its chart window: the window holds its x and y axis
// layers first; everything after them (earlier curves, the legend) is replaced.

#include "desktop/ParameterCurves.h"

class mpWindow;

// One continuous curve per pair, pen width 2 in the pair's colour, not drawn outside the
// margins; axis labels "%.0f" (x: band numbers) and "%1.1f" (y); with `legend` a hidden
// legend; then the chart fitted to x 0.5 .. 9.5 and the curves' y range.
void FillParameterChart(mpWindow& chart, const ParameterChart& data, bool legend);
