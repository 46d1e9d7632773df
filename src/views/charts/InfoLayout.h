#pragma once
// Boxes of the info layers in window pixels: how they follow a resize of the window, how big
// the legend and the coordinate readout are and where their contents go.

#include <vector>

#include "views/charts/ChartDrawing.h"

namespace charts {

struct InfoBox {
    int x = 0, y = 0, width = 1, height = 1;
    bool operator==(const InfoBox&) const = default;
};

// The window (scrX, scrY) in which the box is painted now; (winX, winY) is the size of its
// last paint, 1 for none yet. Moves the corner in proportion to the change (a zero size
// counts as 1) and records the size. True when the corner may have moved.
bool KeepPlaceOnResize(InfoBox& box, int& winX, int& winY, int scrX, int scrY);

struct LegendDrawing {
    int width = 20;
    // No entry with any text height: the box is neither drawn nor given a height.
    bool drawn = false;
    int height = 0;
    // Per entry: the sample line and the name's corner.
    std::vector<ChartLine> samples;
    std::vector<ChartText> names;
};

// The legend at corner (x, y) for entries whose names measure `entries`; names are left empty.
LegendDrawing LayoutLegend(int x, int y, const std::vector<TextSize>& entries);

// The readout's box grows to hold a text of this size (never shrinks).
void GrowToText(InfoBox& box, TextSize text);

}  // namespace charts
