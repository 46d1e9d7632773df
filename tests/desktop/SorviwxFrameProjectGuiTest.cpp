// The main window's project life cycle and run control: the save question and the title, loads
// and saves that fail, the import and the designer on a modified project, the Simulation page,
// and a run driven by hand-made timer events.

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/gauge.h>
#include <wx/grid.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "desktop/DesktopProjectSupport.h"
#include "desktop/DialogInput.h"
#include "desktop/ImportDialog.h"
#include "desktop/RoomDesigner.h"
#include "desktop/SorviwxFrame.h"
#include "dsp/WavFile.h"
#include "geometry/FileLayer.h"
#include "room/TMaterial.h"
#include "simulation/RunGate.h"
#include "simulation/TRoom.h"
#include "support/gui/GuiTest.h"
#include "views/GL_Plot2D.h"
#include "views/GL_Window.h"
#include "views/charts/mpWindow.h"

using namespace desktoptest;

namespace {

// Runs fn with the core's listings kept out of the test output (SORVI_TEST_VERBOSE shows them,
// with the failures raised meanwhile).
void Quiet(const std::function<void()>& fn)
{
    if (std::getenv("SORVI_TEST_VERBOSE"))
        fn();
    else
        projtest::Quietly(fn);
}

class FrameTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        folder_ = std::make_unique<ScopedWorkingFolder>();
        WriteText("room.txt", TinyProject());
        Quiet([this] { frame = new SorviwxFrame(nullptr); });
    }
    void TearDown() override
    {
        Quiet([this] {
            frame->Destroy();
            PumpEvents();
        });
        GuiTest::TearDown();
        folder_.reset();
    }

    std::string Title() const { return frame->GetTitle().ToStdString(); }
    void Menu(void (SorviwxFrame::*handler)(wxCommandEvent&))
    {
        wxCommandEvent event(wxEVT_MENU);
        const bool quiet = !std::getenv("SORVI_TEST_VERBOSE");
        if (quiet) testing::internal::CaptureStdout();
        (frame->*handler)(event);
        if (quiet) testing::internal::GetCapturedStdout();
    }
    void Open(const std::string& path)
    {
        prompter.AnswerFile(path);
        Menu(&SorviwxFrame::OnOpenFile);
    }
    void Press() { Menu(&SorviwxFrame::OnButton1Click); }
    void Tick()
    {
        wxTimerEvent tick(*frame->timer);
        Quiet([&] { frame->OnTimer(tick); });
    }
    // Scripts the modal dialog that the next command runs as ending with OK after writing
    // `handOver` into the hand-over file the window gave it (kept in handOverPaths).
    void DialogHandsOver(const std::string& handOver, bool newFile = true)
    {
        modals.Expect([this, handOver, newFile](wxDialog& dialog) {
            std::string path;
            if (auto* import = dynamic_cast<ImportDialog*>(&dialog)) {
                import->NewFile = newFile;
                path = import->HandOverPath;
            }
            if (auto* designer = dynamic_cast<RoomDesigner*>(&dialog)) path = designer->HandOverPath;
            EXPECT_FALSE(path.empty());
            handOverPaths.push_back(path);
            WriteText(path, handOver);
            return static_cast<int>(wxID_OK);
        });
    }
    // What the window shows of results: curves, ticked pair-grid cells and rows, curve layers
    // of the charts.
    struct Shown {
        unsigned int curves;
        int ticked, rows;
        size_t chartLayers;
    };
    Shown ShownResults() const
    {
        size_t layers = 0;
        for (mpWindow* chart : frame->param_plot) layers += chart->CountAllLayers() - 2;  // the axes
        wxGrid& grid = *frame->SRPlotGrid;
        int ticked = 0;
        for (int r = 0; r < grid.GetNumberRows(); ++r)
            for (int c = 0; c < grid.GetNumberCols(); ++c) ticked += grid.GetCellValue(r, c) == "1";
        return {frame->My2DPlot->Model().getNumGraphs(), ticked, grid.GetNumberRows(), layers};
    }
    // A short run of the open, saved project to its end: its results saved and shown.
    void RunToTheEnd()
    {
        Press();
        ASSERT_TRUE(frame->timer->IsRunning());
        Quiet([&] { frame->sala->WaitForSimulation(); });
        Tick();
        ASSERT_FALSE(frame->timer->IsRunning());
    }

    std::vector<std::string> handOverPaths;

    std::unique_ptr<ScopedWorkingFolder> folder_;
    SorviwxFrame* frame = nullptr;
};

}  // namespace

