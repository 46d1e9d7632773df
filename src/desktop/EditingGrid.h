#pragma once
// Small helpers the editing pages share for their grids and refusal messages.

#include <string>

class wxGrid;
class wxWindow;

namespace EditingGrid {

// A message box with the toolkit's default caption and an OK button, through the prompter.
void Tell(wxWindow* parent, const std::string& text);
// The cell's text as UTF-8.
std::string CellText(wxGrid* grid, int row, int col);
// Deletes every row.
void ClearRows(wxGrid* grid);
// Columns first..last edited and shown as plain text: the handlers read the typed text in the
// "C" locale, so neither the locale's number format nor a rounded display may change it first.
void PlainNumberColumns(wxGrid* grid, int first, int last);

}  // namespace EditingGrid
