// The main window's control identifiers and the connection of every handler. Each handler is
// bound with its own event type; a fatal core error it raises is caught here and handed to
// CoreExit, so it never unwinds into the toolkit.

#include "desktop/SorviwxFrame.h"

#include <memory>

#include <wx/accel.h>
#include <wx/button.h>
#include <wx/grid.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>
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

wxBEGIN_EVENT_TABLE(SorviwxFrame, wxFrame) wxEND_EVENT_TABLE()

    namespace
{

    const char* const kHandlerTrace = "handlers";

    // Binds `handler` on `source` for events of `type` carrying `id` (wxID_ANY: any), guarded.
    template <class Tag, class Arg>
    void Wire(SorviwxFrame * frame, wxEvtHandler * source, const Tag& type, int id, void (SorviwxFrame::*handler)(Arg&),
              const char* name)
    {
        source->Bind(
            type,
            [frame, handler, name](Arg& event) {
                wxLogTrace(kHandlerTrace, "%s", name);
                frame->RunGuarded([&] { (frame->*handler)(event); });
            },
            id);
    }

    // The same for a handler that takes no event.
    template <class Tag>
    void Wire(SorviwxFrame * frame, wxEvtHandler * source, const Tag& type, int id, void (SorviwxFrame::*handler)(),
              const char* name)
    {
        source->Bind(
            type,
            [frame, handler, name](wxEvent&) {
                wxLogTrace(kHandlerTrace, "%s", name);
                frame->RunGuarded([&] { (frame->*handler)(); });
            },
            id);
    }

    // The enabled menu entry whose shortcut the key is, or wxID_NONE.
    int EntryForKey(wxMenuBar * bar, const wxKeyEvent& key)
    {
        if (!bar) return wxID_NONE;
        for (size_t m = 0; m < bar->GetMenuCount(); ++m) {
            for (wxMenuItem* item : bar->GetMenu(m)->GetMenuItems()) {
                std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
                if (!accel || accel->GetKeyCode() != key.GetKeyCode() || accel->GetFlags() != key.GetModifiers())
                    continue;
                return item->IsEnabled() ? item->GetId() : wxID_NONE;
            }
        }
        return wxID_NONE;
    }

#define WIRE(source, type, id, handler) Wire(this, source, type, id, &SorviwxFrame::handler, #handler)

}  // namespace

void SorviwxFrame::RunGuarded(const std::function<void()>& body)
{
    try {
        body();
    } catch (const SorviExit& error) {
        CoreExit(error);
    }
}

int SorviwxFrame::MenuShortcut(const wxKeyEvent& key)
{
    return EntryForKey(GetMenuBar(), key);
}

