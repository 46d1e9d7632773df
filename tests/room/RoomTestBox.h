#pragma once
// Rooms for the metrics and external-plane tests, built through the room's add operations.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TRoomModel.h"

namespace roomtest {

// A room whose destructor listing stays out of the test output.
class QuietRoom {
public:
    QuietRoom() : room_(new TRoomModel) {}
    ~QuietRoom()
    {
        testing::internal::CaptureStdout();
        delete room_;
        testing::internal::GetCapturedStdout();
    }
    QuietRoom(const QuietRoom&) = delete;
    QuietRoom& operator=(const QuietRoom&) = delete;
    TRoomModel* operator->() { return room_; }
    TRoomModel& operator*() { return *room_; }

private:
    TRoomModel* room_;
};

// Quadrilateral c, c + a, c + a + b, c + b; its normal is a x b (reversed order: b x a).
inline TPlane Quad(TPoint3D c, TPoint3D a, TPoint3D b, bool reversed, int layer)
{
    TPoint3D v[4] = {c, c + a, c + a + b, c + b};
    if (reversed) std::swap(v[1], v[3]);
    TPlane p(4, v);
    p.LayerID = layer;
    return p;
}

// The six faces of an lx * ly * lz box with its lower corner at o, normals outwards (or
// inwards): floor, ceiling, y = 0, y = ly, x = 0, x = lx. Floor and ceiling go on floorLayer,
// the four walls on wallLayer.
inline std::vector<TPlane> BoxFaces(double lx, double ly, double lz, TPoint3D o, bool inward, int floorLayer,
                                    int wallLayer)
{
    const TPoint3D X(lx, 0, 0), Y(0, ly, 0), Z(0, 0, lz);
    std::vector<TPlane> f;
    f.push_back(Quad(o, Y, X, inward, floorLayer));
    f.push_back(Quad(o + Z, X, Y, inward, floorLayer));
    f.push_back(Quad(o, X, Z, inward, wallLayer));
    f.push_back(Quad(o + Y, Z, X, inward, wallLayer));
    f.push_back(Quad(o, Z, Y, inward, wallLayer));
    f.push_back(Quad(o + X, Y, Z, inward, wallLayer));
    return f;
}

inline void AddPlanes(TRoomModel& room, const std::vector<TPlane>& planes)
{
    for (const TPlane& p : planes) room.AddPlane(&p);
}

// Material "name" with absorption a0 in the 62.5 Hz band, a in every other band, and
// scattering s.
inline void AddMaterial(TRoomModel& room, const char* name, float a0, float a, float s)
{
    std::vector<float> abs(room.NumBands, a);
    abs[0] = a0;
    const TMaterial m(name, room.NumBands, abs.data(), s);
    room.AddMaterial(&m);
}

// The 10 x 8 x 3 m box: layer 0 "Floors" (floor and ceiling, 160 m2) of material "Hard"
// (0.2 at 62.5 Hz, else 0.1, no scattering), layer 1 "Walls" (108 m2) of material "Soft"
// (0.2 at 62.5 Hz, else 0.5, scattering 0.5).
inline void BuildTwoMaterialBox(TRoomModel& room, bool inward = false, TPoint3D origin = TPoint3D(0, 0, 0))
{
    AddMaterial(room, "Hard", 0.2f, 0.1f, 0.0f);
    AddMaterial(room, "Soft", 0.2f, 0.5f, 0.5f);
    room.AddPlaneLayer(TPlaneLayer("Floors"));
    room.AddPlaneLayer(TPlaneLayer("Walls"));
    room.AssociateMaterialToLayer(0, 0);
    room.AssociateMaterialToLayer(1, 1);
    AddPlanes(room, BoxFaces(10, 8, 3, origin, inward, 0, 1));
}

inline void MarkAllExternal(TRoomModel& room)
{
    for (auto& p : room.plane) p->IsExternal = true;
}

}  // namespace roomtest
