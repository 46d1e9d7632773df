// The main window: what it shows right after start-up, which handler each control reaches,
// closing with a modified project, a fatal core error in a handler, teardown of its charts, and
// the error box of the shared code.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/grid.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include "desktop/DesktopErrorSink.h"
#include "desktop/DesktopTestFolder.h"
#include "desktop/ImportDialog.h"
#include "desktop/SorviwxFrame.h"
#include "geometry/ErrorHandler.h"
#include "simulation/TRoom.h"
#include "support/gui/GuiTest.h"
#include "views/GL_Plot2D.h"
#include "views/GL_Window.h"
#include "views/charts/mpFXYVector.h"
#include "views/charts/mpScaleX.h"
#include "views/charts/mpScaleY.h"
#include "views/charts/mpWindow.h"

using namespace desktoptest;

namespace {

// The names the window traces as its handlers run; every other log entry goes on to the
// harness's log, which checks it.
class HandlerLog : public wxLog {
public:
    std::vector<std::string> names;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override
    {
        // The toolkit puts the mask in front of a trace: "(handlers) OnAddMaterial".
        wxString mask, name;
        if (level == wxLOG_Trace && info.GetStrValue(wxLOG_KEY_TRACE_MASK, &mask) && mask == "handlers" &&
            msg.StartsWith("(handlers) ", &name))
            names.push_back(name.utf8_string());
        else
            TestLog().LogRecord(level, msg, info);
    }
};

class SorviwxFrameTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        folder_ = std::make_unique<ScopedWorkingFolder>();
        projtest::Quietly([this] { frame = new SorviwxFrame(nullptr, -1); });
        frame->Show();
        PumpEvents();
        wxLog::AddTraceMask("handlers");
        previousLog_ = wxLog::SetActiveTarget(&handlers_);
    }
    void TearDown() override
    {
        wxLog::SetActiveTarget(previousLog_);
        wxLog::RemoveTraceMask("handlers");
        Close();
        SorviwxFrame::SetExitStatus(0);
        GuiTest::TearDown();
        folder_.reset();
    }
    // Destroys the window (no close event) and waits until it is gone.
    void Close()
    {
        if (!frame) return;
        projtest::Quietly([this] {
            frame->Destroy();
            PumpEvents();
        });
        EXPECT_FALSE(frame) << "the window outlived its destruction";
    }
    void Send(wxEvtHandler* target, wxEvent& event)
    {
        trace.clear();
        target->ProcessEvent(event);
    }

    HandlerLog handlers_;
    wxWeakRef<SorviwxFrame> frame;
    // The handlers that ran, in order.
    std::vector<std::string>& trace = handlers_.names;

private:
    wxLog* previousLog_ = nullptr;
    std::unique_ptr<ScopedWorkingFolder> folder_;
};

