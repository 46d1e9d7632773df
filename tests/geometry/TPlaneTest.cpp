#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "geometry/GeoMath.h"
#include "geometry/TPlane.h"
#include "support/ErrorCapture.h"

namespace {

struct P2 {
    double x, y;
};

using Outline = std::vector<P2>;

// Places 2D outlines in space: flat (z = 0) or on a tilted, shifted plane.
struct Placement {
    const char* name;
    TPoint3D origin, ex, ey;  // ex, ey orthonormal
    TPoint3D At(P2 p) const { return origin + ex * p.x + ey * p.y; }
    TVector Up() const { return TVector(ex) / TVector(ey); }
};

const Placement kFlat{"flat", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
const Placement kTilted{"tilted", {10.5, -3.25, 2}, {0.6, 0, 0.8}, {0.64, 0.6, -0.48}};

double SignedArea(const Outline& o)
{
    double a = 0;
    for (size_t i = 0; i < o.size(); i++) {
        const P2 p = o[i], q = o[(i + 1) % o.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2;
}

// Even-odd test with the distance to the closest edge, to skip points on the boundary.
bool InsidePolygon(const Outline& o, P2 p, double& edgeDist)
{
    bool in = false;
    edgeDist = 1e300;
    for (size_t i = 0, j = o.size() - 1; i < o.size(); j = i++) {
        const P2 a = o[i], b = o[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
        const double dx = b.x - a.x, dy = b.y - a.y;
        double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
        t = std::fmax(0, std::fmin(1, t));
        edgeDist = std::fmin(edgeDist, std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
    }
    return in;
}

TPlane MakePlane(const Outline& o, const Placement& at)
{
    std::vector<TPoint3D> pts;
    for (P2 p : o) pts.push_back(at.At(p));
    return TPlane(static_cast<int>(pts.size()), pts.data());
}

TPlane Square()
{
    const TPoint3D pts[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    return TPlane(4, pts);
}

struct OutlineCase {
    const char* name;
    Outline outline;
};

const std::vector<OutlineCase> kOutlines = {
    {"square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
    {"L", {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 3}, {0, 3}}},
    {"U", {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}}},
    {"clockwise L", {{0, 3}, {1, 3}, {1, 1}, {4, 1}, {4, 0}, {0, 0}}},
    {"star",
     {{0, 3},
      {0.7, 1},
      {2.9, 0.9},
      {1.1, -0.4},
      {1.8, -2.4},
      {0, -1.2},
      {-1.8, -2.4},
      {-1.1, -0.4},
      {-2.9, 0.9},
      {-0.7, 1}}},
    {"comb", {{0, 0}, {5, 0}, {5, 2}, {4, 2}, {4, 0.5}, {3, 0.5}, {3, 2}, {2, 2}, {2, 0.5}, {1, 0.5}, {1, 2}, {0, 2}}},
    {"reflex first corner", {{1, 1}, {3, 0}, {3, 3}, {0, 3}, {0, 0}}},
    // The normal comes from the first three vertices, here against the outline's turn.
    {"reflex second corner", {{0, 0}, {2, 1}, {4, 0}, {4, 3}, {0, 3}}},
    {"collinear run kept by the triangulation", {{0, 0}, {1, 0.0000001}, {2, 0}, {2, 1}, {0, 1}}},
};

class PlaneTriangulation : public testing::TestWithParam<std::pair<OutlineCase, Placement>> {};

// Triangles tile the polygon: their areas add up to its area, each is oriented like the
// normal, and the inside test agrees with a point-in-polygon test on a grid.
TEST_P(PlaneTriangulation, TrianglesTileThePolygon)
{
    const Outline& o = GetParam().first.outline;
    const Placement& at = GetParam().second;
    ErrorCapture cap;
    TPlane plane = MakePlane(o, at);
    EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
    ASSERT_EQ(plane.NumVert, o.size());
    ASSERT_EQ(plane.NumTriang, o.size() - 2);
    ASSERT_EQ(plane.triangulo.size(), plane.NumTriang);

    // The normal follows the outline's own orientation (right-hand rule).
    const TVector expectedNormal = at.Up() * (SignedArea(o) > 0 ? 1.0 : -1.0);
    // The first corner may be reflex: then the first three vertices give the other side.
    const TVector n = plane.normal;
    EXPECT_NEAR(std::fabs(n * expectedNormal), 1, 1e-9);

    double sum = 0;
    for (unsigned t = 0; t < plane.NumTriang; t++) {
        TTriangle tri = plane.triangulo[t];
        sum += tri.TriangleArea();
        EXPECT_NEAR(tri.TriangleNormal() * n, 1, 1e-5) << "triangle " << t;
        for (unsigned k = 0; k < 3; k++) {
            double best = 1e300;
            for (unsigned i = 0; i < plane.NumVert; i++)
                best = std::fmin(best, dist2Points(tri.GetVertex(k), plane.vertice[i]));
            EXPECT_LT(best, 1e-5) << "corner " << k << " of triangle " << t << " is no vertex";
        }
    }
    EXPECT_NEAR(sum, std::fabs(SignedArea(o)), 1e-5);
    EXPECT_NEAR(plane.PlaneArea(), std::fabs(SignedArea(o)), 1e-5);
    EXPECT_EQ(plane.area, plane.PlaneArea());

    unsigned inside = 0;
    for (double x = -3.05; x < 5.2; x += 0.1)
        for (double y = -2.55; y < 3.2; y += 0.1) {
            double edgeDist;
            const bool expected = InsidePolygon(o, {x, y}, edgeDist);
            if (edgeDist < 1e-4) continue;
            const unsigned before = plane.hits;
            const int r = plane.Inner(at.At({x, y}));
            EXPECT_EQ(r >= 0, expected) << "(" << x << ", " << y << ")";
            EXPECT_EQ(plane.hits, before + (r >= 0 ? 1 : 0));
            if (expected) inside++;
        }
    EXPECT_GT(inside, 0u);
    EXPECT_EQ(plane.hits, inside);
}

std::vector<std::pair<OutlineCase, Placement>> AllPlacements()
{
    std::vector<std::pair<OutlineCase, Placement>> all;
    for (const OutlineCase& c : kOutlines)
        for (const Placement& p : {kFlat, kTilted}) all.emplace_back(c, p);
    return all;
}

INSTANTIATE_TEST_SUITE_P(Outlines, PlaneTriangulation, testing::ValuesIn(AllPlacements()), [](const auto& info) {
    std::string s = std::string(info.param.first.name) + "_" + info.param.second.name;
    for (char& ch : s)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return s;
});

TEST(Plane, SquareNormalTrianglesAndInner)
{
    TPlane sq = Square();
    EXPECT_EQ(sq.normal, TVector(0, 0, 1));
    EXPECT_EQ(sq.NumTriang, 2u);
    EXPECT_EQ(sq.origem, TPoint3D(0, 0, 0));

    struct Case {
        TPoint3D p;
        bool inside;
    };
    const Case cases[] = {
        {{0.5, 0.5, 0}, true}, {{2, 0.5, 0}, false},   {{1, 1, 0}, true},        {{0, 0, 0}, true},
        {{0.5, 0, 0}, true},   {{0.25, 0.9, 0}, true}, {{-0.01, 0.5, 0}, false}, {{0.5, 1.01, 0}, false},
    };
    unsigned expectedHits = 0;
    for (const Case& c : cases) {
        const int r = sq.Inner(c.p);
        if (c.inside) {
            EXPECT_GE(r, 0) << c.p.x << "," << c.p.y;
            EXPECT_LT(r, 2);
            expectedHits++;
        } else {
            EXPECT_EQ(r, -1) << c.p.x << "," << c.p.y;
        }
        EXPECT_EQ(sq.hits, expectedHits);
    }
}

TEST(Plane, TriangleOutlineAndTooFewVertices)
{
    const TPoint3D tri[] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}};
    TPlane t(3, tri);
    ASSERT_EQ(t.NumTriang, 1u);
    EXPECT_EQ(t.triangulo[0], TTriangle(tri[0], tri[1], tri[2]));
    EXPECT_EQ(t.triangulo[0].area, 2);
    EXPECT_EQ(t.Inner({0.5, 0.5, 0}), 0);

    TPlane two(2, tri);
    EXPECT_EQ(two.NumVert, 0u);
    EXPECT_FALSE(two.mem_alloc);
    EXPECT_EQ(two.Inner({0, 0, 0}), -1);
    TPlane n2(2);
    EXPECT_EQ(n2.NumVert, 0u);
    TPlane n5(5);
    EXPECT_EQ(n5.NumVert, 5u);
    EXPECT_TRUE(n5.mem_alloc);
    EXPECT_EQ(n5.GetVertex(4), TPoint3D());
    EXPECT_EQ(n5.NumTriang, 0u);
    EXPECT_EQ(n5.LayerID, -1);
    EXPECT_EQ(n5.Inner({0, 0, 0}), -1);  // never triangulated
}

TEST(Plane, CheckForErrorsCleansTheOutline)
{
    struct Case {
        const char* name;
        std::vector<TPoint3D> in;
        int result;
        std::vector<TPoint3D> out;
    };
    const std::vector<Case> cases = {
        {"repeated vertex",
         {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
         1,
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}},
        {"last equals first",
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}},
         1,
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}},
        {"run of four equal vertices",
         {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
         1,
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}},
        {"exactly collinear",
         {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}},
         1,
         {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}},
        {"collinear across the start",
         {{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 0}},
         1,
         {{2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 0}}},
        {"three collinear points", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 0, {{0, 0, 0}, {2, 0, 0}}},
        {"two distinct points", {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {1, 0, 0}}, 0, {{0, 0, 0}, {1, 0, 0}}},
        {"already clean",
         {{0, 0, 0}, {3, 0, 0}, {3, 2, 0}, {0, 2, 0}},
         1,
         {{0, 0, 0}, {3, 0, 0}, {3, 2, 0}, {0, 2, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPlane p(static_cast<int>(c.in.size()));
        for (unsigned i = 0; i < c.in.size(); i++) ASSERT_EQ(p.SetVertex(i, c.in[i]), 1);
        EXPECT_EQ(p.CheckForErrors(), c.result);
        ASSERT_EQ(p.NumVert, c.out.size());
        for (unsigned i = 0; i < c.out.size(); i++) EXPECT_EQ(p.GetVertex(i), c.out[i]) << i;
    }
}

TEST(Plane, CheckForErrorsFlattensOntoTheFirstThreeVertices)
{
    TPlane p(4);
    p.SetVertex(0, 0, 0, 0);
    p.SetVertex(1, 1, 0, 0);
    p.SetVertex(2, 1, 1, 0);
    p.SetVertex(3, 0, 1, 0.01);
    EXPECT_EQ(p.CheckForErrors(), 1);
    EXPECT_NEAR(p.GetVertex(3).z, 0, 1e-15);
    EXPECT_NEAR(p.GetVertex(3).x, 0, 1e-15);
    EXPECT_NEAR(p.GetVertex(3).y, 1, 1e-15);
    // Only the normal and the triangles of a clean outline are used: the reader's order.
    p.CalcNormal();
    p.Tecelagem();
    EXPECT_EQ(p.NumTriang, 2u);
    EXPECT_NEAR(p.PlaneArea(), 1, 1e-6);
}

TEST(Plane, OutlinesThatCannotBeTriangulatedGetNoTriangles)
{
    const std::vector<std::vector<TPoint3D>> bad = {
        {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, 0}},                        // bow tie
        {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {2, 0, 0}, {0, 4, 0}},             // vertex on an edge
        {{0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {1, 1, 0}, {2, 1, 0}, {0, 3, 0}},  // crossing edges
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {std::nan(""), 1, 0}},             // not a number
    };
    for (const auto& pts : bad) {
        ErrorCapture cap;
        TPlane p(static_cast<int>(pts.size()), pts.data());
        EXPECT_EQ(p.NumTriang, 0u);
        EXPECT_TRUE(p.triangulo.empty());
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_NE(cap.messages[0].find("cannot be triangulated"), std::string::npos) << cap.messages[0];
        EXPECT_NE(cap.messages[0].find("(0, 0, 0)"), std::string::npos) << cap.messages[0];
        EXPECT_EQ(p.Inner({0.5, 0.1, 0}), -1);
        EXPECT_EQ(p.hits, 0u);
    }
}

// Whether an outline is simple does not depend on its scale: a valid room read in other units
// (or far larger) triangulates the same, its corners the outline's own vertices, and a bow tie
// is refused at every scale.
TEST(Plane, TriangulationDoesNotDependOnTheScale)
{
    const std::vector<TPoint3D> rectangle = {{0, 0, 0}, {10, 0, 0}, {10, 0, 8}, {0, 0, 8}};
    const std::vector<TPoint3D> ell = {{0, 0, 0}, {4, 0, 0}, {4, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}};
    const std::vector<TPoint3D> bowTie = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {2, 2, 0}};
    for (double scale : {1e-3, 1.0, 1e3, 1e6, 1e9}) {
        SCOPED_TRACE(scale);
        for (const auto* outline : {&rectangle, &ell}) {
            std::vector<TPoint3D> pts;
            for (const TPoint3D& q : *outline) pts.push_back(q * scale);
            ErrorCapture cap;
            TPlane p(static_cast<int>(pts.size()), pts.data());
            EXPECT_TRUE(cap.messages.empty()) << cap.Joined();
            ASSERT_EQ(p.NumTriang, pts.size() - 2);
            double sum = 0;
            for (TTriangle t : p.triangulo) {
                sum += t.TriangleArea();
                for (unsigned k = 0; k < 3; ++k)
                    EXPECT_NE(std::find(pts.begin(), pts.end(), t.GetVertex(k)), pts.end()) << "a corner is no vertex";
            }
            const double area = outline == &rectangle ? 80.0 : 6.0;
            EXPECT_NEAR(sum / (scale * scale), area, area * 1e-9);
            EXPECT_GE(p.Inner((pts[0] + pts[1] + pts[2]) * (1.0 / 3.0)), 0);
        }
        std::vector<TPoint3D> tie;
        for (const TPoint3D& q : bowTie) tie.push_back(q * scale);
        ErrorCapture cap;
        TPlane p(static_cast<int>(tie.size()), tie.data());
        EXPECT_EQ(p.NumTriang, 0u);
    }
}

TEST(Plane, InvertSequenceFlipsOutlineNormalAndTriangles)
{
    const TPoint3D v[] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 3, 0}, {0, 2, 0}};
    TPlane p(5, v);
    EXPECT_EQ(p.normal, TVector(0, 0, 1));
    p.InvertSequence();
    const TPoint3D expected[] = {v[2], v[1], v[0], v[4], v[3]};
    for (int i = 0; i < 5; i++) EXPECT_EQ(p.GetVertex(i), expected[i]) << i;
    EXPECT_EQ(p.normal, TVector(0, 0, 1));  // stale until Tecelagem
    p.Tecelagem();
    EXPECT_EQ(p.normal, TVector(0, 0, -1));
    ASSERT_EQ(p.NumTriang, 3u);
    for (unsigned t = 0; t < p.NumTriang; t++) EXPECT_NEAR(p.triangulo[t].TriangleNormal().z, -1, 1e-6);
    EXPECT_GE(p.Inner({1, 1, 0}), 0);

    TPlane t3(3, v);
    t3.InvertSequence();
    EXPECT_EQ(t3.GetVertex(0), v[2]);
    EXPECT_EQ(t3.GetVertex(2), v[0]);
}

