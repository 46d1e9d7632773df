// Simulation settings, run control and progress.

#include "desktop/SorviwxFrame.h"

#include <wx/event.h>
#include <wx/grid.h>
#include <wx/spinctrl.h>
#include <wx/timer.h>

void SorviwxFrame::FillEnvironmentFields() {}
void SorviwxFrame::UpdateRoomFromInterface() {}
void SorviwxFrame::InterfaceControls(bool) {}
void SorviwxFrame::OnButton1Click(wxCommandEvent&) {}
void SorviwxFrame::OnTimer(wxTimerEvent&) {}
