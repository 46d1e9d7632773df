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

namespace tracertest {

using Quad = std::vector<TPoint3D>;

inline std::vector<Quad> ShoeboxQuads(double Lx, double Ly, double H)
{
    const TPoint3D c[8] = {{0, 0, 0}, {Lx, 0, 0}, {Lx, Ly, 0}, {0, Ly, 0},
                           {0, 0, H}, {Lx, 0, H}, {Lx, Ly, H}, {0, Ly, H}};
    const int f[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    std::vector<Quad> q;
    for (const auto& face : f) q.push_back({c[face[0]], c[face[1]], c[face[2]], c[face[3]]});
    return q;
}

// Floor and walls of an Lx x Ly x H box whose ceiling is nx x ny coffers (border b, depth d):
// 5 + 9 nx ny planes, closed.
inline std::vector<Quad> CofferedHallQuads(double Lx, double Ly, double H, unsigned nx, unsigned ny, double b = 0.1,
                                           double d = 0.4)
{
    std::vector<Quad> q = ShoeboxQuads(Lx, Ly, H);
    q.erase(q.begin() + 1);  // the flat ceiling
    for (unsigned i = 0; i < nx; ++i)
        for (unsigned j = 0; j < ny; ++j) {
            const double x0 = Lx * i / nx, x1 = Lx * (i + 1) / nx, y0 = Ly * j / ny, y1 = Ly * (j + 1) / ny;
            const double a0 = x0 + b, a1 = x1 - b, b0 = y0 + b, b1 = y1 - b, top = H + d;
            q.push_back({{x0, y0, H}, {x1, y0, H}, {x1, b0, H}, {x0, b0, H}});
            q.push_back({{x0, b1, H}, {x1, b1, H}, {x1, y1, H}, {x0, y1, H}});
            q.push_back({{x0, b0, H}, {a0, b0, H}, {a0, b1, H}, {x0, b1, H}});
            q.push_back({{a1, b0, H}, {x1, b0, H}, {x1, b1, H}, {a1, b1, H}});
            q.push_back({{a0, b0, H}, {a1, b0, H}, {a1, b0, top}, {a0, b0, top}});
            q.push_back({{a1, b0, H}, {a1, b1, H}, {a1, b1, top}, {a1, b0, top}});
            q.push_back({{a1, b1, H}, {a0, b1, H}, {a0, b1, top}, {a1, b1, top}});
            q.push_back({{a0, b1, H}, {a0, b0, H}, {a0, b0, top}, {a0, b1, top}});
            q.push_back({{a0, b0, top}, {a1, b0, top}, {a1, b1, top}, {a0, b1, top}});
        }
    return q;
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
