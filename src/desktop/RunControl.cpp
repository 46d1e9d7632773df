#include "desktop/RunControl.h"

#include <exception>
#include <new>
#include <string>
#include <system_error>

#include "geometry/ErrorHandler.h"
#include "room/TRoom.h"
#include "room/TSource.h"
#include "simulation/RunChecks.h"
#include "simulation/TextFields.h"

namespace {

// Runs a step of the core; a fatal exit (already shown) or a lack of memory becomes false.
template <class Step>
bool Guarded(Step step)
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

bool StartRun(TRoom& room)
{
    bool started = false;
    const bool ok = Guarded([&] {
        const unsigned int rays = room.GetNumRays();
        for (unsigned int s = 0; s < room.NumSources; ++s) room.source[s]->SetNumRays(rays);
        if (room.ResultsCreated) room.ClearResults();
        // Checked before anything changes; the run's files replace the earlier ones whole.
        CheckRoomCanRun(room, true);
        CheckRunInputs(room);
        room.BeginResultSet(true);
        room.CreateResults();
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

bool FinishRun(TRoom& room)
{
    const bool ok = Guarded([&] {
        room.WaitForSimulation();
        CheckResultsFinite(room);
        room.SaveResults();
        room.CommitResultSet();
    });
    if (!ok) room.DiscardResultSet();
    return ok;
}

bool StopRun(TRoom& room)
{
    const bool ok = Guarded([&] { room.StopSimulation(); });
    room.DiscardResultSet();  // a stopped run saves nothing; the earlier files stay
    return ok;
}