TEST_F(FrameTest, OpenNewAndTheSaveQuestion)
{
    EXPECT_EQ(Title(), "SORVI - Untitled Project");
    EXPECT_FALSE(frame->Button1->IsEnabled());
    Open("room.txt");
    EXPECT_EQ(frame->ProjectStatus, 1);
    EXPECT_EQ(Title(), "SORVI - room.txt");
    EXPECT_TRUE(frame->Button1->IsEnabled());
    EXPECT_TRUE(frame->MyGLCanvas->view.DrawRoom);
    EXPECT_EQ(frame->MyGLCanvas->sala, frame->sala);
    EXPECT_EQ(frame->sala->NumPlanes, 6u);
    EXPECT_EQ(frame->input_temperature->GetValue(), "20.0");
    EXPECT_EQ(frame->input_irduration->GetValue(), "0.2");
    ASSERT_EQ(prompter.Asked().size(), 1u) << "no question for a saved project";
    EXPECT_EQ(prompter.Asked()[0].message, "Open Sorvi Project file");
    prompter.Reset();

    // Modified: Cancel, and Yes with the save dialog cancelled, keep the project.
    frame->ProjectStatus = 2;
    TRoom* room = frame->sala;
    prompter.AnswerQuestion(wxID_CANCEL);
    Menu(&SorviwxFrame::OnNewProject);
    prompter.AnswerQuestion(wxID_YES);
    prompter.AnswerFile("");
    Menu(&SorviwxFrame::OnOpenFile);
    EXPECT_EQ(frame->sala, room);
    EXPECT_EQ(frame->ProjectStatus, 2);
    ASSERT_EQ(prompter.Asked().size(), 3u);
    EXPECT_EQ(prompter.Asked()[0].message, "The actual project was changed.\n Save it?");
    EXPECT_EQ(prompter.Asked()[0].caption, "Question");
    EXPECT_NE(prompter.Asked()[0].style & wxCANCEL, 0);
    EXPECT_EQ(prompter.Asked()[2].message, "Save Sorvi Project");

    // No: a new empty project.
    prompter.AnswerQuestion(wxID_NO);
    Menu(&SorviwxFrame::OnNewProject);
    EXPECT_NE(frame->sala, nullptr);
    EXPECT_EQ(frame->sala->NumPlanes, 0u);
    EXPECT_EQ(frame->ProjectStatus, 0);
    EXPECT_EQ(Title(), "SORVI - Untitled Project");
    EXPECT_FALSE(frame->MyGLCanvas->view.DrawRoom);
    EXPECT_EQ(frame->MyGLCanvas->sala, frame->sala);
}

TEST_F(FrameTest, SaveUnderANewNameAndSavesThatFail)
{
    Open("room.txt");
    frame->ProjectStatus = 2;
    prompter.AnswerFile("saved.txt");
    prompter.AnswerMessageBox(wxOK);
    Menu(&SorviwxFrame::OnSaveFile);
    EXPECT_EQ(frame->ProjectStatus, 1);
    EXPECT_EQ(Title(), "SORVI - saved.txt");
    EXPECT_EQ(prompter.Asked().back().message, "File 'saved.txt' saved\n");
    const std::string saved = ReadText("saved.txt");
    EXPECT_NE(saved.find("<PLANES>"), std::string::npos);

    // A name the project file cannot hold: the room refuses, the old file stays.
    frame->ProjectStatus = 2;
    frame->sala->material[0]->SetName("x</MATERIALS>");
    prompter.AnswerFile("saved.txt");
    Menu(&SorviwxFrame::OnSaveFile);
    EXPECT_EQ(ReadText("saved.txt"), saved);
    EXPECT_EQ(frame->ProjectStatus, 2);
    EXPECT_EQ(TakeCoreErrors().size(), 1u);
    // A folder that does not exist.
    prompter.AnswerFile("no/such/folder/x.txt");
    Menu(&SorviwxFrame::OnSaveFile);
    const auto logged = log.Take();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].text, "Error: File 'saved.txt' could not be saved");
    EXPECT_EQ(logged[1].text, "Cannot save file 'no/such/folder/x.txt'.");

    // Quit, Yes, and a failed save: the window stays open with its project.
    prompter.AnswerQuestion(wxID_YES);
    prompter.AnswerFile("no/such/folder/x.txt");
    Quiet([&] { EXPECT_FALSE(frame->Close(false)); });
    log.Take();
    EXPECT_NE(frame->sala, nullptr);
    EXPECT_EQ(frame->ProjectStatus, 2);
}

