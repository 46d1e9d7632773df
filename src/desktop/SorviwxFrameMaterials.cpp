// Materials and plane layers.

#include "desktop/SorviwxFrame.h"

#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/colordlg.h>
#include <wx/combobox.h>
#include <wx/event.h>
#include <wx/grid.h>
#include <wx/log.h>

#include "desktop/EditingGrid.h"
#include "desktop/RoomGrids.h"
#include "room/TPlaneLayer.h"
#include "simulation/TRoom.h"
#include "views/GL_Window.h"

using EditingGrid::Tell;

void SorviwxFrame::FillMaterialTable()
{
    const bool any = sala->NumMaterials > 0;
    BtnAddMaterial->Enable(true);
    BtnDelMaterial->Enable(any);
    BtnAddPlaneLayer->Enable(any);
    EditingGrid::PlainNumberColumns(MaterialGrid, RoomGrids::kMaterialNumbers.first, RoomGrids::kMaterialNumbers.last);
    EditingGrid::FillRows(MaterialGrid, sala->NumMaterials,
                          [&](unsigned m) { return RoomGrids::MaterialRow(*sala, m); });
}

void SorviwxFrame::FillPlaneLayerGrid()
{
    const bool any = sala->NumPlaneLayers > 0;
    PlaneLayerGrid->Enable(any);
    BtnDelPlaneLayer->Enable(any);
    // A new layer refers to material 0: none to offer without materials.
    BtnAddPlaneLayer->Enable(sala->NumMaterials > 0);
    EditingGrid::FillRows(
        PlaneLayerGrid, sala->NumPlaneLayers, [&](unsigned l) { return RoomGrids::PlaneLayerRow(*sala, l); },
        RoomGrids::kMaterialColumn, RoomGrids::MaterialNames(*sala));
    for (unsigned l = 0; l < sala->NumPlaneLayers; ++l) {
        const int row = static_cast<int>(l);
        PlaneLayerGrid->SetReadOnly(row, RoomGrids::kColourColumn);
        const auto rgb = RoomGrids::PlaneLayerColour(sala->planeLayer[l]);
        PlaneLayerGrid->SetCellBackgroundColour(row, RoomGrids::kColourColumn, wxColour(rgb[0], rgb[1], rgb[2]));
    }
    if (MyGLCanvas) MyGLCanvas->UpdateColors();
    UpdateListBoxLayer();
}

void SorviwxFrame::OnAddMaterial(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    RoomGrids::AddMaterial(*sala);
    FillMaterialTable();
    FillPlaneLayerGrid();
    ProjectStatus = 2;
}

void SorviwxFrame::OnDelMaterial(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    sala->DelMaterial(MaterialGrid->GetGridCursorRow());
    FillMaterialTable();
    FillPlaneLayerGrid();  // the layers' material indices may have moved
    ProjectStatus = 2;
}

void SorviwxFrame::OnAddPlaneLayer(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    if (!RoomGrids::AddPlaneLayer(*sala)) return;
    FillPlaneLayerGrid();
    EditingGrid::SelectLastRow(PlaneLayerGrid);
    ProjectStatus = 2;
}

void SorviwxFrame::OnDelPlaneLayer(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    const wxArrayInt rows = PlaneLayerGrid->GetSelectedRows();
    if (!rows.empty()) {
        const std::string refusal = RoomGrids::DeletePlaneLayer(*sala, rows[0]);
        if (!refusal.empty()) Tell(this, refusal);
        FillPlaneLayerGrid();
    }
    if (MyGLCanvas) MyGLCanvas->UpdateColors();
    ProjectStatus = 2;
}

void SorviwxFrame::OnMaterialGridChanged(wxGridEvent& event)
{
    if (!EditingGrid::EditCell(event, this, MaterialGrid, *sala, RoomGrids::EditMaterial)) return;
    FillPlaneLayerGrid();  // the layers show their materials' names
    ProjectStatus = 2;
}

void SorviwxFrame::OnPlaneLGridChanged(wxGridEvent& event)
{
    if (!EditingGrid::EditCell(event, this, PlaneLayerGrid, *sala, RoomGrids::EditPlaneLayer)) return;
    UpdateListBoxLayer();  // the plane section lists the layers' names
    ProjectStatus = 2;
}

void SorviwxFrame::OnPlaneLGridEditorHidden(wxGridEvent& event)
{
    event.Skip();
}

void SorviwxFrame::OnPlaneLGridLeftClick(wxGridEvent& event)
{
    event.Skip();
    if (sala->SimulationActive()) return;
    const int r = event.GetRow();
    if (event.GetCol() == RoomGrids::kColourColumn && r >= 0 && r < static_cast<int>(sala->NumPlaneLayers)) {
        // The dialog lives for the pick only; colorDlg names it while it is open.
        wxColourDialog dialog(this);
        colorDlg = &dialog;
        const bool picked = dialog.ShowModal() == wxID_OK;
        colorDlg = nullptr;
        if (picked) {
            const wxColour colour = dialog.GetColourData().GetColour();
            sala->planeLayer[r].SetColor(colour.Red(), colour.Green(), colour.Blue());
            FillPlaneLayerGrid();
        }
    }
    ProjectStatus = 2;
}

void SorviwxFrame::OnPlaneLGridEditorCreated(wxGridEvent& event)
{
    (void)event.GetRow();
    (void)event.GetCol();
    event.Skip();
}

void SorviwxFrame::OnSortClosing(wxCommandEvent& event)
{
    (void)(dynamic_cast<wxComboBox*>(event.GetEventObject()) != nullptr);
}

void SorviwxFrame::OnEditorCreated(wxGridEditorCreatedEvent& event)
{
    if (event.GetCol() != 1) return;
    wxLogMessage("Bool editor created.");
    if (event.GetControl()) event.GetControl()->Bind(wxEVT_LEFT_DOWN, &SorviwxFrame::OnBoolEditorClicked, this);
}

void SorviwxFrame::OnBoolCellLClick(wxGridEvent& event)
{
    if (event.GetCol() == 1) wxLogMessage("Bool cell clicked.");
    event.Skip();
}

void SorviwxFrame::OnBoolEditorClicked(wxMouseEvent& event)
{
    wxLogMessage("Bool editor clicked.");
    event.Skip();
}
