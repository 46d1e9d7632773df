#include "views/Prompter.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>

namespace {

DialogPrompter& Dialogs()
{
    static DialogPrompter dialogs;
    return dialogs;
}

Prompter* current = nullptr;

}  // namespace

Prompter& Prompter::Get()
{
    return current ? *current : Dialogs();
}

Prompter* Prompter::Set(Prompter* prompter)
{
    Prompter* previous = current;
    current = prompter;
    return previous;
}

int DialogPrompter::Question(const wxString& message, const wxString& caption, long style, wxWindow* parent)
{
    wxMessageDialog dialog(parent, message, caption, style);
    return dialog.ShowModal();
}

int DialogPrompter::MessageBox(const wxString& message, const wxString& caption, long style, wxWindow* parent)
{
    return wxMessageBox(message, caption, style, parent);
}

wxString DialogPrompter::ChooseFile(const wxString& message, const wxString& defaultDir, const wxString& defaultFile,
                                    const wxString& wildcard, long style, wxWindow* parent)
{
    return wxFileSelector(message, defaultDir, defaultFile, wxString(), wildcard, style, parent);
}
