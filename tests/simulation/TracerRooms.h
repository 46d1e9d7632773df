#pragma once
// Rooms for the tracer's tests: a shoebox and a hall with a coffered ceiling, with one
// material, one plane layer and one source layer; result files go to a scratch folder.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "directivity/TDirectivity.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TReceiver.h"
#include "room/TRoom.h"
#include "room/TSource.h"
#include "room/TSourceLayer.h"
#include "simulation/ResultTestSupport.h"
#include "support/RoomShapes.h"

namespace tracertest {

using Quad = room_shapes::Quad;

inline std::vector<Quad> ShoeboxQuads(double Lx, double Ly, double H) { return room_shapes::Shoebox(Lx, Ly, H); }

// The shoebox with its floor cut into six strips along x: 11 planes, below the tree's size.
inline std::vector<Quad> StripFloorQuads(double Lx, double Ly, double H)
{
    std::vector<Quad> q = ShoeboxQuads(Lx, Ly, H);
    q.erase(q.begin());
    for (int k = 0; k < 6; ++k) {
        const double x0 = Lx * k / 6, x1 = Lx * (k + 1) / 6;
        q.push_back({{x0, 0, 0}, {x0, Ly, 0}, {x1, Ly, 0}, {x1, 0, 0}});
    }
    return q;
}

// The coffered hall with the tracer tests' border of 0.1 m unless told otherwise.
inline std::vector<Quad> CofferedHallQuads(double Lx, double Ly, double H, unsigned nx, unsigned ny, double b = 0.1,
                                           double d = 0.4)
{
    return room_shapes::CofferedHall(Lx, Ly, H, nx, ny, b, d);
}

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
        room->material.push_back(std::make_unique<TMaterial>("wall", resulttest::kBands, alpha, dif));
        room->NumMaterials = 1;
        TPlaneLayer walls("walls");
        walls.MatID = 0;
        room->planeLayer = {walls};
        room->NumPlaneLayers = 1;
        for (const Quad& q : quads) {
            room->plane.push_back(std::make_unique<TPlane>(static_cast<int>(q.size()), q.data()));
            room->plane.back()->LayerID = 0;
        }
        room->NumPlanes = static_cast<unsigned>(quads.size());
        room->AddSourceLayer("S");
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
