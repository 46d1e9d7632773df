#pragma once
// Holding a run at a known point, so that a test that acts on a running simulation does not
// depend on how the threads are scheduled.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "simulation/TRoom.h"
#include "simulation/ThreadStart.h"

namespace runtest {

// Holds a run's thread at a known point (a seam calls Park) until the test lets it go, so that
// the test sees the run there however the threads are scheduled. The first Park for which
// `when` holds waits; every other one passes. With `until`, the parked thread also goes on
// once that holds (a stop request made by a call that waits for the run).
class RunGate {
public:
    explicit RunGate(std::function<bool()> when = {}, std::function<bool()> until = {})
        : when_(std::move(when)), until_(std::move(until))
    {}
    ~RunGate() { Release(); }
    RunGate(const RunGate&) = delete;
    RunGate& operator=(const RunGate&) = delete;

    void Park()
    {
        std::unique_lock<std::mutex> lock(m_);
        if (state_ != State::Open || (when_ && !when_())) return;
        state_ = State::Parked;
        cv_.notify_all();
        while (state_ != State::Released && !(until_ && until_())) cv_.wait_for(lock, std::chrono::milliseconds(1));
        state_ = State::Released;
    }
    bool Parked()
    {
        std::lock_guard<std::mutex> lock(m_);
        return state_ == State::Parked;
    }
    // Waits until a thread is parked (true) or `ended` says the run ended without parking
    // (false: the point was never reached).
    bool WaitParked(const std::function<bool()>& ended)
    {
        std::unique_lock<std::mutex> lock(m_);
        while (state_ == State::Open) {
            if (ended()) return false;
            cv_.wait_for(lock, std::chrono::milliseconds(1));
        }
        return true;
    }
    bool WaitParked(const TRoom& room)
    {
        return WaitParked([&] { return !room.SimulationActive(); });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(m_);
        state_ = State::Released;
        cv_.notify_all();
    }

private:
    enum class State { Open, Parked, Released };
    std::function<bool()> when_, until_;
    std::mutex m_;
    std::condition_variable cv_;
    State state_ = State::Open;
};

// While it lives, every thread start made on another thread than its maker's (every thread of
// a run starts through StartThread: a source's tracing, the pairs' steps, their helpers) is a
// point where `gate` may park that thread.
class ParkAtThreadStarts {
public:
    explicit ParkAtThreadStarts(RunGate& gate) : gate_(gate)
    {
        const std::thread::id maker = std::this_thread::get_id();
        previous_ = SetThreadStartFault([this, maker] {
            if (std::this_thread::get_id() != maker) gate_.Park();
            return false;
        });
    }
    ~ParkAtThreadStarts()
    {
        gate_.Release();  // a parked start holds the seam's lock
        SetThreadStartFault(std::move(previous_));
    }
    ParkAtThreadStarts(const ParkAtThreadStarts&) = delete;
    ParkAtThreadStarts& operator=(const ParkAtThreadStarts&) = delete;

private:
    RunGate& gate_;
    std::function<bool()> previous_;
};

}  // namespace runtest