TEST_F(SorviwxFrameTest, StartsAsAnUntitledProjectWithThePagesDefaults)
{
    EXPECT_EQ(frame->GetTitle(), "SORVI - Untitled Project");
    EXPECT_EQ(frame->ProjectStatus, 0);
    ASSERT_NE(frame->sala, nullptr);
    EXPECT_EQ(frame->MyGLCanvas->sala, frame->sala);

    const std::pair<wxTextCtrl*, const char*> fields[] = {
        {frame->input_temperature, "21.0"}, {frame->input_pressure, "1.0"},   {frame->input_humidity, "40.0"},
        {frame->input_samplerate, "44100"}, {frame->input_irduration, "3.0"}, {frame->input_maxreflex, "50"},
        {frame->input_stopdecay, "-60"},    {frame->input_numrays, "10000"},  {frame->vertex[0], "0.00"},
        {frame->vertex[1], "0.00"},         {frame->vertex[2], "0.00"},       {frame->NumVertPlane, "0"},
    };
    for (const auto& [field, text] : fields) EXPECT_EQ(field->GetValue(), text);
    EXPECT_TRUE(frame->input_samplerate->IsEnabled());
    EXPECT_FALSE(frame->NumVertPlane->IsEnabled());
    EXPECT_FALSE(frame->textinfo->IsShown());

    const bool options[5] = {false, false, true, false, false};
    wxCheckBox* boxes[5] = {frame->CheckBox1, frame->CheckBox2, frame->CheckBox3, frame->CheckBox4, frame->CheckBox5};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(boxes[i]->GetValue(), options[i]) << "option " << i + 1;

    // The view options mirror what the 3D view draws before any box is touched.
    const ViewControl& view = frame->MyGLCanvas->view;
    const std::pair<wxCheckBox*, bool> viewBoxes[] = {
        {frame->CBView1, view.drawSources},     {frame->CBView2, view.drawReceivers},
        {frame->CBView3, view.ViewSinglePlane}, {frame->CBView4, view.ViewTriangles},
        {frame->CBView5, view.drawSourceIDs},   {frame->CBView6, view.drawReceiverIDs},
        {frame->CBView7, view.DrawLostRays},
    };
    const bool shown[7] = {true, true, false, false, true, true, false};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(viewBoxes[i].first->GetValue(), shown[i]) << "view box " << i + 1;
        EXPECT_EQ(viewBoxes[i].second, shown[i]) << "view flag " << i + 1;
    }

    EXPECT_EQ(frame->Button1->GetLabel(), "Start Simulation");
    EXPECT_FALSE(frame->Button1->IsEnabled());
    const std::pair<wxButton*, bool> buttons[] = {
        {frame->BtnAddMaterial, true},    {frame->BtnDelMaterial, false}, {frame->BtnAddPlaneLayer, false},
        {frame->BtnDelPlaneLayer, false}, {frame->BtnAddSrcLayer, true},  {frame->BtnDelSrcLayer, false},
        {frame->BtnAddSource, false},     {frame->BtnDelSource, false},   {frame->BtnAddRecLayer, true},
        {frame->BtnDelRecLayer, false},   {frame->BtnAddReceiver, false}, {frame->BtnDelReceiver, false},
        {frame->BtnInvPlane, true},
    };
    for (const auto& [button, enabled] : buttons) EXPECT_EQ(button->IsEnabled(), enabled) << button->GetLabel();
    EXPECT_EQ(frame->BtnLinLog, nullptr);
    EXPECT_FALSE(frame->SpinPlaneId->IsEnabled());
    EXPECT_FALSE(frame->ListVertex->IsEnabled());
    EXPECT_EQ(frame->SpinPlaneId->GetValue(), 1);
    EXPECT_EQ(frame->ListVertex->GetValue(), 0);
    EXPECT_EQ(frame->progress->GetValue(), 0);
    EXPECT_EQ(frame->progress->GetRange(), 100);
    EXPECT_FALSE(frame->timer->IsRunning());
    EXPECT_FALSE(frame->DXFFrame->IsShown());
    EXPECT_TRUE(frame->MenuItem3->IsEnabled());
    EXPECT_EQ(frame->ListBoxLayer->GetCount(), 0u);

    EXPECT_EQ(frame->Notebook1->GetSelection(), 0);
    EXPECT_EQ(frame->Notebook1->GetPageText(0), "Simulation");
    EXPECT_EQ(frame->Notebook1->GetPageText(3), "Receivers");
    EXPECT_EQ(frame->Notebook2->GetSelection(), 0);
    EXPECT_EQ(frame->Notebook2->GetPageText(0), "Visualization");
    EXPECT_EQ(frame->Notebook2->GetPageText(1), "Time/Freq. Responses");
    EXPECT_EQ(frame->Notebook2->GetPageText(2), "Acoustic Parameters");
    EXPECT_EQ(frame->graphChoice->GetStringSelection(), "Pressure (LIN scale)");
    EXPECT_EQ(frame->graphChoice->GetCount(), 5u);
}

