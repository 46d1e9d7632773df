// Response curves and parameter charts: the handlers read the controls, call the plot logic
// (ResponsePlots, ParameterCurves) and write the controls back.

#include "desktop/SorviwxFrame.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/event.h>
#include <wx/grid.h>

#include "desktop/PairGrid.h"
#include "desktop/ParameterChartFill.h"
#include "desktop/ParameterCurves.h"
#include "simulation/TRoom.h"
#include "views/GL_Plot2D.h"

namespace {
// The view the curves are drawn in: the choice's, linear or level pressure by the lin/log
// switch.
int ChosenView(const wxChoice* choice, bool linScale)
{
    const int view = choice != nullptr ? choice->GetSelection() : VIEW_PRESSURE_LIN;
    if (!IsResponseView(view) || view == VIEW_PRESSURE_LIN || view == VIEW_PRESSURE_LOG)
        return linScale ? VIEW_PRESSURE_LIN : VIEW_PRESSURE_LOG;
    return view;
}
}  // namespace

void SorviwxFrame::CreatePlotResults()
{
    DrawCurves();
    for (int i = 0; i < NumParameterCharts; ++i) PlotParameter(i);
}

void SorviwxFrame::DrawCurves()
{
    if (sala == nullptr || My2DPlot == nullptr) return;
    plots.DrawCurves(My2DPlot->Model(), *sala, ChosenView(graphChoice, LinScale));
    NumPlotsCreated = plots.Layout().NumPairs();
    My2DPlot->Refresh(false);
    FillSRPlotCtrGrid();
}

void SorviwxFrame::PlotParameter(int PIndex)
{
    if (sala == nullptr) return;
    const ParameterChart chart = ParameterCurves(*sala, PIndex);
    if (PIndex < 0 || PIndex >= NumParameterCharts || param_plot[PIndex] == nullptr) return;
    FillParameterChart(*param_plot[PIndex], chart, PIndex == 0);
}

void SorviwxFrame::OnGraphicChange(wxCommandEvent& event)
{
    if (sala != nullptr && My2DPlot != nullptr) {
        if (plots.ShowView(My2DPlot->Model(), *sala, graphChoice->GetSelection(), sala->SimulationActive()))
            My2DPlot->Refresh(false);
        else if (My2DPlot->Model().getNumGraphs() > 0)
            graphChoice->SetSelection(plots.ShownView());  // the curves shown were not recomputed
    }
    event.Skip();
}

void SorviwxFrame::FillSRPlotCtrGrid()
{
    if (sala == nullptr || SRPlotGrid == nullptr) return;
    FillPairGrid(*SRPlotGrid, sala->NumSources, sala->NumReceivers, [this](unsigned int S, unsigned int R) {
        return My2DPlot != nullptr && plots.PairShown(My2DPlot->Model(), *sala, S, R);
    });
}

void SorviwxFrame::OnSRPlotCtrLeftClick(wxGridEvent& event)
{
    const int row = event.GetRow(), col = event.GetCol();
    if (sala != nullptr && My2DPlot != nullptr && row >= 0 && col >= 0 && row < SRPlotGrid->GetNumberRows() &&
        col < SRPlotGrid->GetNumberCols()) {
        const auto text =
            plots.ToggleCell(My2DPlot->Model(), *sala, static_cast<unsigned int>(row), static_cast<unsigned int>(col));
        if (text) {
            SRPlotGrid->SetCellValue(row, col, wxString::FromUTF8(*text));
            My2DPlot->Refresh(false);
        }
    }
    event.Skip();
}

void SorviwxFrame::OnLinLogClick(wxCommandEvent&)
{
    if (sala == nullptr || My2DPlot == nullptr) return;
    const std::string label = plots.SwitchLinLog(My2DPlot->Model(), *sala, LinScale, sala->SimulationActive());
    if (BtnLinLog != nullptr) BtnLinLog->SetLabel(wxString::FromUTF8(label));
    My2DPlot->Refresh(false);
}

void SorviwxFrame::PlotResponses() {}

void SorviwxFrame::InvalidatePlots()
{
    plots.Invalidate();
}

void SorviwxFrame::EmptyPlots()
{
    InvalidatePlots();
    NumPlotsCreated = 0;
    if (My2DPlot != nullptr) {
        My2DPlot->DeleteGraphs();
        My2DPlot->Refresh(false);
    }
    if (SRPlotGrid != nullptr) {
        if (SRPlotGrid->GetNumberRows() > 0) SRPlotGrid->DeleteRows(0, SRPlotGrid->GetNumberRows());
        if (SRPlotGrid->GetNumberCols() > 0) SRPlotGrid->DeleteCols(0, SRPlotGrid->GetNumberCols());
    }
    for (int i = 0; i < NumParameterCharts; ++i)
        if (param_plot[i] != nullptr) FillParameterChart(*param_plot[i], ParameterChart{}, i == 0);
}
