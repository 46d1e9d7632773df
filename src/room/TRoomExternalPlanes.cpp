// Marking of the planes that enclose the room: probe rays from grids of points just outside
// each face of the bounding box; the nearest plane hit by every probe of every point is
// external (a point's first hit alone misses planes that only some directions reach, such as
// a step in the room's width seen past the narrower part).

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <thread>
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

    // What the probes need of each plane, computed once: the values are those of
    // IntersectionLineAndPlane and TPlane::Inner, so every test rounds as theirs do.
    struct Target {
        TPlane* pl;
        TVector n;
        TPoint3D v0;
        std::vector<TPoint3D> corners;  // the triangles in the plane's 2D frame, three a triangle
        bool inner;                     // Inner can succeed (more than two vertices)
    };
    std::vector<Target> targets;
    for (const auto& pl : plane) {
        if (!pl || pl->NumVert == 0) {
            targets.push_back({nullptr, TVector(), TPoint3D(), {}, false});
            continue;
        }
        Target t{pl.get(), pl->normal, pl->GetVertex(0), {}, pl->NumVert > 2};
        for (unsigned i = 0; i < pl->NumTriang; ++i) {
            const TTriangle& tri = pl->triangulo[i];
            for (TPoint3D c : {tri.p0, tri.p1, tri.p2}) t.corners.push_back(MudaBase(pl->Mi, c - pl->origem));
        }
        targets.push_back(std::move(t));
    }
    std::vector<TVector> unit(dirs);
    for (TVector& u : unit) u.Normalize();

    // TPlane::Inner without its count.
    auto inside = [](const Target& t, TPoint3D H) {
        if (!t.inner) return false;
        const TPoint3D P = MudaBase(t.pl->Mi, H - t.pl->origem);
        for (std::size_t c = 0; c < t.corners.size(); c += 3)
            if (TPlane::Inner2D(t.corners[c], t.corners[c + 1], t.corners[c + 2], P) == 1) return true;
        return false;
    };
    // Per probe: the nearest plane whose inside holds the hit, the earliest of equals. Every
    // successful inside test counts as a hit of its plane, as Inner counts it.
    struct Tally {
        std::vector<double> distPo;
        std::vector<unsigned> hits;
        std::vector<char> found;
    };
    auto probe = [&](TPoint3D P, Tally& tally) {
        for (std::size_t j = 0; j < targets.size(); ++j)
            if (targets[j].pl) tally.distPo[j] = targets[j].n * TVector(P - targets[j].v0);
        for (std::size_t i = 0; i < dirs.size(); ++i) {
            const TVector& d = dirs[i];
            const TPoint3D P1 = P + VectorToPoint(unit[i]);
            double best = kFar;
            int nearest = -1;
            for (std::size_t j = 0; j < targets.size(); ++j) {
                const Target& t = targets[j];
                if (!t.pl || t.n * d == 0.0) continue;
                const double distPo = tally.distPo[j];
                const double distP1 = t.n * TVector(P1 - t.v0);
                const double D = distPo / (distPo - distP1);
                const TPoint3D H = P + VectorToPoint(unit[i] * D);
                const TVector rel(H - P);
                if (!(rel * d > 0.0)) continue;
                const double dist = rel.Module();
                if (dist < best && inside(t, H)) {
                    ++tally.hits[j];
                    best = dist;
                    nearest = static_cast<int>(j);
                }
            }
            if (nearest >= 0) tally.found[static_cast<std::size_t>(nearest)] = 1;
        }
    };

    // Faces: z below and above, y below and above, x below and above; the fixed coordinate lies
    // one division outside the box, and the varying ones nest x, then y, then z.
    std::vector<TPoint3D> points;
    for (int face = 0; face < 6; ++face) {
        const int fixedAxis = 2 - face / 2;
        const float fixed = face % 2 == 0 ? lo[fixedAxis] - step[fixedAxis] : hi[fixedAxis] + step[fixedAxis];
        const std::vector<float> one{fixed};
        const std::vector<float>& xs = fixedAxis == 0 ? one : axis[0];
        const std::vector<float>& ys = fixedAxis == 1 ? one : axis[1];
        const std::vector<float>& zs = fixedAxis == 2 ? one : axis[2];
        for (float x : xs)
            for (float y : ys)
                for (float z : zs) points.emplace_back(x, y, z);
    }

    // The points are independent: threads take blocks of them, each keeping its own counts,
    // added up afterwards (the same sums in any order).
    constexpr std::size_t kBlock = 16;
    const std::size_t blocks = (points.size() + kBlock - 1) / kBlock;
    const std::size_t threads =
        std::max<std::size_t>(1, std::min<std::size_t>(std::thread::hardware_concurrency(), blocks / 4));
    std::vector<Tally> tallies(threads,
                               Tally{std::vector<double>(targets.size()), std::vector<unsigned>(targets.size()),
                                     std::vector<char>(targets.size())});
    std::atomic<std::size_t> next{0};
    auto work = [&](Tally& tally) {
        for (std::size_t b; (b = next.fetch_add(1)) < blocks;)
            for (std::size_t k = b * kBlock; k < std::min(points.size(), (b + 1) * kBlock); ++k)
                probe(points[k], tally);
    };
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(work, std::ref(tallies[t]));
        } catch (...) {
            break;  // a thread not started: those started and this one take the rest
        }
    }
    work(tallies[0]);
    for (std::thread& t : pool) t.join();

    for (std::size_t j = 0; j < targets.size(); ++j) {
        if (!targets[j].pl) continue;
        for (const Tally& tally : tallies) {
            targets[j].pl->hits += tally.hits[j];
            if (tally.found[j]) targets[j].pl->IsExternal = true;
        }
    }
    std::printf("Done!\n");
}