TEST(Plane, VertexAccess)
{
    TPlane p = Square();
    EXPECT_EQ(p.GetVertex(4), p.GetVertex(0));
    EXPECT_EQ(p.GetVertex(5), TPoint3D(1, 0, 0));
    EXPECT_EQ(p.GetVertex(-1), p.GetVertex(static_cast<int>(4294967295u % 4)));
    EXPECT_EQ(p.SetVertex(4, 9, 9, 9), -1);
    EXPECT_EQ(p.SetVertex(3, 0, 2, 0), 1);
    EXPECT_EQ(p.GetVertex(3), TPoint3D(0, 2, 0));

    p.ShiftVertexes();
    EXPECT_EQ(p.GetVertex(0), TPoint3D(1, 0, 0));
    EXPECT_EQ(p.GetVertex(3), TPoint3D(0, 0, 0));
    p.RemoveVertex(7);
    EXPECT_EQ(p.GetNumVertexes(), 4u);
    p.RemoveVertex(0);
    EXPECT_EQ(p.GetNumVertexes(), 3u);
    EXPECT_EQ(p.GetVertex(0), TPoint3D(1, 1, 0));
    EXPECT_EQ(p.AddVertex(5, 5, 5), 1);
    EXPECT_EQ(p.GetNumVertexes(), 4u);
    EXPECT_EQ(p.GetVertex(3), TPoint3D(5, 5, 5));

    TPlane built;
    for (TPoint3D q : {TPoint3D(0, 0, 1), TPoint3D(0, 1, 1), TPoint3D(1, 1, 1)}) built.AddVertex(q);
    EXPECT_TRUE(built.mem_alloc);
    built.Tecelagem();
    EXPECT_EQ(built.GetNumTriangles(), 1u);
    EXPECT_EQ(built.normal, TVector(0, 0, -1));
    EXPECT_EQ(built.CalcNormal(1), TVector());  // needs vertices 1..3
    EXPECT_EQ(built.CalcNormal(0), TVector(0, 0, -1));
}

