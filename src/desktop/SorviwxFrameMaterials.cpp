// Materials and plane layers.

#include "desktop/SorviwxFrame.h"

#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/colordlg.h>
#include <wx/event.h>
#include <wx/grid.h>
#include <wx/log.h>
#include <wx/combobox.h>

#include "desktop/EditingGrid.h"
#include "desktop/GridEdit.h"
#include "room/TMaterial.h"
#include "room/TPlaneLayer.h"
#include "room/TRoom.h"
#include "views/GL_Window.h"

using EditingGrid::CellText;
using EditingGrid::ClearRows;
using EditingGrid::Tell;

void SorviwxFrame::FillMaterialTable()
{
    const bool any = sala->NumMaterials > 0;
    BtnAddMaterial->Enable(true);
    BtnDelMaterial->Enable(any);
    BtnAddPlaneLayer->Enable(any);
    EditingGrid::PlainNumberColumns(MaterialGrid, 1, 10);
    ClearRows(MaterialGrid);
    MaterialGrid->AppendRows(static_cast<int>(sala->NumMaterials));
    for (unsigned m = 0; m < sala->NumMaterials; ++m) {
        const TMaterial& mat = *sala->material[m];
        const int row = static_cast<int>(m);
        MaterialGrid->SetCellValue(row, 0, wxString::FromUTF8(mat.nome));
        for (int b = 0; b < 9 && b < static_cast<int>(mat.abs.size()); ++b)
            MaterialGrid->SetCellValue(row, b + 1, GridEdit::Fixed2(mat.abs[b]));
        if (!mat.dif.empty()) MaterialGrid->SetCellValue(row, 10, GridEdit::Fixed2(mat.dif[0]));
    }
}

void SorviwxFrame::FillPlaneLayerGrid()
{
    const bool any = sala->NumPlaneLayers > 0;
    PlaneLayerGrid->Enable(any);
    BtnDelPlaneLayer->Enable(any);
    // A new layer refers to material 0: none to offer without materials.
    BtnAddPlaneLayer->Enable(sala->NumMaterials > 0);
    wxArrayString names;
    for (unsigned m = 0; m < sala->NumMaterials; ++m)
        names.Add(wxString::FromUTF8(sala->material[m]->nome));
    ClearRows(PlaneLayerGrid);
    PlaneLayerGrid->AppendRows(static_cast<int>(sala->NumPlaneLayers));
    for (unsigned l = 0; l < sala->NumPlaneLayers; ++l) {
        const TPlaneLayer& layer = sala->planeLayer[l];
        const int row = static_cast<int>(l);
        PlaneLayerGrid->SetCellValue(row, 0, wxString::FromUTF8(layer.nome));
        PlaneLayerGrid->SetCellEditor(row, 1, new wxGridCellChoiceEditor(names));
        const bool known = layer.MatID >= 0 && layer.MatID < static_cast<int>(sala->NumMaterials);
        PlaneLayerGrid->SetCellValue(row, 1, known ? names[layer.MatID] : wxString());
        PlaneLayerGrid->SetReadOnly(row, 2);
        auto channel = [&](int c) { return static_cast<unsigned char>(layer.cor[c] < 0 ? 255 : layer.cor[c]); };
        PlaneLayerGrid->SetCellBackgroundColour(row, 2, wxColour(channel(0), channel(1), channel(2)));
    }
    if (MyGLCanvas) MyGLCanvas->UpdateColors();
    UpdateListBoxLayer();
}

void SorviwxFrame::OnAddMaterial(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    TMaterial mat(sala->NumBands);
    mat.SetName(GridEdit::NewName("Material_%.2d", sala->NumMaterials + 1));
    for (unsigned b = 0; b < mat.NumBands; ++b) {
        mat.abs[b] = 0.01f;
        mat.dif[b] = 0.05f;
    }
    sala->AddMaterial(&mat);
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
    if (sala->NumMaterials == 0) return;
    TPlaneLayer layer(GridEdit::NewName("PlaneLayer%.2d", sala->NumPlaneLayers + 1));
    layer.SetMaterialID(0);
    layer.SetColor(255, 255, 255);
    sala->AddPlaneLayer(layer);
    FillPlaneLayerGrid();
    if (sala->NumPlaneLayers > 0) PlaneLayerGrid->SelectRow(static_cast<int>(sala->NumPlaneLayers) - 1);
    ProjectStatus = 2;
}