TEST_F(FrameTest, MalformedFileLeavesTheOpenProject)
{
    Open("room.txt");
    TRoom* room = frame->sala;
    WriteText("bad.txt", projtest::Replace(TinyProject(), "2.00 4.00 1.50 1002", "2.00 4.00 x 1002"));
    Open("bad.txt");
    EXPECT_EQ(frame->sala, room);
    EXPECT_EQ(frame->ProjectStatus, 1);
    EXPECT_EQ(Title(), "SORVI - room.txt");
    EXPECT_EQ(TakeCoreErrors().size(), 1u);
    EXPECT_EQ(frame->MyGLCanvas->sala, room);
}

TEST_F(FrameTest, ImportAndDesignerOnAModifiedProject)
{
    Open("room.txt");
    frame->ProjectStatus = 2;
    TRoom* room = frame->sala;
    const std::string dxf = SORVI_SOURCE_DIR "/tests/room/dxf/room.dxf";

    // Import as a new project, then Cancel at the save question: the room stays.
    prompter.AnswerFile(dxf);
    DialogHandsOver(TinyProject());
    prompter.AnswerQuestion(wxID_CANCEL);
    Menu(&SorviwxFrame::OnImportClicked);
    EXPECT_EQ(frame->sala, room);
    EXPECT_EQ(frame->ProjectStatus, 2);

    // The designer's Apply, then Cancel: the same.
    DialogHandsOver(TinyProject());
    prompter.AnswerQuestion(wxID_CANCEL);
    Menu(&SorviwxFrame::OpenRoomDesigner);
    EXPECT_EQ(frame->sala, room);

    // The designer's Apply and No: its project, modified and untitled.
    DialogHandsOver(TinyProject());
    prompter.AnswerQuestion(wxID_NO);
    Menu(&SorviwxFrame::OpenRoomDesigner);
    EXPECT_NE(frame->sala, room);
    EXPECT_EQ(frame->ProjectStatus, 2);
    EXPECT_EQ(Title(), "SORVI - Untitled Project *modified");
    EXPECT_TRUE(frame->MyGLCanvas->view.DrawRoom);

    // Appended: the planes come twice; a broken hand-over file merges nothing.
    prompter.AnswerFile(dxf);
    DialogHandsOver(TinyProject(), false);
    Menu(&SorviwxFrame::OnImportClicked);
    EXPECT_EQ(frame->sala->NumPlanes, 12u);
    EXPECT_EQ(frame->ProjectStatus, 2);
    prompter.AnswerFile(dxf);
    DialogHandsOver(projtest::Replace(TinyProject(), "0.0 Listener", "0.0 Nobody"), false);
    Menu(&SorviwxFrame::OnImportClicked);
    EXPECT_EQ(frame->sala->NumPlanes, 12u);
    EXPECT_EQ(frame->sala->NumReceivers, 2u);
    EXPECT_EQ(TakeCoreErrors().size(), 1u);
}

TEST_F(FrameTest, SimulationPageEditsMarkTheProject)
{
    Open("room.txt");
    const float speed = frame->sala->VSound;
    frame->input_temperature->SetValue("30.0");
    EXPECT_EQ(frame->ProjectStatus, 2);
    EXPECT_DOUBLE_EQ(frame->sala->Temperature, 30.0);
    EXPECT_GT(frame->sala->VSound, speed);
    EXPECT_NE(frame->textinfo->GetValue().Find("Temperature = 30.00"), wxNOT_FOUND);

    // Cleared while retyping: not taken as 0.
    frame->input_temperature->SetValue("");
    EXPECT_DOUBLE_EQ(frame->sala->Temperature, 30.0);

    // The program's own refill marks nothing.
    frame->ProjectStatus = 1;
    Quiet([&] { frame->FillEnvironmentFields(); });
    EXPECT_EQ(frame->ProjectStatus, 1);
    EXPECT_EQ(frame->input_temperature->GetValue(), "30.0");
    EXPECT_FALSE(frame->input_samplerate->IsEnabled());
}

