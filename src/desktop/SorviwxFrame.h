#pragma once
// The desktop program's main window: the editing notebook on the left (Simulation, Geometry,
// Sources, Receivers), the views on the right (3D model, responses, acoustic parameters), the
// room being edited (`sala`, owned) and every handler the window connects.
//
// The window is implemented in one file per concern:
//   SorviwxFrame.cpp          construction, layout, title, closing and teardown
//   SorviwxFrameEvents.cpp    control identifiers and the connection of every handler
//   SorviwxFrameViews.cpp     the three view pages of the right notebook
//   SorviwxFrameProject.cpp   new, open, import, save, quit, room designer, about
//   SorviwxFrameRun.cpp       simulation settings, run control and progress
//   SorviwxFramePlots.cpp     response curves and parameter charts
//   SorviwxFrameMaterials.cpp materials and plane layers
//   SorviwxFrameSources.cpp   sources, receivers and their types
//   SorviwxFrameGeometry.cpp  planes, vertices, room information and view options
//
// Every question, message box and file chooser goes through Prompter::Get(); numbers typed into
// fields and cells are read with ReadNumber (desktop/FrameText.h), whatever the user's locale. A fatal core error
// (SorviExit) raised in a handler reaches CoreExit, which releases the room and ends the program
// with the error's status.

#include <functional>

#include <wx/frame.h>
#include <wx/string.h>

#include "desktop/ResponsePlots.h"
#include "desktop/RunControl.h"

class GL_Plot2D;
class GL_Window;
class ImportDialog;
class SorviExit;
class TPlane;
class TRoom;
class mpScaleX;
class mpScaleY;
class mpWindow;
class wxBoxSizer;
class wxButton;
class wxCheckBox;
class wxChoice;
class wxCloseEvent;
class wxColourDialog;
class wxCommandEvent;
class wxGauge;
class wxGrid;
class wxGridEvent;
class wxGridEditorCreatedEvent;
class wxKeyEvent;
class wxMenu;
class wxMenuBar;
class wxMenuItem;
class wxMouseEvent;
class wxNotebook;
class wxPanel;
class wxSpinCtrl;
class wxSpinEvent;
class wxStatusBar;
class wxTextCtrl;
class wxTimer;
class wxTimerEvent;

class SorviwxFrame : public wxFrame {
public:
    SorviwxFrame(wxWindow* parent, wxWindowID id = -1);
    ~SorviwxFrame() override;

    // Control identifiers (distinct values from wxNewId at static initialisation).
    static const long ID_CHECKBOX1, ID_CHECKBOX2, ID_CHECKBOX3, ID_CHECKBOX4, ID_CHECKBOX5;
    static const long ID_CBVIEW1, ID_CBVIEW2, ID_CBVIEW3, ID_CBVIEW4, ID_CBVIEW5, ID_CBVIEW6, ID_CBVIEW7;
    static const long ID_BUTTON1, ID_BUTTON2, ID_BTN_INV, ID_TEXTINFO, ID_SpinPlaneId, ID_TIMER;
    static const long ID_ADDMAT, ID_DELMAT, ID_ADDREC, ID_DELREC, ID_ADDSRC, ID_DELSRC;
    static const long ID_ADDSRCLAYER, ID_DELSRCLAYER, ID_ADDRECLAYER, ID_DELRECLAYER;
    static const long ID_MATGRID, ID_LISTBOXLAYER, ID_ROOM_DES;
    static const long ID_TEXT_IR_DUR, ID_TEXT_TEMPERATURE, ID_TEXT_PRESSURE, ID_TEXT_HUMIDITY, ID_TEXT_SRATE,
        ID_TEXT_MAX_REF, ID_TEXT_DECAY, ID_TEXT_NUMRAYS;
    static const long ID_LISTVERTEX, ID_SRCLGRID, ID_RECLGRID, ID_SRCGRID, ID_RECGRID, ID_PLANELGRID;
    static const long ID_ADDPLANELAYER, ID_DELPLANELAYER, ID_3DPLOT, ID_LINLOGBTN, ID_2DPLOT, ID_SRPLOTCTR, ID_GRAPHCHC;
    static const long FILE_QUIT;   // wxID_EXIT
    static const long HELP_ABOUT;  // wxID_ABOUT

