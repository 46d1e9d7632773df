#pragma once
// Small rooms built in code for the views' tests.

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "geometry/TPlane.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"

namespace view_test {

inline void AddLayers(TRoom& room, unsigned count)
{
    for (unsigned i = 0; i < count; ++i) room.AddPlaneLayer(TPlaneLayer("L" + std::to_string(i)));
}

inline TPlane& AddPlane(TRoom& room, const std::vector<TPoint3D>& corners, int layer)
{
    room.plane.push_back(std::make_unique<TPlane>(static_cast<int>(corners.size()), corners.data()));
    room.NumPlanes = static_cast<unsigned>(room.plane.size());
    room.plane.back()->LayerID = layer;
    return *room.plane.back();
}

inline void AddSource(TRoom& room, TPoint3D at)
{
    TSource s;
    s.Position = at;
    room.AddSource(&s);
}

inline void AddReceiver(TRoom& room, TPoint3D at, double radius)
{
    TReceiver r;
    r.Position = at;
    r.Radius = radius;
    room.AddReceiver(&r);
}

inline void AddLostRay(TRoom& room, TPoint3D from, TVector direction, unsigned reflections)
{
    room.lostRays.push_back(std::make_unique<Raio_st>());
    Raio_st& ray = *room.lostRays.back();
    ray.p = from;
    ray.v = direction;
    ray.reflections = reflections;
    room.NumLostRays = static_cast<unsigned>(room.lostRays.size());
}

// A run of the room that does nothing but last until the object goes.
class HeldRun {
public:
    explicit HeldRun(TRoom& room) : room_(room)
    {
        room_.run.Start([this] {
            while (!release_.load()) std::this_thread::yield();
        });
    }
    ~HeldRun()
    {
        release_.store(true);
        room_.run.Wait();
    }
    HeldRun(const HeldRun&) = delete;
    HeldRun& operator=(const HeldRun&) = delete;

private:
    TRoom& room_;
    std::atomic<bool> release_{false};
};

}  // namespace view_test
