#include "desktop/StandardRoom.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "desktop/HandOverFile.h"
#include "geometry/ErrorHandler.h"
#include "geometry/TPlane.h"
#include "room/TMaterial.h"
#include "room/TPlaneLayer.h"
#include "simulation/TRoom.h"

const int kStandardRoomCorners[kStandardRoomPlanes][4] = {
    {1, 2, -2, -1},   {1, -1, -4, 4}, {2, 3, -3, -2},    {1, 4, 3, 2},   {-1, -2, -3, -4}, {3, 4, 5, 6},
    {-3, -6, -5, -4}, {-3, 3, 6, -6}, {5, 4, -4, -5},    {5, 8, 7, 6},   {-8, -5, -6, -7}, {5, -5, -8, 8},
    {6, 7, -7, -6},   {7, 8, 9, 10},  {-8, -7, -10, -9}, {8, -8, -9, 9}, {7, 10, -10, -7}, {9, -9, -10, 10},
};

const int kStandardRoomLayers[kStandardRoomPlanes] = {0, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 1, 2, 0};

std::array<TPoint3D, kStandardRoomVertices> StandardRoomVertices(const RoomDimensions& d)
{
    // Widths are full widths; the vertices lie on the +y side.
    const double x1 = d.L1, x2 = static_cast<double>(d.L1) + d.L, x3 = x2 + d.L2;
    const double w1 = d.W1 / 2.0, w = d.W / 2.0, w2 = d.W2 / 2.0;
    return {{
        {0, w1, d.H1},
        {0, w1, d.H},
        {x1, w1, d.H},
        {x1, w1, d.H1},
        {x1, w, 0},
        {x1, w, d.H},
        {x2, w, d.H},
        {x2, w, 0},
        {x3, w2, d.H2},
        {x3, w2, d.H},
    }};
}

void AddStandardRoomLayers(TRoom& room)
{
    struct MaterialRow {
        const char* name;
        float absorption[9];
        float scattering;
    };
    static const MaterialRow materials[] = {
        {"Absorptive_mat", {0.60f, 0.65f, 0.65f, 0.70f, 0.70f, 0.85f, 0.90f, 0.85f, 0.80f}, 0.01f},
        {"Generic_mat", {0.30f, 0.55f, 0.45f, 0.50f, 0.50f, 0.45f, 0.50f, 0.50f, 0.40f}, 0.05f},
        {"Reflective_mat", {0.02f, 0.02f, 0.03f, 0.04f, 0.05f, 0.05f, 0.04f, 0.04f, 0.04f}, 0.10f},
    };
    for (const MaterialRow& m : materials) {
        const TMaterial mat(m.name, 9, m.absorption, m.scattering);
        room.AddMaterial(&mat);
    }

    struct LayerRow {
        const char* name;
        int rgb[3];
        const char* material;
    };
    static const LayerRow layers[] = {
        {"Walls", {50, 50, 255}, "Generic_mat"},
        {"Floor", {0, 128, 255}, "Absorptive_mat"},
        {"Ceiling", {50, 128, 20}, "Reflective_mat"},
    };
    for (const LayerRow& l : layers) {
        TPlaneLayer layer(l.name);
        layer.SetColor(l.rgb[0], l.rgb[1], l.rgb[2]);
        room.AddPlaneLayer(layer);
        room.AssociateMaterialToLayer(l.material, l.name);
    }
}

namespace {

// While it lives, the error texts of the thread that made it are counted instead of shown; those
// of other threads (a simulation) still go to the handler that was installed.
class WithheldErrors {
public:
    WithheldErrors() : thread_(std::this_thread::get_id())
    {
        previous_ = SetErrorHandler([this](const std::string& text) {
            if (std::this_thread::get_id() == thread_) {
                ++count;
                return 1;
            }
            if (previous_) return previous_(text);
            std::fprintf(stderr, "Error: %s\n", text.c_str());
            return 1;
        });
    }
    ~WithheldErrors() { SetErrorHandler(previous_); }
    WithheldErrors(const WithheldErrors&) = delete;
    WithheldErrors& operator=(const WithheldErrors&) = delete;

    int count = 0;

private:
    std::thread::id thread_;
    ErrorHandler previous_;
};

}  // namespace

int BuildStandardRoomPlanes(TRoom& room, const std::array<TPoint3D, kStandardRoomVertices>& vertices)
{
    WithheldErrors withheld;
    if (room.NumPlanes > 0) room.DeletePlanes();
    TPlane quad(4);
    for (int q = 0; q < kStandardRoomPlanes; ++q) {
        for (unsigned c = 0; c < 4; ++c) {
            const int k = kStandardRoomCorners[q][c];
            TPoint3D p = vertices[static_cast<std::size_t>(std::abs(k) - 1)];
            if (k < 0) p.y = -p.y;
            quad.SetVertex(c, p);
        }
        quad.LayerID = kStandardRoomLayers[q];
        room.AddPlane(&quad);
    }
    return withheld.count;
}

std::string WriteStandardRoom(TRoom& room, const std::string& handOver)
{
    return WriteHandOverFile(handOver, [&](const std::string& scratch) {
        const char* f = scratch.c_str();
        return AppendedBy(scratch, [&] { room.WriteDefaultSetup(f); }) &&
               AppendedBy(scratch, [&] { room.SavePlaneLayers(f); }) &&
               AppendedBy(scratch, [&] { room.SavePlanes(f); }) && AppendedBy(scratch, [&] { room.SaveMaterials(f); });
    });
}

bool ParseDimension(const std::string& text, float& value)
{
    std::string s = text;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(s.begin());
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    for (char& c : s)
        if (c == ',') c = '.';
    if (s.empty()) return false;
    double v = 0.0;
    const char* end = s.data() + s.size();
    const auto res = std::from_chars(s.data(), end, v);
    if (res.ec != std::errc() || res.ptr != end || !std::isfinite(v)) return false;
    if (v < kMinDimension || v > kMaxDimension) return false;
    value = static_cast<float>(v);
    return true;
}

std::vector<Point2D> StandardRoomPlan(const RoomDimensions& d)
{
    const double x1 = d.L1, x2 = x1 + d.L, x3 = x2 + d.L2;
    const double w1 = d.W1 / 2.0, w = d.W / 2.0, w2 = d.W2 / 2.0;
    return {{0, w1}, {x1, w1}, {x1, w}, {x2, w}, {x3, w2}, {x3, -w2}, {x2, -w}, {x1, -w}, {x1, -w1}, {0, -w1}};
}

std::vector<Point2D> StandardRoomSection(const RoomDimensions& d)
{
    const double x1 = d.L1, x2 = x1 + d.L, x3 = x2 + d.L2;
    return {{0, d.H1}, {0, d.H}, {x1, d.H}, {x2, d.H}, {x3, d.H}, {x3, d.H2}, {x2, 0}, {x1, 0}, {x1, d.H1}};
}
