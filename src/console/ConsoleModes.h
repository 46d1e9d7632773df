#pragma once
// The console program's modes without its window: a run from loading to results put in place,
// DXF drawings converted, responses rebuilt from stored ray files, stored responses auralized
// again. Every mode writes its files whole and holds the folder's run lock; a failure ends with
// its message and status 1 and leaves the folder's earlier files as they were. SIGINT, SIGTERM
// and SIGHUP stop a run as a stopped run (nothing put in place, status 128 + the signal).

#include <functional>
#include <memory>

class TRoom;

// Shows the loaded room in a window until it is closed: the status to end with (quit key, or a
// fatal error raised by a key), or a negative value when the window was closed. The room may be
// freed by the window.
using ConsoleWindow = std::function<int(std::unique_ptr<TRoom>& room, int& argc, char** argv)>;

// The program on its command line; returns the exit status. Without a window, -view and the
// view after -dxf2txt end as if the window had been closed at once.
int RunConsole(int argc, char** argv, const ConsoleWindow& window);
