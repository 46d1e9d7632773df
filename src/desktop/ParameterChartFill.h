#pragma once
// Puts a parameter chart's curves into its chart window: the window holds its x and y axis
// layers first; everything after them (earlier curves, the legend) is replaced.

#include "desktop/ParameterCurves.h"

class mpWindow;

// One continuous curve per pair, pen width 2 in the pair's colour, not drawn outside the
// margins; the curves do not write their names (they would lie on top of each other): with
// `legend` a legend lists each pair's name beside its colour. The x axis is ticked at the
// bands and labelled with their frequencies, the y axis "%1.1f"; then the chart is fitted to
// x 0.5 .. 9.5 and the curves' y range.
void FillParameterChart(mpWindow& chart, const ParameterChart& data, bool legend);