TEST_F(SorviwxFrameTest, TitleShowsTheProjectNameAndItsState)
{
    frame->sala->ProjectName = "hall.txt";
    frame->ProjectStatus = 1;
    frame->AdjustTitle();
    EXPECT_EQ(frame->GetTitle(), "SORVI - hall.txt");
    frame->ProjectStatus = 2;
    frame->AdjustTitle();
    EXPECT_EQ(frame->GetTitle(), "SORVI - hall.txt *modified");
    frame->ProjectStatus = 0;

    EXPECT_EQ(wxbuildinfo(short_f), "wxWidgets 3.1.2");
    EXPECT_EQ(wxbuildinfo(long_f), "wxWidgets 3.1.2-Windows-Unicode build");
}

TEST_F(SorviwxFrameTest, GridsStartEmptyWithTheirColumns)
{
    auto labels = [](wxGrid* grid) {
        std::vector<std::string> all;
        for (int c = 0; c < grid->GetNumberCols(); ++c) all.push_back(grid->GetColLabelValue(c).utf8_string());
        return all;
    };
    using L = std::vector<std::string>;
    const std::pair<wxGrid*, L> grids[] = {
        {frame->MaterialGrid, {"Name", "63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k", "scatt"}},
        {frame->SrcLayerGrid, {"Name", "Directivity", "63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"}},
        {frame->PlaneLayerGrid, {"Plane Layer", "Material", "Color"}},
        {frame->SourceGrid, {"X", "Y", "Z", "Azim", "Elev", "SPL (1m)", "Source Type", "Sound File"}},
        {frame->ReceiverGrid, {"X", "Y", "Z", "Azim", "Receiver Type"}},
        {frame->RecLayerGrid, {"Name", "Directivity"}},
    };
    for (const auto& [grid, expected] : grids) {
        EXPECT_EQ(grid->GetNumberRows(), 0) << grid->GetName();
        EXPECT_EQ(labels(grid), expected) << grid->GetName();
    }
    EXPECT_EQ(frame->SRPlotGrid->GetNumberRows(), 0);
    EXPECT_EQ(frame->SRPlotGrid->GetNumberCols(), 1);
    EXPECT_EQ(frame->MaterialGrid->GetColSize(0), 190);
    EXPECT_EQ(frame->SourceGrid->GetColSize(7), 180);
    EXPECT_EQ(frame->ReceiverGrid->GetColSize(4), 315);
    EXPECT_EQ(frame->MaterialGrid->GetSelectionMode(), wxGrid::wxGridSelectRows);
    EXPECT_EQ(frame->PlaneLayerGrid->GetSelectionMode(), wxGrid::wxGridSelectCells);
}

// No text of the window is cut: every grid column is as wide as its label and every
// button as its label needs ("SPL (1m)", "scatt", "Color", "Add Receiver Type", "Invert" once
// were cut).
TEST_F(SorviwxFrameTest, LabelsOfTheLeftPanelFitTheirControls)
{
    for (wxGrid* grid : {frame->MaterialGrid, frame->SrcLayerGrid, frame->PlaneLayerGrid, frame->SourceGrid,
                         frame->ReceiverGrid, frame->RecLayerGrid}) {
        const wxFont font = grid->GetLabelFont();
        for (int c = 0; c < grid->GetNumberCols(); ++c) {
            int w = 0, h = 0;
            grid->GetTextExtent(grid->GetColLabelValue(c), &w, &h, nullptr, nullptr, &font);
            EXPECT_GE(grid->GetColSize(c), w + 8) << grid->GetName() << " " << grid->GetColLabelValue(c);
        }
    }
    for (wxButton* button : {frame->BtnInvPlane, frame->BtnAddMaterial, frame->BtnDelMaterial, frame->BtnAddPlaneLayer,
                             frame->BtnDelPlaneLayer, frame->BtnAddSrcLayer, frame->BtnDelSrcLayer, frame->BtnAddSource,
                             frame->BtnDelSource, frame->BtnAddRecLayer, frame->BtnDelRecLayer, frame->BtnAddReceiver,
                             frame->BtnDelReceiver}) {
        const wxSize best = button->GetBestSize();
        EXPECT_GE(button->GetSize().x, best.x) << button->GetLabel();
        EXPECT_GE(button->GetSize().y, best.y) << button->GetLabel();
        // Not clipped by the box that holds it.
        EXPECT_LE(button->GetRect().GetRight(), button->GetParent()->GetClientSize().x) << button->GetLabel();
    }
    // The view choice shows its longest entry whole.
    EXPECT_GE(frame->graphChoice->GetSize().x, frame->graphChoice->GetBestSize().x);
    // The "Simulation" page shows its gauge, its button and its boxes whole (the gauge and the
    // stop criteria's fields were cut at 1280 pixels).
    for (wxWindow* control : {static_cast<wxWindow*>(frame->progress), static_cast<wxWindow*>(frame->Button1),
                              frame->input_numrays->GetParent(), frame->input_temperature->GetParent()})
        EXPECT_LE(control->GetRect().GetRight(), control->GetParent()->GetClientSize().x) << control->GetName();
}

