#include "console/TLinearSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "support/ErrorCapture.h"

namespace {

struct LineCase {
    std::string name;
    std::vector<TPoint3D> vertices;
    int count;      // used when spacing is 0
    float spacing;  // metres; 0 means "by count"
    std::vector<TPoint3D> expected;
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::vector<TPoint3D> kStraight = {{0, 0, 0}, {10, 0, 0}};
const std::vector<TPoint3D> kL = {{0, 0, 0}, {3, 0, 0}, {3, 4, 0}};

class LineSourceCases : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineSourceCases, PlacesPointSources)
{
    const LineCase& c = GetParam();
    TLinearSource line;
    const int n = c.spacing > 0 ? line.Create(static_cast<int>(c.vertices.size()), c.vertices.data(), c.spacing)
                                : line.Create(static_cast<int>(c.vertices.size()), c.vertices.data(), c.count);
    ASSERT_EQ(n, static_cast<int>(c.expected.size()));
    ASSERT_EQ(line.NumPointSources, n);
    ASSERT_EQ(line.src.size(), c.expected.size());
    for (size_t k = 0; k < c.expected.size(); k++) {
        EXPECT_NEAR(line.src[k].Position.x, c.expected[k].x, 1e-12) << "source " << k;
        EXPECT_NEAR(line.src[k].Position.y, c.expected[k].y, 1e-12) << "source " << k;
        EXPECT_NEAR(line.src[k].Position.z, c.expected[k].z, 1e-12) << "source " << k;
        // Only the position is set: the rest is a default point source.
        EXPECT_EQ(line.src[k].power, 105.0f);
        EXPECT_EQ(line.src[k].SoundFile, "NONE");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineSourceCases,
    ::testing::Values(
        LineCase{"Straight6", kStraight, 6, 0, {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {6, 0, 0}, {8, 0, 0}, {10, 0, 0}}},
        LineCase{"LShape3", kL, 3, 0, {{0, 0, 0}, {3, 0.5, 0}, {3, 4, 0}}},
        // Step 1: the fourth source sits exactly on the corner.
        LineCase{"LShape8",
                 kL,
                 8,
                 0,
                 {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {3, 1, 0}, {3, 2, 0}, {3, 3, 0}, {3, 4, 0}}},
        LineCase{"Diagonal3", {{1, 1, 1}, {4, 5, 1}}, 3, 0, {{1, 1, 1}, {2.5, 3, 1}, {4, 5, 1}}},
        // 7 / 2 = 3.5: four sources, 7/3 apart.
        LineCase{"LShapeSpacing2", kL, 0, 2.0f, {{0, 0, 0}, {7.0 / 3, 0, 0}, {3, 14.0 / 3 - 3, 0}, {3, 4, 0}}},
        // 10 / 3: four sources, 10/3 apart, never closer than asked.
        LineCase{"StraightSpacing3", kStraight, 0, 3.0f, {{0, 0, 0}, {10.0 / 3, 0, 0}, {20.0 / 3, 0, 0}, {10, 0, 0}}},
        LineCase{"StraightSpacing2",
                 kStraight,
                 0,
                 2.0f,
                 {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {6, 0, 0}, {8, 0, 0}, {10, 0, 0}}},
        LineCase{"ShorterThanSpacing", kL, 0, 8.0f, {{3, 4, 0}}}, LineCase{"OneSourceOnALine", kL, 1, 0, {{3, 4, 0}}},
        LineCase{"SingleVertex", {{1, 2, 3}}, 5, 0, {{1, 2, 3}}},
        LineCase{"SingleVertexSpacing", {{1, 2, 3}}, 0, 0.5f, {{1, 2, 3}}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return info.param.name; });

TEST(LinearSource, RefusedRequestsLeaveTheLineSourceAsItWas)
{
    const float nan = std::nanf("");
    const struct {
        const char* what;
        int numVert;
        const TPoint3D* vertices;
        int count;
        bool bySpacing;
        float spacing;
        const char* message;
    } cases[] = {
        {"no source", 3, kL.data(), 0, false, 0, "Linear source needs at least one point source!\n"},
        {"negative count", 3, kL.data(), -4, false, 0, "Linear source needs at least one point source!\n"},
        {"huge count", 2, kStraight.data(), kMaxLinearPointSources + 1, false, 0,
         "Linear source with too many point sources!\n"},
        {"zero spacing", 3, kL.data(), 0, true, 0.0f, "Linear source spacing must be positive!\n"},
        {"negative spacing", 3, kL.data(), 0, true, -2.0f, "Linear source spacing must be positive!\n"},
        {"NaN spacing", 3, kL.data(), 0, true, nan, "Linear source spacing must be positive!\n"},
        {"tiny spacing", 2, kStraight.data(), 0, true, 1e-9f, "Linear source with too many point sources!\n"},
        {"no vertex", 0, kL.data(), 3, false, 0, "Linear source without vertexes!\n"},
        {"null list", 3, nullptr, 0, true, 1.0f, "Linear source without vertexes!\n"},
    };
    for (const auto& c : cases) {
        TLinearSource line;
        ASSERT_EQ(line.Create(2, kStraight.data(), 3), 3);
        ErrorCapture cap;
        const int n =
            c.bySpacing ? line.Create(c.numVert, c.vertices, c.spacing) : line.Create(c.numVert, c.vertices, c.count);
        EXPECT_EQ(n, 0) << c.what;
        ASSERT_EQ(cap.messages.size(), 1u) << c.what;
        EXPECT_EQ(cap.messages[0], c.message) << c.what;
        EXPECT_EQ(line.NumPointSources, 3) << c.what;
        ASSERT_EQ(line.src.size(), 3u);
        EXPECT_EQ(line.src[1].Position, TPoint3D(5, 0, 0)) << c.what;
    }
}

TEST(LinearSource, RepeatedVertexEndsWithStatusOne)
{
    const std::vector<TPoint3D> repeated = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    for (bool bySpacing : {false, true}) {
        TLinearSource line(2);
        ErrorCapture cap;
        try {
            if (bySpacing)
                line.Create(4, repeated.data(), 0.5f);
            else
                line.Create(4, repeated.data(), 3);
            ADD_FAILURE() << "no exit";
        } catch (const SorviExit& e) {
            EXPECT_EQ(e.Status(), 1);
        }
        ASSERT_EQ(cap.messages.size(), 1u);
        EXPECT_EQ(cap.messages[0], "Linear source with repeated vertexes!\n");
        EXPECT_EQ(line.NumPointSources, 2);
        EXPECT_EQ(line.src.size(), 2u);
    }
}

TEST(LinearSource, LifeCycle)
{
    TLinearSource empty;
    EXPECT_EQ(empty.NumPointSources, 0);
    EXPECT_TRUE(empty.src.empty());
    EXPECT_EQ(TLinearSource(-2).NumPointSources, 0);

    TLinearSource line(3);
    EXPECT_EQ(line.NumPointSources, 3);
    ASSERT_EQ(line.src.size(), 3u);
    EXPECT_EQ(line.src[2].power, 105.0f);

    // Create replaces the earlier point sources, larger or smaller.
    EXPECT_EQ(line.Create(2, kStraight.data(), 6), 6);
    EXPECT_EQ(line.src.size(), 6u);
    TLinearSource copy = line;
    EXPECT_EQ(line.Create(3, kL.data(), 2.0f), 4);
    EXPECT_EQ(line.src.size(), 4u);
    EXPECT_EQ(copy.NumPointSources, 6);
    EXPECT_EQ(copy.src[1].Position, TPoint3D(2, 0, 0));

    // A single vertex on a line source without point sources makes one; with some, it keeps
    // the first one and moves it.
    TLinearSource single;
    const TPoint3D p(7, 8, 9);
    EXPECT_EQ(single.Create(1, &p, 1), 1);
    ASSERT_EQ(single.src.size(), 1u);
    EXPECT_EQ(single.src[0].Position, p);
    line.src[0].SetPower(0.5f);
    EXPECT_EQ(line.Create(1, &p, 3), 1);
    ASSERT_EQ(line.src.size(), 1u);
    EXPECT_EQ(line.src[0].Position, p);
    EXPECT_EQ(line.src[0].power, 0.5f);

    line.Destroy();
    EXPECT_EQ(line.NumPointSources, 0);
    EXPECT_TRUE(line.src.empty());
    line.Destroy();
    EXPECT_EQ(line.NumPointSources, 0);
}

}  // namespace
