#pragma once
// The road of a run in the desktop program, without wx: what a press of the start button may
// do, the start with its preparations, the progress poll of the timer, the end (results saved)
// and the stop. A fatal core error on any of these steps has been shown through the error
// handler when these return false; nothing is left running.

#include <string>

class TRoom;

// What a press of the start button does by project status (0 empty, 1 saved, 2 modified).
enum class RunPress { EmptyProject, SaveFirst, Go };
RunPress PressByStatus(int status);

// A run can start: the room is shown, has at least one source and one receiver, and no run of
// it is active.
bool CanStartRun(const TRoom& room, bool roomShown);

// Every source's ray count from the room's, old results cleared, the run's checks passed, the
// folder's run lock taken, the results created (their files written as one set, see
// TRoom::BeginResultSet) and the thread started. False when a core error stopped it (another
// run in the folder, a sound file that cannot be auralized, a plane not triangulated) or the
// thread could not start: no run is going then and the folder is as it was.
bool StartRun(TRoom& room);

// One tick of the progress timer.
struct RunTick {
    bool finished = false;  // the run's thread has ended: call FinishRun
    int gauge = 0;          // the percentage truncated
    std::string text;       // the progress text ("Percent = %1.2f", and the responses note at 100)
};
RunTick PollRun(const TRoom& room);

// A run whose thread has ended: joined, its results saved and put in place. False when the run
// or the saving raised a fatal core error (shown): the folder keeps its earlier files then.
bool FinishRun(TRoom& room);

// Asks the run to stop and waits for it (the current ray or pair is finished first). False when
// the run had raised a fatal core error (shown). Nothing is saved: the folder keeps its earlier
// files.
bool StopRun(TRoom& room);
