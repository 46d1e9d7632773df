#include "desktop/SorviwxApp.h"

#include <cstdio>

#include <wx/image.h>

#include "desktop/DesktopErrorSink.h"
#include "desktop/SorviwxFrame.h"
#include "geometry/ErrorHandler.h"

wxIMPLEMENT_APP(SorviwxApp);

// The base initialisation (command-line parsing) is not called: the program takes no arguments.
bool SorviwxApp::OnInit()
{
    wxInitAllImageHandlers();
    SetErrorHandler(DesktopErrorSink());
    auto* frame = new SorviwxFrame(nullptr, -1);
    frame->Show();
    SetTopWindow(frame);
    return true;
}

int SorviwxApp::OnRun()
{
    const int status = wxApp::OnRun();
    return SorviwxFrame::ExitStatus() != 0 ? SorviwxFrame::ExitStatus() : status;
}

// The window's own handlers catch fatal core errors themselves; this catches one raised anywhere
// else on the interface thread (a view's paint, a posted call).
void SorviwxApp::HandleEvent(wxEvtHandler* handler, wxEventFunction func, wxEvent& event) const
{
    try {
        wxApp::HandleEvent(handler, func, event);
    } catch (const SorviExit& error) {
        if (auto* frame = dynamic_cast<SorviwxFrame*>(GetTopWindow())) {
            frame->CoreExit(error);
        } else {
            std::fprintf(stderr, "Sorviwx: ending with status %d: %s\n", error.Status(), error.what());
            SorviwxFrame::SetExitStatus(error.Status() != 0 ? error.Status() : 1);
            const_cast<SorviwxApp*>(this)->ExitMainLoop();
        }
    }
}
