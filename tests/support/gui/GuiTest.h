#pragma once
// The fixture of the GUI tests. The toolkit is started once by the harness's main (without its
// main loop); each test gets a clean log, an empty dialog script, a scripted prompter and the
// core's error texts captured. At its end, whatever was logged at error or warning level, shown
// through the core's error sink, or scripted but not asked, fails the test unless the test took
// it; the top-level windows it left are destroyed.
//
// Each GUI test program has an X server of its own (support/gui/PrivateDisplay.h), and ctest
// runs one program per test suite. A test that sends real input through the window system
// (wxUIActionSimulator, xdotool) belongs to a test suite whose name ends in "RealInput": ctest
// runs each of those alone, for when the tests share a display (see tests/CMakeLists.txt).

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <wx/event.h>
#include <wx/window.h>

#include "geometry/ErrorHandler.h"
#include "support/gui/ModalScript.h"
#include "support/gui/RecordingLog.h"
#include "support/gui/ScriptedPrompter.h"

// The harness's log target and modal hook (installed by the test main).
RecordingLog& TestLog();
ModalScript& TestModals();

// Handles what the toolkit has queued (window-system events, posted events, idle handlers,
// windows waiting for deletion) without waiting for more.
void PumpEvents();

// Pumps until `done` holds or `timeout` passes; the window system answers asynchronously.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Buttons, wheel and keys of a mouse event made by a test.
struct MouseState {
    bool left = false, middle = false, right = false;
    int wheelRotation = 0;  // multiples of 120 are whole notches
    bool ctrl = false, shift = false;
};

// Hands the window's handlers a mouse event of `type` at `at` (client pixels), as the toolkit
// would; true when a handler processed it.
bool SendMouse(wxWindow* window, wxEventType type, wxPoint at, const MouseState& state = {});

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The core's error texts shown so far, and the list cleared.
    std::vector<std::string> TakeCoreErrors();

    RecordingLog& log = TestLog();
    ModalScript& modals = TestModals();
    ScriptedPrompter prompter;

private:
    std::vector<std::string> coreErrors_;
    ErrorHandler previousHandler_;
    Prompter* previousPrompter_ = nullptr;
};
