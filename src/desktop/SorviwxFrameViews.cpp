// The right notebook: the 3D model view with its options, the response canvas with its
// selection controls, and the four acoustic-parameter charts.

#include "desktop/SorviwxFrame.h"

#include <algorithm>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/font.h>
#include <wx/grid.h>
#include <wx/intl.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include "views/GL_Plot2D.h"
#include "views/GL_Window.h"
#include "views/ViewAttributes.h"
#include "views/charts/mpScaleX.h"
#include "views/charts/mpScaleY.h"
#include "views/charts/mpWindow.h"

void SorviwxFrame::BuildViewPages(int clientHeight)
{
    const wxGLAttributes attributes = ViewDisplayAttributes();
    const int width = Notebook2->GetSize().x - 12;  // inside the notebook's frame
    const int canvasHeight = static_cast<int>(clientHeight * 0.7);

    // "Visualization".
    auto* visualization = new wxPanel(Notebook2, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
    auto* column = new wxFlexGridSizer(2, 1, 5, 5);
    MyGLCanvas = new GL_Window(0, visualization, attributes, ID_3DPLOT, wxDefaultPosition, wxSize(width, canvasHeight),
                               wxBORDER_SUNKEN, "Model Visualization");
    column->Add(MyGLCanvas, 0, 0, 0);
    auto* options = new wxStaticBoxSizer(wxHORIZONTAL, visualization, _("View Options"));
    wxWindow* box = options->GetStaticBox();
    auto* grid = new wxFlexGridSizer(4, 2, 5, 5);
    auto check = [&](long id, const wxString& label, bool on) {
        auto* item = new wxCheckBox(box, id, label);
        item->SetValue(on);
        grid->Add(item, 0, 0, 0);
        return item;
    };
    CBView1 = check(ID_CBVIEW1, _("Sources"), true);
    CBView2 = check(ID_CBVIEW2, _("Receivers"), true);
    CBView3 = check(ID_CBVIEW3, _("Active plane"), false);
    CBView4 = check(ID_CBVIEW4, _("Triangles"), false);
    CBView5 = check(ID_CBVIEW5, _("Src names"), true);
    CBView6 = check(ID_CBVIEW6, _("Rec names"), true);
    CBView7 = check(ID_CBVIEW7, _("Lost rays"), false);
    options->Add(grid, 0, 0, 0);
    column->Add(options, 0, 0, 0);
    visualization->SetSizer(column);
    Notebook2->AddPage(visualization, _("Visualization"), false);

    // "Time/Freq. Responses".
    drawPanel = new wxPanel(Notebook2, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
    auto* responses = new wxBoxSizer(wxVERTICAL);
    My2DPlot = new GL_Plot2D(0, drawPanel, attributes, ID_2DPLOT, wxDefaultPosition, wxSize(width, canvasHeight),
                             wxBORDER_SUNKEN, "2D Plots");
    responses->Add(My2DPlot, 0, 0, 0);
    auto* selection = new wxStaticBoxSizer(wxVERTICAL, drawPanel, _("Result Selection"));
    wxWindow* sp = selection->GetStaticBox();
    graphChoice = new wxChoice(sp, ID_GRAPHCHC, wxDefaultPosition, wxSize(250, 30), 0, nullptr, 0, wxDefaultValidator,
                               "graphChoice");
    graphChoice->Append(_("Pressure (LIN scale)"));
    graphChoice->Append(_("Pressure (LOG scale)"));
    graphChoice->Append(_("Decay curve (LOG scale)"));
    graphChoice->Append(_("Decay curve Normalized (LOG scale)"));
    graphChoice->Append(_("Frequency Response (LOG scale)"));
    graphChoice->SetSelection(0);
    // Wide and tall enough for its longest entry ("Frequency Response (LOG scale)" was cut).
    const wxSize best = graphChoice->GetBestSize();
    graphChoice->SetInitialSize(wxSize(std::max(250, best.x), std::max(30, best.y)));
    selection->Add(graphChoice, 0, 0, 0);
    SRPlotGrid = new wxGrid(sp, ID_SRPLOTCTR, wxDefaultPosition, wxSize(width - 20, 240), wxFULL_REPAINT_ON_RESIZE,
                            "Visualization Control");
    SRPlotGrid->CreateGrid(0, 1, wxGrid::wxGridSelectCells);
    SRPlotGrid->SetRowLabelSize(40);  // "S01" needs about 30 pixels in the toolkit's label font
    SRPlotGrid->SetColLabelSize(20);
    SRPlotGrid->SetDefaultCellAlignment(wxALIGN_CENTER, wxALIGN_CENTER);
    selection->Add(SRPlotGrid, 0, 0, 0);
    responses->Add(selection, 0, 0, 0);
    drawPanel->SetSizer(responses);
    Notebook2->AddPage(drawPanel, _("Time/Freq. Responses"), false);

    // "Acoustic Parameters": four charts tiling a 2 x 2 grid the size of the 3D view.
    paramPanel = new wxPanel(Notebook2, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
    Notebook2->AddPage(paramPanel, _("Acoustic Parameters"), false);
    const wxSize view = MyGLCanvas->GetSize();
    const int w = view.x, h = view.y;
    const wxPoint corner[4] = {{0, 0}, {w / 2, 0}, {0, h / 2}, {w / 2, h / 2}};
    for (int i = 0; i < 4; ++i)
        param_plot[i] = new mpWindow(paramPanel, -1, corner[i], wxSize(w / 2, h / 2), wxSUNKEN_BORDER);

    xaxis_param = new mpScaleX(_("Frequency (Hz)"), mpAXIS_NEAR_MARGIN, true, mpLABEL_NUMBER);
    const wxString names[4] = {_("T_30 (s)"), _("EDT (s)"), _("C_80 (dB)"), _("Center Time (ms)")};
    for (int i = 0; i < 4; ++i) yaxis_param[i] = new mpScaleY(names[i], mpAXIS_NEAR_MARGIN, true);
    wxFont font(11, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, wxEmptyString,
                wxFONTENCODING_DEFAULT);
    xaxis_param->SetFont(font);
    xaxis_param->SetDrawOutsideMargins(false);
    for (mpScaleY* axis : yaxis_param) {
        axis->SetFont(font);
        axis->SetDrawOutsideMargins(false);
    }
    for (int i = 0; i < 4; ++i) {
        // Below the plot room for the band labels and, under them, the axis title (which
        // otherwise is written inside the plot over the curves); at the left for "100.0".
        param_plot[i]->SetMargins(40, 40, 56, 46);
        param_plot[i]->AddLayer(xaxis_param);
        param_plot[i]->AddLayer(yaxis_param[i]);
    }
}
