#include "support/gui/ModalScript.h"

#include <gtest/gtest.h>

#include <wx/dialog.h>
#include <wx/msgdlg.h>

void ModalScript::Expect(Handler handler)
{
    handlers_.push_back(std::move(handler));
}

void ModalScript::Answer(int result)
{
    Expect([result](wxDialog&) { return result; });
}

void ModalScript::Reset()
{
    handlers_.clear();
    seen_.clear();
}

int ModalScript::Enter(wxDialog* dialog)
{
    wxString what = dialog->GetTitle();
    if (auto* message = dynamic_cast<wxMessageDialogBase*>(dialog)) what += ": " + message->GetMessage();
    seen_.push_back(what);
    if (handlers_.empty()) {
        ADD_FAILURE() << "unexpected modal dialog \"" << what.utf8_string() << "\"";
        return wxID_CANCEL;
    }
    Handler handler = std::move(handlers_.front());
    handlers_.pop_front();
    const int result = handler(*dialog);
    // wxID_NONE would let the dialog run; a test must never wait for a person.
    return result == wxID_NONE ? wxID_CANCEL : result;
}
