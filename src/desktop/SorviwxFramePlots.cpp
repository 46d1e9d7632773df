// Response curves and parameter charts.

#include "desktop/SorviwxFrame.h"

#include <wx/event.h>
#include <wx/grid.h>
#include <wx/spinctrl.h>
#include <wx/timer.h>

void SorviwxFrame::CreatePlotResults() {}
void SorviwxFrame::DrawCurves() {}
void SorviwxFrame::PlotParameter(int) {}
void SorviwxFrame::OnGraphicChange(wxCommandEvent&) {}
void SorviwxFrame::FillSRPlotCtrGrid() {}
void SorviwxFrame::OnSRPlotCtrLeftClick(wxGridEvent&) {}
void SorviwxFrame::OnLinLogClick(wxCommandEvent&) {}
void SorviwxFrame::PlotResponses() {}
