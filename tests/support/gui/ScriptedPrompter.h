#pragma once
// A prompter that answers from a script: each question, message box or file chooser takes the
// next scripted answer of its kind. One that has none fails the test and is cancelled.

#include <deque>
#include <vector>

#include "views/Prompter.h"

struct Prompt {
    enum class Kind { Question, MessageBox, ChooseFile };
    Kind kind;
    wxString message;
    wxString caption;
    long style;
    wxString defaultDir = wxString();   // a file chooser's starting folder
    wxString defaultFile = wxString();  // and the file name it proposes
};

class ScriptedPrompter : public Prompter {
public:
    // The next question answers `id` (wxID_YES, wxID_NO, wxID_OK, wxID_CANCEL).
    void AnswerQuestion(int id) { questions_.push_back(id); }
    // The next message box answers `answer` (wxYES, wxNO, wxOK, wxCANCEL).
    void AnswerMessageBox(int answer) { boxes_.push_back(answer); }
    // The next file chooser returns `path` (empty: cancelled).
    void AnswerFile(const wxString& path) { files_.push_back(path); }

    // Every prompt shown so far, in order.
    const std::vector<Prompt>& Asked() const { return asked_; }
    // Scripted answers not used yet.
    size_t Unused() const { return questions_.size() + boxes_.size() + files_.size(); }
    void Reset();

    int Question(const wxString& message, const wxString& caption, long style, wxWindow* parent) override;
    int MessageBox(const wxString& message, const wxString& caption, long style, wxWindow* parent) override;
    wxString ChooseFile(const wxString& message, const wxString& defaultDir, const wxString& defaultFile,
                        const wxString& wildcard, long style, wxWindow* parent) override;

private:
    std::deque<int> questions_;
    std::deque<int> boxes_;
    std::deque<wxString> files_;
    std::vector<Prompt> asked_;
};