TEST_F(SorviwxFrameTest, ChartsShareOneFrequencyAxisAndTileTheView)
{
    for (int i = 0; i < 4; ++i) {
        mpWindow* chart = frame->param_plot[i];
        ASSERT_EQ(chart->CountAllLayers(), 2u) << i;
        EXPECT_EQ(chart->GetLayer(0), frame->xaxis_param) << i;
        EXPECT_EQ(chart->GetLayer(1), frame->yaxis_param[i]) << i;
        EXPECT_EQ(chart->GetParent(), frame->paramPanel);
    }
    EXPECT_EQ(frame->yaxis_param[0]->GetName(), "T_30 (s)");
    EXPECT_EQ(frame->yaxis_param[3]->GetName(), "Center Time (ms)");
    EXPECT_EQ(frame->xaxis_param->GetName(), "Frequency (Hz)");
    const wxSize half = frame->param_plot[0]->GetSize();
    EXPECT_EQ(frame->param_plot[1]->GetPosition(), wxPoint(half.x, 0));
    EXPECT_EQ(frame->param_plot[2]->GetPosition(), wxPoint(0, half.y));
    EXPECT_EQ(frame->param_plot[3]->GetPosition(), wxPoint(half.x, half.y));
    for (int i = 1; i < 4; ++i) EXPECT_EQ(frame->param_plot[i]->GetSize(), half);

    // One chart loses its layers without deleting them: the other three keep the shared axis.
    frame->param_plot[0]->DelAllLayers(false, false);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(frame->param_plot[i]->GetLayer(0), frame->xaxis_param);
    // A curve layer belongs to its chart; the teardown (under the sanitizers) frees everything once.
    std::vector<double> xs{125, 250, 500}, ys{1.1, 1.0, 0.9};
    auto* curve = new mpFXYVector("S1-R1");
    curve->SetData(xs, ys);
    frame->param_plot[1]->AddLayer(curve);
    Close();
}