TEST(Plane, GetVertexOfAnEmptyPlaneEndsWithStatusOne)
{
    for (TPlane* p : {new TPlane(), new TPlane(2)}) {
        testing::internal::CaptureStdout();
        try {
            p->GetVertex(0);
            ADD_FAILURE() << "no exit";
        } catch (const SorviExit& e) {
            EXPECT_EQ(e.Status(), 1);
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "vertice not allocated - Programing Error!!");
        delete p;
    }
    // Emptied by removal: no division by a zero count.
    TPlane q = Square();
    for (int i = 0; i < 4; i++) q.RemoveVertex(0);
    testing::internal::CaptureStdout();
    EXPECT_THROW(q.GetVertex(3), SorviExit);
    testing::internal::GetCapturedStdout();
}

TEST(Plane, ImageAndProjection)
{
    TPlane sq = Square();
    EXPECT_EQ(sq.CalcImage({0, 0, 3}), TPoint3D(0, 0, -3));
    EXPECT_EQ(sq.CalcProjection({0, 0, 3}), TPoint3D(0, 0, 0));
    EXPECT_EQ(sq.CalcImage({0.2, 5, -1}), TPoint3D(0.2, 5, 1));
    const TPoint3D proj = TPlane::CalcProjection({1, 2, 3}, {0, 0, 1}, TVector(0, 0, 1));
    EXPECT_EQ(proj, TPoint3D(1, 2, 1));
}

