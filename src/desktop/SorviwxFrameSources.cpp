// Sources, receivers and their types.

#include "desktop/SorviwxFrame.h"

#include <wx/event.h>
#include <wx/grid.h>
#include <wx/spinctrl.h>
#include <wx/timer.h>

void SorviwxFrame::FillSourceLayerGrid() {}
void SorviwxFrame::FillSourceGrid() {}
void SorviwxFrame::FillReceiverLayerGrid() {}
void SorviwxFrame::FillReceiverGrid() {}
void SorviwxFrame::OnAddSrcLayer(wxCommandEvent&) {}
void SorviwxFrame::OnDelSrcLayer(wxCommandEvent&) {}
void SorviwxFrame::OnAddSource(wxCommandEvent&) {}
void SorviwxFrame::OnDelSource(wxCommandEvent&) {}
void SorviwxFrame::OnAddRecLayer(wxCommandEvent&) {}
void SorviwxFrame::OnDelRecLayer(wxCommandEvent&) {}
void SorviwxFrame::OnAddReceiver(wxCommandEvent&) {}
void SorviwxFrame::OnDelReceiver(wxCommandEvent&) {}
void SorviwxFrame::OnSrcLGridChanged(wxGridEvent&) {}
void SorviwxFrame::OnSourceGridChanged(wxGridEvent&) {}
void SorviwxFrame::OnRecLGridChanged(wxGridEvent&) {}
void SorviwxFrame::OnReceiverGridChanged(wxGridEvent&) {}
