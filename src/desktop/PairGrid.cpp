#include "desktop/PairGrid.h"

#include <wx/grid.h>

void FillPairGrid(wxGrid& grid, unsigned int numSources, unsigned int numReceivers,
                  const std::function<bool(unsigned int S, unsigned int R)>& shown)
{
    if (numSources == 0 || numReceivers == 0) {
        grid.Enable(false);
        return;
    }
    if (grid.GetTable() == nullptr) grid.CreateGrid(0, 0);
    if (grid.GetNumberRows() > 0) grid.DeleteRows(0, grid.GetNumberRows());
    if (grid.GetNumberCols() > 0) grid.DeleteCols(0, grid.GetNumberCols());
    grid.AppendRows(static_cast<int>(numSources));
    grid.AppendCols(static_cast<int>(numReceivers));
    grid.Enable(true);
    for (unsigned int R = 0; R < numReceivers; ++R)
        grid.SetColLabelValue(static_cast<int>(R), wxString::Format("R%.2u", R + 1));
    for (unsigned int S = 0; S < numSources; ++S) {
        grid.SetRowLabelValue(static_cast<int>(S), wxString::Format("S%.2u", S + 1));
        for (unsigned int R = 0; R < numReceivers; ++R) {
            const int row = static_cast<int>(S), col = static_cast<int>(R);
            grid.SetCellRenderer(row, col, new wxGridCellBoolRenderer);
            grid.SetCellEditor(row, col, new wxGridCellBoolEditor);
            grid.SetReadOnly(row, col, true);
            grid.SetCellValue(row, col, shown(S, R) ? wxString("1") : wxString());
        }
    }
}
