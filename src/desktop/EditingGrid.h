#pragma once
// Small helpers the editing pages share for their grids and refusal messages.

#include <functional>
#include <string>
#include <vector>

#include "desktop/RoomGrids.h"

class TRoom;
class wxGrid;
class wxGridEvent;
class wxWindow;

namespace EditingGrid {

// A message box with the toolkit's default caption and an OK button, through the prompter.
void Tell(wxWindow* parent, const std::string& text);
// The cell's text as UTF-8; "" for a cell outside the grid.
std::string CellText(wxGrid* grid, int row, int col);
// Deletes every row.
void ClearRows(wxGrid* grid);
// The grid emptied and filled with `count` rows of `row(i)`; column `choiceColumn` of every row
// edited by a drop-down of `choices` (none when it is -1); columns widened to the texts.
void FillRows(wxGrid* grid, unsigned count, const std::function<RoomGrids::Row(unsigned)>& row, int choiceColumn = -1,
              const std::vector<std::string>& choices = {});
// Every column at least as wide as its label and each text its cells show, with padding
// (GridEdit::FittedColumnWidth); none made narrower.
void FitColumns(wxGrid* grid);
// Selects the last row (one just added).
void SelectLastRow(wxGrid* grid);
// The cell of `event` handed to `edit` once the grid has stored it (the editor's hidden
// notification comes first, with the old text still in the cell) and unless a run reads the
// room: the refusal shown, the cell's new text written (its column widened to it). True when
// the room changed.
using EditFn = RoomGrids::CellEdit (*)(TRoom& room, int row, int col, const std::string& text);
bool EditCell(wxGridEvent& event, wxWindow* parent, wxGrid* grid, TRoom& room, EditFn edit);
// Columns first..last edited and shown as plain text: the handlers read the typed text in the
// "C" locale, so neither the locale's number format nor a rounded display may change it first.
void PlainNumberColumns(wxGrid* grid, int first, int last);

}  // namespace EditingGrid
