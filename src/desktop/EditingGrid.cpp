#include "desktop/EditingGrid.h"

#include <algorithm>

#include <wx/dcclient.h>
#include <wx/grid.h>
#include <wx/msgdlg.h>

#include "desktop/GridEdit.h"
#include "simulation/TRoom.h"
#include "views/Prompter.h"

namespace EditingGrid {

void Tell(wxWindow* parent, const std::string& text)
{
    Prompter::Get().MessageBox(wxString::FromUTF8(text), wxMessageBoxCaptionStr, wxOK, parent);
}

std::string CellText(wxGrid* grid, int row, int col)
{
    if (row < 0 || col < 0 || row >= grid->GetNumberRows() || col >= grid->GetNumberCols()) return {};
    return grid->GetCellValue(row, col).utf8_string();
}

void ClearRows(wxGrid* grid)
{
    if (grid->GetNumberRows() > 0) grid->DeleteRows(0, grid->GetNumberRows());
}

void FillRows(wxGrid* grid, unsigned count, const std::function<RoomGrids::Row(unsigned)>& row, int choiceColumn,
              const std::vector<std::string>& choices)
{
    wxArrayString items;
    for (const std::string& choice : choices) items.Add(wxString::FromUTF8(choice));
    ClearRows(grid);
    grid->AppendRows(static_cast<int>(count));
    for (unsigned i = 0; i < count; ++i) {
        const int r = static_cast<int>(i);
        if (choiceColumn >= 0) grid->SetCellEditor(r, choiceColumn, new wxGridCellChoiceEditor(items));
        const RoomGrids::Row texts = row(i);
        for (size_t col = 0; col < texts.size(); ++col)
            grid->SetCellValue(r, static_cast<int>(col), wxString::FromUTF8(texts[col]));
    }
    FitColumns(grid);
}

void FitColumns(wxGrid* grid)
{
    wxClientDC dc(grid->GetGridWindow());
    const wxFont labelFont = grid->GetLabelFont();
    bool changed = false;
    for (int col = 0; col < grid->GetNumberCols(); ++col) {
        int widest = 0, h = 0;
        grid->GetTextExtent(grid->GetColLabelValue(col), &widest, &h, nullptr, nullptr, &labelFont);
        // What each cell's renderer needs for the text it shows, in the cell's font.
        for (int row = 0; row < grid->GetNumberRows(); ++row) {
            const wxGridCellAttrPtr attr = grid->GetOrCreateCellAttrPtr(row, col);
            const wxGridCellRendererPtr renderer = attr->GetRendererPtr(grid, row, col);
            widest = std::max(widest, renderer->GetBestSize(*grid, *attr, dc, row, col).GetWidth());
        }
        const int width = GridEdit::FittedColumnWidth(grid->GetColSize(col), widest);
        if (width != grid->GetColSize(col)) {
            grid->SetColSize(col, width);
            changed = true;
        }
    }
    if (changed) grid->ForceRefresh();
}

void SelectLastRow(wxGrid* grid)
{
    if (grid->GetNumberRows() > 0) grid->SelectRow(grid->GetNumberRows() - 1);
}

bool EditCell(wxGridEvent& event, wxWindow* parent, wxGrid* grid, TRoom& room, EditFn edit)
{
    event.Skip();
    if (event.GetEventType() != wxEVT_GRID_CELL_CHANGED || room.SimulationActive()) return false;
    const int row = event.GetRow(), col = event.GetCol();
    const RoomGrids::CellEdit answer = edit(room, row, col, CellText(grid, row, col));
    if (!answer.refusal.empty()) Tell(parent, answer.refusal);
    if (answer.cell) grid->SetCellValue(row, col, wxString::FromUTF8(*answer.cell));
    FitColumns(grid);  // the typed or corrected text
    return answer.changed;
}

void PlainNumberColumns(wxGrid* grid, int first, int last)
{
    for (int col = first; col <= last; ++col) {
        auto* attr = new wxGridCellAttr;
        attr->SetEditor(new wxGridCellTextEditor);
        attr->SetRenderer(new wxGridCellStringRenderer);
        grid->SetColAttr(col, attr);
    }
}

}  // namespace EditingGrid
