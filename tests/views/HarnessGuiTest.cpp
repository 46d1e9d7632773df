// The GUI test harness itself: windows come up on the virtual display, nothing modal blocks,
// and what would go unnoticed (a toolkit assertion, an unexpected dialog or prompt, a logged
// error) fails the test.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>

#include "support/gui/GuiTest.h"

namespace {

class HarnessGuiTest : public GuiTest {};

TEST_F(HarnessGuiTest, WindowIsShownOnTheDisplayAndFreedAfterTheTest)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "harness", wxDefaultPosition, wxSize(300, 200));
    frame->Show();
    ASSERT_TRUE(WaitUntil([&] { return frame->IsShownOnScreen(); }));
    EXPECT_GT(frame->GetClientSize().GetWidth(), 0);
    // TearDown destroys it.
}

TEST_F(HarnessGuiTest, ModalDialogsAreAnsweredByTheScriptAndNeverBlock)
{
    modals.Expect([](wxDialog& dialog) {
        EXPECT_EQ(dialog.GetTitle(), "Question");
        return wxID_YES;
    });
    EXPECT_EQ(wxMessageBox("Save?", "Question", wxYES_NO), wxYES);
    ASSERT_EQ(modals.Seen().size(), 1u);
    EXPECT_EQ(modals.Seen()[0], "Question: Save?");

    EXPECT_NONFATAL_FAILURE(wxMessageBox("Nobody expects this"), "unexpected modal dialog");
}

TEST_F(HarnessGuiTest, PromptsAreAnsweredByTheScript)
{
    prompter.AnswerQuestion(wxID_NO);
    prompter.AnswerFile("/tmp/room.txt");
    Prompter& ask = Prompter::Get();
    EXPECT_EQ(ask.Question("Discard?", "Question", wxYES_NO, nullptr), wxID_NO);
    EXPECT_EQ(ask.ChooseFile("Open", "", "", "*.txt", wxFD_OPEN, nullptr), "/tmp/room.txt");
    ASSERT_EQ(prompter.Asked().size(), 2u);
    EXPECT_EQ(prompter.Asked()[0].message, "Discard?");

    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(Prompter::Get().MessageBox("Done", "", wxOK, nullptr), wxCANCEL),
                            "unexpected message box");
}

TEST_F(HarnessGuiTest, AssertionsLogsAndCoreErrorsAreCaught)
{
    EXPECT_NONFATAL_FAILURE(wxFAIL_MSG("broken invariant"), "broken invariant");

    wxLogError("Cannot open file '%s'.", "x.txt");
    const std::vector<LogEntry> logged = log.Take();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].level, wxLOG_Error);
    EXPECT_EQ(logged[0].text, "Cannot open file 'x.txt'.");

    ShowErrorText("core trouble");
    EXPECT_EQ(TakeCoreErrors(), std::vector<std::string>{"core trouble"});
}

// OpenGL works on the virtual display: a canvas's back buffer reads back what was cleared.
TEST_F(HarnessGuiTest, OpenGLCanvasDrawsOnTheDisplay)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "gl", wxDefaultPosition, wxSize(200, 150));
    wxGLAttributes attributes;
    attributes.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
    auto* canvas = new wxGLCanvas(frame, attributes);
    frame->Show();
    ASSERT_TRUE(WaitUntil([&] { return canvas->IsShownOnScreen(); }));
    wxGLContext context(canvas);
    ASSERT_TRUE(context.IsOK());
    ASSERT_TRUE(canvas->SetCurrent(context));
    glViewport(0, 0, 10, 10);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    unsigned char rgb[3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(5, 5, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    EXPECT_EQ(rgb[0], 0);
    EXPECT_EQ(rgb[1], 255);
    EXPECT_EQ(rgb[2], 0);
}

}  // namespace