void SorviwxFrame::OnDelPlaneLayer(wxCommandEvent&)
{
    if (sala->SimulationActive()) return;  // the run reads the room
    const wxArrayInt rows = PlaneLayerGrid->GetSelectedRows();
    if (!rows.empty()) {
        const int row = rows[0];
        const std::string name =
            row >= 0 && row < static_cast<int>(sala->NumPlaneLayers) ? sala->planeLayer[row].nome : "";
        if (!sala->DelPlaneLayer(row) && !name.empty())
            Tell(this, "Layer " + name + " cannot be removed while being used in plane(s)");
        FillPlaneLayerGrid();
    }
    if (MyGLCanvas) MyGLCanvas->UpdateColors();
    ProjectStatus = 2;
}

void SorviwxFrame::OnMaterialGridChanged(wxGridEvent& event)
{
    event.Skip();
    if (sala->SimulationActive()) return;
    const int r = event.GetRow(), c = event.GetCol();
    if (r < 0 || r >= static_cast<int>(sala->NumMaterials)) return;
    TMaterial& mat = *sala->material[r];
    const std::string text = CellText(MaterialGrid, r, c);
    if (c == 0) {
        std::vector<std::string> names;
        for (unsigned m = 0; m < sala->NumMaterials; ++m) names.push_back(sala->material[m]->nome);
        const auto name = EditingGrid::TypedName(this, MaterialGrid, r, names, "material");
        if (!name) return;
        mat.SetName(*name);
    } else if (c >= 1 && c <= 10) {
        const auto value = GridEdit::ParseNumber(text);
        if (!value) {
            Tell(this, GridEdit::NumberRefusal(text));
            const float old = c <= 9 ? mat.abs[c - 1] : mat.dif[0];
            MaterialGrid->SetCellValue(r, c, GridEdit::Fixed2(old));
            return;
        }
        const float v = static_cast<float>(GridEdit::Clamp01(*value));
        if (c <= 9) {
            if (static_cast<size_t>(c - 1) < mat.abs.size()) mat.abs[c - 1] = v;
        } else {
            for (float& d : mat.dif) d = v;
        }
        if (v != *value) MaterialGrid->SetCellValue(r, c, GridEdit::Fixed2(v));
    } else {
        return;
    }
    FillPlaneLayerGrid();
    ProjectStatus = 2;
}

void SorviwxFrame::OnPlaneLGridChanged(wxGridEvent& event)
{
    event.Skip();
    if (sala->SimulationActive()) return;
    const int r = event.GetRow(), c = event.GetCol();
    if (r < 0 || r >= static_cast<int>(sala->NumPlaneLayers)) return;
    TPlaneLayer& layer = sala->planeLayer[r];
    const std::string text = CellText(PlaneLayerGrid, r, c);
    if (c == 0) {
        std::vector<std::string> names;
        for (unsigned l = 0; l < sala->NumPlaneLayers; ++l) names.push_back(sala->planeLayer[l].nome);
        const auto name = EditingGrid::TypedName(this, PlaneLayerGrid, r, names, "plane layer");
        if (!name) return;
        layer.SetLayerName(*name);
        UpdateListBoxLayer();
    } else if (c == 1) {
        const int id = sala->GetMaterialID(text.c_str());
        if (id >= 0) layer.SetMaterialID(id);
    }
    ProjectStatus = 2;
}

void SorviwxFrame::OnPlaneLGridEditorHidden(wxGridEvent& event) { event.Skip(); }

void SorviwxFrame::OnPlaneLGridLeftClick(wxGridEvent& event)
{
    event.Skip();
    if (sala->SimulationActive()) return;
    const int r = event.GetRow();
    if (event.GetCol() == 2 && r >= 0 && r < static_cast<int>(sala->NumPlaneLayers)) {
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
    if (event.GetControl())
        event.GetControl()->Bind(wxEVT_LEFT_DOWN, &SorviwxFrame::OnBoolEditorClicked, this);
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
