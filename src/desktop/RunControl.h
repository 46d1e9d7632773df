#pragma once
// The road of a run in the desktop program, without wx: what a press of the start button may
// do, the start with its preparations, the progress poll of the timer, the end (results saved)
// and the stop. A fatal core error on any of these steps has been shown through the error
// handler when these return false; nothing is left running.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class TRoom;

// What a press of the start button does by project status (0 empty, 1 saved, 2 modified).
enum class RunPress { EmptyProject, SaveFirst, Go };
RunPress PressByStatus(int status);

// A run can start: the room is shown, has at least one source and one receiver, and no run of
// it is active.
bool CanStartRun(const TRoom& room, bool roomShown);

// Runs `work` on a thread of its own while the calling thread calls `pump` (the window's
// repaints) until it has ended; what `work` throws is thrown again here. Without a pump, or
// when no thread can be started, `work` runs on the calling thread.
void RunBeside(const std::function<void()>& work, const std::function<void()>& pump);

// Every source's ray count from the room's, old results cleared, the run's checks passed, the
// folder's run lock taken, the results created (their files written as one set, see
// TRoom::BeginResultSet) and the thread started; all but the start run beside `pump`. False
// when a core error stopped it (another run in the folder, a sound file that cannot be
// auralized, a plane not triangulated) or the thread could not start: no run is going then and
// the folder is as it was.
bool StartRun(TRoom& room, const std::function<void()>& pump = {});

// One tick of the progress timer.
struct RunTick {
    bool finished = false;  // the run's thread has ended: call FinishRun
    int gauge = 0;          // the percentage truncated
    std::string text;       // the progress text ("Percent = %1.2f", and the responses note at 100)
};
RunTick PollRun(const TRoom& room);

// A run whose thread has ended: joined, its results saved and put in place (beside `pump`).
// False when the run or the saving raised a fatal core error (shown): the folder keeps its
// earlier files then.
bool FinishRun(TRoom& room, const std::function<void()>& pump = {});

// The clean-up of a stopped run, dropping its temporaries (gigabytes of ray files after a
// large run, seconds to delete), on a thread of its own. Until Finish has returned the room's
// results and result set are the thread's: the room is neither edited, run nor freed.
class RunCleanup {
public:
    RunCleanup() = default;
    RunCleanup(const RunCleanup&) = delete;
    RunCleanup& operator=(const RunCleanup&) = delete;
    ~RunCleanup() { Finish(); }

    // Starts dropping the room's result set (after a clean-up still going has finished); when
    // no thread can be started, drops it here.
    void Start(TRoom& room);
    // A clean-up was started and Finish has not been called yet.
    bool Pending() const { return thread_.joinable(); }
    // It is still working.
    bool Busy() const { return Pending() && !done_.load(); }
    // Waits for it, calling `pump` meanwhile (without a pump: blocks), and joins it.
    void Finish(const std::function<void()>& pump = {});

private:
    std::thread thread_;
    std::atomic<bool> done_{true};
};

// Asks the run to stop and waits for it (the current ray or pair is finished first), calling
// `pump` meanwhile: the thread is joined only once it has ended, so the caller never blocks on
// it. False when the run had raised a fatal core error (shown). Nothing is saved: the folder
// keeps its earlier files. With `cleanup`, the run's temporaries are dropped there, beside the
// caller, instead of before the return.
bool StopRun(TRoom& room, const std::function<void()>& pump = {}, RunCleanup* cleanup = nullptr);
