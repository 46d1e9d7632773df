// Marking of the planes that enclose the room: probe rays from grids of points just outside
// each face of the bounding box; the nearest plane hit by every probe of every point is
// external (a point's first hit alone misses planes that only some directions reach, such as
// a step in the room's width seen past the narrower part).

#include <cmath>
#include <cstdio>
#include <vector>

#include "geometry/GeoMath.h"
#include "geometry/RayDirections.h"
#include "geometry/TPlane.h"
#include "room/TRoomModel.h"

namespace {

constexpr double kFar = 1.7976931348623158e307;
constexpr int kGridDivisions = 20;
constexpr int kRequestedProbes = 100;

// Positions lo, lo + step, ... while not above hi, by repeated single-precision addition. An
// axis without extent (or whose step no longer moves the value) is sampled where it stands.
std::vector<float> AxisPositions(float lo, float hi, float step)
{
    std::vector<float> out;
    if (!(step > 0.0f)) {
        if (lo <= hi) out.push_back(lo);
        return out;
    }
    for (float x = lo; x <= hi;) {
        out.push_back(x);
        const float next = x + step;
        if (!(next > x)) break;
        x = next;
    }
    return out;
}

}  // namespace

void TRoomModel::GetExternalPlanes()
{
    std::printf("PLEASE WAIT! CHECKING EXTERNAL WALLS ...");
    if (plane.empty()) {
        std::printf("Room WITHOUT planes!\n");
        return;
    }
    for (auto& pl : plane)
        if (pl) pl->IsExternal = false;

    TPoint3D max(-kFar, -kFar, -kFar), min(kFar, kFar, kFar);
    for (const auto& pl : plane) {
        if (!pl) continue;
        for (const TPoint3D& v : pl->vertice) {
            if (v.x > max.x) max.x = v.x;
            if (v.y > max.y) max.y = v.y;
            if (v.z > max.z) max.z = v.z;
            if (v.x < min.x) min.x = v.x;
            if (v.y < min.y) min.y = v.y;
            if (v.z < min.z) min.z = v.z;
        }
    }
    if (!(min.x <= max.x && min.y <= max.y && min.z <= max.z)) {
        // No vertex at all: nothing can be hit.
        std::printf("Done!\n");
        return;
    }

    // 100 probes brought down to the icosahedral count 10 k^2 + 2 (k = 3: 92 directions).
    const int k = static_cast<int>(std::floor(std::sqrt(static_cast<double>((kRequestedProbes - 2) / 10)) + 0.5));
    const unsigned requested = static_cast<unsigned>(10 * k * k + 2);
    std::vector<TVector> dirs(RayDirectionCount(requested));
    FillRayDirections(requested, dirs.data());

    // The grid lives in single precision.
    const float lo[3] = {static_cast<float>(min.x), static_cast<float>(min.y), static_cast<float>(min.z)};
    const float hi[3] = {static_cast<float>(max.x), static_cast<float>(max.y), static_cast<float>(max.z)};
    float step[3];
    std::vector<float> axis[3];
    for (int a = 0; a < 3; ++a) {
        step[a] = (hi[a] - lo[a]) / static_cast<float>(kGridDivisions);
        axis[a] = AxisPositions(lo[a], hi[a], step[a]);
    }

    auto probe = [&](TPoint3D P) {
        for (const TVector& d : dirs) {
            double best = kFar;
            int found = -1;
            for (std::size_t j = 0; j < plane.size(); ++j) {
                TPlane* pl = plane[j].get();
                if (!pl || pl->NumVert == 0) continue;
                const TVector& n = pl->normal;
                if (n * d == 0.0) continue;
                const TPoint3D H = IntersectionLineAndPlane(d, P, n, pl->GetVertex(0));
                const TVector rel(H - P);
                if (!(rel * d > 0.0)) continue;
                const double dist = rel.Module();
                if (dist < best && pl->Inner(H) >= 0) {
                    best = dist;
                    found = static_cast<int>(j);
                }
            }
            if (found >= 0) plane[static_cast<std::size_t>(found)]->IsExternal = true;
        }
    };

    // Faces: z below and above, y below and above, x below and above; the fixed coordinate lies
    // one division outside the box, and the varying ones nest x, then y, then z.
    for (int face = 0; face < 6; ++face) {
        const int fixedAxis = 2 - face / 2;
        const float fixed = face % 2 == 0 ? lo[fixedAxis] - step[fixedAxis] : hi[fixedAxis] + step[fixedAxis];
        const std::vector<float> one{fixed};
        const std::vector<float>& xs = fixedAxis == 0 ? one : axis[0];
        const std::vector<float>& ys = fixedAxis == 1 ? one : axis[1];
        const std::vector<float>& zs = fixedAxis == 2 ? one : axis[2];
        for (float x : xs)
            for (float y : ys)
                for (float z : zs) probe(TPoint3D(x, y, z));
    }
    std::printf("Done!\n");
}