    // ---- members (construction values in SorviwxFrame.cpp) ----
    GL_Window* MyGLCanvas = nullptr;
    GL_Plot2D* My2DPlot = nullptr;  // deleted by the destructor
    TRoom* sala = nullptr;          // owned; null only after Quit freed it
    int ProjectStatus = 0;          // 0 empty/untitled, 1 loaded or saved, 2 modified
    wxStatusBar* StatusBar1 = nullptr;
    wxMenu* Menu1 = nullptr;  // "&File"
    wxMenu* Menu2 = nullptr;  // "Help"
    wxMenu* Menu3 = nullptr;  // "Rooms"
    wxMenuBar* MenuBar1 = nullptr;
    wxMenuItem* MenuItem3 = nullptr;  // File > Save
    wxCheckBox* CheckBox1 = nullptr;
    wxCheckBox* CheckBox2 = nullptr;
    wxCheckBox* CheckBox3 = nullptr;
    wxCheckBox* CheckBox4 = nullptr;
    wxCheckBox* CheckBox5 = nullptr;
    wxCheckBox* CBView1 = nullptr;
    wxCheckBox* CBView2 = nullptr;
    wxCheckBox* CBView3 = nullptr;
    wxCheckBox* CBView4 = nullptr;
    wxCheckBox* CBView5 = nullptr;
    wxCheckBox* CBView6 = nullptr;
    wxCheckBox* CBView7 = nullptr;
    wxNotebook* Notebook1 = nullptr;
    wxNotebook* Notebook2 = nullptr;
    wxPanel* drawPanel = nullptr;
    wxPanel* paramPanel = nullptr;
    wxTextCtrl* input_temperature = nullptr;
    wxTextCtrl* input_pressure = nullptr;
    wxTextCtrl* input_humidity = nullptr;
    wxTextCtrl* input_samplerate = nullptr;
    wxTextCtrl* input_maxreflex = nullptr;
    wxTextCtrl* input_stopdecay = nullptr;
    wxTextCtrl* input_irduration = nullptr;
    wxTextCtrl* input_numrays = nullptr;
    wxTextCtrl* textinfo = nullptr;
    wxTextCtrl* vertex[3] = {nullptr, nullptr, nullptr};
    wxTextCtrl* NumVertPlane = nullptr;
    wxGrid* ReceiverGrid = nullptr;
    wxGrid* SourceGrid = nullptr;
    wxGrid* MaterialGrid = nullptr;
    wxGrid* SrcLayerGrid = nullptr;
    wxGrid* RecLayerGrid = nullptr;
    wxGrid* PlaneLayerGrid = nullptr;
    wxGrid* SRPlotGrid = nullptr;
    wxChoice* ListBoxLayer = nullptr;
    wxChoice* graphChoice = nullptr;
    wxColourDialog* colorDlg = nullptr;  // latest colour pick of the plane-layer grid
    wxButton* Button1 = nullptr;         // "Start Simulation" / "Stop Simulation"
    wxButton* BtnInvPlane = nullptr;
    wxButton* BtnAddMaterial = nullptr;
    wxButton* BtnDelMaterial = nullptr;
    wxButton* BtnAddReceiver = nullptr;
    wxButton* BtnDelReceiver = nullptr;
    wxButton* BtnAddRecLayer = nullptr;
    wxButton* BtnDelRecLayer = nullptr;
    wxButton* BtnAddSource = nullptr;
    wxButton* BtnDelSource = nullptr;
    wxButton* BtnAddSrcLayer = nullptr;
    wxButton* BtnDelSrcLayer = nullptr;
    wxButton* BtnAddPlaneLayer = nullptr;
    wxButton* BtnDelPlaneLayer = nullptr;
    wxButton* BtnLinLog = nullptr;  // never created
    wxSpinCtrl* SpinPlaneId = nullptr;
    wxSpinCtrl* ListVertex = nullptr;
    wxTimer* timer = nullptr;  // ID_TIMER, owned by the window
    wxGauge* progress = nullptr;
    // The four parameter charts: 0 T30, 1 EDT, 2 C80, 3 centre time. The axis layers belong to
    // the window (the frequency axis is one layer shared by all four charts): never delete them
    // through a chart (detach them with DelLayer(layer, false) or DelAllLayers(false)). The
    // destructor detaches and deletes the axes once and lets each chart delete the other layers
    // it still holds (curves, legends).
    mpWindow* param_plot[4] = {nullptr, nullptr, nullptr, nullptr};
    mpScaleX* xaxis_param = nullptr;
    mpScaleY* yaxis_param[4] = {nullptr, nullptr, nullptr, nullptr};
    unsigned int NumPlotsCreated = 0;
    bool LinScale = true;
    bool EnableInterfaceUpdate = true;
    ImportDialog* DXFFrame = nullptr;  // child, hidden, kept for the window's lifetime

