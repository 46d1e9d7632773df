#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "geometry/p2t.h"

namespace {

struct Case {
    const char* name;
    std::vector<p2t::TPoint2D> outline;
    size_t triangles;  // 0: refused
};

// Counter-clockwise triangles whose corners are the caller's own points, or a refusal
// with a reason and no triangles.
TEST(P2t, TriangulatesSimpleOutlinesAndRefusesTheRest)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {"triangle", {{0, 0}, {1, 0}, {0, 1}}, 1},
        {"clockwise square", {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, 2},
        {"arrow", {{0, 0}, {2, 1}, {0, 2}, {1, 1}}, 2},
        {"collinear vertex", {{0, 0}, {1, 0}, {2, 0}, {2, 1}}, 2},
        {"two points", {{0, 0}, {1, 0}}, 0},
        {"repeated point", {{0, 0}, {1, 0}, {1, 0}, {0, 1}}, 0},
        {"bow tie", {{0, 0}, {1, 1}, {1, 0}, {0, 1}}, 0},
        {"point on an edge", {{0, 0}, {2, 0}, {2, 2}, {1, 0}, {0, 2}}, 0},
        {"all collinear", {{0, 0}, {1, 0}, {2, 0}}, 0},
        {"not a number", {{0, 0}, {1, 0}, {nan, 1}, {0, 1}}, 0},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<p2t::TPoint2D*> outline;
        for (auto& p : c.outline) outline.push_back(&p);
        p2t::CDT cdt(outline);
        const bool ok = cdt.Triangulate();
        const std::vector<p2t::Triangle*> tris = cdt.GetTriangles();
        EXPECT_EQ(tris.size(), c.triangles);
        EXPECT_EQ(ok, c.triangles > 0);
        EXPECT_EQ(cdt.Error().empty(), ok) << cdt.Error();
        for (const p2t::Triangle* t : tris) {
            const p2t::TPoint2D *a = t->GetPoint(0), *b = t->GetPoint(1), *d = t->GetPoint(2);
            EXPECT_GT((b->x - a->x) * (d->y - a->y) - (b->y - a->y) * (d->x - a->x), 0);
            for (int k = 0; k < 3; k++) {
                const p2t::TPoint2D* p = t->GetPoint(k);
                EXPECT_TRUE(p >= c.outline.data() && p < c.outline.data() + c.outline.size());
            }
        }
    }
}

}  // namespace
