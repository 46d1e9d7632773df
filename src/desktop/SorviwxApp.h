#pragma once
// The desktop program's application object: installs the error box, shows the main window and
// turns a fatal core error that reaches the event loop into the program's exit status.

#include <wx/app.h>

class SorviwxApp : public wxApp {
public:
    bool OnInit() override;
    int OnRun() override;
    void HandleEvent(wxEvtHandler* handler, wxEventFunction func, wxEvent& event) const override;
};