    // ---- start-up, title, closing (SorviwxFrame.cpp) ----
    void AdjustTitle();
    // Save question (Yes/No, and Cancel when `canCancel`), a run stopped and joined, the room
    // freed. False when the user cancelled or the save was cancelled or failed.
    bool ReleaseProject(bool canCancel);
    // The close box and Close(): ReleaseProject, vetoed by Cancel when the event can be vetoed.
    void OnClose(wxCloseEvent& event);
    // A fatal core error reached a handler: the run is stopped, the room freed, the window
    // destroyed and the program asked to end with the error's status.
    void CoreExit(const SorviExit& error);
    // The status the program ends with after a fatal core error (0: none happened).
    static int ExitStatus();
    static void SetExitStatus(int status);

    // ---- event wiring (SorviwxFrameEvents.cpp) ----
    // Every connected handler's name is traced (wxLogTrace, mask "handlers") just before it
    // runs: WXTRACE=handlers shows which handler a control reaches.
    void ConnectHandlers();
    // The enabled menu entry that `key` is the shortcut of (wxID_NONE: none).
    int MenuShortcut(const wxKeyEvent& key);

    // ---- view pages (SorviwxFrameViews.cpp) ----
    void BuildViewPages(int clientHeight);

    // ---- project (SorviwxFrameProject.cpp) ----
    void OnImportClicked(wxCommandEvent& event);
    void OnNewProject(wxCommandEvent& event);
    void OnOpenFile(wxCommandEvent& event);
    void OnSaveFile(wxCommandEvent& event);
    void OpenRoomDesigner(wxCommandEvent& event);
    // Quit closes the window: the close handler (OnClose) asks the save question, stops and
    // joins a run and frees the room, for the menu and the close box alike.
    void OnQuit(wxCommandEvent& event);
    void OnAbout(wxCommandEvent& event);
    bool OpenSaveDlg();
    void LoadRoom(char* file);
    void SaveRoom(char* file);

    // ---- run (SorviwxFrameRun.cpp) ----
    void FillEnvironmentFields();
    void UpdateRoomFromInterface();
    void InterfaceControls(bool enable);
    void OnButton1Click(wxCommandEvent& event);
    void OnTimer(wxTimerEvent& event);
    // Ends a run before the room is replaced or merged into: stopped and joined, its files
    // dropped, timer stopped, button and fields back to idle.
    void EndRun();
    // The stopped run's files dropped (waited for when they are still going), timer stopped,
    // button and fields back to idle.
    void FinishStop();
    // A run stopped by the button drops its files here, beside the window; until they are gone
    // the pages stay locked and the timer looks in.
    RunCleanup runCleanup;
    // One turn of waiting for a thread on the interface thread: the windows repaint (input
    // waits until the thread has ended), then a short sleep.
    void RepaintWhileWaiting();
    bool WaitingForThread = false;  // RepaintWhileWaiting is being called: a close waits
    // Copies the Simulation page into the room; a field the room does not take is refused
    // with a message that names it and its range, and shows the room's value again. False
    // when a field was refused.
    bool CommitSimulationPage();

