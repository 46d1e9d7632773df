#pragma once
// What every kind of run (tracing, modal tracing, the statistical decay) says and checks first.

class TRoom;

// With needsResults, a room whose results were not created is a programming error; then the
// title "STARTING <title>" between rules (none for a null title); then a room without a
// receiver or a source is refused. A refusal has shown its message and returns false.
bool OpenRun(const TRoom& room, const char* title, bool needsResults);

// "Start Processing ...", then the critical distance computed and shown.
void ShowCriticalDistance(TRoom& room);