TEST_F(SorviwxFrameTest, EveryControlReachesItsHandlerOnce)
{
    SorviwxFrame& f = *frame;
    // What the handlers ask on an empty project: the start button's message, the file choosers
    // of Open, Import and Save (cancelled), the about box and the room designer (cancelled).
    prompter.AnswerMessageBox(wxOK);
    for (int i = 0; i < 3; ++i) prompter.AnswerFile("");
    prompter.AnswerMessageBox(wxOK);
    modals.Answer(wxID_CANCEL);
    struct Click {
        wxWindow* control;
        const char* handler;
    };
    const Click clicks[] = {
        {f.Button1, "OnButton1Click"},           {f.BtnInvPlane, "InvertPlaneSequence"},
        {f.BtnAddMaterial, "OnAddMaterial"},     {f.BtnDelMaterial, "OnDelMaterial"},
        {f.BtnAddSource, "OnAddSource"},         {f.BtnDelSource, "OnDelSource"},
        {f.BtnAddSrcLayer, "OnAddSrcLayer"},     {f.BtnDelSrcLayer, "OnDelSrcLayer"},
        {f.BtnAddReceiver, "OnAddReceiver"},     {f.BtnDelReceiver, "OnDelReceiver"},
        {f.BtnAddRecLayer, "OnAddRecLayer"},     {f.BtnDelRecLayer, "OnDelRecLayer"},
        {f.BtnAddPlaneLayer, "OnAddPlaneLayer"}, {f.BtnDelPlaneLayer, "OnDelPlaneLayer"},
    };
    for (const Click& c : clicks) {
        wxCommandEvent click(wxEVT_BUTTON, c.control->GetId());
        click.SetEventObject(c.control);
        Send(c.control->GetEventHandler(), click);
        EXPECT_EQ(trace, std::vector<std::string>{c.handler}) << c.control->GetName();
    }
    // The editing buttons added a material, types and a plane layer; the menus are sent on an
    // unchanged project, so that New and Open ask no save question.
    f.ProjectStatus = 0;

    const std::pair<int, const char*> menus[] = {
        {wxID_FILE2, "OnNewProject"}, {wxID_OPEN, "OnOpenFile"}, {wxID_FILE1, "OnImportClicked"},
        {wxID_SAVE, "OnSaveFile"},    {wxID_ABOUT, "OnAbout"},   {(int)SorviwxFrame::ID_ROOM_DES, "OpenRoomDesigner"},
    };
    for (const auto& [id, handler] : menus) {
        EXPECT_NE(f.MenuBar1->FindItem(id), nullptr) << handler;
        wxCommandEvent pick(wxEVT_MENU, id);
        Send(&f, pick);
        EXPECT_EQ(trace, std::vector<std::string>{handler}) << id;
    }

    wxCheckBox* viewBoxes[7] = {f.CBView1, f.CBView2, f.CBView3, f.CBView4, f.CBView5, f.CBView6, f.CBView7};
    for (int i = 0; i < 7; ++i) {
        wxCommandEvent toggle(wxEVT_CHECKBOX, viewBoxes[i]->GetId());
        toggle.SetEventObject(viewBoxes[i]);
        Send(viewBoxes[i]->GetEventHandler(), toggle);
        EXPECT_EQ(trace, std::vector<std::string>{"OnCBView" + std::to_string(i + 1) + "Click"});
    }
    for (wxCheckBox* option : {f.CheckBox1, f.CheckBox2, f.CheckBox3, f.CheckBox4, f.CheckBox5}) {
        wxCommandEvent toggle(wxEVT_CHECKBOX, option->GetId());
        toggle.SetEventObject(option);
        Send(option->GetEventHandler(), toggle);
        EXPECT_TRUE(trace.empty()) << option->GetLabel();
    }

    struct Cell {
        wxGrid* grid;
        wxEventType type;
        const char* handler;  // null: no handler
    };
    const Cell cells[] = {
        {f.SrcLayerGrid, wxEVT_GRID_CELL_CHANGED, "OnSrcLGridChanged"},
        {f.SrcLayerGrid, wxEVT_GRID_EDITOR_HIDDEN, "OnSrcLGridChanged"},
        {f.SourceGrid, wxEVT_GRID_CELL_CHANGED, "OnSourceGridChanged"},
        {f.SourceGrid, wxEVT_GRID_EDITOR_HIDDEN, "OnSourceGridChanged"},
        {f.RecLayerGrid, wxEVT_GRID_CELL_CHANGED, "OnRecLGridChanged"},
        {f.RecLayerGrid, wxEVT_GRID_EDITOR_HIDDEN, "OnRecLGridChanged"},
        {f.ReceiverGrid, wxEVT_GRID_CELL_CHANGED, "OnReceiverGridChanged"},
        {f.ReceiverGrid, wxEVT_GRID_EDITOR_HIDDEN, nullptr},
        {f.MaterialGrid, wxEVT_GRID_CELL_CHANGED, "OnMaterialGridChanged"},
        {f.PlaneLayerGrid, wxEVT_GRID_CELL_CHANGED, "OnPlaneLGridChanged"},
        {f.PlaneLayerGrid, wxEVT_GRID_EDITOR_HIDDEN, "OnPlaneLGridEditorHidden"},
        {f.PlaneLayerGrid, wxEVT_GRID_CELL_LEFT_CLICK, "OnPlaneLGridLeftClick"},
        {f.SRPlotGrid, wxEVT_GRID_CELL_LEFT_CLICK, "OnSRPlotCtrLeftClick"},
    };
    for (const Cell& c : cells) {
        wxGridEvent event(c.grid->GetId(), c.type, c.grid, 0, 0);
        Send(c.grid->GetEventHandler(), event);
        const std::vector<std::string> expected =
            c.handler ? std::vector<std::string>{c.handler} : std::vector<std::string>{};
        EXPECT_EQ(trace, expected) << c.grid->GetName() << " " << c.type;
    }

    const std::pair<wxWindow*, const char*> others[] = {{f.SpinPlaneId, "OnSpinPlaneChange"},
                                                        {f.ListVertex, "OnVertexChange"}};
    for (const auto& [spin, handler] : others) {
        wxSpinEvent event(wxEVT_SPINCTRL, spin->GetId());
        event.SetEventObject(spin);
        Send(spin->GetEventHandler(), event);
        EXPECT_EQ(trace, std::vector<std::string>{handler});
    }
    const std::pair<wxWindow*, const char*> choices[] = {{f.ListBoxLayer, "OnPlaneLayerChange"},
                                                         {f.graphChoice, "OnGraphicChange"}};
    for (const auto& [choice, handler] : choices) {
        wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
        event.SetEventObject(choice);
        Send(choice->GetEventHandler(), event);
        EXPECT_EQ(trace, std::vector<std::string>{handler});
    }
    wxTimerEvent tick(*f.timer);
    Send(&f, tick);
    EXPECT_EQ(trace, std::vector<std::string>{"OnTimer"});
}

