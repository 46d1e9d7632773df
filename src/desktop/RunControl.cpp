#include "desktop/RunControl.h"

#include <atomic>
#include <exception>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "geometry/ErrorHandler.h"
#include "room/TSource.h"
#include "simulation/RunChecks.h"
#include "simulation/TRoom.h"
#include "simulation/TextFields.h"

namespace {

// Runs a step of the core; a fatal exit (already shown) or a lack of memory becomes false.
template <class Step> bool Guarded(Step step)
{
    try {
        step();
        return true;
    } catch (const SorviExit&) {
        return false;
    } catch (const std::bad_alloc&) {
        ShowErrorText("Not enough memory for the simulation.\nNo results were changed.");
        return false;
    } catch (const std::system_error& e) {
        ShowErrorText(std::string("The system refused the run: ") + e.what() + ".\nNo results were changed.");
        return false;
    }
}

}  // namespace

RunPress PressByStatus(int status)
{
    if (status == 0) return RunPress::EmptyProject;
    if (status == 2) return RunPress::SaveFirst;
    return RunPress::Go;
}

bool CanStartRun(const TRoom& room, bool roomShown)
{
    return roomShown && room.NumSources > 0 && room.NumReceivers > 0 && !room.SimulationActive();
}

void RunBeside(const std::function<void()>& work, const std::function<void()>& pump)
{
    if (!pump) {
        work();
        return;
    }
    std::atomic<bool> done{false};
    std::exception_ptr error;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
            done.store(true);
        });
    } catch (const std::system_error&) {
        work();
        return;
    }
    while (!done.load()) pump();
    worker.join();
    if (error) std::rethrow_exception(error);
}

bool StartRun(TRoom& room, const std::function<void()>& pump)
{
    bool started = false;
    const bool ok = Guarded([&] {
        const unsigned int rays = room.GetNumRays();
        for (unsigned int s = 0; s < room.NumSources; ++s) room.source[s]->SetNumRays(rays);
        // Checked before anything changes; the run's files replace the earlier ones whole. The
        // checks (sound files read) and the creation run beside `pump`.
        RunBeside(
            [&] {
                if (room.ResultsCreated) room.ClearResults();
                CheckRoomCanRun(room, true);
                CheckRunInputs(room);
                room.BeginResultSet(true);
                room.CreateResults();
            },
            pump);
        started = room.StartSimulation();
    });
    if (!(ok && started)) room.DiscardResultSet();
    return ok && started;
}

RunTick PollRun(const TRoom& room)
{
    RunTick tick;
    const float pct = room.PercentageStatus.load();
    tick.gauge = static_cast<int>(pct);
    tick.finished = !room.SimulationActive();
    if (!tick.finished) {
        tick.text = "Percent = ";
        AppendFixed(tick.text, static_cast<double>(pct), 2);
        if (pct == 100.0f) tick.text += "\ngetting IRs ... please wait!";
    }
    return tick;
}

bool FinishRun(TRoom& room, const std::function<void()>& pump)
{
    const bool ok = Guarded([&] {
        room.WaitForSimulation();
        // The saving, and the earlier files replaced (gigabytes of ray files after a large run).
        RunBeside(
            [&] {
                CheckResultsFinite(room);
                room.SaveResults();
                room.CommitResultSet();
            },
            pump);
    });
    if (!ok) room.DiscardResultSet();
    return ok;
}

void RunCleanup::Start(TRoom& room)
{
    Finish();
    done_.store(false);
    auto discard = [this, &room] {
        Guarded([&] { room.DiscardResultSet(); });
        done_.store(true);
    };
    try {
        thread_ = std::thread(discard);
    } catch (const std::system_error&) {
        discard();
    }
}

void RunCleanup::Finish(const std::function<void()>& pump)
{
    if (!thread_.joinable()) return;
    if (pump)
        while (!done_.load()) pump();
    thread_.join();
}

bool StopRun(TRoom& room, const std::function<void()>& pump, RunCleanup* cleanup)
{
    const bool ok = Guarded([&] {
        if (pump) {
            // Asked again at every turn: a tracer that starts after the first request sets the
            // running flag once more.
            while (room.SimulationActive()) {
                room.RequestSimulationStop();
                pump();
            }
        }
        room.StopSimulation();  // joins a thread that has ended (or waits without a pump)
    });
    // A stopped run saves nothing; the earlier files stay and the run's own go.
    if (cleanup)
        cleanup->Start(room);
    else
        Guarded([&] { RunBeside([&] { room.DiscardResultSet(); }, pump); });
    return ok;
}
