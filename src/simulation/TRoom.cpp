#include "simulation/TRoom.h"

#include <exception>

#include "simulation/Raio_st.h"
#include "simulation/TResult.h"

TRoom::~TRoom()
{
    // A run still going reads the room: stop it and wait for its thread before anything goes.
    // A destructor cannot pass on a fatal error of that thread; it has been shown already.
    try {
        StopSimulation();
    } catch (const std::exception&) {
    }
    ReleaseResults();
    lostRays.clear();
    NumLostRays = 0;
    LostRaysCreated = false;
}

void TRoom::LiberaMemoria()
{
    ReleaseResults();
    TRoomModel::LiberaMemoria();
}

void TRoom::ReleaseResults()
{
    if (!ResultsCreated) return;
    spcresult.clear();
    ResultsCreated = false;
    ResultSrc = ResultRec = 0;
}
