#include "desktop/EditingGrid.h"

#include <wx/grid.h>
#include <wx/msgdlg.h>

#include "desktop/GridEdit.h"
#include "views/Prompter.h"

namespace EditingGrid {

void Tell(wxWindow* parent, const std::string& text)
{
    Prompter::Get().MessageBox(wxString::FromUTF8(text), wxMessageBoxCaptionStr, wxOK, parent);
}

std::string CellText(wxGrid* grid, int row, int col) { return grid->GetCellValue(row, col).utf8_string(); }

void ClearRows(wxGrid* grid)
{
    if (grid->GetNumberRows() > 0) grid->DeleteRows(0, grid->GetNumberRows());
}

std::optional<std::string> TypedName(wxWindow* parent, wxGrid* grid, int row,
                                     const std::vector<std::string>& names, const std::string& kind)
{
    const std::string name = GridEdit::NameFromCell(CellText(grid, row, 0));
    const std::string refusal = GridEdit::CheckName(name, names, row, kind);
    if (!refusal.empty()) {
        Tell(parent, refusal);
        grid->SetCellValue(row, 0, wxString::FromUTF8(names[row]));
        return std::nullopt;
    }
    grid->SetCellValue(row, 0, wxString::FromUTF8(name));
    return name;
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
