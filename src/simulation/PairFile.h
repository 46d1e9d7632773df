#pragma once
// A text file that a pair result appends to through the whole trace without holding it open:
// lines gather in memory and are appended to the file in blocks, so a run with a thousand
// pairs (four files each) stays far below the process's open-file limit. Full blocks are
// written by background writer threads, one block per file at a time, in order.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "geometry/FileLayer.h"

class TPairFile {
public:
    TPairFile() = default;
    ~TPairFile()
    {
        try {
            Close();
        } catch (...) {
            // A destructor passes nothing on; the write failure has been reported.
        }
    }
    TPairFile(const TPairFile&) = delete;
    TPairFile& operator=(const TPairFile&) = delete;

    // Creates (or empties) the file; false when it cannot be created. The file is then open.
    bool Create(const std::string& path);
    bool IsOpen() const { return open_; }
    bool Failed() const
    {
        Wait();
        return failed_;
    }
    const std::string& Path() const { return path_; }

    // The pending text: append whole lines, then call Appended().
    std::string& Buffer() { return buffer_; }
    // Hands the pending text to a writer once it has grown past the block size.
    void Appended()
    {
        if (buffer_.size() >= BlockBytes()) Handoff();
    }
    void Append(std::string_view text)
    {
        buffer_.append(text);
        Appended();
    }
    // Appends the pending text to the file, after the block a writer may still hold. A write
    // failure is reported once per file (or kept by the result set the file belongs to) and the
    // file takes no more text; the text is dropped either way. False when a write failed.
    bool Flush();
    // Flush and mark closed (nothing more is written). Harmless when not open.
    bool Close();

    // What the file holds on disk and in memory, and whether it is open: Restore puts it back
    // as it was, dropping whatever was appended since.
    struct Mark {
        std::uintmax_t size = 0;
        std::string pending;
        bool open = false;
        bool failed = false;
    };
    Mark Remember() const;
    void Restore(const Mark& mark);

    // Each open file's block is its share of kPendingBytes, between kBlockBytes and
    // kMaxBlockBytes: a few files write large blocks (every block costs an open and a close),
    // a thousand still hold little text each.
    static constexpr std::size_t kBlockBytes = 32 * 1024;
    static constexpr std::size_t kMaxBlockBytes = 1024 * 1024;
    static constexpr std::size_t kPendingBytes = 32 * 1024 * 1024;
    static std::size_t BlockBytes()
    {
        const std::size_t files = std::max<std::size_t>(openFiles_.load(std::memory_order_relaxed), 1);
        return std::clamp(kPendingBytes / files, kBlockBytes, kMaxBlockBytes);
    }

    // Writer threads hold at most this many bytes of blocks (their buffers kept for reuse
    // included); past it a file writes its blocks itself.
    static constexpr std::size_t kWriterBytes = kPendingBytes;

private:
    friend class PairFileWriters;
    std::string path_;
    std::string buffer_;
    // The block a writer appends (busy_), then kept for the next block while the file is open.
    std::string writing_;
    std::size_t held_ = 0;  // writing_'s capacity counted against kWriterBytes
    // Reused by every write, so that appending allocates nothing once its path is held.
    CheckedFile appender_;
    bool open_ = false;
    mutable bool failed_ = false;
    mutable std::string writeError_;             // the last writer's failure, read once busy_ is false
    std::atomic<bool> busy_{false};              // a writer holds writing_
    static std::atomic<std::size_t> openFiles_;  // of every pair file in the process
    void SetOpen(bool open);
    void Handoff();
    // Waits for the writer's block; its failure marks the file failed.
    void Wait() const;
    // Appends text to the file; a failure is reported when `report`, else left in appender_.
    bool WriteOut(const std::string& text, bool report);
    void ReleaseHeld();
};
