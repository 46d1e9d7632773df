#include "views/ModelScene.h"

#include <algorithm>
#include <cstring>

#include "geometry/TPlane.h"
#include "room/TReceiver.h"
#include "room/TSource.h"
#include "simulation/Raio_st.h"
#include "simulation/TRoom.h"
#include "views/ViewControl.h"

namespace model_scene {

const TPlane* PlaneAt(const TRoom& room, int index)
{
    const std::size_t n = std::min<std::size_t>(room.NumPlanes, room.plane.size());
    if (index < 0 || static_cast<std::size_t>(index) >= n) return nullptr;
    return room.plane[static_cast<std::size_t>(index)].get();
}

ViewColor StoredLayerColor(const TRoom& room, int layer)
{
    const std::size_t n = std::min<std::size_t>(room.NumPlaneLayers, room.planeLayer.size());
    if (layer < 0 || static_cast<std::size_t>(layer) >= n) return {0, 0, 0};
    const int* cor = room.planeLayer[static_cast<std::size_t>(layer)].cor;
    ViewColor c;
    for (int k = 0; k < 3; ++k) c[k] = std::clamp(cor[k] / 255.0f, 0.0f, 1.0f);
    return c;
}

ViewColor SinglePlaneTriangleColor(const std::vector<ViewColor>& table, int layer, unsigned t, unsigned triangles,
                                   bool shade)
{
    ViewColor c = TableColor(table, layer);
    if (!shade) return c;
    const float f = static_cast<float>(t + 1) / static_cast<float>(triangles + 1);
    for (float& component : c) component *= f;
    return c;
}

bool ShowLostRays(const TRoom& room, const ViewControl& view)
{
    return view.DrawLostRays != 0 && room.NumLostRays > 0 && !room.lostRays.empty() && !room.SimulationActive();
}

TPoint3D ViewTarget(TRoom& room)
{
    return room.SimulationActive() ? room.Center : room.GetCenter();
}

int NormalizeAngle(int degrees)
{
    while (degrees < 0) degrees += 360;
    while (degrees > 360) degrees -= 360;
    return degrees;
}

namespace {

// FNV-1a over the bytes of the values fed in.
class Hash {
public:
    template <typename T> void Add(const T& value)
    {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        for (unsigned char b : bytes) h_ = (h_ ^ b) * 1099511628211ull;
    }
    void Add(const TPoint3D& p)
    {
        Add(p.x);
        Add(p.y);
        Add(p.z);
    }
    std::uint64_t Value() const { return h_; }

private:
    std::uint64_t h_ = 14695981039346656037ull;
};

}  // namespace

std::uint64_t Fingerprint(const TRoom& room)
{
    Hash h;
    h.Add(&room);
    h.Add(room.SimulationActive());
    h.Add(room.NumPlanes);
    for (const auto& pl : room.plane) {
        if (!pl) continue;
        h.Add(pl->LayerID);
        h.Add(pl->IsExternal);
        h.Add(pl->NumTriang);
        for (const TPoint3D& v : pl->vertice) h.Add(v);
        for (const TTriangle& t : pl->triangulo) {
            h.Add(t.p0);
            h.Add(t.p1);
            h.Add(t.p2);
        }
    }
    h.Add(room.NumPlaneLayers);
    for (const TPlaneLayer& layer : room.planeLayer)
        for (int k = 0; k < 3; ++k) h.Add(layer.cor[k]);
    h.Add(room.NumSources);
    for (const auto& s : room.source) {
        if (!s) continue;
        h.Add(s->Position);
        h.Add(s->AzimRotation);
        h.Add(s->ElevRotation);
    }
    h.Add(room.NumReceivers);
    for (const auto& r : room.receiver) {
        if (!r) continue;
        h.Add(r->Position);
        h.Add(r->Radius);
        h.Add(r->AzimRotation);
        h.Add(r->ElevRotation);
    }
    // The lost rays change only as a whole list (a run or a load replaces it); while a run
    // replaces them they are not drawn, and not read.
    if (room.SimulationActive()) return h.Value();
    h.Add(room.NumLostRays);
    h.Add(room.MaxLostRaysRef);
    h.Add(room.lostRays.empty() ? nullptr : room.lostRays.front().get());
    return h.Value();
}

}  // namespace model_scene
