#pragma once
// The source x receiver grid that shows or hides each pair's response curves: one row per
// source ("S01" ...), one column per receiver ("R01" ...), read-only check-box cells.

#include <string>

class wxGrid;

// Rebuilds the grid with every cell empty (unchecked); a room without a source or a receiver
// disables it and leaves its rows and columns as they are.
void FillPairGrid(wxGrid& grid, unsigned int numSources, unsigned int numReceivers);