TEST_F(SorviwxFrameTest, ASettingFieldChangeRunsTheUpdateOnce)
{
    for (wxTextCtrl* field :
         {frame->input_temperature, frame->input_pressure, frame->input_humidity, frame->input_samplerate,
          frame->input_irduration, frame->input_maxreflex, frame->input_stopdecay, frame->input_numrays}) {
        trace.clear();
        field->SetValue(field->GetValue() + "1");
        EXPECT_EQ(trace, std::vector<std::string>{"UpdateRoomFromInterface"}) << field->GetId();
    }
    trace.clear();
    frame->vertex[0]->SetValue("1.00");
    EXPECT_TRUE(trace.empty());
}

TEST_F(SorviwxFrameTest, CloseBoxAsksAboutAModifiedProjectAndCancelKeepsIt)
{
    frame->ProjectStatus = 2;
    TRoom* room = frame->sala;
    prompter.AnswerQuestion(wxID_CANCEL);
    EXPECT_FALSE(frame->Close(false));
    PumpEvents();
    ASSERT_TRUE(frame);
    ASSERT_EQ(prompter.Asked().size(), 1u);
    EXPECT_EQ(prompter.Asked()[0].caption, "Question");
    EXPECT_EQ(prompter.Asked()[0].message, "The actual project was changed.\n Save it?");
    EXPECT_TRUE(prompter.Asked()[0].style & wxCANCEL);
    EXPECT_EQ(frame->sala, room);
    EXPECT_EQ(frame->ProjectStatus, 2);

    prompter.AnswerQuestion(wxID_NO);
    projtest::Quietly([this] {
        frame->Close(false);
        PumpEvents();
    });
    EXPECT_FALSE(frame);
    EXPECT_EQ(prompter.Asked().size(), 2u);
}

