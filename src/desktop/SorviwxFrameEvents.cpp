// The main window's control identifiers and the connection of every handler. Each handler is
// bound with its own event type; a fatal core error it raises is caught here and handed to
// CoreExit, so it never unwinds into the toolkit.

#include "desktop/SorviwxFrame.h"

#include <wx/button.h>
#include <wx/grid.h>
#include <wx/spinctrl.h>
#include <wx/timer.h>

#include "geometry/ErrorHandler.h"

const long SorviwxFrame::ID_CHECKBOX1 = wxNewId();
const long SorviwxFrame::ID_CHECKBOX2 = wxNewId();
const long SorviwxFrame::ID_CHECKBOX3 = wxNewId();
const long SorviwxFrame::ID_CHECKBOX4 = wxNewId();
const long SorviwxFrame::ID_CHECKBOX5 = wxNewId();
const long SorviwxFrame::ID_CBVIEW1 = wxNewId();
const long SorviwxFrame::ID_CBVIEW2 = wxNewId();
const long SorviwxFrame::ID_CBVIEW3 = wxNewId();
const long SorviwxFrame::ID_CBVIEW4 = wxNewId();
const long SorviwxFrame::ID_CBVIEW5 = wxNewId();
const long SorviwxFrame::ID_CBVIEW6 = wxNewId();
const long SorviwxFrame::ID_CBVIEW7 = wxNewId();
const long SorviwxFrame::ID_BUTTON1 = wxNewId();
const long SorviwxFrame::ID_BUTTON2 = wxNewId();
const long SorviwxFrame::ID_BTN_INV = wxNewId();
const long SorviwxFrame::ID_TEXTINFO = wxNewId();
const long SorviwxFrame::ID_SpinPlaneId = wxNewId();
const long SorviwxFrame::ID_TIMER = wxNewId();
const long SorviwxFrame::ID_ADDMAT = wxNewId();
const long SorviwxFrame::ID_DELMAT = wxNewId();
const long SorviwxFrame::ID_ADDREC = wxNewId();
const long SorviwxFrame::ID_DELREC = wxNewId();
const long SorviwxFrame::ID_ADDSRC = wxNewId();
const long SorviwxFrame::ID_DELSRC = wxNewId();
const long SorviwxFrame::ID_ADDSRCLAYER = wxNewId();
const long SorviwxFrame::ID_DELSRCLAYER = wxNewId();
const long SorviwxFrame::ID_ADDRECLAYER = wxNewId();
const long SorviwxFrame::ID_DELRECLAYER = wxNewId();
const long SorviwxFrame::ID_MATGRID = wxNewId();
const long SorviwxFrame::ID_LISTBOXLAYER = wxNewId();
const long SorviwxFrame::ID_ROOM_DES = wxNewId();
const long SorviwxFrame::ID_TEXT_IR_DUR = wxNewId();
const long SorviwxFrame::ID_TEXT_TEMPERATURE = wxNewId();
const long SorviwxFrame::ID_TEXT_PRESSURE = wxNewId();
const long SorviwxFrame::ID_TEXT_HUMIDITY = wxNewId();
const long SorviwxFrame::ID_TEXT_SRATE = wxNewId();
const long SorviwxFrame::ID_TEXT_MAX_REF = wxNewId();
const long SorviwxFrame::ID_TEXT_DECAY = wxNewId();
const long SorviwxFrame::ID_TEXT_NUMRAYS = wxNewId();
const long SorviwxFrame::ID_LISTVERTEX = wxNewId();
const long SorviwxFrame::ID_SRCLGRID = wxNewId();
const long SorviwxFrame::ID_RECLGRID = wxNewId();
const long SorviwxFrame::ID_SRCGRID = wxNewId();
const long SorviwxFrame::ID_RECGRID = wxNewId();
const long SorviwxFrame::ID_PLANELGRID = wxNewId();
const long SorviwxFrame::ID_ADDPLANELAYER = wxNewId();
const long SorviwxFrame::ID_DELPLANELAYER = wxNewId();
const long SorviwxFrame::ID_3DPLOT = wxNewId();
const long SorviwxFrame::ID_LINLOGBTN = wxNewId();
const long SorviwxFrame::ID_2DPLOT = wxNewId();
const long SorviwxFrame::ID_SRPLOTCTR = wxNewId();
const long SorviwxFrame::ID_GRAPHCHC = wxNewId();
const long SorviwxFrame::FILE_QUIT = wxID_EXIT;
const long SorviwxFrame::HELP_ABOUT = wxID_ABOUT;