TEST(Plane, CopiesAreDeepAndCarryTheRightState)
{
    TPlane a = Square();
    a.LayerID = 3;
    a.IsExternal = true;
    a.Inner({0.5, 0.5, 0});

    // The room's copy: triangulated anew, hits carried, IsExternal not.
    TPlane b(&a);
    EXPECT_EQ(b.LayerID, 3);
    EXPECT_EQ(b.hits, 1u);
    EXPECT_FALSE(b.IsExternal);
    EXPECT_EQ(b.NumTriang, 2u);
    a.SetVertex(0, -5, -5, 0);
    EXPECT_EQ(b.GetVertex(0), TPoint3D(0, 0, 0));

    // Assignment: everything but IsExternal; the frame travels with the triangles.
    TPlane c;
    const TPoint3D far[] = {{0, 0, 7}, {0, 3, 7}, {0, 3, 9}, {0, 0, 9}};
    TPlane other(4, far);
    c = other;
    EXPECT_FALSE(c.IsExternal);
    EXPECT_EQ(c.NumVert, 4u);
    EXPECT_EQ(c.origem, other.origem);
    EXPECT_GE(c.Inner({0, 1, 8}), 0);
    EXPECT_EQ(c.hits, 1u);
    EXPECT_EQ(other.hits, 0u);
    c = c;  // self-assignment keeps the plane
    EXPECT_EQ(c.NumVert, 4u);

    TPlane d(c);
    EXPECT_EQ(d.hits, 1u);
    EXPECT_GE(d.Inner({0, 2, 8.5}), 0);

    TPlane e(std::move(d));
    EXPECT_EQ(e.NumTriang, 2u);
    TPlane f;
    f = std::move(e);
    EXPECT_EQ(f.NumVert, 4u);
    EXPECT_EQ(e.NumVert, 0u);
    EXPECT_EQ(e.NumTriang, 0u);
    EXPECT_EQ(e.Inner({0, 2, 8.5}), -1);

    std::vector<TPlane> room(3, a);
    room.push_back(b);
    std::vector<TPlane> copy = room;
    EXPECT_EQ(copy[3].NumTriang, 2u);
    TPlane null(static_cast<const TPlane*>(nullptr));
    EXPECT_EQ(null.NumVert, 0u);
}

