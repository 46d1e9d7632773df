#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "geometry/GeoMath.h"
#include "geometry/RayDirections.h"
#include "geometry/TPlane.h"
#include "room/RoomTestBox.h"
#include "room/TRoomModel.h"

using roomtest::QuietRoom;

namespace {

std::vector<bool> Marks(TRoomModel& room)
{
    std::vector<bool> m;
    for (const auto& p : room.plane) m.push_back(p->IsExternal);
    return m;
}

std::string MarkGetExternal(TRoomModel& room)
{
    testing::internal::CaptureStdout();
    room.GetExternalPlanes();
    return testing::internal::GetCapturedStdout();
}

struct ExtraCase {
    const char* name;
    std::vector<TPlane> extra;  // planes added after the six faces of the 10 x 8 x 3 m box
    std::vector<bool> marks;    // expected marks of all planes
    double volume;              // expected volume after the marking, or -1 when not checked
};

std::vector<ExtraCase> ExtraCases()
{
    using roomtest::Quad;
    const std::vector<bool> six(6, true);
    std::vector<ExtraCase> cases;
    cases.push_back({"BoxAlone", {}, six, 240.0});
    // A reflector hanging inside is hidden by the walls from every grid point.
    cases.push_back({"ReflectorInside",
                     {Quad({2, 2, 1.5}, {3, 0, 0}, {0, 3, 0}, false, 0)},
                     {true, true, true, true, true, true, false},
                     240.0});
    // A panel standing 2 m outside the x = 10 wall, smaller than the wall: seen from outside,
    // and the wall behind it is still seen past its edges.
    cases.push_back({"PanelOutside",
                     {Quad({12, 2, 0.5}, {0, 4, 0}, {0, 0, 2}, false, 0)},
                     {true, true, true, true, true, true, true},
                     -1});
    // A copy of the floor: the earlier plane wins every tie.
    cases.push_back({"CoincidentFloor",
                     {Quad({0, 0, 0}, {0, 8, 0}, {10, 0, 0}, false, 0)},
                     {true, true, true, true, true, true, false},
                     240.0});
    return cases;
}

class ExternalPlanes : public testing::TestWithParam<ExtraCase> {};

}  // namespace

