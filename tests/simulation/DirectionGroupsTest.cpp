#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "simulation/DirectionGroups.h"

namespace {

struct Block {
    std::vector<TDirection> dir;
    std::vector<float> fatordist;
};

TDirection Dir(float azim, float elev)
{
    TDirection d;
    d.Set(azim, elev, 1.0f);
    return d;
}

// Blocks of the shapes the clustering meets: directions spread over the sphere (diffuse
// arrivals), a few narrow cones (specular paths, wide gaps between the pair angles), one cone,
// and directions and factors on coarse grids, which give many equal angles, equal directions
// and several arrivals of the strongest factor.
Block MakeBlock(unsigned shape, unsigned NE, std::mt19937& gen)
{
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto sphere = [&] {
        return Dir(360.0f * unit(gen), static_cast<float>(std::asin(2.0 * unit(gen) - 1.0) * 180.0 / M_PI));
    };
    Block b;
    std::vector<TDirection> cones;
    const unsigned numCones = shape == 1 ? 1 + gen() % 4 : 1;
    for (unsigned c = 0; c < numCones; ++c) cones.push_back(sphere());
    const float spread = shape == 1 ? 4.0f : 15.0f;
    for (unsigned k = 0; k < NE; ++k) {
        TDirection d;
        switch (shape) {
        case 0:
            d = sphere();
            break;
        case 1:
        case 2: {
            const TDirection& c = cones[gen() % cones.size()];
            d = Dir(c.azim + spread * (unit(gen) - 0.5f),
                    std::clamp(c.elev + spread * (unit(gen) - 0.5f), -90.0f, 90.0f));
            break;
        }
        default:
            d = Dir(static_cast<float>(45 * (gen() % 8)), static_cast<float>(30 * (gen() % 7)) - 90.0f);
            break;
        }
        b.dir.push_back(d);
        b.fatordist.push_back(shape == 3 ? 0.25f * static_cast<float>(gen() % 4) : unit(gen));
    }
    return b;
}

std::string Show(const TDirectionGroupList& groups)
{
    std::string s;
    for (const auto& g : groups) {
        s += '{';
        for (int m : g) s += std::to_string(m) + ' ';
        s += '}';
    }
    return s;
}

}  // namespace

// The grouping that compares cosines and sorts only the reachable pairs gives exactly the
// groups of the one that sorts the angle of every pair, on random blocks with ties.
TEST(DirectionGroups, SameGroupsAsSortingEveryPair)
{
    std::mt19937 gen(2026);
    TDirectionGroupsWork work;  // reused between blocks, as the clustering does
    unsigned compared = 0, split = 0;
    for (unsigned shape = 0; shape < 4; ++shape)
        for (unsigned NE : {2u, 3u, 4u, 7u, 16u, 61u, 200u, 700u})
            for (unsigned trial = 0; trial < (NE > 100 ? 3u : 25u); ++trial) {
                const Block b = MakeBlock(shape, NE, gen);
                const TDirectionGroupList want = GroupDirectionsAllPairs(b.dir.data(), b.fatordist.data(), NE);
                const TDirectionGroupList got = GroupDirections(b.dir.data(), b.fatordist.data(), NE, work);
                ASSERT_EQ(Show(got), Show(want)) << "shape " << shape << ", " << NE << " arrivals, trial " << trial;
                ++compared;
                if (want.size() > 1) ++split;
            }
    EXPECT_GT(split, compared / 3);  // the blocks exercise the placement, not only one group
}

TEST(DirectionGroups, EdgeCasesMatchTheReference)
{
    struct Case {
        const char* what;
        std::vector<TDirection> dir;
        std::vector<float> fatordist;
    };
    const std::vector<Case> cases = {
        {"two equal directions", {Dir(10, 5), Dir(10, 5)}, {0.5f, 0.5f}},
        {"antipodal", {Dir(0, 0), Dir(180, 0), Dir(0.5f, 0)}, {0.1f, 0.2f, 0.3f}},
        {"poles and the same point in other azimuths",
         {Dir(0, 90), Dir(120, 90), Dir(0, -90), Dir(33, 89.9f)},
         {0.3f, 0.3f, 0.1f, 0.2f}},
        {"exactly 50 degrees", {Dir(0, 0), Dir(50, 0)}, {0.5f, 0.7f}},
        {"no positive factor but a zero one", {Dir(0, 0), Dir(70, 0), Dir(140, 0)}, {0.0f, -1.0f, 0.0f}},
        {"gaps just above and below 10 degrees",
         {Dir(0, 0), Dir(1, 0), Dir(11.2f, 0), Dir(22.4f, 0), Dir(60, 0)},
         {0.2f, 0.9f, 0.4f, 0.3f, 0.1f}},
        {"no start pair", {Dir(0, 0), Dir(70, 0)}, {-1.0f, -2.0f}},
        {"not a number", {Dir(0, 0), Dir(std::nanf(""), 0), Dir(70, 0)}, {0.5f, 0.4f, 0.3f}},
    };
    TDirectionGroupsWork work;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const unsigned NE = static_cast<unsigned>(c.dir.size());
        const TDirectionGroupList want = GroupDirectionsAllPairs(c.dir.data(), c.fatordist.data(), NE);
        EXPECT_EQ(Show(GroupDirections(c.dir.data(), c.fatordist.data(), NE, work)), Show(want));
    }
    const std::vector<TDirection> two = {Dir(0, 0), Dir(70, 0)};
    const std::vector<float> negative = {-1.0f, -2.0f};
    EXPECT_TRUE(GroupDirections(two.data(), negative.data(), 2, work).empty());
}
