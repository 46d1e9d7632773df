#include "desktop/DesktopErrorSink.h"

#include <string>

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>

#include "views/Prompter.h"

namespace {

wxString ToText(const std::string& text)
{
    wxString shown = wxString::FromUTF8(text);
    if (shown.empty() && !text.empty()) shown = wxString(text.c_str(), wxConvISO8859_1);
    return shown;
}

void ShowBox(const wxString& text)
{
    wxWindow* parent = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    Prompter::Get().MessageBox(text, "Error", wxOK | wxICON_ERROR, parent);
}

}  // namespace

ErrorHandler DesktopErrorSink()
{
    return [](const std::string& text) -> int {
        const wxString shown = ToText(text);
        if (wxThread::IsMain()) {
            ShowBox(shown);
        } else if (wxTheApp) {
            wxTheApp->CallAfter([shown] { ShowBox(shown); });
        }
        return 1;
    };
}
