#include "simulation/TSimulationRun.h"

#include <chrono>
#include <string>

#include "geometry/ErrorHandler.h"
#include "simulation/ThreadStart.h"

TSimulationRun::~TSimulationRun()
{
    // A destructor cannot pass on the run's fatal error; it has been shown already.
    try {
        Stop();
    } catch (...) {
    }
}

bool TSimulationRun::Start(std::function<void()> body)
{
    Wait();  // a run that has ended but was not joined yet
    stopRequested_.store(false);
    exit_ = nullptr;
    running_.store(true);
    active_.store(true);
    try {
        thread_ = StartThread([this, body = std::move(body)] {
            try {
                body();
            } catch (...) {
                // A fatal exit belongs to the thread that waits for this one.
                exit_ = std::current_exception();
                running_.store(false);
            }
            active_.store(false);
        });
    } catch (const std::exception& e) {
        active_.store(false);
        running_.store(false);
        ShowErrorText(std::string("The simulation thread could not be started: ") + e.what());
        return false;
    }
    return true;
}

void TSimulationRun::Wait()
{
    if (thread_.joinable()) thread_.join();
    if (exit_) {
        const std::exception_ptr e = exit_;
        exit_ = nullptr;
        std::rethrow_exception(e);
    }
}

void TSimulationRun::Stop()
{
    if (thread_.joinable()) {
        stopRequested_.store(true);
        while (active_.load()) {
            running_.store(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    running_.store(false);
    stopRequested_.store(false);  // no run works any more: the request is spent
    Wait();
}
