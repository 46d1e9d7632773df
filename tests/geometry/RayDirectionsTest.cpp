#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "geometry/RayDirections.h"
#include "support/ParamName.h"

namespace {

constexpr double kPi = 3.141592653589793;

double AngleDeg(TVector a, TVector b)
{
    double c = std::clamp(a * b, -1.0, 1.0);
    return std::acos(c) * 180.0 / kPi;
}

bool Contains(const std::vector<TVector>& grid, TVector v)
{
    return std::any_of(grid.begin(), grid.end(), [&](TVector w) {
        return std::fabs(w.x - v.x) < 1e-9 && std::fabs(w.y - v.y) < 1e-9 && std::fabs(w.z - v.z) < 1e-9;
    });
}

void ExpectNear(TVector v, double x, double y, double z)
{
    EXPECT_NEAR(v.x, x, 1e-6);
    EXPECT_NEAR(v.y, y, 1e-6);
    EXPECT_NEAR(v.z, z, 1e-6);
}

struct GridCase {
    double requested;
    uint32_t count;
    int order;
};

class RayGrid : public ::testing::TestWithParam<GridCase> {};

// Every grid: the right count, unit vectors, no two points closer than the icosahedron's edge
// angle / n, and the symmetry of the icosahedron (72 degrees about z, point reflection). A
// wrong edge, face or closing flag breaks the spacing or the symmetry.
TEST_P(RayGrid, CountUnitLengthSpacingAndSymmetry)
{
    const GridCase c = GetParam();
    ASSERT_EQ(RayDirectionCount(c.requested), c.count);
    std::vector<TVector> grid(c.count, TVector(9, 9, 9));
    ASSERT_EQ(FillRayDirections(c.requested, grid.data()), c.count);

    const double edgeAngle = 63.43494882292201;  // between neighbouring icosahedron vertices
    const double cos72 = std::cos(72 * kPi / 180), sin72 = std::sin(72 * kPi / 180);
    double minAngle = 180;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const TVector v = grid[i];
        EXPECT_NEAR(std::sqrt(v * v), 1.0, 1e-14) << i;
        for (std::size_t j = i + 1; j < grid.size(); ++j) minAngle = std::min(minAngle, AngleDeg(v, grid[j]));
        EXPECT_TRUE(Contains(grid, TVector(cos72 * v.x - sin72 * v.y, sin72 * v.x + cos72 * v.y, v.z))) << i;
        EXPECT_TRUE(Contains(grid, TVector(-v.x, -v.y, -v.z))) << i;
    }
    EXPECT_NEAR(minAngle, edgeAngle / c.order, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Counts, RayGrid,
                         ::testing::Values(GridCase{12, 12, 1}, GridCase{42, 42, 2}, GridCase{92, 92, 3},
                                           GridCase{1002, 1002, 10},
                                           // between grid counts: the smaller grid
                                           GridCase{100, 92, 3}, GridCase{1001, 812, 9},
                                           // below 12: the twelve vertices
                                           GridCase{5, 12, 1}, GridCase{0, 12, 1}),
                         [](const testing::TestParamInfo<GridCase>& i) {
                             return "Requested" + ParamName(i.param.requested);
                         });

TEST(RayDirections, VerticesAndFirstEdgePointAreTheKnownPoints)
{
    const std::vector<TVector> g12 = MakeRayDirections(12);
    ExpectNear(g12[0], 0, 0, 1);
    ExpectNear(g12[1], 0.276393, 0.850651, 0.447214);
    ExpectNear(g12[5], 0.894427, 0, 0.447214);
    ExpectNear(g12[6], -0.276393, 0.850651, -0.447214);
    ExpectNear(g12[10], 0.723607, 0.525731, -0.447214);
    ExpectNear(g12[11], 0, 0, -1);

    // The 42-grid adds the midpoint of each edge, starting with vertices 0 and 1.
    const std::vector<TVector> g42 = MakeRayDirections(42);
    ExpectNear(g42[12], 0.162460, 0.500000, 0.850651);
}

TEST(RayDirections, FinerGridsKeepVerticesThenEdgePoints)
{
    const std::vector<TVector> g12 = MakeRayDirections(12);
    const std::vector<TVector> g42 = MakeRayDirections(42);
    const std::vector<TVector> g1002 = MakeRayDirections(1002);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(g42[i], g12[i]);
        EXPECT_EQ(g1002[i], g12[i]);
    }
    // Each of the 30 midpoints of the 42-grid halves a distinct edge of the icosahedron.
    std::vector<std::pair<int, int>> seen;
    for (int e = 0; e < 30; ++e) {
        std::vector<int> near;
        for (int i = 0; i < 12; ++i)
            if (std::fabs(AngleDeg(g42[12 + e], g12[i]) - 31.717474411461) < 1e-6) near.push_back(i);
        ASSERT_EQ(near.size(), 2u) << e;
        seen.emplace_back(near[0], near[1]);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
    // In the 1002-grid the 270 edge points (indices 12..281) lie on icosahedron edges: their
    // angles to the two ends add up to the edge angle; the face points do not.
    auto onEdge = [&](TVector v) {
        for (int a = 0; a < 12; ++a)
            for (int b = a + 1; b < 12; ++b)
                if (std::fabs(AngleDeg(g12[a], g12[b]) - 63.43494882292201) < 1e-9 &&
                    std::fabs(AngleDeg(v, g12[a]) + AngleDeg(v, g12[b]) - 63.43494882292201) < 1e-6)
                    return true;
        return false;
    };
    for (int i = 12; i < 282; ++i) EXPECT_TRUE(onEdge(g1002[i])) << i;
    for (int i = 282; i < 1002; ++i) EXPECT_FALSE(onEdge(g1002[i])) << i;
}

TEST(RayDirections, SourceCountsGoToTheNearestGrid)
{
    const struct {
        uint32_t requested, grid;
    } cases[] = {{1000, 1002}, {12, 12}, {20, 12}, {30, 12},   {40, 42},       {42, 42},      {100, 92},
                 {0, 12},      {1, 12},  {11, 12}, {162, 162}, {20000, 20252}, {20252, 20252}};
    for (const auto& c : cases) EXPECT_EQ(RayGridCount(c.requested), c.grid) << c.requested;
    EXPECT_EQ(RayGridOrder(5), 1u);
}

TEST(RayDirections, SphericalStepRunsAlongTheGreatCircle)
{
    const TVector A(1, 0, 0), B(0, 1, 0);
    for (int t = 1; t < 4; ++t) {
        TVector p = SphericalStep(A, B, t, 4);
        EXPECT_NEAR(AngleDeg(p, A), 90.0 * t / 4, 1e-9);
        EXPECT_NEAR(AngleDeg(p, B), 90.0 * (4 - t) / 4, 1e-9);
        EXPECT_NEAR(p.z, 0.0, 1e-15);
    }
}

}  // namespace
