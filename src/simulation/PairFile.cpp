#include "simulation/PairFile.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "geometry/FileLayer.h"

std::atomic<std::size_t> TPairFile::openFiles_{0};

// Background threads that append the files' full blocks. A file hands over one block at a
// time and waits for it before the next, so each file's blocks reach it in order.
class PairFileWriters {
public:
    static PairFileWriters& Get()
    {
        static PairFileWriters writers;
        return writers;
    }
    ~PairFileWriters()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    // Takes `bytes` of the writers' budget; false when it is spent.
    bool Reserve(std::size_t bytes)
    {
        std::size_t now = held_.load(std::memory_order_relaxed);
        do {
            if (now + bytes > TPairFile::kWriterBytes) return false;
        } while (!held_.compare_exchange_weak(now, now + bytes, std::memory_order_relaxed));
        return true;
    }
    void Release(std::size_t bytes) { held_.fetch_sub(bytes, std::memory_order_relaxed); }
    // False when no writer thread could be started: the file then writes the block itself.
    bool Submit(TPairFile* file)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (threads_.size() < kThreads && queue_.size() >= idle_) {
                try {
                    threads_.emplace_back([this] { Run(); });
                } catch (const std::exception&) {
                    if (threads_.empty()) return false;
                }
            }
            queue_.push_back(file);
        }
        wake_.notify_one();
        return true;
    }

private:
    static constexpr std::size_t kThreads = 2;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<TPairFile*> queue_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool stop_ = false;
    std::atomic<std::size_t> held_{0};

    void Run()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ++idle_;
            wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            --idle_;
            if (queue_.empty()) return;
            TPairFile* file = queue_.front();
            queue_.pop_front();
            lock.unlock();
            if (!file->WriteOut(file->writing_, false)) {
                try {
                    const std::string& why = file->appender_.Error();
                    file->writeError_ = why.empty() ? std::string("Input/output error") : why;
                } catch (const std::exception&) {
                    file->writeError_ = "?";  // reported as failed all the same
                }
            }
            file->writing_.clear();
            file->busy_.store(false, std::memory_order_release);
            file->busy_.notify_all();
            lock.lock();
        }
    }
};

void TPairFile::SetOpen(bool open)
{
    if (open == open_) return;
    open_ = open;
    if (open)
        openFiles_.fetch_add(1, std::memory_order_relaxed);
    else
        openFiles_.fetch_sub(1, std::memory_order_relaxed);
}

bool TPairFile::Create(const std::string& path)
{
    Close();
    path_ = path;
    buffer_.clear();
    failed_ = false;
    // Not reported here: the caller names the file it cannot create.
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    SetOpen(true);
    return true;
}

bool TPairFile::WriteOut(const std::string& text, bool report)
{
    appender_.ReportFailures(report);
    try {
        return appender_.Append(path_, text);
    } catch (const std::exception&) {
        return false;  // out of memory while reporting: the file is incomplete all the same
    }
}

void TPairFile::Wait() const
{
    while (busy_.load(std::memory_order_acquire)) busy_.wait(true, std::memory_order_acquire);
    // The writer is done with the file: its failure is reported here, on the owner's thread.
    if (writeError_.empty()) return;
    failed_ = true;
    try {
        ReportFileFailure(path_, writeError_);
    } catch (const std::exception&) {
        // Out of memory while reporting: the file is marked failed all the same.
    }
    writeError_.clear();
}

void TPairFile::ReleaseHeld()
{
    Wait();
    if (held_ == 0) return;
    PairFileWriters::Get().Release(held_);
    held_ = 0;
    writing_ = std::string();
}

void TPairFile::Handoff()
{
    Wait();
    if (!open_ || failed_) {
        buffer_.clear();
        return;
    }
    PairFileWriters& writers = PairFileWriters::Get();
    if (held_ < buffer_.capacity()) {
        const std::size_t more = buffer_.capacity() - held_;
        if (!writers.Reserve(more)) {
            Flush();
            return;
        }
        held_ += more;
    }
    // The writer takes the block; the file goes on in the buffer of its last block.
    writing_.swap(buffer_);
    buffer_.clear();
    busy_.store(true, std::memory_order_relaxed);
    if (!writers.Submit(this)) {
        busy_.store(false, std::memory_order_relaxed);
        writing_.swap(buffer_);
        Flush();
    }
}

bool TPairFile::Flush()
{
    Wait();
    if (!open_ || buffer_.empty()) return !failed_;
    // A file that lost text once is incomplete: nothing more is appended to it.
    const bool ok = !failed_ && WriteOut(buffer_, true);
    buffer_.clear();
    failed_ = failed_ || !ok;
    return ok;
}

bool TPairFile::Close()
{
    if (!open_) return true;
    const bool ok = Flush();
    ReleaseHeld();
    SetOpen(false);
    return ok;
}

TPairFile::Mark TPairFile::Remember() const
{
    Wait();
    Mark mark;
    mark.pending = buffer_;
    mark.open = open_;
    mark.failed = failed_;
    std::error_code ec;
    if (open_) mark.size = std::filesystem::file_size(path_, ec);
    if (ec) mark.size = 0;
    return mark;
}

void TPairFile::Restore(const Mark& mark)
{
    Wait();
    if (!open_ && !mark.open) return;
    if (!mark.open) ReleaseHeld();
    std::error_code ec;
    if (std::filesystem::is_regular_file(path_, ec)) std::filesystem::resize_file(path_, mark.size, ec);
    buffer_ = mark.pending;
    SetOpen(mark.open);
    failed_ = mark.failed;
}
