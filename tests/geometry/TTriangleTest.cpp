#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>
#include <vector>

#include "geometry/GeoMath.h"
#include "geometry/TTetraedro.h"

// Readable failure output for triangles.
void PrintTo(const TTriangle& t, std::ostream* os)
{
    *os << "(" << t.p0.x << "," << t.p0.y << "," << t.p0.z << ") (" << t.p1.x << "," << t.p1.y << "," << t.p1.z << ") ("
        << t.p2.x << "," << t.p2.y << "," << t.p2.z << ")";
}

namespace {

constexpr double kPiTriangle = 3.1415926535897931;

void ExpectPoint(TPoint3D p, TPoint3D q, double tol = 1e-12)
{
    EXPECT_NEAR(p.x, q.x, tol);
    EXPECT_NEAR(p.y, q.y, tol);
    EXPECT_NEAR(p.z, q.z, tol);
}

TEST(GeoMath, LineAndPlane)
{
    const TVector up(0, 0, 1);
    const TPoint3D onPlane(1, 1, 0);
    // The intersection lies ahead of or behind the start point alike.
    ExpectPoint(IntersectionLineAndPlane({0, 0, -2}, {0, 0, 5}, up, onPlane), {0, 0, 0});
    ExpectPoint(IntersectionLineAndPlane({0, 0, 2}, {0, 0, 5}, up, onPlane), {0, 0, 0});
    ExpectPoint(IntersectionLineAndPlane({1, 0, -1}, {0, 0, 2}, up, onPlane), {2, 0, 0});
    // Parallel line: no finite point.
    const TPoint3D par = IntersectionLineAndPlane({1, 0, 0}, {0, 0, 5}, up, onPlane);
    EXPECT_FALSE(std::isfinite(par.x));

    ExpectPoint(IntersectionPoint(up, onPlane, {0, 0, -2}, {3, 4, 5}), {3, 4, 0});
    EXPECT_EQ(IntersectionDistance(up, onPlane, {0, 0, -2}, {3, 4, 5}), 2.5);
    EXPECT_EQ(IntersectionPoint(up, onPlane, {1, 0, 0}, {3, 4, 5}), onPlane);
    EXPECT_EQ(IntersectionDistance(up, onPlane, {1, 0, 0}, {3, 4, 5}), -1);

    EXPECT_EQ(distPointToPlane({0, 0, 3}, {0, 0, 0}, {0, 0, 2}), 3);
    EXPECT_EQ(distPointToPlane({0, 0, 3}, {0, 0, 0}, {0, 0, -1}), -3);
    EXPECT_EQ(dist2Points({1, 2, 3}, {4, 6, 3}), 5);
}

TEST(GeoMath, InverseOfThreeByThree)
{
    struct Case {
        float a[3][3];
    };
    const Case cases[] = {
        {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {{{2, 0, 0}, {0, 4, 0}, {0, 0, 8}}},
        {{{1, 2, 0}, {0, 1, 3}, {4, 0, 1}}},
        {{{0.5f, -1, 2}, {3, 0.25f, 1}, {-2, 1, 1}}},
    };
    for (const Case& c : cases) {
        float ai[3][3];
        matrizInversa3x3(c.a, ai);
        // A * AI is the identity.
        for (int i = 0; i < 3; i++)
            for (int j = 0; j < 3; j++) {
                double s = 0;
                for (int k = 0; k < 3; k++) s += double(c.a[i][k]) * ai[k][j];
                EXPECT_NEAR(s, i == j ? 1 : 0, 1e-6) << i << "," << j;
            }
    }
    float ai[3][3];
    const float diag[3][3] = {{2, 0, 0}, {0, 4, 0}, {0, 0, 8}};
    matrizInversa3x3(diag, ai);
    EXPECT_EQ(ai[0][0], 0.5f);
    EXPECT_EQ(ai[1][1], 0.25f);
    EXPECT_EQ(ai[2][2], 0.125f);
    const float singular[3][3] = {{1, 2, 3}, {0, 0, 0}, {4, 5, 6}};
    matrizInversa3x3(singular, ai);
    bool anyNonFinite = false;
    for (auto& row : ai)
        for (float v : row) anyNonFinite |= !std::isfinite(v);
    EXPECT_TRUE(anyNonFinite);

    // MudaBase with the inverse undoes MudaBase with the matrix.
    const float m[3][3] = {{0.5f, -1, 2}, {3, 0.25f, 1}, {-2, 1, 1}};
    matrizInversa3x3(m, ai);
    const TPoint3D p(1.5, -2, 0.75);
    ExpectPoint(MudaBase(ai, MudaBase(m, p)), p, 1e-5);
    ExpectPoint(MudaBase(m, p), {0.5 * 1.5 + 2 + 1.5, 4.5 - 0.5 + 0.75, -3 - 2 + 0.75});
}

TEST(GeoMath, VolumesAndSolidAngles)
{
    const TPoint3D x(1, 0, 0), y(0, 1, 0), z(0, 0, 1), o;
    EXPECT_EQ(signedVolumeOfTriangle(x, y, z), 1.0f / 6.0f);
    EXPECT_EQ(signedVolumeOfTriangle(y, x, z), -1.0f / 6.0f);
    EXPECT_NEAR(SolidAngle(o, x, y, z), kPiTriangle / 2, 1e-6);
    EXPECT_NEAR(SolidAngle(o, TTriangle(x, y, z)), kPiTriangle / 2, 1e-6);

    const TPoint3D corners[] = {x, y, z, o};
    const TTetraedro t(corners);
    EXPECT_NEAR(t.Volume(), 1.0 / 6, 1e-15);
    EXPECT_NEAR(t.solidAngle(), kPiTriangle / 2, 1e-12);
    const TTetraedro far({0, 0, 10}, TTriangle({-1, -1, 0}, {1, -1, 0}, {0, 1, 0}));
    EXPECT_NEAR(far.Volume(), 2 * 10 / 3.0, 1e-12);
    EXPECT_NEAR(far.solidAngle(), SolidAngle({0, 0, 10}, {-1, -1, 0}, {1, -1, 0}, {0, 1, 0}), 1e-5);
}

TEST(Triangle, DerivedValuesAndOrientation)
{
    TTriangle t({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    EXPECT_EQ(t.area, 0.5f);
    ExpectPoint(t.center, {1.0 / 3, 1.0 / 3, 0});
    EXPECT_EQ(t.TriangleNormal(), TVector(0, 0, 1));
    EXPECT_EQ(t.GetVertex(4), t.p1);
    EXPECT_EQ(t.GetVertex(2), t.p2);

    TTriangle u = t;
    u.InvertSequence();
    EXPECT_EQ(u.TriangleNormal(), TVector(0, 0, -1));
    EXPECT_EQ(u.p1, t.p2);
    EXPECT_NE(u, t);
    u.InvertSequence();
    EXPECT_EQ(u, t);

    const TTriangle degenerate({0, 0, 0}, {1, 1, 1}, {2, 2, 2});
    EXPECT_EQ(degenerate.area, 0);
    EXPECT_EQ(degenerate.TriangleNormal(), TVector(0, 0, 0));

    const TPoint3D list[] = {{0, 0, 0}, {2, 0, 0}, {0, 0, 2}};
    TTriangle fromList(list);
    EXPECT_EQ(fromList.area, 2);
    EXPECT_EQ(fromList.TriangleNormal(), TVector(0, -1, 0));
    TTriangle empty;
    EXPECT_EQ(empty.area, 0);
    EXPECT_EQ(empty.p2, TPoint3D());
}

TEST(Triangle, TextOutput)
{
    const TTriangle t({0, 0, 0}, {1, 0.5, 0}, {0, 1, 2});
    testing::internal::CaptureStdout();
    t.Print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "p0 = (0.00, 0.00, 0.00)\np1 = (1.00, 0.50, 0.00)\np2 = (0.00, 1.00, 2.00)\n");
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    t.WriteOnFile(f);
    std::rewind(f);
    char buf[128] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buf, n), "0.000 0.000 0.000 1.000 0.500 0.000 0.000 1.000 2.000");
}

TEST(Triangle, SplitAlongTheLongestEdge)
{
    struct Case {
        TTriangle t;
        int parts;
        std::vector<TTriangle> expected;
    };
    const std::vector<Case> cases = {
        {{{0, 0, 0}, {3, 0, 0}, {1, 1, 0}},
         3,
         {{{1, 1, 0}, {0, 0, 0}, {1, 0, 0}}, {{1, 1, 0}, {1, 0, 0}, {2, 0, 0}}, {{1, 1, 0}, {2, 0, 0}, {3, 0, 0}}}},
        {{{0, 0, 0}, {3, 0, 0}, {0, 1, 0}},
         2,
         {{{0, 0, 0}, {3, 0, 0}, {1.5, 0.5, 0}}, {{0, 0, 0}, {1.5, 0.5, 0}, {0, 1, 0}}}},
        // Longest edge p2 -> p0.
        {{{0, 0, 0}, {3, 0, 0}, {3, 1, 0}},
         2,
         {{{3, 0, 0}, {3, 1, 0}, {1.5, 0.5, 0}}, {{3, 0, 0}, {1.5, 0.5, 0}, {0, 0, 0}}}},
    };
    for (const Case& c : cases) {
        std::vector<TTriangle> out(c.parts);
        c.t.Split(c.parts, out.data());
        double sum = 0;
        for (int k = 0; k < c.parts; k++) {
            EXPECT_EQ(out[k], c.expected[k]) << "piece " << k;
            sum += out[k].area;
        }
        EXPECT_NEAR(sum, TTriangle(c.t).TriangleArea(), 1e-6);
    }
}

TEST(Triangle, SplitByAreaHalvesUntilSmallEnough)
{
    TTriangle t({0, 0, 0}, {4, 0, 0}, {0, 4, 0});  // area 8
    struct Case {
        float minArea;
        unsigned long count;
    };
    for (const Case c : {Case{8, 1}, Case{100, 1}, Case{4, 2}, Case{3, 4}, Case{1, 8}, Case{0.9f, 16}}) {
        ASSERT_EQ(t.SplitByAreaCount(c.minArea), c.count) << c.minArea;
        std::vector<TTriangle> out(c.count);
        t.SplitByArea(c.minArea, out.data());
        double sum = 0;
        for (const TTriangle& piece : out) {
            EXPECT_NEAR(piece.area, 8.0 / c.count, 1e-5);
            EXPECT_LE(piece.area, std::max(c.minArea, 8.0f) + 1e-5);
            // Halving keeps the orientation.
            EXPECT_EQ(piece.TriangleNormal().z, 1);
            sum += piece.area;
        }
        EXPECT_NEAR(sum, 8, 1e-5);
    }
    EXPECT_EQ(t.SplitByAreaCount(0), 1u);
    EXPECT_EQ(t.SplitByAreaCount(std::numeric_limits<float>::quiet_NaN()), 1u);
}

}  // namespace
