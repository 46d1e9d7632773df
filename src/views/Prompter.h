#pragma once
// The one seam through which the desktop program asks the user something: questions, message
// boxes and file choosers. The program uses the toolkit's dialogs; tests install a prompter that
// answers from a script, so no test ever waits for a person.

#include <wx/string.h>

class wxWindow;

class Prompter {
public:
    virtual ~Prompter() = default;

    // A modal message dialog (wxMessageDialog's styles); the answer as ShowModal gives it
    // (wxID_YES, wxID_NO, wxID_OK, wxID_CANCEL).
    virtual int Question(const wxString& message, const wxString& caption, long style, wxWindow* parent) = 0;
    // A message box (wxMessageBox's styles and answers: wxYES, wxNO, wxOK, wxCANCEL).
    virtual int MessageBox(const wxString& message, const wxString& caption, long style, wxWindow* parent) = 0;
    // A file chooser (wxFileSelector's arguments): the chosen path, empty when cancelled.
    virtual wxString ChooseFile(const wxString& message, const wxString& defaultDir, const wxString& defaultFile,
                                const wxString& wildcard, long style, wxWindow* parent) = 0;

    // The prompter in use: the toolkit's dialogs unless another one is installed.
    static Prompter& Get();
    // Installs a prompter (not owned) and returns the previous one; null restores the dialogs.
    static Prompter* Set(Prompter* prompter);
};

// The toolkit's own dialogs.
class DialogPrompter : public Prompter {
public:
    int Question(const wxString& message, const wxString& caption, long style, wxWindow* parent) override;
    int MessageBox(const wxString& message, const wxString& caption, long style, wxWindow* parent) override;
    wxString ChooseFile(const wxString& message, const wxString& defaultDir, const wxString& defaultFile,
                        const wxString& wildcard, long style, wxWindow* parent) override;
};