void SorviwxFrame::ConnectHandlers()
{
    WIRE(this, wxEVT_BUTTON, ID_BUTTON1, OnButton1Click);           // 1
    WIRE(this, wxEVT_BUTTON, ID_BUTTON2, DrawCurves);               // 2 (no control)
    WIRE(this, wxEVT_BUTTON, ID_BTN_INV, InvertPlaneSequence);      // 3
    WIRE(this, wxEVT_MENU, wxID_FILE1, OnImportClicked);            // 4
    WIRE(this, wxEVT_MENU, wxID_FILE2, OnNewProject);               // 5
    WIRE(this, wxEVT_MENU, wxID_OPEN, OnOpenFile);                  // 6
    WIRE(this, wxEVT_MENU, wxID_SAVE, OnSaveFile);                  // 7
    WIRE(this, wxEVT_BUTTON, ID_LINLOGBTN, OnLinLogClick);          // 8 (no control)
    WIRE(this, wxEVT_MENU, ID_ROOM_DES, OpenRoomDesigner);          // 9
    WIRE(this, wxEVT_MENU, wxID_EXIT, OnQuit);                      // 10
    WIRE(this, wxEVT_MENU, wxID_ABOUT, OnAbout);                    // 11
    WIRE(this, wxEVT_SPINCTRL, ID_SpinPlaneId, OnSpinPlaneChange);  // 12
    WIRE(this, wxEVT_CHECKBOX, ID_CBVIEW1, OnCBView1Click);         // 13-19
    WIRE(this, wxEVT_CHECKBOX, ID_CBVIEW2, OnCBView2Click);
    WIRE(this, wxEVT_CHECKBOX, ID_CBVIEW3, OnCBView3Click);
    WIRE(this, wxEVT_CHECKBOX, ID_CBVIEW4, OnCBView4Click);
    WIRE(this, wxEVT_CHECKBOX, ID_CBVIEW5, OnCBView5Click);
    WIRE(this, wxEVT_CHECKBOX, ID_CBVIEW6, OnCBView6Click);
    WIRE(this, wxEVT_CHECKBOX, ID_CBVIEW7, OnCBView7Click);
    WIRE(this, wxEVT_TIMER, ID_TIMER, OnTimer);                     // 20
    WIRE(this, wxEVT_CHOICE, ID_LISTBOXLAYER, OnPlaneLayerChange);  // 21
    WIRE(this, wxEVT_SPINCTRL, ID_LISTVERTEX, OnVertexChange);      // 22
    WIRE(this, wxEVT_BUTTON, ID_ADDMAT, OnAddMaterial);             // 23
    WIRE(this, wxEVT_BUTTON, ID_DELMAT, OnDelMaterial);             // 24
    WIRE(this, wxEVT_BUTTON, ID_ADDSRC, OnAddSource);               // 25
    WIRE(this, wxEVT_BUTTON, ID_DELSRC, OnDelSource);               // 26
    WIRE(this, wxEVT_BUTTON, ID_ADDSRCLAYER, OnAddSrcLayer);        // 27
    WIRE(this, wxEVT_BUTTON, ID_DELSRCLAYER, OnDelSrcLayer);        // 28
    WIRE(this, wxEVT_BUTTON, ID_ADDREC, OnAddReceiver);             // 29
    WIRE(this, wxEVT_BUTTON, ID_DELREC, OnDelReceiver);             // 30
    WIRE(this, wxEVT_BUTTON, ID_ADDRECLAYER, OnAddRecLayer);        // 31
    WIRE(this, wxEVT_BUTTON, ID_DELRECLAYER, OnDelRecLayer);        // 32
    // 33-35: the plane-layer buttons' own bindings handle their clicks and end them there, so
    // the window-level binding never sees a click of the button: one click, one run.
    WIRE(this, wxEVT_BUTTON, ID_ADDPLANELAYER, OnAddPlaneLayer);      // 33
    WIRE(BtnAddPlaneLayer, wxEVT_BUTTON, wxID_ANY, OnAddPlaneLayer);  // 34
    WIRE(BtnDelPlaneLayer, wxEVT_BUTTON, wxID_ANY, OnDelPlaneLayer);  // 35
    for (long id : {ID_TEXT_DECAY, ID_TEXT_HUMIDITY, ID_TEXT_IR_DUR, ID_TEXT_MAX_REF, ID_TEXT_NUMRAYS, ID_TEXT_PRESSURE,
                    ID_TEXT_SRATE, ID_TEXT_TEMPERATURE})
        WIRE(this, wxEVT_TEXT, id, UpdateRoomFromInterface);                        // 36-43
    WIRE(this, wxEVT_GRID_CELL_CHANGED, ID_SRCLGRID, OnSrcLGridChanged);            // 44
    WIRE(this, wxEVT_GRID_CELL_CHANGED, ID_SRCGRID, OnSourceGridChanged);           // 45
    WIRE(this, wxEVT_GRID_CELL_CHANGED, ID_RECLGRID, OnRecLGridChanged);            // 46
    WIRE(this, wxEVT_GRID_CELL_CHANGED, ID_RECGRID, OnReceiverGridChanged);         // 47
    WIRE(this, wxEVT_GRID_CELL_CHANGED, ID_MATGRID, OnMaterialGridChanged);         // 48
    WIRE(this, wxEVT_GRID_CELL_CHANGED, ID_PLANELGRID, OnPlaneLGridChanged);        // 49
    WIRE(this, wxEVT_GRID_EDITOR_HIDDEN, ID_SRCLGRID, OnSrcLGridChanged);           // 50
    WIRE(this, wxEVT_GRID_EDITOR_HIDDEN, ID_SRCGRID, OnSourceGridChanged);          // 51
    WIRE(this, wxEVT_GRID_EDITOR_HIDDEN, ID_RECLGRID, OnRecLGridChanged);           // 52
    WIRE(this, wxEVT_GRID_EDITOR_HIDDEN, ID_PLANELGRID, OnPlaneLGridEditorHidden);  // 53
    WIRE(this, wxEVT_GRID_CELL_LEFT_CLICK, ID_PLANELGRID, OnPlaneLGridLeftClick);   // 54
    // 55, 56: drop-down notifications of the grids' lists never carry the grids' identifiers
    // (and are not grid events): not connected.
    WIRE(this, wxEVT_GRID_CELL_LEFT_CLICK, ID_SRPLOTCTR, OnSRPlotCtrLeftClick);  // 57
    WIRE(this, wxEVT_CHOICE, ID_GRAPHCHC, OnGraphicChange);                      // 58

    // A field the user typed into is committed when it is left or Enter is pressed there: a
    // value the room does not take is refused then, not at every keystroke. Later, so that no
    // box opens while the focus moves.
    for (wxTextCtrl* field : {input_temperature, input_pressure, input_humidity, input_irduration, input_stopdecay,
                              input_maxreflex, input_numrays}) {
        field->Bind(wxEVT_KILL_FOCUS, [this, field](wxFocusEvent& event) {
            event.Skip();
            if (!field->IsModified()) return;
            field->DiscardEdits();
            CallAfter([this] { RunGuarded([this] { CommitSimulationPage(); }); });
        });
        field->Bind(wxEVT_TEXT_ENTER, [this, field](wxCommandEvent&) {
            field->DiscardEdits();
            RunGuarded([this] { CommitSimulationPage(); });
        });
    }

    // The menu's shortcuts wherever the focus is: some controls (the 3D view) take every key
    // before the menu sees it. The key goes to the window first; one that is a shortcut of an
    // enabled menu entry runs the entry instead.
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        const int id = MenuShortcut(event);
        if (id == wxID_NONE) {
            event.Skip();
            return;
        }
        wxCommandEvent command(wxEVT_MENU, id);
        command.SetEventObject(this);
        GetEventHandler()->ProcessEvent(command);
    });

    // The close box and Close() run the Quit logic and may be vetoed.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) { RunGuarded([&] { OnClose(event); }); });
}