    // ---- plots (SorviwxFramePlots.cpp) ----
    void CreatePlotResults();
    void DrawCurves();
    void PlotParameter(int PIndex);
    void OnGraphicChange(wxCommandEvent& event);
    void FillSRPlotCtrGrid();
    void OnSRPlotCtrLeftClick(wxGridEvent& event);
    void OnLinLogClick(wxCommandEvent& event);
    void PlotResponses();
    // The curves no longer show the room's results: New, Open without responses, adding or
    // deleting sources or receivers, the start of a run. Views and grid clicks then do nothing
    // until the next DrawCurves.
    void InvalidatePlots();
    // The room was replaced (or merged into) and none of its own results are shown: the
    // curves, the pair grid and the four charts are emptied.
    void EmptyPlots();
    ResponsePlots plots;  // what the 2D plot's curves were drawn from

    // ---- materials and plane layers (SorviwxFrameMaterials.cpp) ----
    void FillMaterialTable();
    void FillPlaneLayerGrid();
    void OnAddMaterial(wxCommandEvent& event);
    void OnDelMaterial(wxCommandEvent& event);
    void OnAddPlaneLayer(wxCommandEvent& event);
    void OnDelPlaneLayer(wxCommandEvent& event);
    void OnMaterialGridChanged(wxGridEvent& event);
    void OnPlaneLGridChanged(wxGridEvent& event);
    void OnPlaneLGridEditorHidden(wxGridEvent& event);
    void OnPlaneLGridLeftClick(wxGridEvent& event);
    void OnPlaneLGridEditorCreated(wxGridEvent& event);
    void OnSortClosing(wxCommandEvent& event);
    void OnEditorCreated(wxGridEditorCreatedEvent& event);
    void OnBoolCellLClick(wxGridEvent& event);
    void OnBoolEditorClicked(wxMouseEvent& event);

    // ---- sources and receivers (SorviwxFrameSources.cpp) ----
    void FillSourceLayerGrid();
    void FillSourceGrid();
    void FillReceiverLayerGrid();
    void FillReceiverGrid();
    void OnAddSrcLayer(wxCommandEvent& event);
    void OnDelSrcLayer(wxCommandEvent& event);
    void OnAddSource(wxCommandEvent& event);
    void OnDelSource(wxCommandEvent& event);
    void OnAddRecLayer(wxCommandEvent& event);
    void OnDelRecLayer(wxCommandEvent& event);
    void OnAddReceiver(wxCommandEvent& event);
    void OnDelReceiver(wxCommandEvent& event);
    void OnSrcLGridChanged(wxGridEvent& event);
    void OnSourceGridChanged(wxGridEvent& event);
    void OnRecLGridChanged(wxGridEvent& event);
    void OnReceiverGridChanged(wxGridEvent& event);

    // ---- geometry, room information, view options (SorviwxFrameGeometry.cpp) ----
    void FillPlanesSection();
    void EnablePlaneControls(bool status);
    void UpdateListBoxLayer();
    void OnSpinPlaneChange(wxSpinEvent& event);
    void OnPlaneLayerChange(wxCommandEvent& event);
    void OnVertexChange(wxCommandEvent& event);
    void InvertPlaneSequence(wxCommandEvent& event);
    void ShowRoomInfo();
    void OnCBView1Click(wxCommandEvent& event);
    void OnCBView2Click(wxCommandEvent& event);
    void OnCBView3Click(wxCommandEvent& event);
    void OnCBView4Click(wxCommandEvent& event);
    void OnCBView5Click(wxCommandEvent& event);
    void OnCBView6Click(wxCommandEvent& event);
    void OnCBView7Click(wxCommandEvent& event);
    // While a run goes on, the room must not change under it: the editing pages, the project
    // menu entries, the Rooms menu, "Lost rays" and the plot controls are disabled (true) or
    // enabled again (false). Called by the run's start and end.
    void LockEditing(bool locked);
    // The X, Y, Z fields show vertex `index` of `plane` ("%.2f"); nothing for a plane without
    // vertices.
    void ShowVertex(const TPlane& plane, int index);

    // Runs a handler; a fatal core error it raises goes to CoreExit instead of the event loop.
    void RunGuarded(const std::function<void()>& body);

private:
    wxDECLARE_EVENT_TABLE();
};

enum wxbuildinfoformat { short_f, long_f };
wxString wxbuildinfo(wxbuildinfoformat format);
