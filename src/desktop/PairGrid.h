#pragma once
// The source x receiver grid that shows or hides each pair's response curves: one row per
// source ("S01" ...), one column per receiver ("R01" ...), read-only check-box cells.

#include <functional>

class wxGrid;

// Rebuilds the grid; the cell of source S and receiver R is ticked ("1") exactly when
// shown(S, R), else empty. A room without a source or a receiver disables the grid and leaves
// its rows and columns as they are.
void FillPairGrid(wxGrid& grid, unsigned int numSources, unsigned int numReceivers,
                  const std::function<bool(unsigned int S, unsigned int R)>& shown);
