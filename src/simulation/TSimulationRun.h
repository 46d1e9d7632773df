#pragma once
// The state of a simulation run apart from the room's data: the thread, its stop request, its
// fatal exit and the tracer's settings. The room owns one; destroying it stops and joins the
// run, so a room never goes while its run still reads it.

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

class TSimulationRun {
public:
    // `running` is the room's IsRunning flag, which the tracer and the response phase poll.
    explicit TSimulationRun(std::atomic<bool>& running) : running_(running) {}
    ~TSimulationRun();
    TSimulationRun(const TSimulationRun&) = delete;
    TSimulationRun& operator=(const TSimulationRun&) = delete;

    // The tracer's paths; every combination gives the same outputs, byte for byte.
    unsigned int TracerThreads = 0;  // threads tracing rays; 0: one per core this process may use
    bool TracerAcceleration = true;  // prune plane candidates with a bounding-volume tree
    bool TracerWideSearch = true;    // small rooms searched on 256-bit registers where the processor has them
    bool TracerPairedRays = true;    // with the wide search, rooms of up to 8 planes traced two rays at a time
    // Test seam: called on the committing thread once pair k's percentage is out, before the
    // stop is looked at. Empty by default.
    std::function<void(unsigned k)> PairCommitted;

    // Runs body on a new thread with IsRunning set; a fatal exit it throws is kept for Wait.
    // False, IsRunning cleared and the reason shown, when the thread cannot start. A run still
    // active must have been waited for first (Active() is false).
    bool Start(std::function<void()> body);
    // True from Start until the body has returned.
    bool Active() const { return active_.load(); }
    // Waits for the run to end and joins it; a fatal exit of the run is thrown again here.
    // Returns at once when no run was started.
    void Wait();
    // Asks the run to end: the tracing after the current ray, the responses after the current
    // pair. Safe from any thread; the request is spent once the run has been stopped.
    void RequestStop()
    {
        stopRequested_.store(true);
        running_.store(false);
    }
    bool StopRequested() const { return stopRequested_.load(); }
    // RequestStop, IsRunning kept cleared until the body has returned (the tracer sets it when
    // it starts), then Wait.
    void Stop();

private:
    std::atomic<bool>& running_;
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> active_{false};
    std::exception_ptr exit_;  // written by the run before active_ clears, read after the join
};
