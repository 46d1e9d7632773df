// New, open, import, save and quit; the room designer and the about box.

#include "desktop/SorviwxFrame.h"

#include <wx/event.h>
#include <wx/grid.h>
#include <wx/spinctrl.h>
#include <wx/timer.h>

void SorviwxFrame::OnImportClicked(wxCommandEvent&) {}
void SorviwxFrame::OnNewProject(wxCommandEvent&) {}
void SorviwxFrame::OnOpenFile(wxCommandEvent&) {}
void SorviwxFrame::OnSaveFile(wxCommandEvent&) {}
void SorviwxFrame::OpenRoomDesigner(wxCommandEvent&) {}
// Closing asks the save question and stops a run (OnClose).
void SorviwxFrame::OnQuit(wxCommandEvent&) { Close(false); }
void SorviwxFrame::OnAbout(wxCommandEvent&) {}
bool SorviwxFrame::OpenSaveDlg() { return false; }
void SorviwxFrame::LoadRoom(char*) {}
void SorviwxFrame::SaveRoom(char*) {}