TEST_F(FrameTest, RunStartsProgressesStopsAndEnds)
{
    // Refused by status first.
    prompter.AnswerMessageBox(wxOK);
    Press();
    EXPECT_EQ(prompter.Asked().back().message, "Empty Project! Nothing to Simulate. Please save project first!");

    WriteText("room.txt", TinyProject("1.00"));
    Open("room.txt");
    frame->input_numrays->SetValue("400000");
    EXPECT_EQ(frame->ProjectStatus, 2);
    prompter.AnswerQuestion(wxID_CANCEL);
    Press();
    EXPECT_FALSE(frame->sala->SimulationActive());
    // Saved at the question: the run goes.
    prompter.AnswerQuestion(wxID_OK);
    prompter.AnswerFile("room.txt");
    prompter.AnswerMessageBox(wxOK);  // saved
    prompter.AnswerMessageBox(wxOK);  // "Project Saved!"
    // The run is held where its tracing starts until the stop is asked for: the tick below
    // sees it running and the stop comes before it ends, however the threads are scheduled.
    TRoom* const running = frame->sala;
    runtest::RunGate gate([running] { return running->SimulationActive(); },
                          [running] { return running->run.StopRequested(); });
    auto held = std::make_unique<runtest::ParkAtThreadStarts>(gate);
    Press();
    EXPECT_EQ(prompter.Asked().back().message, "Project Saved!");
    ASSERT_TRUE(frame->sala->SimulationActive());
    EXPECT_EQ(frame->Button1->GetLabel(), "Stop Simulation");
    EXPECT_TRUE(frame->timer->IsRunning());
    EXPECT_FALSE(frame->input_temperature->IsEnabled());
    EXPECT_FALSE(frame->CheckBox1->IsEnabled());
    Tick();
    EXPECT_TRUE(frame->textinfo->GetValue().StartsWith("Percent = "));

    // Stop: joined, nothing saved. The run's files go beside the window: the pages are locked
    // until a tick of the timer finds them gone.
    TakeCoreErrors();
    Press();
    held.reset();
    TakeCoreErrors();  // the run says it was interrupted
    EXPECT_FALSE(frame->sala->SimulationActive());
    EXPECT_EQ(frame->Button1->GetLabel(), "Start Simulation");
    if (frame->runCleanup.Pending()) {
        EXPECT_TRUE(frame->timer->IsRunning());
        EXPECT_FALSE(frame->input_temperature->IsEnabled());
    }
    ASSERT_TRUE(WaitUntil([&] {
        if (frame->timer->IsRunning()) Tick();
        return !frame->runCleanup.Pending();
    }));
    EXPECT_FALSE(frame->timer->IsRunning());
    EXPECT_TRUE(frame->input_temperature->IsEnabled());
    EXPECT_FALSE(frame->sala->ResultSetOpen());
    EXPECT_FALSE(fs::exists("S001-R001.txt"));

    // Again, with a run that ends before the first tick: saved, shown and plotted.
    frame->input_numrays->SetValue("1000");
    frame->input_irduration->SetValue("0.2");
    frame->ProjectStatus = 1;
    Press();
    ASSERT_TRUE(frame->timer->IsRunning());
    Quiet([&] { frame->sala->WaitForSimulation(); });
    frame->Notebook2->ChangeSelection(0);
    Tick();
    EXPECT_FALSE(frame->timer->IsRunning());
    EXPECT_EQ(frame->progress->GetValue(), 100);
    EXPECT_EQ(frame->Button1->GetLabel(), "Start Simulation");
    EXPECT_EQ(frame->Notebook2->GetSelection(), 1);
    EXPECT_EQ(frame->textinfo->GetValue(), "Simulation finished");
    EXPECT_TRUE(frame->input_numrays->IsEnabled());
    EXPECT_TRUE(fs::exists("S001-R001.txt"));
    EXPECT_TRUE(fs::exists("PARAMS-S001-R001.txt"));

    // Reopened, the stored responses are read; with one missing, none.
    Open("room.txt");
    EXPECT_TRUE(frame->sala->ResultsCreated);
    fs::remove("PARAMS-S001-R001.txt");
    fs::remove("S001-R001.txt");
    Open("room.txt");
    EXPECT_FALSE(frame->sala->ResultsCreated);
}

TEST_F(FrameTest, CoreErrorAtTheStartLeavesTheWindowIdle)
{
    const std::vector<float> frames(2 * 4410, 0.1f);
    ASSERT_TRUE(writeWAVData("stereo.wav", frames.data(), frames.size() / 2, 44100, 2));
    std::string text = projtest::Replace(TinyProject(), "AURALIZATION = 0", "AURALIZATION = 1");
    WriteText("room.txt", projtest::Replace(text, "94.0 Speaker NONE", "94.0 Speaker stereo.wav"));
    Open("room.txt");
    Press();
    EXPECT_EQ(TakeCoreErrors().size(), 1u);
    EXPECT_FALSE(frame->sala->SimulationActive());
    EXPECT_FALSE(frame->timer->IsRunning());
    EXPECT_EQ(frame->Button1->GetLabel(), "Start Simulation");
    EXPECT_TRUE(frame->input_temperature->IsEnabled());
}

