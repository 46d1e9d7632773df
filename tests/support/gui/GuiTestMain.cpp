// The main of the GUI test programs: starts an X server of its own when Xvfb is there (else
// uses DISPLAY), starts the toolkit without running its main loop (tests pump events
// themselves), makes every toolkit assertion a test failure, keeps the toolkit's log
// and its modal dialogs away from the screen, and initialises GLUT for the views' bitmap text.

#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/toplevel.h>

#include "support/gui/DisplayCheck.h"
#include "support/gui/GuiTest.h"
#include "support/gui/PrivateDisplay.h"

namespace {

class GuiTestApp : public wxApp {
public:
    bool OnInit() override { return true; }  // no command line of its own: gtest's
};

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str(), line) << "toolkit assertion \"" << cond.utf8_string() << "\" failed in "
                                          << func.utf8_string() << (msg.empty() ? "" : ": ") << msg.utf8_string();
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery lists the tests without a display.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    const PrivateDisplay display;
    if (!display.Started() && !std::getenv("DISPLAY")) {
        std::fprintf(stderr, "GUI tests need Xvfb or an X display\n");
        return 1;
    }
    if (!DisplayReachable()) {
        std::fprintf(stderr, "the X display %s cannot be opened\n", std::getenv("DISPLAY"));
        return 1;
    }
    // OpenGL through GLX on the X display; no desktop services behind the toolkit.
    setenv("GDK_BACKEND", "x11", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);

    wxSetAssertHandler(FailOnAssert);
    glutInit(&argc, argv);
    wxApp::SetInstance(new GuiTestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "the toolkit did not start\n");
        return 1;
    }
    wxTheApp->SetExitOnFrameDelete(false);
    int status = 1;
    {
        // An active loop for Pending/Dispatch; it is never run.
        wxGUIEventLoop loop;
        wxEventLoopActivator activate(&loop);
        wxLog* previousLog = wxLog::SetActiveTarget(&TestLog());
        TestModals().Register();

        status = RUN_ALL_TESTS();

        for (wxWindow* window : wxTopLevelWindows) window->Destroy();
        PumpEvents();
        TestModals().Unregister();
        wxLog::SetActiveTarget(previousLog);
        delete &TestLog();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return status;
}
