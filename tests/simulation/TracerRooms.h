#pragma once
// Rooms for the tracer's tests (outlines from support/TestRooms.h), with one material, one
// plane layer and one source layer; result files go to a scratch folder.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "simulation/ResultTestSupport.h"
#include "simulation/TRoom.h"
#include "support/TestRooms.h"

namespace tracertest {

using testsupport::CofferedHallQuads;
using testsupport::Quad;
using testsupport::ShoeboxQuads;
using testsupport::StripFloorQuads;

// A room of the given planes (absorption alpha, scattering dif in every band) with settings
// for short runs: 44.1 kHz, 343 m/s, no air absorption, lost rays saved.
class TracerRoom {
public:
    explicit TracerRoom(const std::vector<Quad>& quads, float alpha = 0.1f, float dif = 0.0f)
        : dir("sorvi-tracer"), room(std::make_unique<TRoom>())
    {
        room->ProjectFolder = dir.dir.string();
        room->VSound = 343.0f;
        room->FSample = 44100.0f;
        room->MaxLength = 44100 / 2;
        testsupport::BuildOneMaterialRoom(*room, quads, alpha, dif);
        omni = room->directivity[0].get();
        room->SaveLostRays = 1;
        room->ClusterOrderGlobal = 2;
        room->SaveLateRaysFlag = 1;
        room->run.TracerThreads = 1;
    }
    ~TracerRoom()
    {
        testing::internal::CaptureStdout();
        room.reset();
        testing::internal::GetCapturedStdout();
    }
    void AddSource(TPoint3D at, unsigned rays)
    {
        TSource s;
        s.Position = at;
        s.NumBands = resulttest::kBands;
        s.NumberOfRays = rays;
        s.LayerID = 0;
        s.directivity = omni;
        room->AddSource(&s);
    }
    void AddReceiver(TPoint3D at, double radius)
    {
        TReceiver r(at, radius, 0.0, 0);
        r.SetDirectivity(omni);
        room->AddReceiver(&r);
    }
    // Creates the results and traces, standard output captured; closes every pair's files.
    std::string Run()
    {
        testing::internal::CaptureStdout();
        room->AcousticParameters();
        room->CreateResults();
        room->Simulate();
        for (auto& row : room->spcresult)
            for (auto& pair : row) {
                pair->CloseRayFile();
                pair->CloseHitFile();
            }
        return testing::internal::GetCapturedStdout();
    }
    std::string File(const char* kind, int S, int R, const char* tail = ".txt") const
    {
        char name[64];
        std::snprintf(name, sizeof name, "%s-S%.3d-R%.3d%s", kind, S, R, tail);
        return dir / name;
    }

    resulttest::Scratch dir;
    std::unique_ptr<TRoom> room;
    TDirectivity* omni = nullptr;
};

}  // namespace tracertest
