#include "support/gui/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <wx/defs.h>

namespace {

template <typename T> T Next(std::deque<T>& answers, T cancelled, const char* kind, const wxString& message)
{
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected " << kind << " \"" << message.utf8_string() << "\"";
        return cancelled;
    }
    T answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace

void ScriptedPrompter::Reset()
{
    questions_.clear();
    boxes_.clear();
    files_.clear();
    asked_.clear();
}

int ScriptedPrompter::Question(const wxString& message, const wxString& caption, long style, wxWindow*)
{
    asked_.push_back({Prompt::Kind::Question, message, caption, style});
    return Next(questions_, static_cast<int>(wxID_CANCEL), "question", message);
}

int ScriptedPrompter::MessageBox(const wxString& message, const wxString& caption, long style, wxWindow*)
{
    asked_.push_back({Prompt::Kind::MessageBox, message, caption, style});
    return Next(boxes_, static_cast<int>(wxCANCEL), "message box", message);
}

wxString ScriptedPrompter::ChooseFile(const wxString& message, const wxString& defaultDir, const wxString& defaultFile,
                                      const wxString&, long style, wxWindow*)
{
    asked_.push_back({Prompt::Kind::ChooseFile, message, wxString(), style, defaultDir, defaultFile});
    return Next(files_, wxString(), "file chooser", message);
}
