// Planes and vertices, room information and the 3D view options.

#include "desktop/SorviwxFrame.h"

#include <wx/event.h>
#include <wx/grid.h>
#include <wx/spinctrl.h>
#include <wx/timer.h>

void SorviwxFrame::FillPlanesSection() {}
void SorviwxFrame::EnablePlaneControls(bool) {}
void SorviwxFrame::UpdateListBoxLayer() {}
void SorviwxFrame::OnSpinPlaneChange(wxSpinEvent&) {}
void SorviwxFrame::OnPlaneLayerChange(wxCommandEvent&) {}
void SorviwxFrame::OnVertexChange(wxCommandEvent&) {}
void SorviwxFrame::InvertPlaneSequence(wxCommandEvent&) {}
void SorviwxFrame::ShowRoomInfo() {}
void SorviwxFrame::OnCBView1Click(wxCommandEvent&) {}
void SorviwxFrame::OnCBView2Click(wxCommandEvent&) {}
void SorviwxFrame::OnCBView3Click(wxCommandEvent&) {}
void SorviwxFrame::OnCBView4Click(wxCommandEvent&) {}
void SorviwxFrame::OnCBView5Click(wxCommandEvent&) {}
void SorviwxFrame::OnCBView6Click(wxCommandEvent&) {}
void SorviwxFrame::OnCBView7Click(wxCommandEvent&) {}
