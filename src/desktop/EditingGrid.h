#pragma once
// Small helpers the editing pages share for their grids and refusal messages.

#include <optional>
#include <string>
#include <vector>

class wxGrid;
class wxWindow;

namespace EditingGrid {

// A message box with the toolkit's default caption and an OK button, through the prompter.
void Tell(wxWindow* parent, const std::string& text);
// The cell's text as UTF-8.
std::string CellText(wxGrid* grid, int row, int col);
// Deletes every row.
void ClearRows(wxGrid* grid);
// The name typed into column 0 of `row`, blanks made '_', written back into the cell; nothing,
// with the refusal shown and the row's name `names[row]` given back to the cell, when it is
// empty, too long or the name of another row. `kind` names the list in the message.
std::optional<std::string> TypedName(wxWindow* parent, wxGrid* grid, int row,
                                     const std::vector<std::string>& names, const std::string& kind);
// Columns first..last edited and shown as plain text: the handlers read the typed text in the
// "C" locale, so neither the locale's number format nor a rounded display may change it first.
void PlainNumberColumns(wxGrid* grid, int first, int last);

}  // namespace EditingGrid
