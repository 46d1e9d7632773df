// The main window's project life cycle and run control: the save question and the title, loads
// and saves that fail, the import and the designer on a modified project, the Simulation page,
// and a run driven by hand-made timer events.

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/gauge.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "desktop/DesktopProjectSupport.h"
#include "desktop/ImportDialog.h"
#include "desktop/SorviwxFrame.h"
#include "dsp/WavFile.h"
#include "geometry/FileLayer.h"
#include "room/TMaterial.h"
#include "room/TRoom.h"
#include "support/gui/GuiTest.h"
#include "views/GL_Window.h"

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
    // `handOver` as the hand-over file.
    void DialogHandsOver(const std::string& handOver, bool newFile = true)
    {
        modals.Expect([handOver, newFile](wxDialog& dialog) {
            WriteText("Temporary.txt", handOver);
            if (auto* import = dynamic_cast<ImportDialog*>(&dialog)) import->NewFile = newFile;
            return static_cast<int>(wxID_OK);
        });
    }

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

    // The designer's Apply and No: its project, modified, under the hand-over file's name.
    DialogHandsOver(TinyProject());
    prompter.AnswerQuestion(wxID_NO);
    Menu(&SorviwxFrame::OpenRoomDesigner);
    EXPECT_NE(frame->sala, room);
    EXPECT_EQ(frame->ProjectStatus, 2);
    EXPECT_EQ(Title(), "SORVI - Temporary.txt");
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
    Press();
    EXPECT_EQ(prompter.Asked().back().message, "Project Saved!");
    ASSERT_TRUE(frame->sala->SimulationActive());
    EXPECT_EQ(frame->Button1->GetLabel(), "Stop Simulation");
    EXPECT_TRUE(frame->timer->IsRunning());
    EXPECT_FALSE(frame->input_temperature->IsEnabled());
    EXPECT_FALSE(frame->CheckBox1->IsEnabled());
    Tick();
    EXPECT_TRUE(frame->textinfo->GetValue().StartsWith("Percent = "));

    // Stop: joined, nothing saved.
    TakeCoreErrors();
    Press();
    TakeCoreErrors();  // the run says it was interrupted
    EXPECT_FALSE(frame->sala->SimulationActive());
    EXPECT_EQ(frame->Button1->GetLabel(), "Start Simulation");
    EXPECT_FALSE(frame->timer->IsRunning());
    EXPECT_TRUE(frame->input_temperature->IsEnabled());
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
