#include "desktop/SorviwxFrame.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/display.h>
#include <wx/gauge.h>
#include <wx/grid.h>
#include <wx/intl.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "desktop/EditingGrid.h"
#include "desktop/FrameText.h"
#include "desktop/ImportDialog.h"
#include "desktop/RunControl.h"
#include "geometry/ErrorHandler.h"
#include "simulation/TRoom.h"
#include "views/GL_Plot2D.h"
#include "views/GL_Window.h"
#include "views/Prompter.h"
#include "views/charts/mpScaleX.h"
#include "views/charts/mpScaleY.h"
#include "views/charts/mpWindow.h"

namespace {

int exitStatus = 0;

constexpr float kLeftShare = 0.4f;

// A text field with its label in front, into a two-column grid.
wxTextCtrl* AddField(wxWindow* parent, wxFlexGridSizer* grid, const wxString& label, long id, const wxString& value)
{
    grid->Add(new wxStaticText(parent, wxID_ANY, label), 0, 0, 0);
    auto* field = new wxTextCtrl(parent, id, value, wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
    grid->Add(field, 1, wxEXPAND, 0);
    return field;
}

wxButton* AddButton(wxWindow* parent, wxSizer* row, long id, const wxString& label, const wxString& name, bool enabled)
{
    auto* button = new wxButton(parent, id, label, wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator, name);
    // 120 x 25 at least, wider or taller where the label needs it.
    const wxSize best = button->GetBestSize();
    button->SetInitialSize(wxSize(std::max(120, best.x), std::max(25, best.y)));
    button->Enable(enabled);
    row->Add(button, 0, 0, 0);
    return button;
}

// A spin control 70 x 30, or larger where the toolkit needs room for its entry and arrows
// (made at the toolkit's size first: a smaller one is refused with warnings).
void FitSpin(wxSpinCtrl* spin)
{
    const wxSize best = spin->GetBestSize();
    spin->SetInitialSize(wxSize(std::max(70, best.x), std::max(30, best.y)));
}

struct Column {
    const char* label;  // null: an octave-band label
    int width;
    bool number;  // float cells shown with 2 decimals
};

// A grid with its columns set up, no rows. `bandsAt` is the first of nine band columns (-1: none).
wxGrid* MakeGrid(wxWindow* parent, long id, const wxString& name, wxSize size, std::initializer_list<Column> columns,
                 int bandsAt, int bandWidth, bool rowSelect)
{
    auto* grid = new wxGrid(parent, id, wxDefaultPosition, size, wxFULL_REPAINT_ON_RESIZE, name);
    int count = static_cast<int>(columns.size()) + (bandsAt >= 0 ? 9 : 0);
    grid->CreateGrid(0, count, rowSelect ? wxGrid::wxGridSelectRows : wxGrid::wxGridSelectCells);
    int col = 0;
    auto bands = [&] {
        if (col != bandsAt) return;
        for (int b = 0; b < 9; ++b, ++col) {
            grid->SetColLabelValue(col, BandLabel(b));
            grid->SetColSize(col, bandWidth);
            grid->SetColFormatFloat(col, 1, 2);
        }
    };
    for (const Column& c : columns) {
        bands();
        grid->SetColLabelValue(col, wxString::FromUTF8(c.label));
        grid->SetColSize(col, c.width);
        if (c.number) grid->SetColFormatFloat(col, 1, 2);
        ++col;
    }
    bands();
    EditingGrid::FitColumns(grid);  // no column narrower than its label
    grid->SetRowLabelSize(20);
    return grid;
}

void EditableCentred(wxGrid* grid)
{
    grid->EnableEditing(true);
    grid->EnableGridLines(true);
    grid->SetDefaultCellAlignment(wxALIGN_CENTER, wxALIGN_CENTER);
}

// One box of the Sources or Receivers page: its label, its add and delete buttons.
struct BoxSpec {
    wxString label;
    long addId;
    wxString addLabel;
    const char* addName;
    long delId;
    wxString delLabel;
    const char* delName;
    bool addEnabled;  // the delete button starts disabled
};

struct ElementPage {
    wxPanel* page;
    wxButton *addType, *delType, *addElement, *delElement;
    wxGrid *typeGrid, *elementGrid;
};

// A page with the type box above the element box, each with its button row above its grid.
ElementPage BuildElementPage(wxNotebook* notebook, const BoxSpec& types, const BoxSpec& elements,
                             const std::function<wxGrid*(wxWindow*)>& typeGrid,
                             const std::function<wxGrid*(wxWindow*)>& elementGrid)
{
    ElementPage made{};
    made.page = new wxPanel(notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
    auto* boxes = new wxFlexGridSizer(2, 1, 5, 5);
    auto box = [&](const BoxSpec& spec, wxButton*& add, wxButton*& del, wxGrid*& grid,
                   const std::function<wxGrid*(wxWindow*)>& makeGrid) {
        auto* sizer = new wxStaticBoxSizer(wxVERTICAL, made.page, spec.label);
        wxWindow* parent = sizer->GetStaticBox();
        auto* buttons = new wxBoxSizer(wxHORIZONTAL);
        add = AddButton(parent, buttons, spec.addId, spec.addLabel, spec.addName, spec.addEnabled);
        del = AddButton(parent, buttons, spec.delId, spec.delLabel, spec.delName, false);
        sizer->Add(buttons, 0, 0, 0);
        grid = makeGrid(parent);
        EditableCentred(grid);
        sizer->Add(grid, 0, 0, 0);
        boxes->Add(sizer, 1, wxEXPAND | wxALL, 10);
    };
    box(types, made.addType, made.delType, made.typeGrid, typeGrid);
    box(elements, made.addElement, made.delElement, made.elementGrid, elementGrid);
    made.page->SetSizer(boxes);
    return made;
}

}  // namespace

int SorviwxFrame::ExitStatus()
{
    return exitStatus;
}
void SorviwxFrame::SetExitStatus(int status)
{
    exitStatus = status;
}

SorviwxFrame::SorviwxFrame(wxWindow* parent, wxWindowID)
{
    ProjectStatus = 0;
    NumPlotsCreated = 0;
    LinScale = true;
    EnableInterfaceUpdate = true;

    // The window is maximised at the end; its controls are sized for the screen's work area
    // from the start (also where no window manager maximises it).
    Create(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxGetClientDisplayRect().GetSize(),
           wxDEFAULT_FRAME_STYLE | wxMAXIMIZE, "wxID_ANY");

    // Menus.
    MenuBar1 = new wxMenuBar();
    Menu1 = new wxMenu();
    Menu1->Append(wxID_FILE2, _("New Project\tCtrl+N"), _("Starts New Project"));
    Menu1->AppendSeparator();
    Menu1->Append(wxID_OPEN, _("Open\tCtrl+O"), _("Open Project File"));
    Menu1->Append(wxID_FILE1, _("Import"), _("Import from DXF"));
    Menu1->AppendSeparator();
    MenuItem3 = Menu1->Append(wxID_SAVE, _("Save\tCtrl+S"), _("Save Project"));
    MenuItem3->Enable(true);
    Menu1->AppendSeparator();
    Menu1->Append(wxID_EXIT, _("Quit\tAlt-F4"), _("Quit the application"));
    Menu3 = new wxMenu();
    Menu3->Append(ID_ROOM_DES, _("Standard Rooms"), _("Create Standard Rooms"));
    Menu2 = new wxMenu();
    Menu2->Append(wxID_ABOUT, _("About\tF1"), _("Show info about this application"));
    MenuBar1->Append(Menu1, _("&File"));
    MenuBar1->Append(Menu3, _("Rooms"));
    MenuBar1->Append(Menu2, _("Help"));
    SetMenuBar(MenuBar1);

    StatusBar1 = new wxStatusBar(this, -1, 0, "ID_STATUSBAR1");
    int widths[1] = {-1};
    int styles[1] = {wxSB_NORMAL};
    StatusBar1->SetFieldsCount(1, widths);
    StatusBar1->SetStatusStyles(1, styles);
    SetStatusBar(StatusBar1);

    // The notebooks share the client width less the outer borders and spacer (4 x 10 + 1 px),
    // so that the view pages' canvases and charts fit inside their notebook.
    const wxSize client = GetClientSize();
    const int W = client.x - 41, H = client.y;
    int leftWidth = static_cast<int>(W * kLeftShare);
    int rightWidth = static_cast<int>(W * (1 - kLeftShare));
    auto* outer = new wxBoxSizer(wxHORIZONTAL);
    Notebook1 = new wxNotebook(this, -1, wxDefaultPosition, wxSize(leftWidth, H), 0, "ID_NOTEBOOK1");

    // Page "Simulation".
    {
        auto* page = new wxPanel(Notebook1, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
        auto* cells = new wxFlexGridSizer(2, 2, 10, 10);

        auto* environment = new wxStaticBoxSizer(wxVERTICAL, page, _("Environment Setup"));
        auto* envGrid = new wxFlexGridSizer(4, 2, 5, 5);
        wxWindow* envParent = environment->GetStaticBox();
        input_temperature = AddField(envParent, envGrid, _("Temperature (C)"), ID_TEXT_TEMPERATURE, "21.0");
        input_pressure = AddField(envParent, envGrid, _("Pressure (atm)"), ID_TEXT_PRESSURE, "1.0");
        input_humidity = AddField(envParent, envGrid, _("Humidity (%)"), ID_TEXT_HUMIDITY, "40.0");
        input_samplerate = AddField(envParent, envGrid, _("Sample Rate (Hz)"), ID_TEXT_SRATE, "44100");
        environment->Add(envGrid, 0, 0, 0);
        cells->Add(environment, 1, wxEXPAND | wxALL, 15);

        auto* stop = new wxStaticBoxSizer(wxVERTICAL, page, _("Raytracing Stop Criteria"));
        auto* stopGrid = new wxFlexGridSizer(5, 2, 3, 3);
        wxWindow* stopParent = stop->GetStaticBox();
        input_irduration = AddField(stopParent, stopGrid, _("IR Duration (s)"), ID_TEXT_IR_DUR, "3.0");
        input_maxreflex = AddField(stopParent, stopGrid, _("Max. Reflections"), ID_TEXT_MAX_REF, "50");
        input_stopdecay = AddField(stopParent, stopGrid, _("Energy Decay (dB)"), ID_TEXT_DECAY, "-60");
        input_numrays = AddField(stopParent, stopGrid, _("Number of Rays"), ID_TEXT_NUMRAYS, "10000");
        stop->Add(stopGrid, 0, 0, 0);
        cells->Add(stop, 1, wxEXPAND | wxALL, 15);

        auto* options = new wxStaticBoxSizer(wxVERTICAL, page, _("General Options"));
        auto* optGrid = new wxFlexGridSizer(5, 1, 3, 3);
        wxWindow* optParent = options->GetStaticBox();
        auto check = [&](long id, const wxString& label, bool on) {
            auto* box = new wxCheckBox(optParent, id, label);
            box->SetValue(on);
            optGrid->Add(box, 0, 0, 0);
            return box;
        };
        CheckBox1 = check(ID_CHECKBOX1, _("Diffuse processing (slow)"), false);
        CheckBox2 = check(ID_CHECKBOX2, _("Save late rays"), false);
        CheckBox3 = check(ID_CHECKBOX3, _("Artificial Tail"), true);
        CheckBox4 = check(ID_CHECKBOX4, _("Save diffuse rays"), false);
        CheckBox5 = check(ID_CHECKBOX5, _("Auralization"), false);
        options->Add(optGrid, 1, wxEXPAND | wxALL, 10);
        cells->Add(options, 1, wxEXPAND | wxALL, 15);

        auto* column = new wxBoxSizer(wxVERTICAL);
        Button1 = new wxButton(page, ID_BUTTON1, _("Start Simulation"), wxDefaultPosition, wxSize(120, 40), 0,
                               wxDefaultValidator, "ID_BUTTON1");
        Button1->Disable();
        column->Add(Button1, 0, wxALIGN_CENTER, 0);
        progress = new wxGauge(page, -1, 100, wxDefaultPosition, wxSize(280, 25), wxGA_HORIZONTAL, wxDefaultValidator,
                               "PROGRESS_BAR");
        column->Add(progress, 0, wxALIGN_CENTER, 0);
        textinfo = new wxTextCtrl(page, ID_TEXTINFO, _("Text"), wxDefaultPosition, wxSize(280, 250), wxTE_MULTILINE,
                                  wxDefaultValidator, "ID_TEXTINFO");
        column->Add(textinfo, 0, wxALIGN_CENTER, 0);
        cells->Add(column, 1, 1, 15);

        page->SetSizer(cells);
        Notebook1->AddPage(page, _("Simulation"), false);

        // The left notebook widens to what this page needs (at most half the width), so that
        // the gauge and the fields are not cut on narrower screens; the right one takes the rest.
        const int needed = std::min(Notebook1->CalcSizeFromPage(cells->CalcMin()).x + 10, W / 2);
        if (needed > leftWidth) {
            leftWidth = needed;
            rightWidth = W - leftWidth;
            Notebook1->SetInitialSize(wxSize(leftWidth, H));
        }
    }

    // Page "Geometry".
    {
        auto* page = new wxPanel(Notebook1, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
        auto* boxes = new wxFlexGridSizer(3, 1, 10, 10);

        auto* planes = new wxStaticBoxSizer(wxVERTICAL, page, _("Planes"));
        wxWindow* pp = planes->GetStaticBox();
        auto* planeGrid = new wxFlexGridSizer(2, 3, 5, 5);

        // "Invert" beside the plane it turns; the layer choice takes what the row leaves (at
        // most 250 pixels), so that nothing is cut on narrow screens.
        auto* planeSel = new wxFlexGridSizer(1, 3, 5, 5);
        planeSel->Add(
            new wxStaticText(pp, wxID_ANY, _("Plane ID"), wxDefaultPosition, wxSize(70, 30), 0, "ID_STATICTEXT1"), 0, 0,
            0);
        SpinPlaneId =
            new wxSpinCtrl(pp, ID_SpinPlaneId, "0", wxDefaultPosition, wxDefaultSize, 0, 0, 100, 0, "ID_SpinPlaneId");
        SpinPlaneId->SetValue("1");
        FitSpin(SpinPlaneId);
        planeSel->Add(SpinPlaneId, 0, 0, 0);
        BtnInvPlane = new wxButton(pp, ID_BTN_INV, _("Invert"), wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator,
                                   "ID_BTN_INV");
        planeSel->Add(BtnInvPlane, 0, 0, 0);
        planeGrid->Add(planeSel, 0, 0, 0);
        planeGrid->Add(10, 0, 0, 0, 0);

        auto* layerRow = new wxFlexGridSizer(1, 2, 3, 3);
        layerRow->Add(
            new wxStaticText(pp, wxID_ANY, _("Layer"), wxDefaultPosition, wxSize(50, 30), 0, "ID_STATICTEXT2"), 0,
            wxALIGN_CENTER, 0);
        const int rowRest = planeSel->CalcMin().x + 10 + 50 + 2 * 5 + 3 + 60;
        ListBoxLayer =
            new wxChoice(pp, ID_LISTBOXLAYER, wxDefaultPosition, wxSize(std::clamp(leftWidth - rowRest, 100, 250), 30));
        layerRow->Add(ListBoxLayer, 0, wxALIGN_CENTER, 0);
        planeGrid->Add(layerRow, 0, 0, 0);

        auto* vertexSel = new wxFlexGridSizer(2, 2, 5, 5);
        vertexSel->Add(
            new wxStaticText(pp, wxID_ANY, _("Vertex ID"), wxDefaultPosition, wxSize(70, 30), 0, "ID_STATICTEXT1"), 0,
            0, 0);
        ListVertex =
            new wxSpinCtrl(pp, ID_LISTVERTEX, "0", wxDefaultPosition, wxDefaultSize, 0, 0, 100, 0, "ID_LISTVERTEX");
        FitSpin(ListVertex);
        vertexSel->Add(ListVertex, 0, 0, 0);
        vertexSel->Add(
            new wxStaticText(pp, wxID_ANY, _("Vertexes:"), wxDefaultPosition, wxSize(70, 30), 0, "ID_STATICTEXT1"), 0,
            0, 0);
        NumVertPlane = new wxTextCtrl(pp, -1, "0", wxDefaultPosition, wxSize(70, 30));
        NumVertPlane->Disable();
        vertexSel->Add(NumVertPlane, 0, 0, 0);
        planeGrid->Add(vertexSel, 0, 0, 0);
        planeGrid->Add(10, 0, 0, 0, 0);

        auto* coords = new wxFlexGridSizer(2, 3, 5, 5);
        for (const char* axis : {"X", "Y", "Z"})
            coords->Add(new wxStaticText(pp, wxID_ANY, axis, wxDefaultPosition, wxSize(15, 20), 0, "ID_STATICTEXT1"), 0,
                        wxALIGN_CENTER, 0);
        // Three fields in what the row leaves beside the plane selection (the wider column).
        const int coordWidth = std::clamp(
            (leftWidth - std::max(planeSel->CalcMin().x, vertexSel->CalcMin().x) - 10 - 2 * 5 - 60) / 3 - 5, 60, 100);
        for (auto& field : vertex) {
            field = new wxTextCtrl(pp, -1, "0.00", wxDefaultPosition, wxSize(coordWidth, -1));
            coords->Add(field, 0, wxALIGN_CENTER, 0);
        }
        planeGrid->Add(coords, 0, 0, 0);
        planes->Add(planeGrid, 0, 0, 0);
        boxes->Add(planes, 1, wxEXPAND | wxALL, 10);

        auto* materials = new wxStaticBoxSizer(wxVERTICAL, page, _("Material List"));
        wxWindow* mp = materials->GetStaticBox();
        auto* matButtons = new wxBoxSizer(wxHORIZONTAL);
        BtnAddMaterial = AddButton(mp, matButtons, ID_ADDMAT, _("Add Material"), "ID_ADDMAT", true);
        BtnDelMaterial = AddButton(mp, matButtons, ID_DELMAT, _("Del Material"), "ID_DELMAT", false);
        materials->Add(matButtons, 0, 0, 0);
        MaterialGrid = MakeGrid(mp, ID_MATGRID, "materialgrid", wxSize(leftWidth - 20, 200),
                                {{"Name", 190, false}, {"scatt", 36, true}}, 1, 36, true);
        EditableCentred(MaterialGrid);
        MaterialGrid->SetGridCursor(0, 0);  // the cell editor opens once rows exist
        materials->Add(MaterialGrid, 0, 0, 0);
        boxes->Add(materials, 1, wxEXPAND | wxALL, 10);

        auto* association = new wxStaticBoxSizer(wxVERTICAL, page, _("Material Association "));
        wxWindow* ap = association->GetStaticBox();
        auto* plButtons = new wxBoxSizer(wxHORIZONTAL);
        BtnAddPlaneLayer = AddButton(ap, plButtons, ID_ADDPLANELAYER, _("Add Plane Layer"), "ID_ADDPLANELAYER", false);
        BtnDelPlaneLayer = AddButton(ap, plButtons, ID_DELPLANELAYER, _("Del Plane Layer"), "ID_DELPLANELAYER", false);
        association->Add(plButtons, 0, 0, 0);
        PlaneLayerGrid =
            MakeGrid(ap, ID_PLANELGRID, "planelgrid", wxSize(leftWidth - 20, 300),
                     {{"Plane Layer", 255, false}, {"Material", 255, false}, {"Color", 40, false}}, -1, 0, false);
        association->Add(PlaneLayerGrid, 0, 0, 0);
        boxes->Add(association, 1, wxEXPAND | wxALL, 10);

        page->SetSizer(boxes);
        Notebook1->AddPage(page, _("Geometry"), false);
    }

    // Pages "Sources" and "Receivers": a type box above an element box, buttons above grids.
    {
        ElementPage page = BuildElementPage(
            Notebook1,
            {_("Source Type"), ID_ADDSRCLAYER, _("Add Source Type"), "ID_ADDSRCLAYER", ID_DELSRCLAYER,
             _("Del Source Type"), "ID_DELSRCLAYER", true},
            {_("Sources"), ID_ADDSRC, _("Add Source"), "ID_ADDSRC", ID_DELSRC, _("Del Source"), "ID_DELSRC", false},
            [&](wxWindow* box) {
                return MakeGrid(box, ID_SRCLGRID, "grid", wxSize(leftWidth - 20, 200),
                                {{"Name", 120, false}, {"Directivity", 120, false}}, 2, 35, true);
            },
            [&](wxWindow* box) {
                return MakeGrid(box, ID_SRCGRID, "sourcegrid", wxSize(leftWidth - 20, 400),
                                {{"X", 40, true},
                                 {"Y", 40, true},
                                 {"Z", 40, true},
                                 {"Azim", 40, true},
                                 {"Elev", 40, true},
                                 {"SPL (1m)", 60, false},
                                 {"Source Type", 110, false},
                                 {"Sound File", 180, false}},
                                -1, 0, true);
            });
        Notebook1->AddPage(page.page, _("Sources"), false);
        BtnAddSrcLayer = page.addType;
        BtnDelSrcLayer = page.delType;
        BtnAddSource = page.addElement;
        BtnDelSource = page.delElement;
        SrcLayerGrid = page.typeGrid;
        SourceGrid = page.elementGrid;
    }
    {
        ElementPage page = BuildElementPage(
            Notebook1,
            {_("Receiver Type"), ID_ADDRECLAYER, _("Add Receiver Type"), "ID_ADDRECLAYER", ID_DELRECLAYER,
             _("Del Receiver Type"), "ID_DELRECLAYER", true},
            {_("Receivers"), ID_ADDREC, _("Add Receiver"), "ID_ADDREC", ID_DELREC, _("Del Receiver"), "ID_DELREC",
             false},
            [&](wxWindow* box) {
                return MakeGrid(box, ID_RECLGRID, "grid", wxSize(leftWidth - 20, 200),
                                {{"Name", 240, false}, {"Directivity", 315, false}}, -1, 0, true);
            },
            [&](wxWindow* box) {
                return MakeGrid(box, ID_RECGRID, "receivergrid", wxSize(leftWidth - 20, 400),
                                {{"X", 60, true},
                                 {"Y", 60, true},
                                 {"Z", 60, true},
                                 {"Azim", 60, false},
                                 {"Receiver Type", 315, false}},
                                -1, 0, true);
            });
        Notebook1->AddPage(page.page, _("Receivers"), false);
        BtnAddRecLayer = page.addType;
        BtnDelRecLayer = page.delType;
        BtnAddReceiver = page.addElement;
        BtnDelReceiver = page.delElement;
        RecLayerGrid = page.typeGrid;
        ReceiverGrid = page.elementGrid;
    }

    Notebook2 = new wxNotebook(this, -1, wxDefaultPosition, wxSize(rightWidth, H), 0, "ID_NOTEBOOK2");
    BuildViewPages(H);

    outer->Add(Notebook1, 1, wxEXPAND | wxALL, 10);
    outer->Add(1, 0, 0, 0, 0);
    outer->Add(Notebook2, 1, wxEXPAND | wxALL, 10);
    SetSizer(outer);
    Centre(wxBOTH);
    Layout();
    textinfo->Hide();

    timer = new wxTimer(this, ID_TIMER);

    DXFFrame = new ImportDialog(this, -1, wxDefaultPosition, wxDefaultSize);

    ConnectHandlers();

    SpinPlaneId->Disable();
    ListVertex->Disable();

    sala = new TRoom();
    MyGLCanvas->SetRoom(sala);
    ProjectStatus = 0;
    AdjustTitle();
    Maximize(true);
    // The toolkit gives the first field the focus before the window is shown, and the shown
    // window then takes no key (not even the menu's shortcuts) until it is clicked: the focus
    // is given again once the window is up.
    CallAfter([this] {
        if (input_temperature && IsShown()) input_temperature->SetFocus();
    });
}

SorviwxFrame::~SorviwxFrame()
{
    if (timer) timer->Stop();
    delete timer;
    timer = nullptr;
    runCleanup.Finish();  // a stopped run's files going: the room is theirs until then
    if (sala) {
        try {
            if (sala->SimulationActive()) sala->StopSimulation();
        } catch (const SorviExit& error) {
            // Shown already; the program is ending anyway.
            SetExitStatus(error.Status() != 0 ? error.Status() : 1);
        }
        if (MyGLCanvas) MyGLCanvas->SetRoom(nullptr);
        delete sala;
        sala = nullptr;
    }
    // The axis layers are the window's: each is taken out of the charts that hold it and
    // deleted once; a chart deletes the other layers it still holds (curves, legends).
    for (int i = 0; i < 4; ++i) {
        mpWindow* chart = param_plot[i];
        if (!chart) continue;
        if (xaxis_param) chart->DelLayer(xaxis_param, false, false);
        if (yaxis_param[i]) chart->DelLayer(yaxis_param[i], false, false);
        delete chart;
        param_plot[i] = nullptr;
    }
    delete xaxis_param;
    xaxis_param = nullptr;
    for (auto& axis : yaxis_param) {
        delete axis;
        axis = nullptr;
    }
    delete My2DPlot;
    My2DPlot = nullptr;
}

void SorviwxFrame::AdjustTitle()
{
    SetTitle(wxString::FromUTF8(ProjectTitle(ProjectStatus, sala ? sala->ProjectName : std::string())));
}

bool SorviwxFrame::ReleaseProject(bool canCancel)
{
    if (ProjectStatus == 2) {
        const long buttons = wxYES_NO | (canCancel ? wxCANCEL : 0) | wxICON_QUESTION;
        const int answer =
            Prompter::Get().Question(_("The actual project was changed.\n Save it?"), _("Question"), buttons, this);
        if (answer == wxID_CANCEL && canCancel) return false;
        // A save that was cancelled or failed keeps the project open.
        if (answer == wxID_YES && !OpenSaveDlg() && canCancel) return false;
        ProjectStatus = 0;
    }
    if (timer) timer->Stop();
    if (sala) {
        // A run reads and writes the room: it ends, and a stopped run's files are dropped,
        // before the room is freed (the window repainting meanwhile).
        runCleanup.Finish([this] { RepaintWhileWaiting(); });
        if (sala->SimulationActive()) StopRun(*sala, [this] { RepaintWhileWaiting(); });
        if (MyGLCanvas) {
            MyGLCanvas->view.DrawRoom = false;
            MyGLCanvas->SetRoom(nullptr);
        }
        delete sala;
        sala = nullptr;
    }
    return true;
}

void SorviwxFrame::OnClose(wxCloseEvent& event)
{
    // A close box pressed while the window waits for a thread: the wait finishes first.
    if (WaitingForThread && event.CanVeto()) {
        event.Veto();
        return;
    }
    if (!ReleaseProject(event.CanVeto())) {
        event.Veto();
        return;
    }
    Destroy();
}

void SorviwxFrame::CoreExit(const SorviExit& error)
{
    std::fprintf(stderr, "Sorviwx: ending with status %d: %s\n", error.Status(), error.what());
    std::fflush(stderr);
    SetExitStatus(error.Status() != 0 ? error.Status() : 1);
    ProjectStatus = 0;  // the room may be half read: nothing to save
    try {
        ReleaseProject(false);
    } catch (const SorviExit&) {
        sala = nullptr;  // a failing teardown leaks the room rather than freeing it twice
    }
    Destroy();
    if (wxTheApp) wxTheApp->ExitMainLoop();
}

wxString wxbuildinfo(wxbuildinfoformat format)
{
    wxString info = "wxWidgets 3.1.2";
    if (format == long_f)
        info << "-Windows"
             << "-Unicode build";
    return info;
}