TEST_F(FrameTest, DesignedRoomIsAnUntitledProjectWithoutResults)
{
    // A project with saved results, then the old trap: the save question's chooser proposed
    // the hand-over file, and saving over it brought the old project back.
    WriteText("room.txt", TinyProject());
    Open("room.txt");
    frame->input_numrays->SetValue("1000");
    frame->ProjectStatus = 1;
    RunToTheEnd();
    ASSERT_TRUE(fs::exists("S001-R001.txt"));
    frame->ProjectStatus = 2;
    const auto before = folder_->Listing();

    modals.Expect([](wxDialog& dialog) {
        auto& designer = dynamic_cast<RoomDesigner&>(dialog);
        Click(designer.Button1);  // Apply
        return designer.GetReturnCode();
    });
    prompter.AnswerQuestion(wxID_YES);
    prompter.AnswerFile((folder_->Path() / "room.txt").string());
    prompter.AnswerMessageBox(wxOK);  // saved
    Menu(&SorviwxFrame::OpenRoomDesigner);
    EXPECT_EQ(frame->sala->NumPlanes, 17u) << "the designed room, not the saved project";
    EXPECT_EQ(frame->sala->NumSources, 0u);
    EXPECT_EQ(frame->ProjectStatus, 2);
    EXPECT_EQ(Title(), "SORVI - Untitled Project *modified");
    EXPECT_FALSE(frame->sala->ResultsCreated);
    EXPECT_EQ(folder_->Listing(), before) << "nothing written into the working folder";

    // A hand-over holding the old project's pair does not take the folder's responses as its own.
    DialogHandsOver(TinyProject());
    prompter.AnswerQuestion(wxID_NO);
    Menu(&SorviwxFrame::OpenRoomDesigner);
    EXPECT_EQ(frame->sala->NumSources, 1u);
    EXPECT_FALSE(frame->sala->ResultsCreated);
    ASSERT_EQ(handOverPaths.size(), 1u);
    EXPECT_FALSE(fs::exists(handOverPaths[0])) << "removed once read";
    EXPECT_FALSE(fs::exists(fs::path(handOverPaths[0]).parent_path()));

    // Save asks for the name: the chooser proposes none.
    prompter.AnswerFile("designed.txt");
    prompter.AnswerMessageBox(wxOK);
    Menu(&SorviwxFrame::OnSaveFile);
    const Prompt& chooser = prompter.Asked()[prompter.Asked().size() - 2];
    EXPECT_EQ(chooser.message, "Save Sorvi Project");
    EXPECT_EQ(chooser.defaultFile, "");
    EXPECT_EQ(frame->ProjectStatus, 1);
    EXPECT_EQ(Title(), "SORVI - designed.txt");

    // An import as a new project is the same: untitled, modified, its hand-over file gone.
    prompter.AnswerFile(std::string(SORVI_SOURCE_DIR) + "/tests/room/dxf/room.dxf");
    DialogHandsOver(TinyProject());
    Menu(&SorviwxFrame::OnImportClicked);
    EXPECT_EQ(Title(), "SORVI - Untitled Project *modified");
    ASSERT_EQ(handOverPaths.size(), 2u);
    EXPECT_FALSE(fs::exists(handOverPaths[1]));
}

TEST_F(FrameTest, SaveChoosersStartInTheProjectsFolderWithItsName)
{
    fs::create_directory("hall");
    WriteText("hall/room.txt", TinyProject());
    Open("hall/room.txt");
    const std::string folder = fs::absolute("hall").lexically_normal().string();

    prompter.AnswerFile("");
    Menu(&SorviwxFrame::OnSaveFile);
    EXPECT_EQ(fs::path(prompter.Asked().back().defaultDir.ToStdString()).lexically_normal(), folder);
    EXPECT_EQ(prompter.Asked().back().defaultFile, "room.txt");

    // The one behind "Please save the project before simulating".
    frame->input_numrays->SetValue("1000");
    ASSERT_EQ(frame->ProjectStatus, 2);
    prompter.AnswerQuestion(wxID_OK);
    prompter.AnswerFile("");
    Press();
    EXPECT_EQ(prompter.Asked().back().message, "Save Sorvi Project");
    EXPECT_EQ(fs::path(prompter.Asked().back().defaultDir.ToStdString()).lexically_normal(), folder);
    EXPECT_EQ(prompter.Asked().back().defaultFile, "room.txt");
    EXPECT_FALSE(frame->sala->SimulationActive());

    // A new project has no file yet: nothing proposed.
    prompter.AnswerQuestion(wxID_NO);
    Menu(&SorviwxFrame::OnNewProject);
    prompter.AnswerFile("");
    Menu(&SorviwxFrame::OnSaveFile);
    EXPECT_EQ(prompter.Asked().back().defaultDir, "");
    EXPECT_EQ(prompter.Asked().back().defaultFile, "");
}

