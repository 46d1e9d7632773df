#include "support/gui/GuiTest.h"

#include <thread>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/toplevel.h>

RecordingLog& TestLog()
{
    // Owned by the toolkit once installed as the active target (see the test main).
    static RecordingLog* log = new RecordingLog;
    return *log;
}

ModalScript& TestModals()
{
    static ModalScript modals;
    return modals;
}

void PumpEvents()
{
    // Bounded: a window that asks for idle events forever must not hold the test here.
    for (int round = 0; round < 20; ++round) {
        bool busy = false;
        while (wxTheApp->Pending()) {
            wxTheApp->Dispatch();
            busy = true;
        }
        if (wxTheApp->HasPendingEvents()) {
            wxTheApp->ProcessPendingEvents();
            busy = true;
        }
        wxTheApp->ProcessIdle();
        if (!busy) break;
    }
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        PumpEvents();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool SendMouse(wxWindow* window, wxEventType type, wxPoint at, const MouseState& state)
{
    wxMouseEvent event(type);
    event.SetEventObject(window);
    event.SetId(window->GetId());
    event.SetPosition(at);
    event.m_leftDown = state.left;
    event.m_middleDown = state.middle;
    event.m_rightDown = state.right;
    event.m_wheelRotation = state.wheelRotation;
    event.m_wheelDelta = 120;
    event.SetControlDown(state.ctrl);
    event.SetShiftDown(state.shift);
    return window->GetEventHandler()->ProcessEvent(event);
}

void GuiTest::SetUp()
{
    log.Clear();
    modals.Reset();
    coreErrors_.clear();
    previousHandler_ = SetErrorHandler([this](const std::string& text) {
        coreErrors_.push_back(text);
        return 1;
    });
    previousPrompter_ = Prompter::Set(&prompter);
}

void GuiTest::TearDown()
{
    // Windows go first: their destruction may still log or prompt.
    for (wxWindow* window : wxTopLevelWindows) window->Destroy();
    PumpEvents();

    Prompter::Set(previousPrompter_);
    SetErrorHandler(previousHandler_);

    for (const LogEntry& entry : log.Problems())
        ADD_FAILURE() << "logged " << (entry.level == wxLOG_Warning ? "warning" : "error") << ": "
                      << entry.text.utf8_string();
    for (const std::string& text : coreErrors_) ADD_FAILURE() << "core error: " << text;
    EXPECT_EQ(modals.Unused(), 0u) << "scripted dialogs never opened";
    EXPECT_EQ(prompter.Unused(), 0u) << "scripted answers never asked for";
    log.Clear();
    modals.Reset();
}

std::vector<std::string> GuiTest::TakeCoreErrors()
{
    std::vector<std::string> taken;
    taken.swap(coreErrors_);
    return taken;
}