TEST_F(SorviwxFrameTest, ClosingAnUnmodifiedProjectAsksNothing)
{
    frame->ProjectStatus = 1;
    projtest::Quietly([this] {
        wxCommandEvent quit(wxEVT_MENU, wxID_EXIT);
        frame->GetEventHandler()->ProcessEvent(quit);
        PumpEvents();
    });
    EXPECT_FALSE(frame);
    EXPECT_TRUE(prompter.Asked().empty());
}

TEST_F(SorviwxFrameTest, ClosingStopsARunningSimulationBeforeTheRoomGoes)
{
    fs::copy_file(fs::path(SORVI_SOURCE_DIR) / "examples" / "shoebox.txt", "shoebox.txt");
    ProjectLoad load;
    projtest::Quietly([&] { load = LoadProject("shoebox.txt", ProjectChain::Full); });
    ASSERT_TRUE(load) << load.error;
    TRoom* room = load.room.release();
    projtest::Quietly([&] {
        delete frame->sala;
        frame->sala = room;
        frame->MyGLCanvas->SetRoom(room);
        room->SetNumRays(2000000);  // far more than the test waits for
        room->CreateResults();
        room->StartSimulation();
    });
    ASSERT_TRUE(room->SimulationActive());
    frame->ProjectStatus = 1;
    // The run is asked to stop and joined before the room is freed (the sanitizers watch).
    projtest::Quietly([this] {
        frame->Close(false);
        PumpEvents();
    });
    EXPECT_FALSE(frame);
    for (const std::string& text : TakeCoreErrors())
        EXPECT_EQ(text, "Interrupted by the user! Results not calculated!!");
}

TEST_F(SorviwxFrameTest, FatalCoreErrorInAHandlerIsShownAndEndsWithItsStatus)
{
    // A handler bound like the window's own, whose work fails fatally in the shared code.
    frame->BtnInvPlane->Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
        frame->RunGuarded([] { ShowErrorAndThrowExit(1, "Error reading file 'gone.txt'\n"); });
        event.Skip(false);
    });
    projtest::Quietly([this] {
        wxCommandEvent click(wxEVT_BUTTON, frame->BtnInvPlane->GetId());
        click.SetEventObject(frame->BtnInvPlane);
        frame->BtnInvPlane->ProcessWindowEvent(click);
        PumpEvents();
    });
    EXPECT_EQ(TakeCoreErrors(), std::vector<std::string>{"Error reading file 'gone.txt'\n"});
    EXPECT_FALSE(frame) << "the window stays after a fatal error";
    EXPECT_EQ(SorviwxFrame::ExitStatus(), 1);
}

class DesktopErrorSinkTest : public GuiTest {};

TEST_F(DesktopErrorSinkTest, ShowsABoxOnTheInterfaceThreadAndPostsFromOthers)
{
    ErrorHandler previous = SetErrorHandler(DesktopErrorSink());
    prompter.AnswerMessageBox(wxOK);
    prompter.AnswerMessageBox(wxOK);
    EXPECT_EQ(ShowErrorText("Material 'brick' not found\n"), 1);
    ASSERT_EQ(prompter.Asked().size(), 1u);
    EXPECT_EQ(prompter.Asked()[0].caption, "Error");
    EXPECT_EQ(prompter.Asked()[0].message, "Material 'brick' not found\n");

    // The simulation thread never waits for the interface thread.
    int answer = 0;
    std::thread run([&] { answer = ShowErrorText("Sound file rate differs\n"); });
    run.join();
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(prompter.Asked().size(), 1u);
    EXPECT_TRUE(WaitUntil([&] { return prompter.Asked().size() == 2; }));
    ASSERT_EQ(prompter.Asked().size(), 2u);
    EXPECT_EQ(prompter.Asked()[1].message, "Sound file rate differs\n");
    SetErrorHandler(previous);
}

}  // namespace
