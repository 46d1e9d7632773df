#pragma once
// The modal-dialog hook of the GUI tests: every modal dialog that the toolkit is about to run
// (message boxes, file and colour dialogs, the program's own dialogs) is handed to the next
// scripted handler instead of being shown. A dialog nobody expected fails the test and is
// answered with wxID_CANCEL, so no test ever blocks on a modal window.

#include <deque>
#include <functional>
#include <vector>

#include <wx/modalhook.h>
#include <wx/string.h>

class wxDialog;

class ModalScript : public wxModalDialogHook {
public:
    // Works the dialog (it is created but not shown) and returns its result code.
    using Handler = std::function<int(wxDialog& dialog)>;

    // The next modal dialog goes to `handler`.
    void Expect(Handler handler);
    // The next modal dialog ends at once with `result`.
    void Answer(int result);

    // Titles (and messages, for message dialogs) of the dialogs run so far.
    const std::vector<wxString>& Seen() const { return seen_; }
    size_t Unused() const { return handlers_.size(); }
    void Reset();

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

private:
    std::deque<Handler> handlers_;
    std::vector<wxString> seen_;
};