wxBEGIN_EVENT_TABLE(SorviwxFrame, wxFrame)
wxEND_EVENT_TABLE()


namespace {

// Binds `handler` on `source` for events of `type` carrying `id` (wxID_ANY: any), guarded.
template <class Tag, class Arg>
void Wire(SorviwxFrame* frame, wxEvtHandler* source, const Tag& type, int id,
             void (SorviwxFrame::*handler)(Arg&))
{
    source->Bind(type, [frame, handler](Arg& event) {
        frame->RunGuarded([&] { (frame->*handler)(event); });
    }, id);
}

// The same for a handler that takes no event.
template <class Tag>
void Wire(SorviwxFrame* frame, wxEvtHandler* source, const Tag& type, int id,
             void (SorviwxFrame::*handler)())
{
    source->Bind(type, [frame, handler](wxEvent&) {
        frame->RunGuarded([&] { (frame->*handler)(); });
    }, id);
}

}  // namespace

void SorviwxFrame::RunGuarded(const std::function<void()>& body)
{
    try {
        body();
    } catch (const SorviExit& error) {
        CoreExit(error);
    }
}

void SorviwxFrame::ConnectHandlers()
{
    using F = SorviwxFrame;
    Wire(this, this, wxEVT_BUTTON, ID_BUTTON1, &F::OnButton1Click);              // 1
    Wire(this, this, wxEVT_BUTTON, ID_BUTTON2, &F::DrawCurves);                  // 2 (no control)
    Wire(this, this, wxEVT_BUTTON, ID_BTN_INV, &F::InvertPlaneSequence);         // 3
    Wire(this, this, wxEVT_MENU, wxID_FILE1, &F::OnImportClicked);               // 4
    Wire(this, this, wxEVT_MENU, wxID_FILE2, &F::OnNewProject);                  // 5
    Wire(this, this, wxEVT_MENU, wxID_OPEN, &F::OnOpenFile);                     // 6
    Wire(this, this, wxEVT_MENU, wxID_SAVE, &F::OnSaveFile);                     // 7
    Wire(this, this, wxEVT_BUTTON, ID_LINLOGBTN, &F::OnLinLogClick);             // 8 (no control)
    Wire(this, this, wxEVT_MENU, ID_ROOM_DES, &F::OpenRoomDesigner);             // 9
    Wire(this, this, wxEVT_MENU, wxID_EXIT, &F::OnQuit);                         // 10
    Wire(this, this, wxEVT_MENU, wxID_ABOUT, &F::OnAbout);                       // 11
    Wire(this, this, wxEVT_SPINCTRL, ID_SpinPlaneId, &F::OnSpinPlaneChange);     // 12
    Wire(this, this, wxEVT_CHECKBOX, ID_CBVIEW1, &F::OnCBView1Click);            // 13-19
    Wire(this, this, wxEVT_CHECKBOX, ID_CBVIEW2, &F::OnCBView2Click);
    Wire(this, this, wxEVT_CHECKBOX, ID_CBVIEW3, &F::OnCBView3Click);
    Wire(this, this, wxEVT_CHECKBOX, ID_CBVIEW4, &F::OnCBView4Click);
    Wire(this, this, wxEVT_CHECKBOX, ID_CBVIEW5, &F::OnCBView5Click);
    Wire(this, this, wxEVT_CHECKBOX, ID_CBVIEW6, &F::OnCBView6Click);
    Wire(this, this, wxEVT_CHECKBOX, ID_CBVIEW7, &F::OnCBView7Click);
    Wire(this, this, wxEVT_TIMER, ID_TIMER, &F::OnTimer);                        // 20
    Wire(this, this, wxEVT_CHOICE, ID_LISTBOXLAYER, &F::OnPlaneLayerChange);     // 21
    Wire(this, this, wxEVT_SPINCTRL, ID_LISTVERTEX, &F::OnVertexChange);         // 22
    Wire(this, this, wxEVT_BUTTON, ID_ADDMAT, &F::OnAddMaterial);                // 23
    Wire(this, this, wxEVT_BUTTON, ID_DELMAT, &F::OnDelMaterial);                // 24
    Wire(this, this, wxEVT_BUTTON, ID_ADDSRC, &F::OnAddSource);                  // 25
    Wire(this, this, wxEVT_BUTTON, ID_DELSRC, &F::OnDelSource);                  // 26
    Wire(this, this, wxEVT_BUTTON, ID_ADDSRCLAYER, &F::OnAddSrcLayer);           // 27
    Wire(this, this, wxEVT_BUTTON, ID_DELSRCLAYER, &F::OnDelSrcLayer);           // 28
    Wire(this, this, wxEVT_BUTTON, ID_ADDREC, &F::OnAddReceiver);                // 29
    Wire(this, this, wxEVT_BUTTON, ID_DELREC, &F::OnDelReceiver);                // 30
    Wire(this, this, wxEVT_BUTTON, ID_ADDRECLAYER, &F::OnAddRecLayer);           // 31
    Wire(this, this, wxEVT_BUTTON, ID_DELRECLAYER, &F::OnDelRecLayer);           // 32
    // 33-35: the plane-layer buttons' own bindings handle their clicks and end them there, so
    // the window-level binding never sees a click of the button: one click, one run.
    Wire(this, this, wxEVT_BUTTON, ID_ADDPLANELAYER, &F::OnAddPlaneLayer);       // 33
    Wire(this, BtnAddPlaneLayer, wxEVT_BUTTON, wxID_ANY, &F::OnAddPlaneLayer);   // 34
    Wire(this, BtnDelPlaneLayer, wxEVT_BUTTON, wxID_ANY, &F::OnDelPlaneLayer);   // 35
    for (long id : {ID_TEXT_DECAY, ID_TEXT_HUMIDITY, ID_TEXT_IR_DUR, ID_TEXT_MAX_REF, ID_TEXT_NUMRAYS,
                    ID_TEXT_PRESSURE, ID_TEXT_SRATE, ID_TEXT_TEMPERATURE})
        Wire(this, this, wxEVT_TEXT, id, &F::UpdateRoomFromInterface);           // 36-43
    Wire(this, this, wxEVT_GRID_CELL_CHANGED, ID_SRCLGRID, &F::OnSrcLGridChanged);        // 44
    Wire(this, this, wxEVT_GRID_CELL_CHANGED, ID_SRCGRID, &F::OnSourceGridChanged);       // 45
    Wire(this, this, wxEVT_GRID_CELL_CHANGED, ID_RECLGRID, &F::OnRecLGridChanged);        // 46
    Wire(this, this, wxEVT_GRID_CELL_CHANGED, ID_RECGRID, &F::OnReceiverGridChanged);     // 47
    Wire(this, this, wxEVT_GRID_CELL_CHANGED, ID_MATGRID, &F::OnMaterialGridChanged);     // 48
    Wire(this, this, wxEVT_GRID_CELL_CHANGED, ID_PLANELGRID, &F::OnPlaneLGridChanged);    // 49
    Wire(this, this, wxEVT_GRID_EDITOR_HIDDEN, ID_SRCLGRID, &F::OnSrcLGridChanged);       // 50
    Wire(this, this, wxEVT_GRID_EDITOR_HIDDEN, ID_SRCGRID, &F::OnSourceGridChanged);      // 51
    Wire(this, this, wxEVT_GRID_EDITOR_HIDDEN, ID_RECLGRID, &F::OnRecLGridChanged);       // 52
    Wire(this, this, wxEVT_GRID_EDITOR_HIDDEN, ID_PLANELGRID, &F::OnPlaneLGridEditorHidden); // 53
    Wire(this, this, wxEVT_GRID_CELL_LEFT_CLICK, ID_PLANELGRID, &F::OnPlaneLGridLeftClick); // 54
    // 55, 56: drop-down notifications of the grids' lists never carry the grids' identifiers
    // (and are not grid events): not connected.
    Wire(this, this, wxEVT_GRID_CELL_LEFT_CLICK, ID_SRPLOTCTR, &F::OnSRPlotCtrLeftClick); // 57
    Wire(this, this, wxEVT_CHOICE, ID_GRAPHCHC, &F::OnGraphicChange);            // 58

    // The close box and Close() run the Quit logic and may be vetoed.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) { RunGuarded([&] { OnClose(event); }); });
}
