#pragma once
// What the dialog tests do in place of the user's mouse: a button clicked.

#include <wx/event.h>
#include <wx/window.h>

namespace desktoptest {

inline void Click(wxWindow* control)
{
    wxCommandEvent event(wxEVT_BUTTON, control->GetId());
    event.SetEventObject(control);
    control->GetEventHandler()->ProcessEvent(event);
}

}  // namespace desktoptest