TEST(Plane, IsConvex)
{
    EXPECT_TRUE(Square().IsConvex());
    EXPECT_FALSE(MakePlane(kOutlines[1].outline, kTilted).IsConvex());  // L
    EXPECT_TRUE(MakePlane({{0, 0}, {1, 0}, {2, 0}, {2, 1}, {0, 1}}, kFlat).IsConvex());
    EXPECT_FALSE(TPlane().IsConvex());
}

TEST(Plane, TextOutput)
{
    TPlane sq = Square();
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    sq.WriteVertexes(f);
    std::fputs("|", f);
    const TPoint3D tri[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0.5}};
    TPlane(3, tri).SaveTriangles(f);
    std::rewind(f);
    std::string text;
    for (int ch; (ch = std::fgetc(f)) != EOF;) text += static_cast<char>(ch);
    std::fclose(f);
    EXPECT_EQ(text, "4 0.00 0.00 0.00 1.00 0.00 0.00 1.00 1.00 0.00 0.00 1.00 0.00 |"
                    "0.000 0.000 0.000 1.000 0.000 0.000 0.000 1.000 0.500\n");

    testing::internal::CaptureStdout();
    TPlane(3, tri).PrintPlane();
    TPlane().PrintPlane();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Vertices = 3 - Triangulos = 1 - LayerID = -1\n"
                                                      "Normal = 0.00 -0.45 0.89\n"
                                                      "Vertices (3):\n"
                                                      "01\tx=0.00\ty=0.00\tz=0.00\n"
                                                      "02\tx=1.00\ty=0.00\tz=0.00\n"
                                                      "03\tx=0.00\ty=1.00\tz=0.50\n"
                                                      "Triangulos (1):\n"
                                                      "vertice [1]:\n"
                                                      "P0\tx=0.00\ty=0.00\tz=0.00\n"
                                                      "P1\tx=1.00\ty=0.00\tz=0.00\n"
                                                      "P2\tx=0.00\ty=1.00\tz=0.50\n"
                                                      "Vertices = 0 - Triangulos = 0 - LayerID = -1\n"
                                                      "Normal = 0.00 0.00 0.00\n"
                                                      "Vertices (0):\n"
                                                      "Triagulos n\xE3o criados.\n");
}

}  // namespace
