#pragma once
// A log target that keeps what the toolkit's log receives, so that no log message opens a
// window and tests can check what was logged.

#include <mutex>
#include <vector>

#include <wx/log.h>

struct LogEntry {
    wxLogLevel level;
    wxString text;
};

class RecordingLog : public wxLog {
public:
    // Every entry kept so far, in order, and the list cleared.
    std::vector<LogEntry> Take();
    // The entries at error or warning level, left in place.
    std::vector<LogEntry> Problems() const;
    void Clear();

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

private:
    mutable std::mutex mutex_;
    std::vector<LogEntry> entries_;
};