TEST_P(ExternalPlanes, MarksThePlanesSeenFromOutside)
{
    const ExtraCase& c = GetParam();
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    roomtest::AddPlanes(*room, c.extra);
    // Stale marks are cleared.
    for (auto& p : room->plane) p->IsExternal = true;

    EXPECT_EQ(MarkGetExternal(*room), "PLEASE WAIT! CHECKING EXTERNAL WALLS ...Done!\n");
    EXPECT_EQ(Marks(*room), c.marks);
    if (c.volume >= 0) {
        testing::internal::CaptureStdout();
        const double v = room->CalculateVolumeGeometry();
        testing::internal::GetCapturedStdout();
        EXPECT_NEAR(v, c.volume, c.volume * 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(Box, ExternalPlanes, testing::ValuesIn(ExtraCases()),
                         [](const testing::TestParamInfo<ExtraCase>& i) { return std::string(i.param.name); });

namespace {

// A plane of the given outline (its normal follows the order of the corners).
TPlane Outline(const std::vector<TPoint3D>& corners)
{
    TPlane p(static_cast<unsigned>(corners.size()));
    for (unsigned c = 0; c < corners.size(); ++c) p.SetVertex(c, corners[c]);
    p.LayerID = 0;
    return p;
}

// The planes of a prism: the floor outline (x, y, counter-clockwise seen from above) from z = 0
// to z = h, every wall and both caps facing out.
std::vector<TPlane> Prism(const std::vector<TPoint3D>& floor, double h)
{
    std::vector<TPlane> out;
    std::vector<TPoint3D> bottom(floor.rbegin(), floor.rend()), top;
    for (const TPoint3D& c : floor) top.push_back({c.x, c.y, h});
    out.push_back(Outline(bottom));
    out.push_back(Outline(top));
    for (std::size_t k = 0; k < floor.size(); ++k) {
        const TPoint3D a = floor[k], b = floor[(k + 1) % floor.size()];
        out.push_back(Outline({a, b, {b.x, b.y, h}, {a.x, a.y, h}}));
    }
    return out;
}

// The room designer's default room: a front part 3 m long, 6 m wide, from 1 m up to 5 m; a
// middle part 4 x 8 x 5 m; a rear part 5 m long narrowing to 3 m, its floor rising to 1.5 m.
// Between front and middle the wall at x = 3 is three strips around the opening. Corner k of
// the table is vertex k, or vertex -k mirrored in y = 0.
std::vector<TPlane> SteppedRoom()
{
    const TPoint3D v[10] = {{0, 3, 1}, {0, 3, 5}, {3, 3, 5}, {3, 3, 1},      {3, 4, 0},
                            {3, 4, 5}, {7, 4, 5}, {7, 4, 0}, {12, 1.5, 1.5}, {12, 1.5, 5}};
    const int corners[18][4] = {
        {1, 2, -2, -1},   {1, -1, -4, 4}, {2, 3, -3, -2},    {1, 4, 3, 2},   {-1, -2, -3, -4}, {3, 4, 5, 6},
        {-3, -6, -5, -4}, {-3, 3, 6, -6}, {5, 4, -4, -5},    {5, 8, 7, 6},   {-8, -5, -6, -7}, {5, -5, -8, 8},
        {6, 7, -7, -6},   {7, 8, 9, 10},  {-8, -7, -10, -9}, {8, -8, -9, 9}, {7, 10, -10, -7}, {9, -9, -10, 10},
    };
    std::vector<TPlane> out;
    for (const auto& q : corners) {
        std::vector<TPoint3D> outline;
        for (const int k : q) {
            TPoint3D p = v[std::abs(k) - 1];
            if (k < 0) p.y = -p.y;
            outline.push_back(p);
        }
        out.push_back(Outline(outline));
    }
    return out;
}

// A shed: section x 0..10 with the roof rising from 3 m to 5 m, y 0..8.
std::vector<TPlane> ShedRoom()
{
    std::vector<TPlane> out;
    auto quad = [&](TPoint3D a, TPoint3D b, TPoint3D c, TPoint3D d) { out.push_back(Outline({a, b, c, d})); };
    quad({0, 0, 0}, {0, 8, 0}, {10, 8, 0}, {10, 0, 0});
    quad({0, 0, 3}, {10, 0, 5}, {10, 8, 5}, {0, 8, 3});
    quad({0, 0, 0}, {0, 0, 3}, {0, 8, 3}, {0, 8, 0});
    quad({10, 0, 0}, {10, 8, 0}, {10, 8, 5}, {10, 0, 5});
    out.push_back(Outline({{0, 0, 0}, {10, 0, 0}, {10, 0, 5}, {0, 0, 3}}));
    out.push_back(Outline({{0, 8, 0}, {0, 8, 3}, {10, 8, 5}, {10, 8, 0}}));
    return out;
}

struct ClosedRoom {
    const char* name;
    std::vector<TPlane> planes;
    double volume;  // m3
};

class ClosedRoomVolume : public testing::TestWithParam<ClosedRoom> {};

}  // namespace

// Every plane of a closed room bounds it, however the room steps or folds; the volume follows.
TEST_P(ClosedRoomVolume, EveryPlaneCountsAndTheVolumeIsExact)
{
    const ClosedRoom& c = GetParam();
    QuietRoom room;
    roomtest::AddPlanes(*room, c.planes);
    ASSERT_EQ(room->NumPlanes, c.planes.size());
    MarkGetExternal(*room);
    // Every plane with an area (the designer's table has one of none, a line at x = 3).
    std::vector<bool> bounding;
    for (const auto& p : room->plane) bounding.push_back(p->PlaneArea() > 0);
    EXPECT_EQ(Marks(*room), bounding);
    testing::internal::CaptureStdout();
    const double v = room->CalculateVolumeGeometry();
    testing::internal::GetCapturedStdout();
    EXPECT_NEAR(v, c.volume, c.volume * 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Rooms, ClosedRoomVolume,
    testing::Values(
        ClosedRoom{"Stepped", SteppedRoom(), 3 * 6 * 4 + 4 * 8 * 5 + 120},
        ClosedRoom{"LShape", Prism({{0, 0, 0}, {10, 0, 0}, {10, 4, 0}, {4, 4, 0}, {4, 8, 0}, {0, 8, 0}}, 3),
                   (10 * 4 + 4 * 4) * 3},
        ClosedRoom{"UShape",
                   Prism({{0, 0, 0}, {9, 0, 0}, {9, 7, 0}, {6, 7, 0}, {6, 2, 0}, {3, 2, 0}, {3, 7, 0}, {0, 7, 0}}, 3),
                   (9 * 7 - 3 * 5) * 3},
        ClosedRoom{"Shed", ShedRoom(), 10 * 4 * 8}),
    [](const testing::TestParamInfo<ClosedRoom>& i) { return std::string(i.param.name); });

TEST(ExternalPlanesRuns, RepeatGivesTheSameMarksAndCountsHits)
{
    QuietRoom room;
    roomtest::BuildTwoMaterialBox(*room);
    MarkGetExternal(*room);
    const std::vector<bool> first = Marks(*room);
    std::vector<unsigned> hits;
    for (const auto& p : room->plane) hits.push_back(p->hits);
    for (unsigned h : hits) EXPECT_GT(h, 0u);

    MarkGetExternal(*room);
    EXPECT_EQ(Marks(*room), first);
    for (std::size_t i = 0; i < hits.size(); ++i) EXPECT_EQ(room->plane[i]->hits, 2 * hits[i]) << i;
}

TEST(ExternalPlanesRuns, RoomWithoutPlanes)
{
    QuietRoom room;
    EXPECT_EQ(MarkGetExternal(*room), "PLEASE WAIT! CHECKING EXTERNAL WALLS ...Room WITHOUT planes!\n");
}

// Rooms whose bounding box has no extent along an axis are sampled once along it, and the
// marking ends. Grid points in the planes' own level cannot hit them, so nothing is marked and
// the volume is 0.
TEST(ExternalPlanesRuns, FlatRoomsEnd)
{
    using roomtest::Quad;
    struct Flat {
        const char* name;
        TPoint3D o, a, b;  // corner and edges of a unit square
        TPoint3D shift;    // to its neighbour
    };
    const Flat flats[] = {
        {"z = 0", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}},
        {"y = 2", {0, 2, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 1}},
        {"x = -3", {-3, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 1, 0}},
    };
    for (const Flat& f : flats) {
        SCOPED_TRACE(f.name);
        QuietRoom room;
        roomtest::AddPlanes(*room, {Quad(f.o, f.a, f.b, false, -1), Quad(f.o + f.shift, f.a, f.b, false, -1)});
        EXPECT_EQ(MarkGetExternal(*room), "PLEASE WAIT! CHECKING EXTERNAL WALLS ...Done!\n");
        EXPECT_EQ(Marks(*room), std::vector<bool>(2, false));
        testing::internal::CaptureStdout();
        EXPECT_EQ(room->CalculateVolumeGeometry(), 0.0);
        testing::internal::GetCapturedStdout();
    }
}

// Far from the origin a grid step is smaller than the spacing of single-precision numbers;
// the grid stops where the step no longer advances instead of looping forever.
TEST(ExternalPlanesRuns, BoxFarFromTheOriginEnds)
{
    QuietRoom room;
    roomtest::AddPlanes(*room, roomtest::BoxFaces(10, 8, 3, {1e8, 0, 0}, false, -1, -1));
    EXPECT_EQ(MarkGetExternal(*room), "PLEASE WAIT! CHECKING EXTERNAL WALLS ...Done!\n");
}

namespace {

// The marking done the plain way: every probe through IntersectionLineAndPlane and
// TPlane::Inner, plane by plane. The pass must give the same marks and the same hit counts.
void PlainExternalPlanes(TRoomModel& room)
{
    constexpr double kFar = 1.7976931348623158e307;
    for (auto& pl : room.plane) pl->IsExternal = false;
    TPoint3D max(-kFar, -kFar, -kFar), min(kFar, kFar, kFar);
    for (const auto& pl : room.plane)
        for (const TPoint3D& v : pl->vertice) {
            max = {std::max(max.x, v.x), std::max(max.y, v.y), std::max(max.z, v.z)};
            min = {std::min(min.x, v.x), std::min(min.y, v.y), std::min(min.z, v.z)};
        }
    std::vector<TVector> dirs(RayDirectionCount(92));
    FillRayDirections(92, dirs.data());
    const float lo[3] = {static_cast<float>(min.x), static_cast<float>(min.y), static_cast<float>(min.z)};
    const float hi[3] = {static_cast<float>(max.x), static_cast<float>(max.y), static_cast<float>(max.z)};
    float step[3];
    std::vector<float> axis[3];
    for (int a = 0; a < 3; ++a) {
        step[a] = (hi[a] - lo[a]) / 20.0f;
        for (float x = lo[a]; x <= hi[a]; x += step[a]) axis[a].push_back(x);
    }
    for (int face = 0; face < 6; ++face) {
        const int fixedAxis = 2 - face / 2;
        const std::vector<float> one{face % 2 == 0 ? lo[fixedAxis] - step[fixedAxis] : hi[fixedAxis] + step[fixedAxis]};
        for (float x : fixedAxis == 0 ? one : axis[0])
            for (float y : fixedAxis == 1 ? one : axis[1])
                for (float z : fixedAxis == 2 ? one : axis[2]) {
                    const TPoint3D P(x, y, z);
                    for (const TVector& d : dirs) {
                        double best = kFar;
                        TPlane* found = nullptr;
                        for (auto& pl : room.plane) {
                            if (pl->NumVert == 0 || pl->normal * d == 0.0) continue;
                            const TPoint3D H = IntersectionLineAndPlane(d, P, pl->normal, pl->GetVertex(0));
                            const TVector rel(H - P);
                            if (!(rel * d > 0.0)) continue;
                            if (rel.Module() < best && pl->Inner(H) >= 0) {
                                best = rel.Module();
                                found = pl.get();
                            }
                        }
                        if (found) found->IsExternal = true;
                    }
                }
    }
}

}  // namespace

TEST(ExternalPlanesRuns, SameMarksAndHitsAsThePlainProbes)
{
    std::vector<std::pair<std::string, std::vector<TPlane>>> rooms = {
        {"Stepped", SteppedRoom()},
        {"Shed", ShedRoom()},
        {"LShape", Prism({{0, 0, 0}, {10, 0, 0}, {10, 4, 0}, {4, 4, 0}, {4, 8, 0}, {0, 8, 0}}, 3)}};
    for (const ExtraCase& c : ExtraCases()) {
        std::vector<TPlane> planes = roomtest::BoxFaces(10, 8, 3, {0, 0, 0}, false, 0, 0);
        planes.insert(planes.end(), c.extra.begin(), c.extra.end());
        rooms.emplace_back(c.name, planes);
    }
    // Odd sizes and a tilted panel: grid points and hits off the round numbers.
    std::vector<TPlane> odd = roomtest::BoxFaces(7.3, 5.1, 2.9, {-1.7, 0.3, 0.1}, false, 0, 0);
    odd.push_back(Outline({{1, 1, 0.5}, {4, 1.5, 1.2}, {3.5, 4, 2.5}, {0.8, 3, 1.5}}));
    rooms.emplace_back("Odd", odd);
    for (const auto& [name, planes] : rooms) {
        SCOPED_TRACE(name);
        QuietRoom fast, plain;
        roomtest::AddPlanes(*fast, planes);
        roomtest::AddPlanes(*plain, planes);
        MarkGetExternal(*fast);
        MarkGetExternal(*fast);  // counts add up over repeated passes
        PlainExternalPlanes(*plain);
        PlainExternalPlanes(*plain);
        EXPECT_EQ(Marks(*fast), Marks(*plain));
        for (std::size_t i = 0; i < planes.size(); ++i) EXPECT_EQ(fast->plane[i]->hits, plain->plane[i]->hits) << i;
    }
}