TEST_F(FrameTest, TextThatIsNoProjectIsRefused)
{
    Open("room.txt");
    TRoom* room = frame->sala;
    WriteText("README.md", "# Notes\n\nNothing of a project here.\n");
    Open("README.md");
    EXPECT_EQ(frame->sala, room);
    EXPECT_EQ(frame->ProjectStatus, 1);
    EXPECT_EQ(Title(), "SORVI - room.txt");
    const std::vector<std::string> errors = TakeCoreErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("README.md"), std::string::npos) << errors[0];
}

TEST_F(FrameTest, ReplacedRoomsShowNoOtherProjectsResults)
{
    fs::create_directory("bare");
    WriteText("bare/bare.txt", TinyProject());
    Open("room.txt");
    frame->input_numrays->SetValue("1000");
    frame->ProjectStatus = 1;
    RunToTheEnd();
    const Shown shown = ShownResults();
    ASSERT_GT(shown.curves, 0u);
    ASSERT_GT(shown.chartLayers, 1u);

    struct Step {
        const char* what;
        std::function<void()> replace;
    };
    const Step steps[] = {
        {"new", [&] { Menu(&SorviwxFrame::OnNewProject); }},
        {"open without responses", [&] { Open("bare/bare.txt"); }},
        {"designer",
         [&] {
             DialogHandsOver(TinyProject());
             Menu(&SorviwxFrame::OpenRoomDesigner);
         }},
        {"import",
         [&] {
             prompter.AnswerFile(std::string(SORVI_SOURCE_DIR) + "/tests/room/dxf/room.dxf");
             DialogHandsOver(TinyProject());
             Menu(&SorviwxFrame::OnImportClicked);
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        frame->ProjectStatus = 1;
        Open("room.txt");  // its stored responses come back
        ASSERT_EQ(ShownResults().curves, shown.curves);
        step.replace();
        EXPECT_EQ(ShownResults().curves, 0u);
        EXPECT_EQ(ShownResults().ticked, 0);
        EXPECT_LE(ShownResults().rows, static_cast<int>(frame->sala->NumSources));
        EXPECT_EQ(ShownResults().chartLayers, 1u) << "only chart 0's hidden legend";
    }
}

TEST_F(FrameTest, SimulationPageRefusesValuesTheRoomDoesNotTake)
{
    Open("room.txt");
    struct Case {
        wxTextCtrl* SorviwxFrame::*field;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {&SorviwxFrame::input_temperature, "abc",
         "Temperature (C) takes a number above -273.15: \"abc\" is refused.\n"},
        {&SorviwxFrame::input_humidity, "150", "Humidity (%) takes a number from 0 to 100: \"150\" is refused.\n"},
        {&SorviwxFrame::input_pressure, "0", "Pressure (atm) takes a number of at least 0.01: \"0\" is refused.\n"},
        {&SorviwxFrame::input_numrays, "-5",
         "Number of Rays takes a whole number from 1 to 4294967295: \"-5\" is refused.\n"},
        {&SorviwxFrame::input_maxreflex, "abc",
         "Max. Reflections takes -1 (no limit) or a whole number from 0 to 2147483647: \"abc\" is refused.\n"},
        {&SorviwxFrame::input_irduration, "0",
         "IR Duration (s) takes a number above 0 and up to 97390: \"0\" is refused.\n"},
        {&SorviwxFrame::input_stopdecay, "10", "Energy Decay (dB) takes a number below 0: \"10\" is refused.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        wxTextCtrl* field = frame->*c.field;
        const wxString shown = field->GetValue();
        field->SetValue(c.text);
        EXPECT_EQ(frame->ProjectStatus, 1) << "nothing taken while typing";
        prompter.AnswerMessageBox(wxOK);
        Press();
        EXPECT_EQ(prompter.Asked().back().message.ToStdString(), c.message);
        EXPECT_EQ(field->GetValue(), shown) << "the room's value again";
        EXPECT_FALSE(frame->sala->SimulationActive());
        EXPECT_EQ(frame->ProjectStatus, 1);
    }

    // Enter in a field refuses it there; a value in range is taken.
    frame->input_humidity->SetValue("101");
    prompter.AnswerMessageBox(wxOK);
    wxCommandEvent enter(wxEVT_TEXT_ENTER, frame->input_humidity->GetId());
    frame->input_humidity->GetEventHandler()->ProcessEvent(enter);
    EXPECT_EQ(prompter.Asked().back().message, "Humidity (%) takes a number from 0 to 100: \"101\" is refused.\n");
    EXPECT_EQ(frame->input_humidity->GetValue(), "50.0");
    frame->input_humidity->SetValue("60");
    frame->input_humidity->GetEventHandler()->ProcessEvent(enter);
    EXPECT_DOUBLE_EQ(frame->sala->Humidity, 60.0);

    // Leaving a field the user typed into refuses it too; one the program filled is left alone.
    auto leave = [&](wxTextCtrl* field) {
        wxFocusEvent lost(wxEVT_KILL_FOCUS, field->GetId());
        lost.SetEventObject(field);
        field->GetEventHandler()->ProcessEvent(lost);
        PumpEvents();
    };
    frame->input_pressure->SetValue("-1");
    frame->input_pressure->MarkDirty();  // typed
    prompter.AnswerMessageBox(wxOK);
    leave(frame->input_pressure);
    EXPECT_EQ(prompter.Asked().back().message, "Pressure (atm) takes a number of at least 0.01: \"-1\" is refused.\n");
    EXPECT_EQ(frame->input_pressure->GetValue(), "1.0");
    const size_t asked = prompter.Asked().size();
    leave(frame->input_pressure);
    EXPECT_EQ(prompter.Asked().size(), asked);
}

// Closed right after a stop, while the run's files may still be going: the room is freed
// only once they have gone, and the folder is as it was before the run.
TEST_F(FrameTest, CloseRightAfterAStopWaitsForTheRunsFiles)
{
    WriteText("room.txt", TinyProject("1.00"));
    Open("room.txt");
    auto names = [] {
        std::vector<std::string> all;
        for (const auto& e : fs::directory_iterator(".")) all.push_back(e.path().filename().string());
        std::sort(all.begin(), all.end());
        return all;
    };
    const std::vector<std::string> before = names();
    frame->input_numrays->SetValue("400000");
    frame->ProjectStatus = 1;
    Press();
    ASSERT_TRUE(frame->sala->SimulationActive());
    Press();  // Stop
    TakeCoreErrors();
    bool closed = false;
    Quiet([&] { closed = frame->Close(false); });
    EXPECT_TRUE(closed);
    EXPECT_EQ(frame->sala, nullptr);
    EXPECT_FALSE(frame->runCleanup.Pending());
    EXPECT_EQ(names(), before);
    PumpEvents();
    TakeCoreErrors();
    Quiet([&] { frame = new SorviwxFrame(nullptr); });  // for TearDown
}

TEST_F(FrameTest, StopAndCloseDuringARunEndIt)
{
    WriteText("room.txt", TinyProject("1.00"));
    Open("room.txt");
    frame->input_numrays->SetValue("400000");
    frame->ProjectStatus = 1;
    Press();
    ASSERT_TRUE(frame->sala->SimulationActive());
    Press();           // Stop
    TakeCoreErrors();  // the run says it was interrupted
    EXPECT_FALSE(frame->sala->SimulationActive());
    EXPECT_EQ(frame->Button1->GetLabel(), "Start Simulation");
    EXPECT_FALSE(frame->WaitingForThread);

    // Closed while it runs: stopped, the room freed, the window gone.
    Quiet([&] { frame->FillEnvironmentFields(); });
    frame->ProjectStatus = 1;
    Press();
    ASSERT_TRUE(frame->sala->SimulationActive());
    bool closed = false;
    Quiet([&] { closed = frame->Close(false); });
    EXPECT_TRUE(closed);
    // Read before the events are pumped: they delete the closed window.
    EXPECT_EQ(frame->sala, nullptr);
    PumpEvents();
    TakeCoreErrors();
    Quiet([&] { frame = new SorviwxFrame(nullptr); });  // for TearDown
}

// Keys typed through the window system (one test at a time on the display).
class FrameRealInput : public FrameTest {};

TEST_F(FrameRealInput, MenuShortcutsWorkWhereverTheFocusIs)
{
    Open("room.txt");
    frame->Show();
    frame->Raise();
    ASSERT_TRUE(WaitUntil([&] { return frame->input_temperature->IsShownOnScreen(); }));
    wxUIActionSimulator input;
    // The pointer over the window, so that the keys go to it also without a window manager.
    const wxPoint centre = frame->GetScreenRect().GetPosition() + wxPoint(50, 50);
    input.MouseMove(centre);
    WaitUntil([&] { return wxGetMousePosition() == centre; });

    // Right after start-up, before anything was clicked: the Temperature field takes the keys.
    PumpEvents();
    EXPECT_EQ(wxWindow::FindFocus(), frame->input_temperature);
    prompter.AnswerFile("");
    input.Char('o', wxMOD_CONTROL);
    EXPECT_TRUE(WaitUntil([&] { return !prompter.Asked().empty(); }, std::chrono::seconds(5)));
    prompter.Reset();

    struct Case {
        const char* where;
        wxWindow* focus;
        int key;
        const char* asked;
    };
    const Case cases[] = {
        {"Temperature field", frame->input_temperature, 'o', "Open Sorvi Project file"},
        {"Temperature field", frame->input_temperature, 's', "Save Sorvi Project"},
        {"Temperature field", frame->input_temperature, 'n', "The actual project was changed.\n Save it?"},
        {"3D view", frame->MyGLCanvas, 'o', "Open Sorvi Project file"},
        {"3D view", frame->MyGLCanvas, 's', "Save Sorvi Project"},
        {"3D view", frame->MyGLCanvas, 'n', "The actual project was changed.\n Save it?"},
    };
    if (frame->Notebook2->GetSelection() != 0) frame->Notebook2->SetSelection(0);  // the 3D view shown
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.where << " Ctrl+" << static_cast<char>(c.key));
        frame->ProjectStatus = c.key == 'n' ? 2 : 1;  // New asks the save question
        prompter.Reset();
        if (c.key == 'n')
            prompter.AnswerQuestion(wxID_CANCEL);
        else
            prompter.AnswerFile("");
        c.focus->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == c.focus; }, std::chrono::seconds(5)));
        input.Char(c.key, wxMOD_CONTROL);
        EXPECT_TRUE(WaitUntil([&] { return !prompter.Asked().empty(); }, std::chrono::seconds(5)));
        if (!prompter.Asked().empty()) {
            EXPECT_EQ(prompter.Asked()[0].message, c.asked);
        }
        EXPECT_EQ(prompter.Unused(), 0u);
        prompter.Reset();
    }
}

