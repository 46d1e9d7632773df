// Materials and plane layers.

#include "desktop/SorviwxFrame.h"

#include <wx/event.h>
#include <wx/grid.h>
#include <wx/spinctrl.h>
#include <wx/timer.h>

void SorviwxFrame::FillMaterialTable() {}
void SorviwxFrame::FillPlaneLayerGrid() {}
void SorviwxFrame::OnAddMaterial(wxCommandEvent&) {}
void SorviwxFrame::OnDelMaterial(wxCommandEvent&) {}
void SorviwxFrame::OnAddPlaneLayer(wxCommandEvent&) {}
void SorviwxFrame::OnDelPlaneLayer(wxCommandEvent&) {}
void SorviwxFrame::OnMaterialGridChanged(wxGridEvent&) {}
void SorviwxFrame::OnPlaneLGridChanged(wxGridEvent&) {}
void SorviwxFrame::OnPlaneLGridEditorHidden(wxGridEvent&) {}
void SorviwxFrame::OnPlaneLGridLeftClick(wxGridEvent&) {}
void SorviwxFrame::OnPlaneLGridEditorCreated(wxGridEvent& event) { event.Skip(); }
void SorviwxFrame::OnSortClosing(wxCommandEvent&) {}
void SorviwxFrame::OnEditorCreated(wxGridEditorCreatedEvent&) {}
void SorviwxFrame::OnBoolCellLClick(wxGridEvent& event) { event.Skip(); }
void SorviwxFrame::OnBoolEditorClicked(wxMouseEvent& event) { event.Skip(); }
