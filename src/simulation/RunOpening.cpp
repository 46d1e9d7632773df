#include "simulation/RunOpening.h"

#include <cstdio>

#include "geometry/util.h"
#include "simulation/TRoom.h"

bool OpenRun(const TRoom& room, const char* title, bool needsResults)
{
    if (needsResults && !room.ResultsCreated) {
        ErrorMessage("Programming Error: ResultsCreate Function not Called!!!!");
        return false;
    }
    if (title) {
        std::printf("\n=======================\n");
        std::printf("STARTING %s\n", title);
        std::printf("=======================\n");
    }
    if (room.NumReceivers == 0) {
        ErrorMessage("No receiver was defined\nSimulation aborted!\n");
        return false;
    }
    if (room.NumSources == 0) {
        ErrorMessage("No source was defined\nSimulation aborted!\n");
        return false;
    }
    return true;
}

void ShowCriticalDistance(TRoom& room)
{
    std::printf("Start Processing ...\n");
    room.CalcCriticalDist();
    std::printf("Critical Distance: %1.2f m\n", static_cast<double>(room.CriticalDistance));
}