// A run whose results cannot be written (a full disk): the window shows why, stays idle and
// the folder keeps the earlier run's files.
TEST_F(FrameTest, ARunThatCannotBeSavedKeepsTheEarlierResults)
{
    Open("room.txt");
    frame->input_numrays->SetValue("1000");
    frame->input_irduration->SetValue("0.2");
    frame->ProjectStatus = 1;
    Press();
    Quiet([&] { frame->sala->WaitForSimulation(); });
    Tick();
    ASSERT_EQ(frame->textinfo->GetValue(), "Simulation finished");
    const std::string earlier = ReadText("PARAMS-S001-R001.txt");
    ASSERT_FALSE(earlier.empty());
    TakeCoreErrors();

    SetFileFault([](FileStep step, const std::string& path) {
        return step == FileStep::Write && path.find("PARAMS-S001-R001.txt") != std::string::npos ? ENOSPC : 0;
    });
    frame->textinfo->SetValue("");
    prompter.AnswerQuestion(wxID_OK);  // saved first
    prompter.AnswerFile("room.txt");
    prompter.AnswerMessageBox(wxOK);
    prompter.AnswerMessageBox(wxOK);
    Press();
    ASSERT_TRUE(frame->timer->IsRunning());
    Quiet([&] { frame->sala->WaitForSimulation(); });
    Tick();
    SetFileFault({});
    const std::vector<std::string> errors = TakeCoreErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("PARAMS-S001-R001.txt: No space left on device"), std::string::npos) << errors[0];
    EXPECT_NE(frame->textinfo->GetValue(), "Simulation finished");
    EXPECT_EQ(frame->Button1->GetLabel(), "Start Simulation");
    EXPECT_TRUE(frame->input_temperature->IsEnabled());
    EXPECT_EQ(ReadText("PARAMS-S001-R001.txt"), earlier);
    for (const auto& e : fs::directory_iterator("."))
        EXPECT_EQ(e.path().filename().string().rfind(".sorvi-", 0), std::string::npos) << e.path();
}
