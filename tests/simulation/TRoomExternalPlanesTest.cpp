#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geometry/TPlane.h"
#include "room/RoomTestBox.h"
#include "room/TRoom.h"

using roomtest::QuietRoom;

namespace {

std::vector<bool> Marks(TRoom& room)
{
    std::vector<bool> m;
    for (const auto& p : room.plane) m.push_back(p->IsExternal);
    return m;
}

std::string MarkGetExternal(TRoom& room)
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
    cases.push_back({"ReflectorInside", {Quad({2, 2, 1.5}, {3, 0, 0}, {0, 3, 0}, false, 0)},
                     {true, true, true, true, true, true, false}, 240.0});
    // A panel standing 2 m outside the x = 10 wall, smaller than the wall: seen from outside,
    // and the wall behind it is still seen past its edges.
    cases.push_back({"PanelOutside", {Quad({12, 2, 0.5}, {0, 4, 0}, {0, 0, 2}, false, 0)},
                     {true, true, true, true, true, true, true}, -1});
    // A copy of the floor: the earlier plane wins every tie.
    cases.push_back({"CoincidentFloor", {Quad({0, 0, 0}, {0, 8, 0}, {10, 0, 0}, false, 0)},
                     {true, true, true, true, true, true, false}, 240.0});
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
