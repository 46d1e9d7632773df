#include "support/gui/RecordingLog.h"

std::vector<LogEntry> RecordingLog::Take()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<LogEntry> taken;
    taken.swap(entries_);
    return taken;
}

std::vector<LogEntry> RecordingLog::Problems() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<LogEntry> problems;
    for (const LogEntry& entry : entries_)
        if (entry.level <= wxLOG_Warning) problems.push_back(entry);
    return problems;
}

void RecordingLog::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

void RecordingLog::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&)
{
    // Debug and trace output is the toolkit's own chatter.
    if (level >= wxLOG_Debug) return;
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back({level, msg});
}
